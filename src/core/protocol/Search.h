#pragma once
// The search schedule: a broadcast repeated every 3 s until the first reply (11 requests at most),
// then sent twice more (more while devices are being read) so that a device whose reply was lost
// still answers; or a scan of hosts
// 1..254 of one subnet, one host per tick, with further passes to the hosts that did not answer.
#include <bitset>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr int kFirstSearchDelayMs = 1;
inline constexpr int kSearchRepeatMs = 3000;
inline constexpr int kMaxSearchRequests = 11;
// After the first reply: more broadcasts, this far apart (the first counted from that reply).
inline constexpr int kSearchAfterReplyMs = 300;
inline constexpr int kSearchesAfterReply = 2;
// While devices are still being read out the search costs nothing extra in time, so it goes on asking
// for those whose replies were lost, up to this many broadcasts after the first reply.
inline constexpr int kMaxSearchesAfterReply = 6;
inline constexpr int kScanTickMs = 1;
inline constexpr int kLastScannedHost = 254;

// Everything up to and including the third dot ("192.168.1.255" gives "192.168.1."); at most 16
// characters are examined.
std::string subnetPrefix(std::string_view address);

class SearchSchedule {
  public:
    enum class Mode { Idle, Broadcast, Scan };

    struct Tick {
        std::string destination;  // where this tick's search request goes
        int nextDelayMs = -1;     // when the next tick is due; -1: the schedule has ended
        bool timedOut = false;    // the last broadcast went unanswered
        bool scanFinished = false;
        int host = 0;  // scan position (1..254)
    };

    void startBroadcast(std::string broadcastAddress);
    // `passes` of at least 1: the later passes go only to hosts that have not answered.
    void startScan(const std::string& broadcastAddress, int passes = 1);
    // A reply from `senderAddress`. The first reply to a broadcast ends its 3 s repeats: the delay
    // returned is when the timer must fire next. A scan notes the host and goes on.
    std::optional<int> replyReceived(std::string_view senderAddress = {});
    void stop() { mode_ = Mode::Idle; }

    Mode mode() const { return mode_; }
    bool running() const { return mode_ != Mode::Idle; }
    int requestsSent() const { return sent_; }
    const std::string& prefix() const { return prefix_; }
    int pass() const { return pass_; }

    // Called when the timer fires; nothing when the schedule is idle. `readingDevices`: read-outs of
    // devices found are still going on.
    std::optional<Tick> tick(bool readingDevices = false);

  private:
    std::optional<Tick> broadcastTick(bool readingDevices);
    std::optional<Tick> scanTick();
    // The next host of this pass still to ask, after `host_`; 0 when the pass is over.
    int nextScanHost() const;

    Mode mode_ = Mode::Idle;
    std::string address_;
    std::string prefix_;
    int sent_ = 0;
    int host_ = 0;
    bool answered_ = false;  // the broadcast had its first reply
    int sentAfterReply_ = 0;
    int pass_ = 1;
    int passes_ = 1;
    std::bitset<kLastScannedHost + 1> answeredHosts_;
};

}  // namespace tavrel
