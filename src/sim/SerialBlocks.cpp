#include "SerialBlocks.h"

#include <algorithm>
#include <array>

namespace tavrel::sim {

namespace {

using K = BlockKind;

constexpr BlockEntry kBlocks[] = {
    {2, 81, K::Network, 0},
    {3, 82, K::MacAndMode, 0},
    {6, 85, K::Identity, 0},
    {7, 86, K::Account, 0},
    {10, 90, K::IoOptions, 0},
    {0x3F, 152, K::HeartbeatIntervals, 0},
    {0x43, 157, K::ModbusTimeouts, 0},
    {4, 83, K::Serial, 0},
    {5, 84, K::Serial, 1},
    {23, 97, K::Serial, 2},
    {24, 98, K::Serial, 3},
    {36, 104, K::Serial, 4},
    {37, 105, K::Serial, 5},
    {48, 116, K::Serial, 6},
    {49, 117, K::Serial, 7},
    {18, 87, K::HostFirstHalf, 0},
    {19, 88, K::HostSecondHalf, 0},
    {20, 89, K::HostFirstHalf, 1},
    {21, 96, K::HostSecondHalf, 1},
    {25, 99, K::HostFirstHalf, 2},
    {32, 100, K::HostSecondHalf, 2},
    {33, 101, K::HostFirstHalf, 3},
    {34, 102, K::HostSecondHalf, 3},
    {38, 112, K::HostFirstHalf, 4},
    {39, 113, K::HostSecondHalf, 4},
    {40, 114, K::HostFirstHalf, 5},
    {41, 115, K::HostSecondHalf, 5},
    {50, 118, K::HostFirstHalf, 6},
    {51, 119, K::HostSecondHalf, 6},
    {52, 120, K::HostFirstHalf, 7},
    {54, 121, K::HostSecondHalf, 7},
    {55, 144, K::Heartbeat, 0},
    {56, 145, K::Heartbeat, 1},
    {57, 146, K::Heartbeat, 2},
    {58, 147, K::Heartbeat, 3},
    {59, 148, K::Heartbeat, 4},
    {60, 149, K::Heartbeat, 5},
    {61, 150, K::Heartbeat, 6},
    {62, 151, K::Heartbeat, 7},
};

bool isPortBlock(BlockKind kind) {
    return kind == K::Serial || kind == K::HostFirstHalf || kind == K::HostSecondHalf || kind == K::Heartbeat;
}

}  // namespace

std::optional<BlockEntry> blockForSubCode(std::uint8_t subCode) {
    for (const auto& entry : kBlocks)
        if (entry.subCode == subCode) return entry;
    return std::nullopt;
}

bool deviceKnows(const SimDeviceConfig& config, const BlockEntry& entry) {
    if (isPortBlock(entry.kind) && entry.port >= storedPortCount(config.portCountChar)) return false;
    if (entry.kind == K::Heartbeat && config.version < 43) return false;
    if (entry.kind == K::ModbusTimeouts && config.extraQueryFlag != 1) return false;
    return true;
}

bool isWritable(const BlockEntry& entry) {
    return entry.kind != K::Identity;
}

Block readBlock(const DeviceSettings& s, const Block& identity, const BlockEntry& entry) {
    Block out{};
    const auto& port = s.ports[static_cast<std::size_t>(entry.port)];
    switch (entry.kind) {
        case K::Network:
            out = s.network;
            break;
        case K::MacAndMode:
            std::copy(s.mac.begin(), s.mac.end(), out.begin());
            out[6] = s.ipType;
            break;
        case K::Identity:
            out = identity;
            break;
        case K::Account:
            out = s.account;
            break;
        case K::IoOptions:
            out[0] = s.ioOptions[0];
            out[1] = s.ioOptions[1];
            break;
        case K::Serial:
            out = port.serial;
            break;
        case K::HostFirstHalf:
            std::copy_n(port.host.begin(), 16, out.begin());
            break;
        case K::HostSecondHalf:
            std::copy_n(port.host.begin() + 16, 16, out.begin());
            break;
        case K::Heartbeat:
            out = port.heartbeat;
            break;
        case K::HeartbeatIntervals:
            for (std::size_t i = 0; i < kPortCount; ++i)
                putLe16(out.data() + 2 * i, s.ports[i].heartbeatInterval);
            break;
        case K::ModbusTimeouts:
            for (std::size_t i = 0; i < kPortCount; ++i)
                putLe16(out.data() + 2 * i, s.ports[i].modbusTimeout);
            break;
    }
    return out;
}

void writeBlock(DeviceSettings& s, const BlockEntry& entry, Bytes payload) {
    Block in{};
    std::copy_n(payload.begin(), std::min(payload.size(), in.size()), in.begin());
    auto& port = s.ports[static_cast<std::size_t>(entry.port)];
    switch (entry.kind) {
        case K::Network:
            s.network = in;
            break;
        case K::MacAndMode:
            std::copy_n(in.begin(), 6, s.mac.begin());
            s.ipType = in[6];
            break;
        case K::Identity:
            break;
        case K::Account:
            s.account = in;
            break;
        case K::IoOptions:
            s.ioOptions[0] = in[0];
            s.ioOptions[1] = in[1];
            break;
        case K::Serial:
            port.serial = in;
            break;
        case K::HostFirstHalf:
            std::copy_n(in.begin(), 16, port.host.begin());
            break;
        case K::HostSecondHalf:
            std::copy_n(in.begin(), 16, port.host.begin() + 16);
            break;
        case K::Heartbeat:
            port.heartbeat = in;
            break;
        case K::HeartbeatIntervals:
            for (std::size_t i = 0; i < kPortCount; ++i)
                s.ports[i].heartbeatInterval = getLe16(in.data() + 2 * i);
            break;
        case K::ModbusTimeouts:
            for (std::size_t i = 0; i < kPortCount; ++i)
                s.ports[i].modbusTimeout = getLe16(in.data() + 2 * i);
            break;
    }
}

}  // namespace tavrel::sim
