#pragma once
// Frames as the device sees them: checking what arrives and laying out what it answers.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/DeviceRecord.h"
#include "util/Bytes.h"

namespace tavrel::sim {

inline constexpr std::size_t kShortFrame = 26;
inline constexpr std::size_t kBlockSize = 16;
using Block = std::array<std::uint8_t, kBlockSize>;

// A frame that passed the device's check: header, trailer and checksum.
struct IncomingFrame {
    std::uint8_t op = 0;
    std::uint8_t sub = 0;
    DeviceKey key{};
    std::vector<std::uint8_t> payload;  // bytes 4..L-7
};

// Nothing when the datagram is shorter than a frame or fails the header, trailer or checksum.
std::optional<IncomingFrame> readIncoming(Bytes datagram);

// A frame of the given length: op and code, payload from byte 4 (zero after it), key, checksum.
std::vector<std::uint8_t> makeFrame(std::size_t length, std::uint8_t op, std::uint8_t code, Bytes payload,
                                    const DeviceKey& key);

inline DeviceKey keyOfMac(const Mac& mac) {
    return {mac[3], mac[4], mac[5]};
}

}  // namespace tavrel::sim
