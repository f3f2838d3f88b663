#include "DeviceSettings.h"

#include <algorithm>
#include <string_view>

namespace tavrel::sim {

namespace {

template <std::size_t N>
void put(std::array<std::uint8_t, N>& field, std::string_view text, std::size_t at = 0) {
    std::copy_n(text.begin(), std::min(text.size(), N - std::min(at, N)), field.begin() + at);
}

SimPort factoryPort(int index, int hostByte) {
    SimPort port;
    const std::uint8_t number = static_cast<std::uint8_t>(index + 1);
    port.serial = {5, 1, 8, 1, 1, 0, 0, 0, 0};  // 9600 8N1, TCP server
    putBe16(port.serial.data() + 9, 8234);
    putBe16(port.serial.data() + 11, static_cast<std::uint16_t>(20108 + index));
    port.serial[13] = kSwitchOn;
    port.serial[14] = kSwitchOff;
    port.serial[15] = 1;  // RS232
    put(port.host, "192.168.1." + std::to_string(200 + (hostByte + index) % 50));
    put(port.heartbeat, "HB-P" + std::to_string(number));
    port.heartbeatInterval = 60;
    port.modbusTimeout = 200;
    return port;
}

// A weekly schedule for the first output: on at 08:00 on Monday, off at 18:00 on Friday.
void putFirstSchedule(BoardFields& board) {
    const std::array<std::uint8_t, 18> week = {255, 255, 255, 8, 0, 0, 255, 255,  255,
                                               18,  0,   0,   0, 0, 0, 0,   0x15, 3};
    std::copy(week.begin(), week.end(), board.schedules.begin());
}

}  // namespace

std::string kindName(SimKind kind) {
    switch (kind) {
        case SimKind::SerialServer:
            return "serial";
        case SimKind::Board302:
            return "302";
        case SimKind::Board830:
            return "830";
        case SimKind::Board866:
            return "866";
        case SimKind::Board250:
            return "250";
    }
    return "?";
}

bool isSerialServer(SimKind kind) {
    return kind == SimKind::SerialServer;
}

int storedPortCount(char portCountChar) {
    switch (portCountChar) {
        case '1':
            return 2;
        case '4':
            return 4;
        case '6':
            return 6;
        default:
            return 8;
    }
}

DeviceSettings factorySettings(const SimDeviceConfig& config) {
    DeviceSettings s;
    const int hostByte = config.address[3];
    s.network = {192, 168, 1, static_cast<std::uint8_t>(hostByte), 255, 255, 255, 0, 192, 168, 1, 1, 192,
                 168, 1,   1};
    const auto& a = config.address;
    if (config.loopbackNetwork)
        s.network = {a[0], a[1], a[2], a[3], 255, 255, 255, 0, 127, 0, 0, 1, 127, 0, 0, 1};
    // On a virtual LAN the device reports the address it sits on, in a /24 with its router at .1.
    if (a[0] != 127)
        s.network = {a[0], a[1], a[2], a[3], 255, 255, 255, 0, a[0], a[1], a[2], 1, a[0], a[1], a[2], 1};
    s.mac = config.mac;
    s.ipType = 1;
    put(s.account, "admin");
    put(s.account, "admin", 8);
    for (std::size_t i = 0; i < s.ports.size(); ++i) s.ports[i] = factoryPort(static_cast<int>(i), hostByte);

    auto& b = s.board;
    put(b.apSsid, "TAVREL-AP-" + std::to_string(hostByte));
    put(b.apPassword, "12345678");
    put(b.staSsid, "Office-WiFi");
    put(b.staPassword, "office-pass");
    b.outputTiming = config.outputTiming ? 1 : 0;
    put(b.cloudId, "CLOUD" + std::to_string(100000 + hostByte));
    put(b.cloudPassword, "cloud123");
    if (config.kind == SimKind::Board830 || config.kind == SimKind::Board866) {
        b.timingMarker = 'D';
        putFirstSchedule(b);
    }
    if (config.kind == SimKind::Board302 && config.outputTiming) putFirstSchedule(b);
    b.clock = {0, 30, 12, 3, 15, 5, 24};  // Wednesday 15 May 2024, 12:30:00
    return s;
}

Block identityOf(const SimDeviceConfig& config) {
    Block id{};
    const int version = std::clamp(config.version, 0, 99);
    id[0] = 'V';
    id[1] = '1';
    id[2] = static_cast<std::uint8_t>('0' + version / 10);
    id[3] = static_cast<std::uint8_t>('0' + version % 10);
    id[4] = isSerialServer(config.kind) ? 'S' : 'N';
    id[5] = static_cast<std::uint8_t>(config.portCountChar);
    id[6] = '1';
    id[7] = '0';
    id[8] = config.extraQueryFlag;
    return id;
}

std::string fieldText(Bytes field) {
    return textOfBytes(field);
}

}  // namespace tavrel::sim
