#include "timing/TimingChain.h"

#include "texts/FixedTexts.h"
#include "timing/ConfigImage.h"

namespace tavrel {

namespace {
constexpr std::size_t kLastChannel = kScheduleChannels - 1;
constexpr std::uint8_t kChainEnd = board::kScheduleReply + kLastChannel;
}  // namespace

std::string timingStatusText(TimingStatus status, const UiTexts& texts) {
    switch (status) {
        case TimingStatus::None:
            return {};
        case TimingStatus::Reading:
            return std::string(fixed::kReadingParameters);
        case TimingStatus::ReadFirst:
            return texts.readParametersFirst;
        case TimingStatus::Saving:
            return std::string(fixed::kSavingParameters);
        case TimingStatus::Calibrating:
            return std::string(fixed::kCalibrating);
        case TimingStatus::Resending:
            return std::string(fixed::kResending);
        case TimingStatus::Read:
            return std::string(fixed::kParametersRead);
        case TimingStatus::Saved:
            return std::string(fixed::kParametersSaved);
        case TimingStatus::Calibrated:
            return std::string(fixed::kCalibrated);
    }
    return {};
}

TimingAction TimingChain::keepAndSend(Frame frame) {
    TimingAction a;
    kept_ = frame;
    resends_ = 0;
    waiting_ = true;
    a.send = std::move(frame);
    a.startResendTimer = true;
    return a;
}

TimingAction TimingChain::writeChannel(const DeviceRecord& device, std::size_t channel) {
    expected_ = static_cast<int>(board::kScheduleReply + channel);
    return keepAndSend(writeScheduleRequest(channel, scheduleOf(device, channel), device.key));
}

TimingAction TimingChain::startRead(const DeviceKey& key) {
    reading_ = true;
    clockOnly_ = false;
    expected_ = board::kTextReply;
    TimingAction a = keepAndSend(boardReadRequest(board::kReadText, key));
    a.status = TimingStatus::Reading;
    a.clearList = true;
    return a;
}

TimingAction TimingChain::startSave(const DeviceKey& key, bool outputFollow, bool sendStatus,
                                    bool listHasRows) {
    TimingAction a;
    a.status = TimingStatus::ReadFirst;
    if (!listHasRows) return a;
    // The options frame is neither kept nor timed; a resend left from another chain must not follow it.
    reading_ = false;
    clockOnly_ = false;
    waiting_ = false;
    expected_ = board::kOptionsReply;
    a.stopResendTimer = true;
    a.status = TimingStatus::Saving;
    a.send = writeOptionsRequest(outputFollow, sendStatus, key);
    return a;
}

TimingAction TimingChain::calibrate(const DeviceKey& key, const BoardClock& clock) {
    reading_ = false;
    clockOnly_ = false;
    waiting_ = false;
    expected_ = board::kClockReply;
    TimingAction a;
    a.stopResendTimer = true;
    a.status = TimingStatus::Calibrating;
    a.send = setClockRequest(clock, key);
    return a;
}

TimingAction TimingChain::readClock(const DeviceKey& key) {
    reading_ = false;
    clockOnly_ = true;
    expected_ = board::kClockReply;
    return keepAndSend(boardReadRequest(board::kReadClock, key));
}

TimingAction TimingChain::onReply(DeviceRecord& device, Bytes frame) {
    const auto reply = readBoardReply(frame);
    // Only the answer the chain waits for moves it on: a late or repeated reply of an earlier step
    // would otherwise start a second chain beside this one.
    if (!reply || reply->code != expected_) return {};
    const Bytes p = reply->payload;
    const std::uint8_t code = reply->code;
    TimingAction a;

    if (code == board::kTextReply) {
        markTimingSupport(device);
        a = reading_ ? keepAndSend(boardReadRequest(board::kReadOptions, device.key)) : TimingAction{};
        a.boardText = textOfBytes(p);
        expected_ = reading_ ? board::kOptionsReply : kNoReply;
    } else if (code == board::kOptionsReply) {
        if (p.size() < 2) return {};
        if (!reading_) {
            a = writeChannel(device, 0);
        } else {
            a = keepAndSend(boardReadRequest(board::kReadClock, device.key));
            a.options = std::array<bool, 2>{p[0] == 1, p[1] == 1};
            expected_ = board::kClockReply;
        }
    } else if (code == board::kClockReply) {
        const auto clock = clockFromReply(p);
        if (!clock) return {};
        if (reading_) {
            a = keepAndSend(boardReadRequest(board::kReadSchedule, device.key));
            expected_ = board::kScheduleReply;
        } else if (clockOnly_) {
            a.finished = true;
            expected_ = kNoReply;
        } else {
            a.status = TimingStatus::Calibrated;
            a.finished = true;
            expected_ = kNoReply;
        }
        a.clock = *clock;
        setClock(device, *clock);  // shown again with the device
    } else {
        const std::size_t channel = code - board::kScheduleReply;
        if (reading_) {
            const auto schedule = scheduleFromWire(p);
            if (!schedule) return {};  // too short to be a schedule: the resend asks again
            setSchedule(device, channel, *schedule);
        }
        if (channel < kLastChannel) {
            if (reading_) {
                a = keepAndSend(boardReadRequest(
                    static_cast<std::uint8_t>(board::kReadSchedule + channel + 1), device.key));
                expected_ = static_cast<int>(code + 1);
            } else {
                a = writeChannel(device, channel + 1);
            }
        } else {
            a.refillList = reading_;
            a.status = reading_ ? TimingStatus::Read : TimingStatus::Saved;
            a.finished = true;
            expected_ = kNoReply;
        }
    }
    if (!a.startResendTimer) waiting_ = false;
    a.stopResendTimer = !a.startResendTimer;
    return a;
}

TimingAction TimingChain::onResendTimer() {
    TimingAction a;
    if (!waiting_ || kept_.empty()) return a;
    if (resends_ >= kMaxResends) {
        waiting_ = false;
        expected_ = kNoReply;
        a.gaveUp = true;
        return a;
    }
    ++resends_;
    a.status = TimingStatus::Resending;
    a.send = kept_;
    a.startResendTimer = true;
    return a;
}

}  // namespace tavrel
