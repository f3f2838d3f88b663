#include "wifi/WifiSettings.h"

#include <algorithm>
#include <cctype>

#include "device/FixedLists.h"
#include "util/TextBytes.h"

namespace tavrel {

namespace {

void putField(std::span<std::uint8_t> payload, std::size_t at, std::size_t width, std::string_view text) {
    auto field = payload.subspan(at, width);
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    const std::string_view kept = cutUtf8(text, width - 1);
    std::copy(kept.begin(), kept.end(), field.begin());
}

// An edited text keeps its field's last byte zero; an unedited one stays as the board gave it.
template <std::size_t N>
void storeField(FixedText<N>& field, std::string_view text) {
    if (!isUnedited(field, text)) setText(field, cutUtf8(text, N - 1));
}

}  // namespace

std::uint8_t wifiModeOf(int modeSelection, std::uint8_t deviceMode) {
    if (modeSelection < 0 || modeSelection >= static_cast<int>(lists::kWifiModes.size())) return deviceMode;
    return static_cast<std::uint8_t>(modeSelection + 1);
}

bool putWifiSettings(std::span<std::uint8_t> payload, const WifiSettings& s) {
    if (payload.size() < wifi302::kEnd) return false;
    payload[wifi302::kMarker] = wifi302::kWriteMarker;
    payload[wifi302::kMode] = s.mode;
    putField(payload, wifi302::kApSsid, wifi302::kSsidWidth, s.apSsid);
    putField(payload, wifi302::kApPassword, wifi302::kPasswordWidth, s.apPassword);
    putField(payload, wifi302::kStaPassword, wifi302::kPasswordWidth, s.staPassword);
    putField(payload, wifi302::kStaSsid, wifi302::kSsidWidth, s.staSsid);
    return true;
}

WifiSettings wifiSettingsOf(const DeviceRecord& r) {
    return {r.wifiMode, textOf(r.apSsid), textOf(r.apPassword), textOf(r.staSsid), textOf(r.staPassword)};
}

void applyWifiSettings(DeviceRecord& r, const WifiSettings& s) {
    r.wifiMode = s.mode;
    storeField(r.apSsid, s.apSsid);
    storeField(r.apPassword, s.apPassword);
    storeField(r.staSsid, s.staSsid);
    storeField(r.staPassword, s.staPassword);
}

WifiSettings editedWifiSettings(WifiSettings s, const WifiEdit& e) {
    if (e.mode) s.mode = *e.mode;
    if (e.apSsid) s.apSsid = *e.apSsid;
    if (e.apPassword) s.apPassword = *e.apPassword;
    if (e.staSsid) s.staSsid = *e.staSsid;
    if (e.staPassword) s.staPassword = *e.staPassword;
    return s;
}

std::optional<std::uint8_t> parseWifiMode(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (auto position = lists::positionOf(lists::kWifiModes, upper))
        return static_cast<std::uint8_t>(*position);
    return std::nullopt;
}

}  // namespace tavrel
