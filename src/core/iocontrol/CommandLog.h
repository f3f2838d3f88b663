#pragma once
// The IO window's command log: which frames it shows, the text of one entry, and how entries are
// appended to the bounded log text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "iocontrol/IoFraming.h"
#include "util/Bytes.h"

namespace tavrel {

enum class LogDirection : std::uint8_t { Sent, Received };

struct LogClock {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The window state the filter reads at each entry.
struct LogFilterState {
    IoProtocol protocol = IoProtocol::Custom;
    bool showCommand = false;       // "Show Command": log everything
    bool modelLabelEmpty = true;    // no model shown yet
    bool outputStatusFlag = false;  // set by the all-outputs command; logging a "T" frame clears it
};

// Whether the frame is logged. Unless "Show Command" is on, routine polling is left out; a custom
// "T" frame passes once after the all-outputs command, and passing clears the flag in `state`.
bool passesLogFilter(Bytes frame, LogFilterState& state);

// "TX：" or "RX：", "%02X " per byte, " 时间: hh:mm:ss", then "\r\n" (sent) or "\r\n\r\n" (received),
// so that a request and its reply form one paragraph.
std::string logEntryText(LogDirection direction, Bytes frame, LogClock clock);

// What the window's text box must do for one entry.
enum class LogAppend : std::uint8_t {
    Dropped,            // "Stop Showing" is on: the entry is lost, not kept for later
    Appended,           // insert the entry at the end
    ClearedAndAppended  // empty the box first, then insert the entry
};

// The text box's default text limit, in characters.
inline constexpr std::size_t kLogTextLimitChars = 30000;

// The log text with its limit: once its length exceeds the limit less 50 characters, the next entry
// starts a fresh log. Lengths count characters (UTF-8 code points), as the text box does.
class CommandLog {
  public:
    explicit CommandLog(std::size_t limitChars = kLogTextLimitChars) : limitChars_(limitChars) {}

    LogAppend append(std::string_view entry, bool paused);
    void clear();

    const std::string& text() const { return text_; }
    std::size_t lengthChars() const { return lengthChars_; }

  private:
    std::string text_;
    std::size_t lengthChars_ = 0;
    std::size_t limitChars_;
};

// One complete log entry: filter, text, append. Returns Dropped when the filter leaves it out.
LogAppend logFrame(CommandLog& log, LogDirection direction, Bytes frame, LogFilterState& state, bool paused,
                   LogClock clock);

}  // namespace tavrel
