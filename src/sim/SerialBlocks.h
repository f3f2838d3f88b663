#pragma once
// The parameter blocks of a serial server: which sub-code reads or writes which block, and the reply
// code that carries it back.
#include <cstdint>
#include <optional>

#include "DeviceSettings.h"

namespace tavrel::sim {

enum class BlockKind {
    Network,
    MacAndMode,
    Identity,
    Account,
    IoOptions,
    Serial,
    HostFirstHalf,
    HostSecondHalf,
    Heartbeat,
    HeartbeatIntervals,
    ModbusTimeouts
};

struct BlockEntry {
    std::uint8_t subCode = 0;
    std::uint8_t replyCode = 0;
    BlockKind kind = BlockKind::Network;
    int port = 0;  // 0-based, for the per-port blocks
};

// The block a sub-code names, or nothing.
std::optional<BlockEntry> blockForSubCode(std::uint8_t subCode);

// Whether this device knows the block: ports beyond its count, heartbeat data before version 43 and
// the Modbus timeouts without the extra-query flag are unknown to it.
bool deviceKnows(const SimDeviceConfig& config, const BlockEntry& entry);

bool isWritable(const BlockEntry& entry);

// The 16 data bytes of a read-out reply.
Block readBlock(const DeviceSettings& settings, const Block& identity, const BlockEntry& entry);

// Takes a written block into the settings (payload of 16 bytes; shorter is zero-extended).
void writeBlock(DeviceSettings& settings, const BlockEntry& entry, Bytes payload);

}  // namespace tavrel::sim
