#pragma once
// The WiFi settings of a 302-form board as they travel in its packed record: mode, access point
// and station names and passwords.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/DeviceRecord.h"

namespace tavrel {

inline constexpr std::uint8_t kWifiModeAp = 1;
inline constexpr std::uint8_t kWifiModeSta = 2;

// Offsets and widths inside the 302-form payload (the frame's bytes 4..295).
namespace wifi302 {
inline constexpr std::size_t kMarker = 0;  // 0x55 in a write
inline constexpr std::size_t kMode = 1;
inline constexpr std::size_t kApSsid = 2;
inline constexpr std::size_t kApPassword = 34;
inline constexpr std::size_t kStaPassword = 50;
inline constexpr std::size_t kStaSsid = 66;
inline constexpr std::size_t kEnd = 98;  // first byte after the WiFi part
inline constexpr std::size_t kSsidWidth = 32;
inline constexpr std::size_t kPasswordWidth = 16;
inline constexpr std::uint8_t kWriteMarker = 0x55;
}  // namespace wifi302

struct WifiSettings {
    std::uint8_t mode = 0;  // 1 AP, 2 STA
    std::string apSsid, apPassword, staSsid, staPassword;
    bool operator==(const WifiSettings&) const = default;
};

// Mode of a mode-list selection: the position + 1; with nothing chosen, the device's own mode, so a
// save never sends a mode the user did not pick.
std::uint8_t wifiModeOf(int modeSelection, std::uint8_t deviceMode);

// Writes bytes 0..97 of a 302-form payload: the marker, the mode and the four texts, each zero
// padded and cut so that its field's last byte stays 0 (never inside a UTF-8 character). The other
// bytes are left alone. False, writing nothing, when the payload is shorter than the WiFi part.
bool putWifiSettings(std::span<std::uint8_t> payload, const WifiSettings& settings);

// The record's WiFi fields, and the record changed to hold `settings` as the device will store them.
WifiSettings wifiSettingsOf(const DeviceRecord& record);
void applyWifiSettings(DeviceRecord& record, const WifiSettings& settings);

// A partial change, as the command line gives it: fields not given keep their values.
struct WifiEdit {
    std::optional<std::uint8_t> mode;
    std::optional<std::string> apSsid, apPassword, staSsid, staPassword;
};
WifiSettings editedWifiSettings(WifiSettings settings, const WifiEdit& edit);

// "AP" or "STA" (any case) as a mode; nothing for other texts.
std::optional<std::uint8_t> parseWifiMode(std::string_view text);
// Longest text a field keeps: its width less the closing zero.
inline constexpr std::size_t kMaxSsidBytes = wifi302::kSsidWidth - 1;
inline constexpr std::size_t kMaxWifiPasswordBytes = wifi302::kPasswordWidth - 1;

}  // namespace tavrel
