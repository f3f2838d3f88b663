#include "iocontrol/CommandLog.h"

#include <cstdio>

#include "iocontrol/IoCodec.h"
#include "texts/FixedTexts.h"

namespace tavrel {
namespace {

std::size_t codePoints(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    }
    return n;
}

bool passesModbus(Bytes frame, const LogFilterState& state) {
    if (frame.size() < 2) return true;
    const std::uint8_t function = frame[1];
    if (function == kFnReadCoils || function == kFnReadDiscreteInputs) return false;
    if (function == kFnReadHoldingRegisters && !state.modelLabelEmpty) return false;
    return true;
}

bool passesCustom(Bytes frame, LogFilterState& state) {
    const std::size_t n = frame.size();
    if (n < 4 || frame[0] != kCustomHead0 || frame[1] != kCustomHead1 || frame[n - 2] != kCustomTail0 ||
        frame[n - 1] != kCustomTail1) {
        return false;
    }
    switch (frame[3]) {
        case kCodeInputQuery:
        case kCodeOutputQuery:
        case kCodeInputStates:
        case kCodeAnalog:
            return false;
        case kCodeOutputStates:
            if (!state.outputStatusFlag) return false;
            state.outputStatusFlag = false;
            return true;
        default:
            return true;
    }
}

}  // namespace

bool passesLogFilter(Bytes frame, LogFilterState& state) {
    if (state.showCommand) return true;
    return state.protocol == IoProtocol::Modbus ? passesModbus(frame, state) : passesCustom(frame, state);
}

std::string logEntryText(LogDirection direction, Bytes frame, LogClock clock) {
    std::string text(direction == LogDirection::Sent ? fixed::kLogSentPrefix : fixed::kLogReceivedPrefix);
    text.reserve(text.size() + 3 * frame.size() + 32);
    char buf[48];
    for (std::uint8_t b : frame) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        text += buf;
    }
    // The pattern is a literal of the fixed-text table, so it ends in a zero byte.
    std::snprintf(buf, sizeof buf, fixed::kLogTimePattern.data(), clock.hour, clock.minute, clock.second);
    text += buf;
    text += direction == LogDirection::Sent ? "\r\n" : "\r\n\r\n";
    return text;
}

LogAppend CommandLog::append(std::string_view entry, bool paused) {
    if (paused) return LogAppend::Dropped;
    LogAppend result = LogAppend::Appended;
    if (lengthChars_ + 50 > limitChars_) {
        clear();
        result = LogAppend::ClearedAndAppended;
    }
    text_ += entry;
    lengthChars_ += codePoints(entry);
    return result;
}

void CommandLog::clear() {
    text_.clear();
    lengthChars_ = 0;
}

LogAppend logFrame(CommandLog& log, LogDirection direction, Bytes frame, LogFilterState& state, bool paused,
                   LogClock clock) {
    if (!passesLogFilter(frame, state)) return LogAppend::Dropped;
    return log.append(logEntryText(direction, frame, clock), paused);
}

}  // namespace tavrel
