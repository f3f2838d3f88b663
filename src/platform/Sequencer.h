#pragma once
// Plays timed frame plans with single-shot timers. Plans of one device play one after another,
// never interleaved; plans of different devices overlap, at most kMaxConcurrent at once.
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

#include "protocol/Plan.h"

class QTimer;

namespace tavrel {

class ProtocolSocket;

class Sequencer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConcurrent = 8;

    Sequencer(ProtocolSocket& socket, QObject* parent = nullptr);

    // Where plans send: the broadcast address and the device port.
    void setTarget(const QHostAddress& broadcast, quint16 devicePort);
    // Queues a plan on a lane (one lane per device). `done` runs after its last frame was sent.
    void play(const QString& lane, Plan plan, std::function<void()> done = {});
    // Drops every queued and running plan of the lane (its `done` is not called).
    void cancel(const QString& lane);
    bool isIdle() const { return lanes_.empty(); }
    int runningCount() const { return running_; }

signals:
    void idle();

private:
    struct Job {
        Plan plan;
        std::function<void()> done;
    };
    struct Lane {
        std::deque<Job> jobs;
        std::size_t next = 0;  // next step of jobs.front()
        bool running = false;
        QTimer* timer = nullptr;
        std::uint64_t generation = 0;  // tells a lane apart from a later one of the same name
    };

    void startWaiting();
    void scheduleNext(const QString& lane);
    void sendStep(const QString& lane, std::uint64_t generation);
    void retire(QTimer* timer);

    ProtocolSocket& socket_;
    QHostAddress broadcast_{QHostAddress::Broadcast};
    quint16 devicePort_ = 1111;
    std::map<QString, Lane> lanes_;
    std::deque<QString> waiting_;
    int running_ = 0;
    std::uint64_t generations_ = 0;
};

}  // namespace tavrel
