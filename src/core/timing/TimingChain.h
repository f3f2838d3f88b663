#pragma once
// The read and save chains of a 302-byte board's output timing, and its calibration: each board
// reply names the next request; the last request is resent by a one-second timer, three times at
// most. The owner sends what an action asks for and runs the timer; this class holds no clock.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "texts/UiTexts.h"
#include "timing/BoardClock.h"
#include "timing/BoardFrames.h"

namespace tavrel {

inline constexpr int kResendIntervalMs = 1000;
inline constexpr int kMaxResends = 3;

// Texts of the timing status line.
enum class TimingStatus {
    None,
    Reading,      // "正在读取参数..."
    ReadFirst,    // "please read  parameter first" / "请先读取参数"
    Saving,       // "保存参数中..."
    Calibrating,  // "校正中..."
    Resending,    // "重发中..."
    Read,         // "参数读取成功"
    Saved,        // "参数保存成功"
    Calibrated,   // "校正成功"
};
std::string timingStatusText(TimingStatus status, const UiTexts& texts);

// What the owner does next. Every member is optional; an empty action changes nothing.
struct TimingAction {
    Frame send;  // pass-through frame for the broadcast address, device port
    bool startResendTimer = false;
    bool stopResendTimer = false;
    TimingStatus status = TimingStatus::None;
    bool clearList = false;   // empty the schedule list
    bool refillList = false;  // fill the list from the device's schedules
    std::optional<std::string> boardText;
    std::optional<std::array<bool, 2>> options;  // "Output follow", "Send status"
    std::optional<BoardClock> clock;             // for the pickers and the weekday field
    bool finished = false;                       // the chain reached its end (read, saved or calibrated)
    bool gaveUp = false;                         // the last resend went unanswered
};

class TimingChain {
  public:
    TimingAction startRead(const DeviceKey& key);
    // `listHasRows`: a save only follows a read that filled the list.
    TimingAction startSave(const DeviceKey& key, bool outputFollow, bool sendStatus, bool listHasRows);
    TimingAction calibrate(const DeviceKey& key, const BoardClock& clock);
    // Asks for the board clock alone, with resends; the clock reply ends it.
    TimingAction readClock(const DeviceKey& key);

    // A board reply for `device` (the device whose key the reply carries).
    TimingAction onReply(DeviceRecord& device, Bytes boardFrame);
    // Timer 3 ran out.
    TimingAction onResendTimer();

    bool reading() const { return reading_; }
    int resends() const { return resends_; }

  private:
    TimingAction keepAndSend(Frame frame);
    TimingAction writeChannel(const DeviceRecord& device, std::size_t channel);

    static constexpr int kNoReply = -1;

    bool reading_ = false;
    bool clockOnly_ = false;
    int expected_ = kNoReply;  // the reply code that moves the chain on
    Frame kept_;
    int resends_ = 0;
    bool waiting_ = false;  // the resend timer runs
};

}  // namespace tavrel
