#pragma once
// Messages of the settings form and the save commands that the interface text tables do not hold:
// a few in both languages, chosen by the language code, and the fixed Chinese ones.
#include <string>
#include <string_view>

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
inline constexpr std::string_view kInvalidHostMessage = "无效的网址！";
inline constexpr std::string_view kCloudPasswordLengthMessage = "云设备密码 是8位的字符";
inline constexpr std::string_view kCloudIdLengthMessage = "云设备ID 是20位的字符";

// The help of the "?" mark beside the cloud pass-through box, in Chinese in both languages.
std::string cloudHelpText();

}  // namespace tavrel
