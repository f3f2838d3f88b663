#pragma once
// The IO board's own frames ('H' ':' 0x01 code payload checksum 'E' 'D') and the port-1111
// pass-through frames ('H' ':' 'W' 0x03 ... key checksum 'E' '.') that carry them.
#include <cstdint>
#include <optional>
#include <vector>

#include "device/DeviceRecord.h"
#include "timing/BoardClock.h"
#include "timing/OutputSchedule.h"
#include "util/Bytes.h"

namespace tavrel {

namespace board {
inline constexpr std::uint8_t kReadText = 0x66;
inline constexpr std::uint8_t kTextReply = 0x67;
inline constexpr std::uint8_t kReadOptions = 0x6C;
inline constexpr std::uint8_t kOptionsReply = 0x6D;
inline constexpr std::uint8_t kWriteOptions = 0x6E;
inline constexpr std::uint8_t kReadClock = 0x80;
inline constexpr std::uint8_t kClockReply = 0x81;
inline constexpr std::uint8_t kSetClock = 0x82;
inline constexpr std::uint8_t kReadSchedule = 0x83;   // + channel
inline constexpr std::uint8_t kScheduleReply = 0xA3;  // + channel; channel 7's ends a chain
inline constexpr std::uint8_t kWriteSchedule = 0xC3;  // + channel

inline constexpr std::size_t kShortFrame = 15;  // 8 payload bytes
inline constexpr std::size_t kLongFrame = 25;   // 18 payload bytes
inline constexpr std::size_t kPassThroughOverhead = 10;
}  // namespace board

using Frame = std::vector<std::uint8_t>;

// A board frame around the payload.
Frame boardFrame(std::uint8_t code, Bytes payload);
// The pass-through frame that carries a board frame to the device of `key`.
Frame passThroughFrame(Bytes boardFrame, const DeviceKey& key);

// Requests, each as its whole pass-through frame (25 bytes, 35 for a schedule write).
Frame boardReadRequest(std::uint8_t code, const DeviceKey& key);
Frame writeOptionsRequest(bool outputFollow, bool sendStatus, const DeviceKey& key);
Frame writeScheduleRequest(std::size_t channel, const OutputSchedule& schedule, const DeviceKey& key);
Frame setClockRequest(const BoardClock& clock, const DeviceKey& key);

// A board's answer: its code and the payload bytes up to the checksum.
struct BoardReply {
    std::uint8_t code = 0;
    Bytes payload;
};
// Nothing when the board frame is too short to hold a code and its trailer.
std::optional<BoardReply> readBoardReply(Bytes boardFrame);

}  // namespace tavrel
