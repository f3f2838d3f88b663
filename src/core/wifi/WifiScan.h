#pragma once
// The WiFi scan: the request that asks a board to look for networks, the list of names it answers
// with, and the countdown the scan list shows meanwhile.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceRecord.h"
#include "protocol/Requests.h"
#include "texts/UiTexts.h"
#include "util/Bytes.h"

namespace tavrel {

inline constexpr int kScanCountdownSeconds = 6;
inline constexpr int kWifiScanTickMs = 1000;
// Header, one checksum byte and 'E' '.': anything shorter holds no list and is dropped.
inline constexpr std::size_t kMinScanResultSize = 7;
inline constexpr char kScanNameEnd = '&';

// 'W' 0x41 with 16 x 0x55 and the device's key, to port 1111.
Frame wifiScanRequest(const DeviceKey& key);
// Where the scan goes: the broadcast address while searches broadcast, else the address the device
// answered the search from.
std::string scanDestination(bool broadcastSearch, std::string_view broadcastAddress,
                            const DeviceRecord& device);

// The network names of a scan result ('H' ':' 'R' 0x9F): the text from byte 4 up to the checksum
// position or the first zero byte, each name closed by '&'. Text after the last '&' and empty names
// are not names. Nothing when the datagram is no scan result or too short to hold one.
std::optional<std::vector<std::string>> parseScanResult(Bytes datagram);

// Adds to `listed` the names it does not hold yet, in order, and returns them: a board that answers
// in several datagrams, or twice, still gives one row per network.
std::vector<std::string> mergeScanNames(std::vector<std::string>& listed,
                                        const std::vector<std::string>& names);

// Header of the scan list: "Searching...  5" while seconds are left, then "Search Timeout".
std::string scanCountdownHeader(const UiTexts& texts, int secondsLeft);

}  // namespace tavrel
