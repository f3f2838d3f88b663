#include "DeviceReread.h"

#include <QtCore/QTimer>

#include "DeviceSession.h"

namespace tavrel {

DeviceReread::DeviceReread(DeviceSession& session, QObject* parent) : QObject(parent), session_(session) {
    for (auto signal : {&DeviceSession::deviceReady, &DeviceSession::deviceUpdated, &DeviceSession::readoutSettled})
        connect(&session_, signal, this, &DeviceReread::check);
}

DeviceReread::~DeviceReread() {
    cancelAll();
}

void DeviceReread::start(int entry, bool broadcast) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) return;
    finish(entry);
    // Nothing read before the change counts as read now.
    ReadoutProgress& progress = session_.table().progress(static_cast<std::size_t>(entry));
    progress.received.reset();
    progress.answered = false;
    progress.shown = false;
    Wait& wait = waits_[entry];
    wait.broadcast = broadcast;
    wait.since.start();
    wait.timer = new QTimer(this);
    wait.timer->setTimerType(Qt::PreciseTimer);
    wait.timer->setInterval(kIntervalMs);
    connect(wait.timer, &QTimer::timeout, this, [this, entry] { tick(entry); });
    wait.timer->start();
    emit started(entry);
}

void DeviceReread::tick(int entry) {
    auto it = waits_.find(entry);
    if (it == waits_.end()) return;
    if (it->second.since.elapsed() >= kLimitMs) {
        finish(entry);
        emit notBack(entry);
        return;
    }
    const DeviceRecord& r = session_.table()[static_cast<std::size_t>(entry)];
    // The search reply starts the read-out: a serial server's blocks, or a board's whole record.
    session_.sendSearch(it->second.broadcast ? QString::fromStdString(session_.settings().broadcast)
                                             : QString::fromStdString(r.sourceAddress));
}

void DeviceReread::check(int entry) {
    if (!pending(entry)) return;
    const ReadoutProgress& progress = session_.table().progress(static_cast<std::size_t>(entry));
    if (!progress.complete()) return;
    finish(entry);
    emit back(entry);
}

void DeviceReread::finish(int entry) {
    auto it = waits_.find(entry);
    if (it == waits_.end()) return;
    delete it->second.timer;
    waits_.erase(it);
}

void DeviceReread::cancelAll() {
    while (!waits_.empty()) finish(waits_.begin()->first);
}

}  // namespace tavrel
