#include "settings/SettingsMessages.h"

#include "texts/UiTexts.h"

namespace tavrel {

namespace {

std::string UiTexts::*memberOf(SettingsMessage message) {
    switch (message) {
        case SettingsMessage::InvalidIpType:
            return &UiTexts::invalidIpType;
        case SettingsMessage::InvalidIpAddress:
            return &UiTexts::invalidIpAddress;
        case SettingsMessage::InvalidSubnetMask:
            return &UiTexts::invalidSubnetMask;
        case SettingsMessage::InvalidGateway:
            return &UiTexts::invalidGateway;
        case SettingsMessage::InvalidDns:
            return &UiTexts::invalidDns;
        case SettingsMessage::InvalidMac:
            return &UiTexts::invalidMacAddress;
        case SettingsMessage::HeartbeatDataTooLong:
            return &UiTexts::heartbeatDataTooLong;
    }
    return &UiTexts::invalidIpType;
}

}  // namespace

std::string settingsMessage(SettingsMessage message, int languageCode) {
    const Language language = languageCode == kEnglishLanguageCode ? Language::English : Language::Chinese;
    return UiTexts::textOf(memberOf(message), language);
}

std::string cloudHelpText() {
    return std::string(fixed::kCloudHelp);
}

}  // namespace tavrel
