#pragma once
// What the IO control window knows of its board and what each event makes it send: the model, the
// indicator states, the analog values, the polling and model-query counters, and the command log.
// The window and the command line both drive it; neither holds a rule of its own.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "iocontrol/CommandLog.h"
#include "iocontrol/IoCodec.h"

namespace tavrel {

// The type list of the window, in its order; None while no type is selected.
enum class IoConnectionType : std::int8_t { None = -1, TcpServer = 0, TcpClient = 1, Udp = 2 };

// The type the window opens for a device of the given port-1 work mode: a device that serves TCP
// is reached as a client, a TCP client device is served, UDP devices are reached over UDP.
IoConnectionType presetConnectionType(int workMode);

enum class Indicator : std::uint8_t { Unknown, On, Off };

// Model query: the first try 200 ms after a TCP connection, then every 500 ms, six tries at most.
inline constexpr int kFirstModelQueryMs = 200;
inline constexpr int kModelQueryRepeatMs = 500;
inline constexpr int kModelQueryTries = 6;

// The analog rows, top to bottom.
enum class AnalogRow : std::uint8_t { Volts5, Volts10, MilliAmps20 };
// A cell's text: "%f" of the scaled value cut to 5 characters (1234 gives 1.234, 2.468, 4.955).
std::string analogCellText(std::uint16_t value, AnalogRow row);

// What one received chunk changed.
struct ChunkOutcome {
    bool dropped = false;       // longer than a frame can be: neither logged nor decoded
    IoDecoded decoded;          // the decoder's verdict
    bool modelArrived = false;  // a model reply: stop the model query, start polling
    bool panelChanged = false;  // indicators, analog cells or the model label changed
};

class IoBoardState {
  public:
    IoBoardState();

    // Settings the window's lists and boxes hold; they act on the next frame built, decoded or logged.
    void setProtocol(IoProtocol protocol) { protocol_ = protocol; }
    IoProtocol protocol() const { return protocol_; }
    // Board address 1..255; other values are clamped into that range.
    void setAddress(int address);
    std::uint8_t address() const { return address_; }
    void setShowCommand(bool on) { showCommand_ = on; }
    void setLogPaused(bool on) { logPaused_ = on; }

    // Forgets the board: every indicator unknown, analog cells empty, no model (the disconnected look
    // and a change of the selected board).
    void forgetBoard();
    // A new connection: the model query starts its tries again.
    void startModelQueries() { modelQueryCount_ = 0; }

    const std::string& reportedModel() const { return reportedModel_; }
    const std::string& model() const { return model_; }
    const std::array<Indicator, kMaxIoChannels>& inputs() const { return inputs_; }
    const std::array<Indicator, kMaxIoChannels>& outputs() const { return outputs_; }
    const std::optional<AnalogValues>& analog() const { return analog_; }

    // Channels known so far, channel 1 first, up to the last one with a state.
    int knownInputs() const;
    int knownOutputs() const;

    // One tick of the model query: the frame, and whether more tries follow.
    struct ModelQueryTick {
        IoFrame frame;
        bool more = false;
    };
    ModelQueryTick modelQueryTick();
    IoFrame modelQuery() const;
    // One polling tick: outputs and inputs in turn; nothing when the model has no such query.
    std::optional<IoFrame> pollTick();
    std::optional<IoFrame> inputQuery() const;
    std::optional<IoFrame> outputQuery() const;

    // Output button k (1..32): nothing while its state is unknown, else the opposite of its state.
    std::optional<IoFrame> clickOutput(int output, std::string_view timeText);
    // The all-outputs button: switches all on when its caption offers "All ON", else all off, and
    // turns the caption over. Nothing is sent for a model without the command.
    std::optional<IoFrame> clickAllOutputs();
    // All outputs on or off as asked; the caption then offers the opposite, as after a click.
    std::optional<IoFrame> allOutputs(bool on);
    // True while the button's caption is the "All ON" text, false for "All OFF" (the start).
    bool allOutputsCaptionOn() const { return captionAllOn_; }

    ChunkOutcome receive(Bytes chunk);

    // Logs a frame by the filter of the log; the entry text is the log's newest text when appended.
    LogAppend log(LogDirection direction, Bytes frame, LogClock clock);
    const CommandLog& commandLog() const { return log_; }
    void clearLog() { log_.clear(); }
    // The text of the last entry that went into the log.
    const std::string& lastLogEntry() const { return lastEntry_; }

  private:
    void apply(const IoReply& reply, ChunkOutcome& outcome);
    void showStates(std::array<Indicator, kMaxIoChannels>& row, const ChannelStates& states);

    IoProtocol protocol_ = IoProtocol::Custom;
    std::uint8_t address_ = 1;
    bool showCommand_ = false;
    bool logPaused_ = false;
    bool outputStatusFlag_ = false;
    bool captionAllOn_ = false;

    std::string reportedModel_;
    std::string model_;
    std::array<Indicator, kMaxIoChannels> inputs_{};
    std::array<Indicator, kMaxIoChannels> outputs_{};
    std::optional<AnalogValues> analog_;

    // Each window counts for itself, and every connection gets all its model-query tries.
    unsigned pollCount_ = 0;
    int modelQueryCount_ = 0;

    CommandLog log_;
    std::string lastEntry_;
};

}  // namespace tavrel
