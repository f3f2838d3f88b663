#pragma once
// The fixed choice lists. Records store 1-based positions in them (data bits: the number), so
// their order is part of the device protocol and of the profile format.
#include <array>
#include <optional>
#include <string_view>

namespace tavrel::lists {

inline constexpr std::array<std::string_view, 8> kPorts = {"PORT1", "PORT2", "PORT3", "PORT4",
                                                           "PORT5", "PORT6", "PORT7", "PORT8"};
inline constexpr std::array<std::string_view, 3> kInterfaces = {"RS232", "RS485", "RS422"};
inline constexpr std::array<std::string_view, 17> kBaudRates = {
    "600",    "1200",   "2400",   "4800",   "9600",   "14400",  "19200",  "38400",  "56000",
    "57600",  "115200", "128000", "230400", "256000", "460800", "921600", "1024000"};
inline constexpr std::array<std::string_view, 3> kParities = {"NONE", "EVEN", "ODD"};
inline constexpr std::array<std::string_view, 3> kDataBits = {"7", "8", "9"};
inline constexpr std::array<std::string_view, 3> kStopBits = {"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 4> kWorkModes = {"TCP_SERVER", "TCP_CLIENT", "UDP_SERVER",
                                                               "UDP_CLIENT"};
// Shown in Chinese in both interface languages, Monday first.
inline constexpr std::array<std::string_view, 7> kWeekdays = {"星期一", "星期二", "星期三", "星期四",
                                                              "星期五", "星期六", "星期日"};
inline constexpr std::array<std::string_view, 2> kWifiModes = {"AP", "STA"};

// 1-based position of a text in a list, or nothing.
template <std::size_t N>
std::optional<int> positionOf(const std::array<std::string_view, N>& list, std::string_view text) {
    for (std::size_t i = 0; i < N; ++i)
        if (list[i] == text) return static_cast<int>(i + 1);
    return std::nullopt;
}

// Text at a 1-based position, or empty when out of range.
template <std::size_t N>
std::string_view textAt(const std::array<std::string_view, N>& list, int position) {
    if (position < 1 || position > static_cast<int>(N)) return {};
    return list[static_cast<std::size_t>(position - 1)];
}

}  // namespace tavrel::lists
