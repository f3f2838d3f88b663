#pragma once
// The IO board codec: every request the IO control window sends and every reply it understands,
// in the custom protocol and in Modbus RTU framing. Pure functions; no sockets, no windows.
//
// A model text that passes no test of an operation builds no request (nothing) or decodes to no
// change (status NoModelRule). Addresses are the board addresses 1..255 as they go on the wire.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "iocontrol/BoardModel.h"
#include "iocontrol/IoFraming.h"

namespace tavrel {

// The window decodes chunks of at most this many bytes; longer ones are dropped unread.
inline constexpr std::size_t kMaxDecodedChunk = 32;

// Custom protocol codes, requests and replies.
inline constexpr std::uint8_t kCodeModelQuery = 'f';
inline constexpr std::uint8_t kCodeInputQuery = 'R';
inline constexpr std::uint8_t kCodeOutputQuery = 'S';
inline constexpr std::uint8_t kCodeSwitchOutput = 'p';
inline constexpr std::uint8_t kCodeAllOutputs = 'W';
inline constexpr std::uint8_t kCodeModelReply = 'g';
inline constexpr std::uint8_t kCodeInputStates = 'A';
inline constexpr std::uint8_t kCodeOutputStates = 'T';
inline constexpr std::uint8_t kCodeAnalog = 0x0C;
inline constexpr std::uint8_t kCodeOutputChanged = 'q';

// Modbus functions.
inline constexpr std::uint8_t kFnReadCoils = 1;
inline constexpr std::uint8_t kFnReadDiscreteInputs = 2;
inline constexpr std::uint8_t kFnReadHoldingRegisters = 3;
inline constexpr std::uint8_t kFnWriteSingleCoil = 5;
inline constexpr std::uint8_t kFnWriteMultipleCoils = 15;

// Holding registers of the board: its model text, one character per register, and analog values.
inline constexpr std::uint16_t kModelRegister = 5;
inline constexpr std::uint16_t kAnalogRegister = 24;
inline constexpr std::uint16_t kRegisterBlockSize = 8;

struct ChannelStates {
    std::uint8_t count = 0;                 // channels 1..count are valid
    std::array<bool, kMaxIoChannels> on{};  // channel 1 first
};
struct InputStates : ChannelStates {};
struct OutputStates : ChannelStates {};

struct AnalogValues {
    std::array<std::uint16_t, kAnalogChannels> values{};
};

// The model label shows `reported`; the codec's later calls take `stored` as the model text.
struct BoardModelReply {
    std::string reported;
    std::string stored;
};

struct OutputChanged {
    std::uint8_t output = 0;  // 1..32
    bool on = false;
};

struct AllOutputsWritten {
    std::uint8_t count = 0;  // outputs 1..count took the commanded state
};

using IoReply = std::variant<std::monostate, BoardModelReply, InputStates, OutputStates, AnalogValues,
                             OutputChanged, AllOutputsWritten>;

struct IoDecoded {
    IoStatus status = IoStatus::Ok;
    IoReply reply;  // std::monostate unless status is Ok
};

IoFrame buildModelQuery(IoProtocol protocol, std::uint8_t address);
// Custom: the analog query replaces the input query for the analog board.
std::optional<IoFrame> buildInputQuery(IoProtocol protocol, std::uint8_t address, std::string_view model);
std::optional<IoFrame> buildOutputQuery(IoProtocol protocol, std::uint8_t address, std::string_view model);
// Output 1..32; nothing for any other number. Only the custom frame carries the time value.
std::optional<IoFrame> buildSwitchOutput(IoProtocol protocol, std::uint8_t address, int output, bool on,
                                         std::uint16_t timeValue);
std::optional<IoFrame> buildAllOutputs(IoProtocol protocol, std::uint8_t address, std::string_view model,
                                       bool on);

// The analog query of the custom protocol: the same bytes whatever board address is selected.
IoFrame customAnalogQuery();

// Decodes one received chunk as one frame. `model` is the stored model text, empty while none is known.
// Any byte string, of any length, is safe to pass.
IoDecoded decodeReply(IoProtocol protocol, std::uint8_t address, std::string_view model, Bytes frame);

// The time value typed under an output: leading blanks, then decimal digits; anything else ends the
// number, no digits give 0, and values past 65535 give 65535 rather than wrapping to a small number.
std::uint16_t outputTimeValue(std::string_view text);

}  // namespace tavrel
