#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

#include "ProtocolSocket.h"
#include "Sequencer.h"

using namespace tavrel;

namespace {

// Frames sent to a loopback receiver; the sequence number rides in byte 0.
struct Rig {
    QUdpSocket receiver;
    ProtocolSocket socket;
    Sequencer sequencer{socket};
    std::vector<std::pair<int, qint64>> received;  // (marker, ms since start)
    QElapsedTimer clock;

    Rig() {
        receiver.bind(QHostAddress::LocalHost, 0);
        socket.open(QHostAddress::LocalHost, 0);
        sequencer.setTarget(QHostAddress::LocalHost, receiver.localPort());
        QObject::connect(&receiver, &QUdpSocket::readyRead, [this] {
            while (receiver.hasPendingDatagrams()) {
                auto d = receiver.receiveDatagram();
                received.emplace_back(static_cast<std::uint8_t>(d.data()[0]), clock.elapsed());
            }
        });
        clock.start();
    }
    Step step(int marker, int gapMs) {
        return Step{gapMs, {static_cast<std::uint8_t>(marker)}, Destination::BroadcastDevicePort, 0};
    }
    bool waitFor(std::size_t count, int ms = 30000) {
        QDeadlineTimer deadline(ms);
        while (received.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return received.size() >= count;
    }
    std::vector<int> markers() const {
        std::vector<int> out;
        for (auto& r : received) out.push_back(r.first);
        return out;
    }
};

}  // namespace

TEST(Sequencer, PlansOfOneLaneNeverInterleave) {
    Rig rig;
    int done = 0;
    rig.sequencer.play("dev", {rig.step(1, 0), rig.step(2, 20), rig.step(3, 20)}, [&] { ++done; });
    rig.sequencer.play("dev", {rig.step(4, 0), rig.step(5, 0)}, [&] { ++done; });
    ASSERT_TRUE(rig.waitFor(5));
    EXPECT_EQ(rig.markers(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(done, 2);
    // Gaps are lower bounds: the second frame never goes before its pause is over.
    EXPECT_GE(rig.received[1].second - rig.received[0].second, 15);
    EXPECT_TRUE(rig.sequencer.isIdle());
}

// A step for the reply port goes to the port it names, not the device port; the sequencer says it
// is idle once, when the last lane is through.
TEST(Sequencer, ReplyPortStepsAndTheIdleSignal) {
    Rig rig;
    QUdpSocket replyPort;
    ASSERT_TRUE(replyPort.bind(QHostAddress::LocalHost, 0));
    int idle = 0;
    QObject::connect(&rig.sequencer, &Sequencer::idle, [&] { ++idle; });
    rig.sequencer.play("a", {rig.step(1, 0),
                             Step{40, {7}, Destination::BroadcastReplyPort, replyPort.localPort()},
                             rig.step(2, 0)});
    rig.sequencer.play("b", {rig.step(3, 0)});
    ASSERT_TRUE(rig.waitFor(3));
    QDeadlineTimer deadline(30000);
    while ((!replyPort.hasPendingDatagrams() || idle == 0) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(replyPort.hasPendingDatagrams());
    EXPECT_EQ(replyPort.receiveDatagram().data(), QByteArray(1, char(7)));
    EXPECT_EQ(rig.markers().size(), 3u) << "nothing for the reply port reached the device port";
    EXPECT_EQ(idle, 1);
    EXPECT_TRUE(rig.sequencer.isIdle());
}

TEST(Sequencer, LanesOverlapUpToEightAtOnce) {
    Rig rig;
    // Nine lanes, each a quick frame then a long pause: the ninth can only start when one ends.
    for (int lane = 0; lane < 9; ++lane)
        rig.sequencer.play(QString::number(lane), {rig.step(lane, 0), rig.step(100 + lane, 300)});
    EXPECT_EQ(rig.sequencer.runningCount(), Sequencer::kMaxConcurrent);
    ASSERT_TRUE(rig.waitFor(18));
    auto m = rig.markers();
    auto firstOfNinth = std::find(m.begin(), m.end(), 8) - m.begin();
    auto firstEnd = std::find_if(m.begin(), m.end(), [](int v) { return v >= 100; }) - m.begin();
    EXPECT_GT(firstOfNinth, firstEnd);
    EXPECT_TRUE(rig.sequencer.isIdle());
}

TEST(Sequencer, CancelDropsTheLaneAndFreesItsSlot) {
    Rig rig;
    bool called = false;
    rig.sequencer.play("a", {rig.step(1, 0), rig.step(2, 200)}, [&] { called = true; });
    rig.sequencer.play("b", {rig.step(3, 0)});
    ASSERT_TRUE(rig.waitFor(2));
    rig.sequencer.cancel("a");
    QDeadlineTimer settle(400);
    while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(rig.markers().size(), 2u);
    EXPECT_FALSE(called);
    EXPECT_TRUE(rig.sequencer.isIdle());
    EXPECT_EQ(rig.sequencer.runningCount(), 0);
    // No timer outlives its lane, cancelled or through: a long session does not pile them up.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(rig.sequencer.findChildren<QTimer*>().isEmpty());

    // With every slot taken by a lane that pauses for a minute, the slot a cancel frees goes to the
    // lane waiting for one at once.
    rig.received.clear();
    for (int lane = 0; lane < Sequencer::kMaxConcurrent; ++lane)
        rig.sequencer.play(QString("long%1").arg(lane), {rig.step(lane, 0), rig.step(100 + lane, 60000)});
    rig.sequencer.play("waiting", {rig.step(50, 0)});
    ASSERT_TRUE(rig.waitFor(Sequencer::kMaxConcurrent));
    rig.sequencer.cancel("long3");
    ASSERT_TRUE(rig.waitFor(Sequencer::kMaxConcurrent + 1));
    EXPECT_EQ(rig.markers().back(), 50);
    for (int lane = 0; lane < Sequencer::kMaxConcurrent; ++lane)
        rig.sequencer.cancel(QString("long%1").arg(lane));
    EXPECT_TRUE(rig.sequencer.isIdle());
}

TEST(Sequencer, LanesBeyondTheLimitStartInTheOrderQueued) {
    Rig rig;
    constexpr int kLanes = 12;
    for (int lane = 0; lane < kLanes; ++lane)
        rig.sequencer.play(QString("lane%1").arg(lane), {rig.step(lane, 0), rig.step(100 + lane, 150)});
    ASSERT_TRUE(rig.waitFor(2 * kLanes));
    auto m = rig.markers();
    std::vector<int> firstFrames;
    for (int v : m)
        if (v < 100) firstFrames.push_back(v);
    std::vector<int> queued(kLanes);
    std::iota(queued.begin(), queued.end(), 0);
    EXPECT_EQ(firstFrames, queued);
    EXPECT_TRUE(rig.sequencer.isIdle());
    EXPECT_EQ(rig.sequencer.runningCount(), 0);
}

// A lane cancelled while it waits for a slot and played again waits behind those queued meanwhile.
TEST(Sequencer, ALaneCancelledWhileQueuedQueuesAgainAtTheBack) {
    Rig rig;
    for (int lane = 0; lane < Sequencer::kMaxConcurrent; ++lane)
        rig.sequencer.play(QString("lane%1").arg(lane), {rig.step(lane, 0), rig.step(100 + lane, 150)});
    rig.sequencer.play("late", {rig.step(50, 0)});
    rig.sequencer.play("next", {rig.step(51, 0)});
    rig.sequencer.cancel("late");
    rig.sequencer.play("last", {rig.step(52, 0)});
    rig.sequencer.play("late", {rig.step(53, 0)});
    ASSERT_TRUE(rig.waitFor(2 * Sequencer::kMaxConcurrent + 3));
    std::vector<int> queued;
    for (int v : rig.markers())
        if (v >= 50 && v < 100) queued.push_back(v);
    EXPECT_EQ(queued, (std::vector<int>{51, 52, 53}));
}

// A plan's `done` that restarts its own lane, the way a read-out is restarted or saves are chained.
TEST(Sequencer, DoneMayCancelItsLaneAndQueueAFreshPlan) {
    Rig rig;
    int firstDone = 0, secondDone = 0, droppedDone = 0;
    rig.sequencer.play("dev", {rig.step(1, 0)}, [&] {
        ++firstDone;
        rig.sequencer.cancel("dev");
        rig.sequencer.play("dev", {rig.step(2, 10), rig.step(3, 10)}, [&] { ++secondDone; });
    });
    rig.sequencer.play("dev", {rig.step(9, 0)}, [&] { ++droppedDone; });  // cancelled by the first
    rig.sequencer.play("other", {rig.step(4, 0)});
    ASSERT_TRUE(rig.waitFor(4));
    QDeadlineTimer settle(200);
    while (!settle.hasExpired() || !rig.sequencer.isIdle())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    auto m = rig.markers();
    std::sort(m.begin(), m.end());
    EXPECT_EQ(m, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(firstDone, 1);
    EXPECT_EQ(secondDone, 1);
    EXPECT_EQ(droppedDone, 0);
    EXPECT_EQ(rig.sequencer.runningCount(), 0);
}

TEST(Sequencer, DoneMayQueueMoreOnItsOwnLane) {
    Rig rig;
    int done = 0;
    std::function<void()> again = [&] {
        if (++done < 3) rig.sequencer.play("dev", {rig.step(done, 0)}, again);
    };
    rig.sequencer.play("dev", {rig.step(0, 0)}, again);
    ASSERT_TRUE(rig.waitFor(3));
    QDeadlineTimer deadline(30000);
    while (!rig.sequencer.isIdle() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(rig.markers(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(done, 3);
    EXPECT_TRUE(rig.sequencer.isIdle());
    EXPECT_EQ(rig.sequencer.runningCount(), 0);
}

TEST(Sequencer, CancelFromTheSocketsSentSignalStopsTheLane) {
    Rig rig;
    QObject::connect(&rig.socket, &ProtocolSocket::sent, &rig.socket, [&](const QByteArray& data) {
        if (!data.isEmpty() && data[0] == 1) rig.sequencer.cancel("dev");
    });
    rig.sequencer.play("dev", {rig.step(1, 0), rig.step(2, 0)});
    rig.sequencer.play("other", {rig.step(3, 20)});
    ASSERT_TRUE(rig.waitFor(2));
    QDeadlineTimer settle(200);
    while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    auto m = rig.markers();
    std::sort(m.begin(), m.end());
    EXPECT_EQ(m, (std::vector<int>{1, 3}));
    EXPECT_TRUE(rig.sequencer.isIdle());
    EXPECT_EQ(rig.sequencer.runningCount(), 0);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
