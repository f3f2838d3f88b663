#pragma once
// Runs the window's search from a terminal and waits until the found devices are read out.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <functional>
#include <optional>
#include <set>

#include "DeviceSession.h"

namespace tavrel::cli {

// After the schedule ends, how long the line must stay quiet before the search counts as complete.
inline constexpr int kQuietMs = 300;
// A device whose last block never came (a lost reply) is given up on after this much silence.
inline constexpr int kLostReplyMs = 1500;
// A search that nobody answers ends 3 s after its third broadcast unless --timeout asks for longer:
// a device that answers at all answers one of three, and a script should not wait half a minute.
inline constexpr int kNoAnswerSearchMs = 3 * kSearchRepeatMs;
inline constexpr int kMaxScanPasses = 10;

class SearchRun : public QObject {
    Q_OBJECT
  public:
    explicit SearchRun(DeviceSession& session);

    struct Result {
        int devices = 0;
        bool deadlineReached = false;
    };
    // `enough`, when given, ends the wait early (for example once the wanted device is shown).
    Result run(bool scan, const QString& address, std::optional<int> timeoutMs,
               std::function<bool()> enough = {}, int scanPasses = 1);
    const std::set<int>& ready() const { return ready_; }
    // Entry i is shown and whole, or its read-out and re-requests are over.
    bool finished(int i) const;

    // The window's whole schedule: eleven requests 3 s apart, then time for the last replies.
    static int defaultTimeoutMs(bool scan, int scanPasses = 1);

  private:
    DeviceSession& session_;
    std::set<int> ready_;
    std::set<int> settled_;
    QElapsedTimer sinceActivity_;
};

}  // namespace tavrel::cli
