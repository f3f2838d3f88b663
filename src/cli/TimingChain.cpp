#include "TimingChain.h"

#include <QtCore/QDateTime>
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>

namespace tavrel::cli {

namespace {
// A step without resends (the options write, the clock set) counts as lost after as long as the
// resends of any other step would take.
constexpr int kStepSilenceMs = (kMaxResends + 1) * kResendIntervalMs + 500;
}  // namespace

CalendarTime computerNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().year(), now.date().month(),  now.date().day(),
            now.time().hour(), now.time().minute(), now.time().second()};
}

ChainResult runChain(TimingLink& link, const std::function<void()>& start, int deadlineMs) {
    ChainResult result;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    link.setObserver([&](int, const TimingAction& a) {
        if (!a.send.empty()) silence.start(kStepSilenceMs);
        if (a.options) result.options = a.options;
        if (a.clock) result.clock = a.clock;
        if (a.finished) result.finished = true;
        if (a.finished || a.gaveUp) QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(deadlineMs);
    start();
    if (!result.finished) loop.exec();
    link.setObserver({});
    return result;
}

}  // namespace tavrel::cli
