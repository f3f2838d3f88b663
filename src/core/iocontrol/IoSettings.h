#pragma once
// The IO control window's settings file: list positions, check states and the 32 output time
// fields, kept in section "Info" between runs. The caller resolves the file's path.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "iocontrol/BoardModel.h"
#include "profiles/PrivateProfile.h"

namespace tavrel {

inline constexpr std::string_view kIoSettingsSection = "Info";
// The longest time field text a load takes.
inline constexpr std::size_t kTimeTextMaxChars = 19;

// The interval list, "OFF" first; a position is what the file stores.
inline constexpr std::array<std::string_view, 13> kScanIntervalTexts{
    "OFF", "50", "100", "200", "300", "400", "500", "600", "700", "800", "900", "1000", "5000"};

// Polling period of an interval list position: 0 for "OFF", nothing for a position the list lacks.
std::optional<unsigned> scanIntervalMs(int position);

// Values are stored as the window holds them and are not range-checked: a position that its list
// does not have leaves that list without selection.
struct IoSettings {
    int address = 0;       // address list position (board address - 1)
    int modbus = 0;        // protocol list position: 0 custom, 1 Modbus
    int scanInterval = 3;  // interval list position, 3 = "200"
    int scanInfo = 0;      // "Show Command" check state
    int stop = 0;          // "Stop Showing" check state
    std::array<std::string, kMaxIoChannels> timeTexts = defaultTimeTexts();

    static std::array<std::string, kMaxIoChannels> defaultTimeTexts();
};

// A missing file or key gives the defaults above.
IoSettings loadIoSettings(const std::filesystem::path& path);
// Rewrites the file whole, keys in their fixed order. A time text holding a line end is left out
// (BadValue) while the rest is saved; WriteFailed leaves the old file as it was.
ProfileStatus saveIoSettings(const std::filesystem::path& path, const IoSettings& settings);

}  // namespace tavrel
