#pragma once
// Commissioning scripts for IO boards: one step per line ("switch 3 on", "expect input 3 on within
// 500ms"), read whole before anything is sent, and the rule that says whether a board's reply meets
// a step. The command line plays the steps; this knows no sockets and no clocks.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "iocontrol/IoBoardState.h"
#include "iocontrol/IoCodec.h"

namespace tavrel {

enum class IoStepKind : std::uint8_t {
    Connect,
    ExpectModel,
    Switch,     // one output on or off
    SwitchFor,  // one output on (or off) for a while, then back
    SwitchAll,
    ExpectInput,
    ExpectInputs,  // every input against a bit mask, bit 0 = input 1
    ExpectOutput,
    ExpectOutputs,
    ExpectAnalog,
    Wait,
};

struct IoEndpoint {
    std::string host;  // dotted IPv4
    std::uint16_t port = 0;
};

struct IoConnectSpec {
    IoConnectionType type = IoConnectionType::TcpClient;
    IoEndpoint endpoint;             // the board (tcp, udp) or where to listen (listen)
    IoEndpoint local{"0.0.0.0", 0};  // udp only
    IoProtocol protocol = IoProtocol::Custom;
    int address = 1;
};

struct IoStep {
    int line = 0;
    std::string text;  // the line as written, without its comment
    IoStepKind kind = IoStepKind::Wait;
    IoConnectSpec connect;
    std::string model;
    int channel = 0;  // 1..32
    bool on = false;
    std::uint32_t mask = 0;
    std::optional<unsigned> withinMs;  // expectations: keep asking this long; connect: wait this long
    unsigned durationMs = 0;           // wait, switch ... for
    double low = 0;                    // analog, volts of the 0~5V row
    double high = 0;
};

struct IoScriptError {
    int line = 0;
    std::string message;
};

struct IoScript {
    std::vector<IoStep> steps;
    std::vector<IoScriptError> errors;  // the script runs only when this is empty
};

// Reads every line; each faulty line gives one error with its number, and a step that talks to a
// board before any "connect" is one of them.
IoScript parseIoScript(std::string_view text);

// "500ms", "1s", "2.5s": milliseconds, up to an hour; nothing for anything else.
std::optional<unsigned> parseIoDuration(std::string_view text);

// The query a step asks with; nothing for steps that ask nothing or a model without that query
// (analog values on the analog board only, digital inputs on every other).
std::optional<IoFrame> stepQuery(const IoStep& step, IoProtocol protocol, std::uint8_t address,
                                 std::string_view model);

// How one decoded reply bears on a step: not at all (another kind of reply), or met or not, with
// what the board showed.
enum class IoVerdict : std::uint8_t { Unrelated, Met, NotMet };
struct IoStepCheck {
    IoVerdict verdict = IoVerdict::Unrelated;
    std::string seen;  // "input 3 off", "inputs 0x05 of 8", "analog 1 = 1.234 V"
};
// For a switch, the reply is the board's confirmation of the command sent for `on`.
IoStepCheck checkReply(const IoStep& step, const IoReply& reply, bool on);

// The model step against the board's reported text or the name it stands for.
bool modelMatches(const IoStep& step, std::string_view reported, std::string_view stored);

}  // namespace tavrel
