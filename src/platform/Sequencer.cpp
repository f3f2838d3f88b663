#include "Sequencer.h"

#include <QtCore/QTimer>
#include <algorithm>

#include "ProtocolSocket.h"

namespace tavrel {

Sequencer::Sequencer(ProtocolSocket& socket, QObject* parent) : QObject(parent), socket_(socket) {}

void Sequencer::setTarget(const QHostAddress& broadcast, quint16 devicePort) {
    broadcast_ = broadcast;
    devicePort_ = devicePort;
}

void Sequencer::play(const QString& lane, Plan plan, std::function<void()> done) {
    Lane& l = lanes_[lane];
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
    if (it->second.timer) it->second.timer->deleteLater();
    lanes_.erase(it);
    waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), lane), waiting_.end());
    startWaiting();
    if (lanes_.empty()) emit idle();
}

void Sequencer::startWaiting() {
    while (running_ < kMaxConcurrent && !waiting_.empty()) {
        QString lane = waiting_.front();
        waiting_.pop_front();
        Lane& l = lanes_[lane];
        l.running = true;
        l.next = 0;
        ++running_;
        if (!l.timer) {
            l.timer = new QTimer(this);
            l.timer->setSingleShot(true);
            l.timer->setTimerType(Qt::PreciseTimer);
            connect(l.timer, &QTimer::timeout, this, [this, lane] { sendStep(lane); });
        }
        scheduleNext(lane);
    }
}

void Sequencer::scheduleNext(const QString& lane) {
    Lane& l = lanes_[lane];
    while (!l.jobs.empty() && l.next >= l.jobs.front().plan.size()) {
        // The plan is through: report, then take the lane's next plan or free the slot.
        auto done = std::move(l.jobs.front().done);
        l.jobs.pop_front();
        l.next = 0;
        if (done) done();
        auto it = lanes_.find(lane);  // `done` may have cancelled or queued more
        if (it == lanes_.end()) return;
        if (it->second.jobs.empty()) {
            it->second.timer->deleteLater();
            lanes_.erase(it);
            --running_;
            startWaiting();
            if (lanes_.empty()) emit idle();
            return;
        }
    }
    if (l.jobs.empty()) return;
    l.timer->start(std::max(0, l.jobs.front().plan[l.next].gapMs));
}

void Sequencer::sendStep(const QString& lane) {
    auto it = lanes_.find(lane);
    if (it == lanes_.end() || it->second.jobs.empty()) return;
    Lane& l = it->second;
    const Step& step = l.jobs.front().plan[l.next];
    const quint16 port = step.destination == Destination::BroadcastReplyPort ? step.replyPort : devicePort_;
    socket_.send(step.bytes, broadcast_, port);
    ++l.next;
    scheduleNext(lane);
}

}  // namespace tavrel
