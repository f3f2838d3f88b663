#include "Sequencer.h"

#include <QtCore/QTimer>
#include <algorithm>

#include "ProtocolSocket.h"

namespace tavrel {

Sequencer::Sequencer(ProtocolSocket& socket, QObject* parent) : QObject(parent), socket_(socket) {}

void Sequencer::retire(QTimer* timer) {
    if (!timer) return;
    timer->stop();
    timer->disconnect(this);
    timer->deleteLater();
}

void Sequencer::setTarget(const QHostAddress& broadcast, quint16 devicePort) {
    broadcast_ = broadcast;
    devicePort_ = devicePort;
}

void Sequencer::play(const QString& lane, Plan plan, std::function<void()> done) {
    auto [it, created] = lanes_.try_emplace(lane);
    Lane& l = it->second;
    if (created) l.generation = ++generations_;
    l.jobs.push_back(Job{std::move(plan), std::move(done)});
    if (!l.running && std::find(waiting_.begin(), waiting_.end(), lane) == waiting_.end()) {
        waiting_.push_back(lane);
    }
    startWaiting();
}

void Sequencer::cancel(const QString& lane) {
    auto it = lanes_.find(lane);
    if (it == lanes_.end()) return;
    if (it->second.running) --running_;
    retire(it->second.timer);
    lanes_.erase(it);
    waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), lane), waiting_.end());
    startWaiting();
    if (lanes_.empty()) emit idle();
}

void Sequencer::startWaiting() {
    while (running_ < kMaxConcurrent && !waiting_.empty()) {
        QString lane = waiting_.front();
        waiting_.pop_front();
        auto it = lanes_.find(lane);
        if (it == lanes_.end()) continue;
        Lane& l = it->second;
        l.running = true;
        l.next = 0;
        ++running_;
        if (!l.timer) {
            l.timer = new QTimer(this);
            l.timer->setSingleShot(true);
            l.timer->setTimerType(Qt::PreciseTimer);
            // Bound to this lane's generation: a lane cancelled and queued again never takes a
            // late tick of the old one.
            connect(l.timer, &QTimer::timeout, this,
                    [this, lane, generation = l.generation] { sendStep(lane, generation); });
        }
        scheduleNext(lane);
    }
}

void Sequencer::scheduleNext(const QString& lane) {
    // `done` may cancel the lane, queue more on it, or cancel it and queue a fresh plan (which
    // play() starts on its own): the lane is looked up again after every callback, never kept.
    for (;;) {
        auto it = lanes_.find(lane);
        if (it == lanes_.end()) return;
        Lane& l = it->second;
        if (!l.jobs.empty() && l.next < l.jobs.front().plan.size()) {
            l.timer->start(std::max(0, l.jobs.front().plan[l.next].gapMs));
            return;
        }
        if (l.jobs.empty()) {
            // Through: free the slot for the next waiting lane.
            retire(l.timer);
            lanes_.erase(it);
            --running_;
            startWaiting();
            if (lanes_.empty()) emit idle();
            return;
        }
        auto done = std::move(l.jobs.front().done);
        const std::uint64_t generation = l.generation;
        l.jobs.pop_front();
        l.next = 0;
        if (!done) continue;
        done();
        auto again = lanes_.find(lane);
        if (again == lanes_.end() || again->second.generation != generation) return;
    }
}

void Sequencer::sendStep(const QString& lane, std::uint64_t generation) {
    auto it = lanes_.find(lane);
    if (it == lanes_.end() || it->second.generation != generation || it->second.jobs.empty()) return;
    Lane& l = it->second;
    if (l.next >= l.jobs.front().plan.size()) return;
    const Step step = l.jobs.front().plan[l.next];
    ++l.next;
    const quint16 port = step.destination == Destination::BroadcastReplyPort ? step.replyPort : devicePort_;
    socket_.send(step.bytes, broadcast_, port);
    // A receiver of the socket's `sent` signal may have cancelled or replaced the lane meanwhile.
    auto again = lanes_.find(lane);
    if (again == lanes_.end() || again->second.generation != generation) return;
    scheduleNext(lane);
}

}  // namespace tavrel
