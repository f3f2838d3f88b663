#pragma once
// Window labels that read the same in both languages and are not yet in the core's fixed-text
// table. Kept in one place so that they move there whole.
#include <string_view>

namespace tavrel::templ {

inline constexpr std::string_view kRs485AddressLabel = "RS485地址 :";
inline constexpr std::string_view kCloudIdLabel = "云设备ID :";
inline constexpr std::string_view kCloudPasswordLabel = "云设备密码 :";
inline constexpr std::string_view kCloudHelpMark = "?";
inline constexpr std::string_view kSsidLabel = "SSID";

}  // namespace tavrel::templ
