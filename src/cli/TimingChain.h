#pragma once
// The pass-through chains of a 302-byte board, run to their end on the command line's event loop.
#include <array>
#include <functional>
#include <optional>

#include "TimingLink.h"
#include "timing/ClockSource.h"

namespace tavrel::cli {

// The board names the next step of a chain within a second or is asked again three times; this
// bounds a whole chain of eleven steps should something else stall it.
inline constexpr int kChainDeadlineMs = 60000;

// What a finished chain told.
struct ChainResult {
    bool finished = false;
    std::optional<std::array<bool, 2>> options;
    std::optional<BoardClock> clock;
};

// Runs one chain on the link until it ends, gives up or the deadline passes.
ChainResult runChain(TimingLink& link, const std::function<void()>& start, int deadlineMs = kChainDeadlineMs);

// This computer's local time.
CalendarTime computerNow();

}  // namespace tavrel::cli
