#pragma once
// Runs the output timing chains of the 302-byte boards over the device session: sends what the
// chain asks for to the broadcast address at the device port, runs the one-second resend timer,
// and hands every step to an observer (the window's timing area, or the CLI).
#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <functional>

#include "timing/TimingChain.h"

class QTimer;

namespace tavrel {

class DeviceSession;

class TimingLink : public QObject {
    Q_OBJECT
  public:
    using Observer = std::function<void(int entry, const TimingAction& action)>;

    explicit TimingLink(DeviceSession& session, QObject* parent = nullptr);

    void setObserver(Observer observer) { observer_ = std::move(observer); }

    // Each acts on table entry `entry`; the observer sees the first action at once.
    void startRead(int entry);
    void startSave(int entry, bool outputFollow, bool sendStatus, bool listHasRows);
    void calibrate(int entry, const BoardClock& clock);
    void readClock(int entry);

    bool resendPending() const;
    int entry() const { return entry_; }

  private:
    void apply(int entry, const TimingAction& action);
    void onReply(int entry, const QByteArray& boardFrame);
    void onResendTimer();

    DeviceSession& session_;
    TimingChain chain_;
    QTimer* resendTimer_ = nullptr;
    int entry_ = -1;  // the device of the running chain
    Observer observer_;
};

}  // namespace tavrel
