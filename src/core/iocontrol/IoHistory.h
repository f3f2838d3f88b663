#pragma once
// The recent past of an IO board's channels: what changed since the last look (one row of the data
// log each) and, per input and output, the transitions of the last minutes for the timing diagram.
// Times are milliseconds of a monotonic clock the caller keeps.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "iocontrol/IoBoardState.h"

namespace tavrel {

enum class IoChannelKind : std::uint8_t { Input, Output, Analog };

struct IoChange {
    IoChannelKind kind = IoChannelKind::Input;
    int channel = 0;          // 1-based
    std::uint32_t value = 0;  // 1 on, 0 off; the raw value of an analog channel
};

// "input", "output", "analog".
const char* ioChannelKindName(IoChannelKind kind);
// One CSV row: time text, kind, channel, value.
std::string ioChangeCsvRow(const std::string& timeText, const IoChange& change);
inline constexpr const char* kIoChangeCsvHeader = "time,kind,channel,value\r\n";

// A stretch of one lane in which the channel held one state.
struct LaneSegment {
    long long fromMs = 0;
    long long toMs = 0;
    Indicator state = Indicator::Unknown;
};

class IoHistory {
  public:
    // How far back the lanes reach, and how many transitions one lane keeps at most (a board
    // toggling faster than the diagram can show loses its oldest ones first).
    static constexpr long long kSpanMs = 5 * 60 * 1000;
    static constexpr std::size_t kMaxTransitions = 4096;

    // Compares the board's state with the last one seen and records what changed at `nowMs`.
    // A channel going unknown (the board forgotten) is recorded in its lane but is no change row.
    std::vector<IoChange> observe(long long nowMs, const IoBoardState& state);

    // When the first transition was recorded; nothing before any.
    std::optional<long long> startMs() const { return startMs_; }
    // The stretch a diagram shows at `nowMs`: since the start, at least `minimumMs`, at most the span.
    long long shownSpanMs(long long nowMs, long long minimumMs) const;

    // Channels that have held a state within the span, channel 1 up to the last one.
    int inputLanes() const { return inputLanes_; }
    int outputLanes() const { return outputLanes_; }
    // The lane between `fromMs` and `toMs`, left to right, adjacent segments of different states.
    std::vector<LaneSegment> lane(IoChannelKind kind, int channel, long long fromMs, long long toMs) const;

  private:
    struct Transition {
        long long atMs = 0;
        Indicator state = Indicator::Unknown;
    };
    using Lane = std::deque<Transition>;
    void record(Lane& lane, long long nowMs, Indicator state);

    std::array<Lane, kMaxIoChannels> inputs_;
    std::array<Lane, kMaxIoChannels> outputs_;
    std::array<Indicator, kMaxIoChannels> lastInputs_{};
    std::array<Indicator, kMaxIoChannels> lastOutputs_{};
    std::optional<AnalogValues> lastAnalog_;
    std::optional<long long> startMs_;
    int inputLanes_ = 0;
    int outputLanes_ = 0;
};

}  // namespace tavrel
