#include "settings/SettingsMessages.h"

#include "doctor/Doctor.h"
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
        case SettingsMessage::AddressUnspecified:
            return &UiTexts::addressUnspecified;
        case SettingsMessage::AddressBroadcast:
            return &UiTexts::addressBroadcast;
        case SettingsMessage::AddressMulticast:
            return &UiTexts::addressMulticast;
        case SettingsMessage::AddressReserved:
            return &UiTexts::addressReserved;
        case SettingsMessage::AddressLoopback:
            return &UiTexts::addressLoopback;
        case SettingsMessage::AddressZeroNetwork:
            return &UiTexts::addressZeroNetwork;
        case SettingsMessage::AddressSubnetNetwork:
            return &UiTexts::addressSubnetNetwork;
        case SettingsMessage::AddressSubnetBroadcast:
            return &UiTexts::addressSubnetBroadcast;
        case SettingsMessage::MaskNotContiguous:
            return &UiTexts::maskNotContiguous;
        case SettingsMessage::MaskEmpty:
            return &UiTexts::maskEmpty;
        case SettingsMessage::MaskHostOnly:
            return &UiTexts::maskHostOnly;
        case SettingsMessage::MacMulticast:
            return &UiTexts::macMulticast;
        case SettingsMessage::MacZero:
            return &UiTexts::macZero;
        case SettingsMessage::TextTooLong:
            return &UiTexts::textTooLong;
        case SettingsMessage::GatewayOutsideSubnet:
            return &UiTexts::gatewayOutsideSubnet;
        case SettingsMessage::AddressInUse:
            return &UiTexts::addressInUse;
    }
    return &UiTexts::invalidIpType;
}

std::string UiTexts::*nameOf(SettingsField field) {
    switch (field) {
        case SettingsField::IpAddress:
            return &UiTexts::fieldIpAddress;
        case SettingsField::SubnetMask:
            return &UiTexts::fieldSubnetMask;
        case SettingsField::Gateway:
            return &UiTexts::fieldGateway;
        case SettingsField::Dns:
            return &UiTexts::fieldDns;
        case SettingsField::Mac:
            return &UiTexts::fieldMac;
        case SettingsField::User:
            return &UiTexts::fieldUser;
        case SettingsField::Password:
            return &UiTexts::fieldPassword;
    }
    return &UiTexts::fieldIpAddress;
}

Language languageOf(int languageCode) {
    return languageCode == kEnglishLanguageCode ? Language::English : Language::Chinese;
}

}  // namespace

std::string settingsMessage(SettingsMessage message, int languageCode) {
    return UiTexts::textOf(memberOf(message), languageOf(languageCode));
}

std::string settingsMessage(const SettingsFinding& finding, int languageCode) {
    const Language language = languageOf(languageCode);
    return fillIn(UiTexts::textOf(memberOf(finding.message), language),
                  {UiTexts::textOf(nameOf(finding.field), language), finding.value, finding.detail});
}

std::string cloudHelpText() {
    return std::string(fixed::kCloudHelp);
}

}  // namespace tavrel
