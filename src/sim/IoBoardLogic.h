#pragma once
// A network IO board from the board's side: its model, channels and what it answers to each request,
// in the framed custom protocol and in Modbus RTU framing. Written from the device's documentation,
// not from the tool's codec, so that a fault in either shows up as a failing end-to-end test.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/Bytes.h"

namespace tavrel::sim {

enum class IoBoardProtocol : std::uint8_t { Custom, Modbus };

// How a custom state reply carries the channels.
enum class IoPacking : std::uint8_t { None, BytePerChannel, TwoPerByte, FourPerByte, BitPerChannel };

// How a board answers a single-output switch. Some firmware confirms it with the output states
// instead of the echo; some reports the states as they were before the switch, then echoes.
enum class IoSwitchReply : std::uint8_t { Echo, States, OldStatesFirst };

struct IoBoardKind {
    int inputs = 0;
    int outputs = 0;
    bool analog = false;
    IoPacking inputPacking = IoPacking::None;
    IoPacking outputPacking = IoPacking::None;
};

// The kind of a board reporting this text (an order code or a model name); nothing when unknown.
std::optional<IoBoardKind> ioBoardKind(std::string_view reported);
// The texts ioBoardKind knows, for help and error messages.
std::string knownIoBoardModels();

using ByteVector = std::vector<std::uint8_t>;

class IoBoardLogic {
  public:
    static constexpr std::size_t kChannels = 32;

    IoBoardLogic(std::string reported, IoBoardKind kind, IoBoardProtocol protocol, std::uint8_t address);

    // Takes stream bytes of one connection and returns the replies to every complete request in
    // `pending` (that connection's bytes so far); a partial request waits there for the rest, bytes
    // that start no request are skipped.
    std::vector<ByteVector> feed(ByteVector& pending, Bytes bytes);
    // One whole request (a datagram); nothing when the board does not answer it.
    std::optional<ByteVector> answer(Bytes request);
    // Every frame the board sends for one whole request, in order (one datagram each over UDP).
    std::vector<ByteVector> answers(Bytes request);
    void setSwitchReply(IoSwitchReply reply) { switchReply_ = reply; }
    // Outputs whose relay never moves, bit i = output i+1: a write to them changes nothing.
    void setStuck(std::uint32_t outputs) { stuck_ = outputs; }

    // A custom switch-on with a time value asks for the output to fall back after that many
    // tenths of a second; the caller times it and calls release().
    struct TimedOutput {
        int output = 0;  // 1-based
        unsigned tenths = 0;
    };
    std::optional<TimedOutput> takeTimedOutput();
    void release(int output);

    // The answer to the identity query "H:E." that a board sends when it connects to a server;
    // nothing keeps the board silent to it.
    void setIdentity(std::optional<std::string> identity) { identity_ = std::move(identity); }

    // Moves the inputs on by one step of their pattern (or sets them, bit i = input i+1).
    void stepInputs();
    void setInputs(std::uint32_t bits);
    void setInput(int k, bool on) {
        if (k >= 1 && k <= kind_.inputs) inputs_[static_cast<std::size_t>(k - 1)] = on;
    }
    bool input(int k) const { return inputs_.at(static_cast<std::size_t>(k - 1)); }
    const IoBoardKind& kind() const { return kind_; }
    bool output(int k) const { return outputs_.at(static_cast<std::size_t>(k - 1)); }
    void setAnalog(int channel, std::uint16_t value) {
        analog_.at(static_cast<std::size_t>(channel)) = value;
    }
    const std::string& reported() const { return reported_; }
    IoBoardProtocol protocol() const { return protocol_; }

  private:
    std::optional<ByteVector> answerCustom(Bytes request);
    std::optional<ByteVector> answerModbus(Bytes request);
    ByteVector outputStates() const;
    ByteVector modbusBits(std::uint8_t function, int start, int count) const;
    std::optional<std::size_t> requestLength(Bytes buffered) const;
    ByteVector customFrame(std::uint8_t code, const ByteVector& data) const;
    ByteVector packStates(const std::array<bool, kChannels>& states, int count, IoPacking packing) const;
    void unpackOutputs(Bytes data);
    void setOutput(std::size_t i, bool on) {
        if (!((stuck_ >> i) & 1u)) outputs_[i] = on;
    }
    ByteVector modbusReply(ByteVector body) const;
    ByteVector modbusException(std::uint8_t function, std::uint8_t code) const;
    std::optional<std::uint16_t> holdingRegister(int index) const;

    std::string reported_;
    IoBoardKind kind_;
    IoBoardProtocol protocol_;
    std::uint8_t address_;
    std::array<bool, kChannels> inputs_{};
    std::array<bool, kChannels> outputs_{};
    std::array<std::uint16_t, 8> analog_{1234, 2000, 3000, 4000, 500, 0, 4095, 65535};
    unsigned inputStep_ = 0;
    std::optional<TimedOutput> timed_;
    std::optional<std::string> identity_;
    IoSwitchReply switchReply_ = IoSwitchReply::Echo;
    std::uint32_t stuck_ = 0;
};

}  // namespace tavrel::sim
