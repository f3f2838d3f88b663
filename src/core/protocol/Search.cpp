#include "protocol/Search.h"

#include <charconv>

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
    answered_ = false;
    sentAfterReply_ = 0;
}

void SearchSchedule::startScan(const std::string& broadcastAddress, int passes) {
    mode_ = Mode::Scan;
    prefix_ = subnetPrefix(broadcastAddress);
    host_ = 0;
    pass_ = 1;
    passes_ = passes < 1 ? 1 : passes;
    answeredHosts_.reset();
}

std::optional<int> SearchSchedule::replyReceived(std::string_view sender) {
    if (mode_ == Mode::Broadcast) {
        if (answered_) return std::nullopt;
        answered_ = true;
        return kSearchAfterReplyMs;
    }
    if (mode_ == Mode::Scan && !prefix_.empty() && sender.substr(0, prefix_.size()) == prefix_) {
        const std::string_view hostText = sender.substr(prefix_.size());
        int host = 0;
        const auto [end, error] = std::from_chars(hostText.data(), hostText.data() + hostText.size(), host);
        if (error == std::errc() && end == hostText.data() + hostText.size() && host >= 1 &&
            host <= kLastScannedHost)
            answeredHosts_.set(static_cast<std::size_t>(host));
    }
    return std::nullopt;
}

std::optional<SearchSchedule::Tick> SearchSchedule::tick(bool readingDevices) {
    if (mode_ == Mode::Broadcast) return broadcastTick(readingDevices);
    if (mode_ == Mode::Scan) return scanTick();
    return std::nullopt;
}

std::optional<SearchSchedule::Tick> SearchSchedule::broadcastTick(bool readingDevices) {
    Tick t;
    if (answered_) {
        // Read-outs over after the two repeats: nothing more is asked, so no search reaches a device
        // once the search has ended.
        if (sentAfterReply_ >= kSearchesAfterReply && !readingDevices) {
            mode_ = Mode::Idle;
            return t;
        }
        ++sent_;
        ++sentAfterReply_;
        t.destination = address_;
        const bool more = sentAfterReply_ < kSearchesAfterReply ||
                          (readingDevices && sentAfterReply_ < kMaxSearchesAfterReply);
        if (more)
            t.nextDelayMs = kSearchAfterReplyMs;
        else
            mode_ = Mode::Idle;
        return t;
    }
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

int SearchSchedule::nextScanHost() const {
    for (int host = host_ + 1; host <= kLastScannedHost; ++host)
        if (pass_ == 1 || !answeredHosts_.test(static_cast<std::size_t>(host))) return host;
    return 0;
}

std::optional<SearchSchedule::Tick> SearchSchedule::scanTick() {
    host_ = nextScanHost();
    // A later pass with every host answered has nothing to send: the scan is over.
    while (host_ == 0 && pass_ < passes_) {
        ++pass_;
        host_ = nextScanHost();
    }
    if (host_ == 0) {
        mode_ = Mode::Idle;
        Tick t;
        t.scanFinished = true;
        return t;
    }
    Tick t;
    t.host = host_;
    t.destination = prefix_ + std::to_string(host_);
    bool more = nextScanHost() != 0;
    if (!more && pass_ < passes_) more = true;  // the next pass may have hosts to ask
    if (more) {
        t.nextDelayMs = kScanTickMs;
    } else {
        t.scanFinished = true;
        mode_ = Mode::Idle;
        host_ = 0;
    }
    return t;
}

}  // namespace tavrel
