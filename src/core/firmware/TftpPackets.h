#pragma once
// TFTP packets of a firmware upload: the write request (octet mode, "tsize"), DATA blocks, and the
// device's replies.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/Bytes.h"

namespace tavrel {

inline constexpr std::size_t kTftpBlockBytes = 512;
inline constexpr std::size_t kTftpHeaderBytes = 4;
inline constexpr std::size_t kTftpDataPacketMax = kTftpHeaderBytes + kTftpBlockBytes;
// The device takes the request length in one byte.
inline constexpr std::size_t kWriteRequestMaxBytes = 255;
// 30 MiB: the largest image a device takes; its 61,441 blocks fit TFTP's 16-bit block number.
inline constexpr std::uint64_t kFirmwareMaxBytes = 30ull * 1024 * 1024;

namespace tftp {
inline constexpr std::uint16_t kWriteRequest = 2;
inline constexpr std::uint16_t kData = 3;
inline constexpr std::uint16_t kAck = 4;
inline constexpr std::uint16_t kError = 5;
inline constexpr std::uint16_t kOptionAck = 6;
}  // namespace tftp

// Blocks of a transfer: a file whose size is a multiple of 512 ends with an empty block.
std::uint32_t tftpBlockCount(std::uint64_t fileSize);

// The write request for `name` and `fileSize`; nothing when it would exceed 255 bytes or the name
// is empty or holds a zero byte.
std::optional<std::vector<std::uint8_t>> tftpWriteRequest(std::string_view name, std::uint64_t fileSize);
// Length of that request, whether or not it fits.
std::size_t tftpWriteRequestLength(std::string_view name, std::uint64_t fileSize);

// Fills `out` with DATA block `block` carrying `data` (at most 512 bytes); the packet's length.
std::size_t tftpDataPacket(std::span<std::uint8_t, kTftpDataPacketMax> out, std::uint16_t block, Bytes data);

struct TftpReply {
    enum class Kind { Ack, Error, OptionAck, Other };
    Kind kind = Kind::Other;
    std::uint16_t block = 0;      // ACK only
    std::uint16_t errorCode = 0;  // ERROR only, with the device's text (cut at its end or 128 bytes)
    std::string errorText;
};
// Nothing when the datagram is too short to be read (ACK and ERROR need 4 bytes).
std::optional<TftpReply> parseTftpReply(Bytes datagram);

}  // namespace tavrel
