#pragma once
// The search schedule: a broadcast repeated every 3 s (11 requests at most, stopped by the first
// reply), or a scan of hosts 1..254 of one subnet, one host per tick.
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr int kFirstSearchDelayMs = 1;
inline constexpr int kSearchRepeatMs = 3000;
inline constexpr int kMaxSearchRequests = 11;
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
    void startScan(const std::string& broadcastAddress);
    // The first reply ends the broadcast repeats; a scan goes on to its end.
    void replyReceived();
    void stop() { mode_ = Mode::Idle; }

    Mode mode() const { return mode_; }
    bool running() const { return mode_ != Mode::Idle; }
    int requestsSent() const { return sent_; }
    const std::string& prefix() const { return prefix_; }

    // Called when the timer fires; nothing when the schedule is idle.
    std::optional<Tick> tick();

  private:
    Mode mode_ = Mode::Idle;
    std::string address_;
    std::string prefix_;
    int sent_ = 0;
    int host_ = 0;
};

}  // namespace tavrel
