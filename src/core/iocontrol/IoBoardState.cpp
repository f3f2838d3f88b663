#include "iocontrol/IoBoardState.h"

#include <algorithm>
#include <cstdio>

namespace tavrel {

IoConnectionType presetConnectionType(int workMode) {
    switch (workMode) {
        case 1:
            return IoConnectionType::TcpClient;
        case 2:
            return IoConnectionType::TcpServer;
        case 3:
        case 4:
            return IoConnectionType::Udp;
        default:
            return IoConnectionType::None;
    }
}

std::string analogCellText(std::uint16_t value, AnalogRow row) {
    double scaled = 0;
    switch (row) {
        case AnalogRow::Volts5:
            scaled = value / 1000.0;
            break;
        case AnalogRow::Volts10:
            scaled = value * 2 / 1000.0;
            break;
        case AnalogRow::MilliAmps20:
            scaled = value / 249.0;
            break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%f", scaled);
    return std::string(text).substr(0, 5);
}

IoBoardState::IoBoardState() {
    forgetBoard();
}

void IoBoardState::setAddress(int address) {
    address_ = static_cast<std::uint8_t>(std::clamp(address, 1, 255));
}

void IoBoardState::forgetBoard() {
    inputs_.fill(Indicator::Unknown);
    outputs_.fill(Indicator::Unknown);
    analog_.reset();
    reportedModel_.clear();
    model_.clear();
}

namespace {
int lastKnown(const std::array<Indicator, kMaxIoChannels>& row) {
    for (int i = static_cast<int>(row.size()); i > 0; --i)
        if (row[i - 1] != Indicator::Unknown) return i;
    return 0;
}
}  // namespace

int IoBoardState::knownInputs() const {
    return lastKnown(inputs_);
}
int IoBoardState::knownOutputs() const {
    return lastKnown(outputs_);
}

IoFrame IoBoardState::modelQuery() const {
    return buildModelQuery(protocol_, address_);
}

IoBoardState::ModelQueryTick IoBoardState::modelQueryTick() {
    ++modelQueryCount_;
    ModelQueryTick tick{modelQuery(), true};
    if (modelQueryCount_ >= kModelQueryTries) {
        modelQueryCount_ = 0;
        tick.more = false;
    }
    return tick;
}

std::optional<IoFrame> IoBoardState::inputQuery() const {
    return buildInputQuery(protocol_, address_, model_);
}
std::optional<IoFrame> IoBoardState::outputQuery() const {
    return buildOutputQuery(protocol_, address_, model_);
}

std::optional<IoFrame> IoBoardState::pollTick() {
    const bool outputsTurn = pollCount_ % 2 == 0;
    ++pollCount_;
    return outputsTurn ? outputQuery() : inputQuery();
}

std::optional<IoFrame> IoBoardState::clickOutput(int output, std::string_view timeText) {
    if (output < 1 || output > static_cast<int>(kMaxIoChannels)) return std::nullopt;
    const Indicator shown = outputs_[static_cast<std::size_t>(output - 1)];
    if (shown == Indicator::Unknown) return std::nullopt;
    return buildSwitchOutput(protocol_, address_, output, shown == Indicator::Off, outputTimeValue(timeText));
}

std::optional<IoFrame> IoBoardState::clickAllOutputs() {
    return allOutputs(captionAllOn_);
}

std::optional<IoFrame> IoBoardState::allOutputs(bool on) {
    captionAllOn_ = !on;
    outputStatusFlag_ = true;
    return buildAllOutputs(protocol_, address_, model_, on);
}

ChunkOutcome IoBoardState::receive(Bytes chunk) {
    ChunkOutcome outcome;
    if (chunk.size() > kMaxDecodedChunk) {
        outcome.dropped = true;
        return outcome;
    }
    outcome.decoded = decodeReply(protocol_, address_, model_, chunk);
    if (outcome.decoded.status == IoStatus::Ok) apply(outcome.decoded.reply, outcome);
    return outcome;
}

void IoBoardState::showStates(std::array<Indicator, kMaxIoChannels>& row, const ChannelStates& states) {
    for (std::size_t i = 0; i < states.count && i < row.size(); ++i)
        row[i] = states.on[i] ? Indicator::On : Indicator::Off;
}

void IoBoardState::apply(const IoReply& reply, ChunkOutcome& outcome) {
    outcome.panelChanged = true;
    if (const auto* model = std::get_if<BoardModelReply>(&reply)) {
        reportedModel_ = model->reported;
        model_ = model->stored;
        outcome.modelArrived = true;
    } else if (const auto* inputs = std::get_if<InputStates>(&reply)) {
        showStates(inputs_, *inputs);
    } else if (const auto* outputs = std::get_if<OutputStates>(&reply)) {
        showStates(outputs_, *outputs);
    } else if (const auto* changed = std::get_if<OutputChanged>(&reply)) {
        if (changed->output >= 1 && changed->output <= kMaxIoChannels)
            outputs_[changed->output - 1u] = changed->on ? Indicator::On : Indicator::Off;
    } else if (const auto* all = std::get_if<AllOutputsWritten>(&reply)) {
        // The caption already offers the opposite of the last command.
        const Indicator state = captionAllOn_ ? Indicator::Off : Indicator::On;
        for (std::size_t i = 0; i < all->count && i < outputs_.size(); ++i) outputs_[i] = state;
    } else if (const auto* analog = std::get_if<AnalogValues>(&reply)) {
        analog_ = *analog;
    } else {
        outcome.panelChanged = false;
    }
}

LogAppend IoBoardState::log(LogDirection direction, Bytes frame, LogClock clock) {
    LogFilterState filter{protocol_, showCommand_, reportedModel_.empty(), outputStatusFlag_};
    const bool passes = passesLogFilter(frame, filter);
    outputStatusFlag_ = filter.outputStatusFlag;
    if (!passes) return LogAppend::Dropped;
    std::string entry = logEntryText(direction, frame, clock);
    const LogAppend result = log_.append(entry, logPaused_);
    if (result != LogAppend::Dropped) lastEntry_ = std::move(entry);
    return result;
}

}  // namespace tavrel
