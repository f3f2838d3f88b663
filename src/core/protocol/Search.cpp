#include "protocol/Search.h"

namespace tavrel {

std::string subnetPrefix(std::string_view address) {
    std::string prefix;
    int dots = 0;
    for (std::size_t i = 0; i < address.size() && i < 16 && dots < 3; ++i) {
        prefix += address[i];
        if (address[i] == '.') ++dots;
    }
    return prefix;
}

void SearchSchedule::startBroadcast(std::string broadcastAddress) {
    mode_ = Mode::Broadcast;
    address_ = std::move(broadcastAddress);
    sent_ = 0;
}

void SearchSchedule::startScan(const std::string& broadcastAddress) {
    mode_ = Mode::Scan;
    prefix_ = subnetPrefix(broadcastAddress);
    host_ = 0;
}

void SearchSchedule::replyReceived() {
    if (mode_ == Mode::Broadcast) mode_ = Mode::Idle;
}

std::optional<SearchSchedule::Tick> SearchSchedule::tick() {
    Tick t;
    if (mode_ == Mode::Broadcast) {
        ++sent_;
        t.destination = address_;
        if (sent_ >= kMaxSearchRequests) {
            t.timedOut = true;
            mode_ = Mode::Idle;
        } else {
            t.nextDelayMs = kSearchRepeatMs;
        }
        return t;
    }
    if (mode_ == Mode::Scan) {
        ++host_;
        t.host = host_;
        t.destination = prefix_ + std::to_string(host_);
        if (host_ >= kLastScannedHost) {
            t.scanFinished = true;
            mode_ = Mode::Idle;
            host_ = 0;
        } else {
            t.nextDelayMs = kScanTickMs;
        }
        return t;
    }
    return std::nullopt;
}

}  // namespace tavrel
