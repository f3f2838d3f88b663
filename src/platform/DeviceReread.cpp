#include "DeviceReread.h"

#include <QtCore/QTimer>
#include <algorithm>

#include "DeviceSession.h"

namespace tavrel {

DeviceReread::DeviceReread(DeviceSession& session, QObject* parent) : QObject(parent), session_(session) {
    for (auto signal :
         {&DeviceSession::deviceReady, &DeviceSession::deviceUpdated, &DeviceSession::readoutSettled})
        connect(&session_, signal, this, &DeviceReread::check);
}

DeviceReread::~DeviceReread() {
    // Silently: whoever listens may be half gone already.
    while (!waits_.empty()) finish(waits_.begin()->first);
}

void DeviceReread::setTimings(int intervalMs, int limitMs) {
    intervalMs_ = intervalMs;
    limitMs_ = limitMs;
}

void DeviceReread::start(int entry, bool broadcast, std::optional<DeviceKey> newKey) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) return;
    finish(entry);
    // Nothing read before the change counts as read now.
    ReadoutProgress& progress = session_.table().progress(static_cast<std::size_t>(entry));
    progress.received.reset();
    progress.answered = false;
    progress.shown = false;
    // A read-out that was still under way (or whose lane was dropped) is superseded by the next one.
    progress.reading = false;
    Wait& wait = waits_[entry];
    wait.broadcast = broadcast || newKey.has_value();
    wait.key = newKey.value_or(session_.table()[static_cast<std::size_t>(entry)].key);
    wait.since.start();
    wait.timer = new QTimer(this);
    wait.timer->setTimerType(Qt::PreciseTimer);
    wait.timer->setInterval(intervalMs_);
    connect(wait.timer, &QTimer::timeout, this, [this, entry] { tick(entry); });
    wait.timer->start();
    emit started(entry);
}

void DeviceReread::tick(int entry) {
    auto it = waits_.find(entry);
    if (it == waits_.end()) return;
    if (it->second.since.elapsed() >= limitMs_) {
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
    if (entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) return;
    const DeviceKey key = session_.table()[static_cast<std::size_t>(entry)].key;
    auto it = std::find_if(waits_.begin(), waits_.end(), [&](const auto& w) { return w.second.key == key; });
    if (it == waits_.end()) return;
    if (!session_.table().progress(static_cast<std::size_t>(entry)).complete()) return;
    finish(it->first);
    emit back(entry);
}

void DeviceReread::finish(int entry) {
    auto it = waits_.find(entry);
    if (it == waits_.end()) return;
    delete it->second.timer;
    waits_.erase(it);
}

void DeviceReread::cancelAll() {
    while (!waits_.empty()) {
        const int entry = waits_.begin()->first;
        finish(entry);
        emit cancelled(entry);
    }
}

}  // namespace tavrel
