#include "wifi/WifiView.h"

#include "device/DeviceCapabilities.h"
#include "util/TextBytes.h"

#include <cstdio>

namespace tavrel {

WifiModeEnables enablesForWifiMode(int modeSelection) {
    if (modeSelection == 0) return {true, false, false};
    return {false, true, true};
}

std::string signalText(std::int8_t strength, std::uint8_t wifiMode) {
    if (wifiMode == 1) return "100%";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d%% %d", (strength + 100) * 10 / 7, strength);
    return buf;
}

WifiView showWifi(const DeviceRecord& r) {
    WifiView v;
    if (!capabilitiesOf(r).wifi) return v;  // emptied, disabled, no mode, scan off
    v.groupEnabled = true;
    v.apSsid = shownText(textOf(r.apSsid));
    v.apPassword = shownText(textOf(r.apPassword));
    v.staSsid = shownText(textOf(r.staSsid));
    v.staPassword = shownText(textOf(r.staPassword));
    v.modeSelection = r.wifiMode - 1;
    v.deviceMode = r.wifiMode;
    const auto strength = static_cast<std::int8_t>(r.signal);
    v.signalText = signalText(strength, r.wifiMode);
    v.signalPosition = strength + 100;
    v.enables = enablesForWifiMode(v.modeSelection);
    return v;
}

}  // namespace tavrel
