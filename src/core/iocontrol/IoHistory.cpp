#include "iocontrol/IoHistory.h"

#include <algorithm>

namespace tavrel {

const char* ioChannelKindName(IoChannelKind kind) {
    switch (kind) {
        case IoChannelKind::Input:
            return "input";
        case IoChannelKind::Output:
            return "output";
        case IoChannelKind::Analog:
            return "analog";
    }
    return "";
}

std::string ioChangeCsvRow(const std::string& timeText, const IoChange& change) {
    return timeText + ',' + ioChannelKindName(change.kind) + ',' + std::to_string(change.channel) + ',' +
           std::to_string(change.value) + "\r\n";
}

long long IoHistory::shownSpanMs(long long nowMs, long long minimumMs) const {
    const long long since = startMs_ ? nowMs - *startMs_ : 0;
    return std::clamp(since, std::min(minimumMs, kSpanMs), kSpanMs);
}

void IoHistory::record(Lane& lane, long long nowMs, Indicator state) {
    if (!startMs_) startMs_ = nowMs;
    lane.push_back({nowMs, state});
    // The last transition before the span stays: it is the state at the diagram's left edge.
    while (lane.size() > 1 && lane[1].atMs <= nowMs - kSpanMs) lane.pop_front();
    while (lane.size() > kMaxTransitions) lane.pop_front();
}

std::vector<IoChange> IoHistory::observe(long long nowMs, const IoBoardState& state) {
    std::vector<IoChange> changes;
    auto compare = [&](const std::array<Indicator, kMaxIoChannels>& now,
                       std::array<Indicator, kMaxIoChannels>& last, std::array<Lane, kMaxIoChannels>& lanes,
                       IoChannelKind kind, int& laneCount) {
        for (std::size_t i = 0; i < kMaxIoChannels; ++i) {
            if (now[i] == last[i]) continue;
            last[i] = now[i];
            record(lanes[i], nowMs, now[i]);
            if (now[i] != Indicator::Unknown)
                changes.push_back({kind, static_cast<int>(i) + 1, now[i] == Indicator::On ? 1u : 0u});
        }
        laneCount = 0;
        for (std::size_t i = 0; i < kMaxIoChannels; ++i)
            if (!lanes[i].empty() && (lanes[i].size() > 1 || lanes[i].front().state != Indicator::Unknown))
                laneCount = static_cast<int>(i) + 1;
    };
    compare(state.inputs(), lastInputs_, inputs_, IoChannelKind::Input, inputLanes_);
    compare(state.outputs(), lastOutputs_, outputs_, IoChannelKind::Output, outputLanes_);
    const auto& analog = state.analog();
    if (analog)
        for (std::size_t k = 0; k < kAnalogChannels; ++k)
            if (!lastAnalog_ || lastAnalog_->values[k] != analog->values[k])
                changes.push_back({IoChannelKind::Analog, static_cast<int>(k) + 1, analog->values[k]});
    lastAnalog_ = analog;
    return changes;
}

std::vector<LaneSegment> IoHistory::lane(IoChannelKind kind, int channel, long long fromMs,
                                         long long toMs) const {
    std::vector<LaneSegment> segments;
    if (kind == IoChannelKind::Analog || channel < 1 || channel > static_cast<int>(kMaxIoChannels) ||
        toMs <= fromMs)
        return segments;
    const Lane& l =
        (kind == IoChannelKind::Input ? inputs_ : outputs_)[static_cast<std::size_t>(channel - 1)];
    Indicator state = Indicator::Unknown;
    long long at = fromMs;
    for (const Transition& t : l) {
        if (t.atMs <= fromMs) {
            state = t.state;
            continue;
        }
        if (t.atMs >= toMs) break;
        if (t.state == state) continue;
        segments.push_back({at, t.atMs, state});
        at = t.atMs;
        state = t.state;
    }
    segments.push_back({at, toMs, state});
    return segments;
}

}  // namespace tavrel
