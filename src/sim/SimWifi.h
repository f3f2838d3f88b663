#pragma once
// The WiFi side of a 302 board: the answer to a network scan and the WiFi fields it takes from a
// packed write.
#include <cstdint>
#include <vector>

#include "DeviceSettings.h"
#include "SimConfig.h"

namespace tavrel::sim {

inline constexpr std::uint8_t kWifiScanRequest = 0x41;
inline constexpr std::uint8_t kWifiScanResult = 0x9F;

// 'H' ':' 'R' 0x9F: the names, strongest signal first, each closed by '&', then a zero byte, the key,
// the sum and 'E' '.'. Names that would not fit a 1024-byte datagram are left out.
std::vector<std::uint8_t> wifiScanReply(const std::vector<SimWifiNetwork>& networks, const DeviceKey& key);

// Takes mode, AP SSID and password, STA password and SSID from a 302-form payload (the frame's bytes
// 4..295) into the board's fields. False, changing nothing, when the payload is too short or lacks
// the write marker 0x55.
bool takeWifiFields(BoardFields& board, Bytes payload302);

}  // namespace tavrel::sim
