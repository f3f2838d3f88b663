#pragma once
// Messages of the settings form and the save commands that the interface text tables do not hold:
// a few in both languages, chosen by the language code, and the fixed Chinese ones.
#include <string>
#include <string_view>

#include "texts/FixedTexts.h"

namespace tavrel {

enum class SettingsMessage {
    InvalidIpType,
    InvalidIpAddress,
    InvalidSubnetMask,
    InvalidGateway,
    InvalidDns,
    InvalidMac,
    HeartbeatDataTooLong,
};

// English for language code 9, Chinese for every other code (4, or none loaded yet).
std::string settingsMessage(SettingsMessage message, int languageCode);

// Shown in Chinese in both interface languages.
inline constexpr std::string_view kInvalidHostMessage = fixed::kInvalidRemoteHost;
inline constexpr std::string_view kCloudPasswordLengthMessage = fixed::kCloudPasswordLength;
inline constexpr std::string_view kCloudIdLengthMessage = fixed::kCloudIdLength;

// The help of the "?" mark beside the cloud pass-through box, in Chinese in both languages.
std::string cloudHelpText();

}  // namespace tavrel
