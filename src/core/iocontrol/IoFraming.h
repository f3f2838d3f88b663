#pragma once
// The two framings an IO board speaks over TCP or UDP, as a thin layer under the codec:
// the custom frame "H" ":" address code ... "E" "D", and Modbus RTU (address function ... CRC).
// Both unwrap to the same message shape, so the decoder never looks at framing bytes.
#include <array>
#include <cstdint>
#include <vector>

#include "util/Bytes.h"

namespace tavrel {

enum class IoProtocol : std::uint8_t { Custom = 0, Modbus = 1 };

using IoFrame = std::vector<std::uint8_t>;

// Why a received frame gave no result. Only Ok carries one.
enum class IoStatus : std::uint8_t {
    Ok,
    TooShort,      // the frame, or a field its layout needs, is missing
    BadMarkers,    // custom frame without "H:" at the start or "ED" at the end
    BadCrc,        // Modbus CRC does not match
    OtherAddress,  // sent by another board address than the selected one
    UnknownCode,   // reply code or function that the window does not handle
    NoModelRule,   // the board model passes none of the tests of this reply
    BadValue,      // an output number or count outside what a board can have
    EmptyModel,    // a model reply without a model text
};

// Short English description of a status, for logs and the command line.
const char* ioStatusText(IoStatus status);

// A frame with its framing removed. Custom: code = byte 3, data = bytes 4 .. length-3 (the sum
// position included, the "ED" trailer not). Modbus: code = function, data = bytes 2 .. length-3.
struct BoardPdu {
    std::uint8_t code = 0;
    Bytes data;
};

struct Unwrapped {
    IoStatus status = IoStatus::Ok;
    BoardPdu pdu;
};

inline constexpr std::uint8_t kCustomHead0 = 'H';
inline constexpr std::uint8_t kCustomHead1 = ':';
inline constexpr std::uint8_t kCustomTail0 = 'E';
inline constexpr std::uint8_t kCustomTail1 = 'D';
inline constexpr std::size_t kCustomDataBytes = 8;
inline constexpr std::size_t kCustomFrameSize = 15;

Unwrapped unwrapCustom(Bytes frame, std::uint8_t address);
Unwrapped unwrapRtu(Bytes frame, std::uint8_t address);
Unwrapped unwrapFrame(IoProtocol protocol, Bytes frame, std::uint8_t address);

// "H" ":" address code d0..d7 sum "E" "D"; the sum is the 8-bit sum of bytes 0..11.
IoFrame wrapCustom(std::uint8_t address, std::uint8_t code, const std::array<std::uint8_t, 8>& data);
// address function body CRC (low byte first).
IoFrame wrapRtu(std::uint8_t address, std::uint8_t function, Bytes body);

}  // namespace tavrel
