#include "SearchRun.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>

namespace tavrel::cli {

SearchRun::SearchRun(DeviceSession& session) : session_(session) {
    connect(&session_, &DeviceSession::deviceReady, this, [this](int i) { ready_.insert(i); });
    connect(&session_, &DeviceSession::readoutSettled, this, [this](int i) { settled_.insert(i); });
    connect(&session_.socket(), &ProtocolSocket::datagramReceived, this,
            [this] { sinceActivity_.restart(); });
    connect(&session_.socket(), &ProtocolSocket::sent, this, [this] { sinceActivity_.restart(); });
}

int SearchRun::defaultTimeoutMs(bool scan, int scanPasses) {
    if (scan) return (kLastScannedHost + 1) * 20 * scanPasses + kLostReplyMs + 2000;
    return (kMaxSearchRequests - 1) * kSearchRepeatMs + kLostReplyMs + 1000;
}

bool SearchRun::finished(int i) const {
    if (settled_.count(i)) return true;
    return ready_.count(i) && session_.table().progress(static_cast<std::size_t>(i)).complete();
}

SearchRun::Result SearchRun::run(bool scan, const QString& address, std::optional<int> timeoutMs,
                                 std::function<bool()> enough, int scanPasses) {
    ready_.clear();
    settled_.clear();
    sinceActivity_.start();
    QDeadlineTimer deadline(timeoutMs.value_or(defaultTimeoutMs(scan, scanPasses)));
    if (scan)
        session_.startSubnetScan(address, scanPasses);
    else
        session_.startBroadcastSearch(address);

    const bool giveUpEarly = !scan && !timeoutMs;
    QElapsedTimer sinceStart;
    sinceStart.start();
    Result result;
    QEventLoop loop;
    QTimer check;
    check.setInterval(20);
    connect(&check, &QTimer::timeout, &loop, [&] {
        const int found = static_cast<int>(session_.table().usedCount());
        const qint64 quiet = sinceActivity_.elapsed();
        if (deadline.hasExpired()) {
            result.deadlineReached = true;
            loop.quit();
            return;
        }
        if (enough && enough()) {
            loop.quit();
            return;
        }
        if (giveUpEarly && found == 0 && sinceStart.elapsed() >= kNoAnswerSearchMs) {
            result.deadlineReached = true;
            loop.quit();
            return;
        }
        if (session_.searching() || session_.pendingReadouts() > 0 || quiet < kQuietMs) return;
        if (found == 0 && quiet >= kLostReplyMs) loop.quit();
        bool allFinished = found > 0;
        for (int i = 0; i < found && allFinished; ++i) allFinished = finished(i);
        if (found > 0 && (allFinished || quiet >= kLostReplyMs)) loop.quit();
    });
    check.start();
    loop.exec();
    session_.stopSearch();
    result.devices = static_cast<int>(session_.table().usedCount());
    return result;
}

}  // namespace tavrel::cli
