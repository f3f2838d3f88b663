#pragma once
// The settings a simulated device holds, as raw blocks in the layout it reports them.
#include <array>
#include <cstdint>
#include <string>

#include "SimConfig.h"
#include "SimWire.h"

namespace tavrel::sim {

struct SimPort {
    Block serial{};  // the serial block exactly as read and written
    std::array<std::uint8_t, 32> host{};
    Block heartbeat{};
    std::uint16_t heartbeatInterval = 0;
    std::uint16_t modbusTimeout = 0;
    bool operator==(const SimPort&) const = default;
};

// Fields only the packed-record boards report.
struct BoardFields {
    std::uint8_t wifiMode = 2;  // 1 AP, 2 STA
    std::array<std::uint8_t, 32> apSsid{};
    std::array<std::uint8_t, 16> apPassword{};
    std::array<std::uint8_t, 16> staPassword{};
    std::array<std::uint8_t, 32> staSsid{};
    std::int8_t signal = -60;  // dBm
    std::uint32_t baudNumber = 0;  // port 1's rate when it is outside the list (image boards)
    std::uint8_t rs485Address = 1;
    std::uint8_t outputTiming = 0;
    std::uint8_t cloud = 0;
    std::array<std::uint8_t, 20> cloudId{};
    std::array<std::uint8_t, 8> cloudPassword{};
    std::uint8_t timingMarker = 0;  // 'D' with schedules
    std::uint8_t channelCount = '4';
    std::array<std::uint8_t, 144> schedules{};
    std::array<std::uint8_t, 7> clock{};  // second, minute, hour, weekday, day, month, year - 2000
    bool operator==(const BoardFields&) const = default;
};

struct DeviceSettings {
    Block network{};  // IP address, mask, gateway, DNS, first octet first
    Mac mac{};
    std::uint8_t ipType = 1;  // 1 static, 2 DHCP
    Block account{};          // user name 8, password 8
    std::array<std::uint8_t, 2> ioOptions{};
    std::array<SimPort, kPortCount> ports{};
    BoardFields board{};
    bool operator==(const DeviceSettings&) const = default;
};

// Factory settings of a device: plausible values that differ from device to device.
DeviceSettings factorySettings(const SimDeviceConfig& config);
// Identity block: firmware text "V1nn", hardware text (model, port count, "10"), extra-query flag.
Block identityOf(const SimDeviceConfig& config);

// Readable views for tests and the listing.
std::string fieldText(Bytes field);
inline int baudIndex(const SimPort& port) {
    return port.serial[0];
}
inline std::uint16_t localPortOf(const SimPort& port) {
    return getBe16(port.serial.data() + 11);
}
inline std::uint16_t remotePortOf(const SimPort& port) {
    return getBe16(port.serial.data() + 9);
}

}  // namespace tavrel::sim
