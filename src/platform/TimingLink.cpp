#include "TimingLink.h"

#include <QtCore/QTimer>

#include "DeviceSession.h"

namespace tavrel {

TimingLink::TimingLink(DeviceSession& session, QObject* parent) : QObject(parent), session_(session) {
    resendTimer_ = new QTimer(this);
    resendTimer_->setSingleShot(true);
    connect(resendTimer_, &QTimer::timeout, this, &TimingLink::onResendTimer);
    connect(&session_, &DeviceSession::outputTimingReplyFor, this, &TimingLink::onReply);
}

void TimingLink::startRead(int entry) {
    entry_ = entry;
    apply(entry, chain_.startRead(session_.table()[static_cast<std::size_t>(entry)].key));
}

void TimingLink::startSave(int entry, bool outputFollow, bool sendStatus, bool listHasRows) {
    const TimingAction action = chain_.startSave(session_.table()[static_cast<std::size_t>(entry)].key,
                                                 outputFollow, sendStatus, listHasRows);
    if (!action.send.empty()) entry_ = entry;
    apply(entry, action);
}

void TimingLink::calibrate(int entry, const BoardClock& clock) {
    entry_ = entry;
    apply(entry, chain_.calibrate(session_.table()[static_cast<std::size_t>(entry)].key, clock));
}

void TimingLink::readClock(int entry) {
    entry_ = entry;
    apply(entry, chain_.readClock(session_.table()[static_cast<std::size_t>(entry)].key));
}

bool TimingLink::resendPending() const {
    return resendTimer_->isActive();
}

void TimingLink::apply(int entry, const TimingAction& a) {
    if (a.stopResendTimer) resendTimer_->stop();
    // Through the device's lane, so that a request never cuts into another plan of the same board.
    if (!a.send.empty() && entry >= 0)
        session_.play(static_cast<std::size_t>(entry),
                      Plan{{0, a.send, Destination::BroadcastDevicePort, 0}});
    if (a.startResendTimer) resendTimer_->start(kResendIntervalMs);
    if (observer_) observer_(entry, a);
}

void TimingLink::onReply(int entry, const QByteArray& boardFrame) {
    // Another board's answer neither moves this chain nor lands in this board's table.
    if (entry != entry_ || entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) return;
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(boardFrame.constData()),
                      static_cast<std::size_t>(boardFrame.size()));
    // A reply the chain does not wait for comes back as an empty action and changes nothing.
    apply(entry, chain_.onReply(session_.table()[static_cast<std::size_t>(entry)], bytes));
}

void TimingLink::onResendTimer() {
    apply(entry_, chain_.onResendTimer());
}

}  // namespace tavrel
