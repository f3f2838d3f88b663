#pragma once
// What the WiFi group shows for a device: filled and enabled for boards of the 302 form, emptied and
// disabled for every other device.
#include <string>

#include "device/DeviceRecord.h"

namespace tavrel {

struct WifiModeEnables {
    bool apFields = false;   // AP SSID and password
    bool staFields = false;  // STA SSID and password
    bool scan = false;
};
// Index 0 is AP; any other index is STA.
WifiModeEnables enablesForWifiMode(int modeSelection);

struct WifiView {
    bool groupEnabled = false;  // mode list and the four edits
    int modeSelection = -1;     // -1: nothing selected
    std::uint8_t deviceMode = 0;  // as the device reported it, kept when the list shows no entry
    std::string apSsid, apPassword, staSsid, staPassword;
    std::string signalText;
    int signalPosition = 0;  // progress bar, range 0..kSignalRange
    WifiModeEnables enables;
};

inline constexpr int kSignalRange = 70;

WifiView showWifi(const DeviceRecord& device);
// "%d%% %d" of the strength in dBm, or "100%" for an access point.
std::string signalText(std::int8_t strengthDbm, std::uint8_t wifiMode);

}  // namespace tavrel
