#pragma once
// Builders for the 26-byte requests of the port-1111 protocol.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/DeviceRecord.h"
#include "protocol/DeviceFrame.h"

namespace tavrel {

using Frame = std::vector<std::uint8_t>;

namespace subcode {
inline constexpr std::uint8_t kSearch = 1;
inline constexpr std::uint8_t kNetwork = 2;
inline constexpr std::uint8_t kMacMode = 3;
inline constexpr std::uint8_t kAccount = 7;
inline constexpr std::uint8_t kRestart = 8;
inline constexpr std::uint8_t kFactoryReset = 9;
inline constexpr std::uint8_t kIoOptions = 10;
inline constexpr std::uint8_t kEnterUpgrade = 22;
inline constexpr std::uint8_t kModbusTimeouts = 0x43;
inline constexpr std::uint8_t kHeartbeatIntervals = 0x3F;
inline constexpr std::uint8_t kCommit = 0x49;
inline constexpr std::uint8_t kWifiScan = 0x41;
// Per port 1..8 (index 0..7).
inline constexpr std::array<std::uint8_t, 8> kSerialBlock = {4, 5, 23, 24, 36, 37, 48, 49};
inline constexpr std::array<std::uint8_t, 8> kRemoteHostFirst = {18, 20, 25, 33, 38, 40, 50, 52};
inline constexpr std::array<std::uint8_t, 8> kRemoteHostSecond = {19, 21, 32, 34, 39, 41, 51, 54};
inline constexpr std::array<std::uint8_t, 8> kHeartbeatData = {55, 56, 57, 58, 59, 60, 61, 62};
}  // namespace subcode

Frame searchRequest();
// 'R' read-out of one parameter block.
Frame readRequest(std::uint8_t sub, const DeviceKey& key);
// 'W' commands whose payload is 16 x 0x55: restart, factory reset, commit, upgrade entry, WiFi scan.
Frame commandRequest(std::uint8_t sub, const DeviceKey& key);
Frame restartRequest(const DeviceKey& key);
Frame factoryResetRequest(const DeviceKey& key);
Frame commitRequest(const DeviceKey& key);

Frame writeNetworkRequest(const DeviceKey& key, const NetworkBlock& net);
Frame writeMacModeRequest(const DeviceKey& key, const Mac& mac, std::uint8_t ipType);
Frame writeIoOptionsRequest(const DeviceKey& key, std::uint8_t outputFollow, std::uint8_t sendStatus);
Frame writeAccountRequest(const DeviceKey& key, const FixedText<8>& user, const FixedText<8>& password);
// port is 0-based.
Frame writeSerialBlockRequest(const DeviceKey& key, std::size_t port, const PortRecord& record);
// Sixteen characters of a remote host (half 0: 1-16, half 1: 17-32), zero padded.
Frame writeRemoteHostRequest(const DeviceKey& key, std::size_t port, int half, std::string_view host);
Frame writeHeartbeatDataRequest(const DeviceKey& key, std::size_t port, std::string_view data);
// Eight 16-bit little-endian values, port 1 first.
Frame writeWordsRequest(const DeviceKey& key, std::uint8_t sub, const std::array<std::uint16_t, 8>& words);

}  // namespace tavrel
