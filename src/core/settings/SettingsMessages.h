#pragma once
// The messages of the settings form and the save commands: which text each refusal shows. The texts
// themselves live in UiTexts (both languages) and in the fixed-text table (Chinese in both).
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
