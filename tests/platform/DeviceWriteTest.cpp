// The write workflow against simulated devices, with short deadlines: each outcome once.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

#include <QtNetwork/QUdpSocket>

#include "DeviceDescription.h"
#include "DeviceLock.h"
#include "DeviceReread.h"
#include "DeviceSession.h"
#include "DeviceWrite.h"
#include "Simulator.h"
#include "profiles/Snapshots.h"
#include "protocol/Commands.h"
#include "settings/NetworkForm.h"
#include "util/Paths.h"

using namespace tavrel;

namespace {

std::unique_ptr<sim::Simulator> simulate(const char* text) {
    auto simulator = std::make_unique<sim::Simulator>();
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    simulator->setDevicePort(probe.localPort());
    std::string error;
    const auto description = sim::parseDeviceDescription(text, error);
    const auto configs = sim::expandDescriptions({*description}, error);
    for (const auto& config : *configs) simulator->addDevice(config, nullptr);
    return simulator;
}

// Found and read whole; every write of it runs with deadlines a test can wait out.
struct Bench {
    QTemporaryDir home;
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<DeviceReread> reread;
    std::unique_ptr<DeviceWrite> writer;
    UiTexts texts;

    explicit Bench(const char* description) {
        texts.loadEnglish();
        qputenv("TAVREL_HOME", home.path().toLocal8Bit());
        simulator = simulate(description);
        NetworkSettings settings;
        settings.broadcast = "127.255.255.255";
        settings.bindAddress = "127.0.0.1";
        settings.localPort = 0;
        settings.devicePort = simulator->devicePort();
        session = std::make_unique<DeviceSession>(settings);
        reread = std::make_unique<DeviceReread>(*session);
        writer = std::make_unique<DeviceWrite>(*session, *reread, texts);
        writer->setTimings({300, 100, 5000});
        EXPECT_TRUE(session->openSocket());
        session->startBroadcastSearch(QStringLiteral("127.255.255.255"));
        EXPECT_TRUE(until([&] {
            return session->table().usedCount() == 1 && session->table().progress(0).complete() &&
                   session->pendingReadouts() == 0;
        }));
        session->stopSearch();
    }
    static bool until(const std::function<bool()>& done) {
        QDeadlineTimer deadline(30000);
        while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    sim::SimDevice& device() { return *simulator->device(0); }
    // Port 1 at 1200 baud, as the port save sends it.
    WriteRequest portSave() {
        WriteRequest request;
        request.entry = 0;
        request.expected = session->table()[0];
        request.expected.ports[0].baudRate = 3;
        request.plan = savePortsCommand(&request.expected).plan;
        request.scope = WriteScope::Ports;
        return request;
    }
    int writeFrames() const {
        return static_cast<int>(std::count_if(simulator->device(0)->frames().begin(),
                                              simulator->device(0)->frames().end(),
                                              [](const auto& f) { return f.op == 'W'; }));
    }
};

}  // namespace

TEST(DeviceWrite, AnsweredWriteIsReadAgainComparedAndKeptAsASnapshot) {
    Bench b("kind=serial,ports=4,version=43,flag=1");
    const WriteOutcome o = runWrite(*b.writer, b.portSave());
    EXPECT_EQ(o.result, WriteResult::Verified) << writeOutcomeText(o, b.texts);
    EXPECT_EQ(o.entryAfter, 0);
    EXPECT_EQ(sim::baudIndex(b.device().port(1)), 3);
    EXPECT_TRUE(o.snapshotKept);
    EXPECT_EQ(listSnapshots(resolvePaths().profileFolder, b.session->table()[0].mac).size(), 1u);

    // A device that takes the write and keeps its old values: named, not called done.
    sim::SimOptions ignoring;
    ignoring.ignoreWrites = true;
    b.device().setOptions(ignoring);
    WriteRequest packedLike = b.portSave();
    packedLike.expected.ports[0].baudRate = 5;
    packedLike.plan = savePortsCommand(&packedLike.expected).plan;
    packedLike.answer = AnswerRule::Optional;
    const WriteOutcome kept = runWrite(*b.writer, std::move(packedLike));
    EXPECT_EQ(kept.result, WriteResult::Differs);
    EXPECT_EQ(kept.differences, std::vector<std::string>{"Port1 BitRate"});
}

// Only this device's answer to the last frame counts; any refusal counts.
TEST(DeviceWrite, TheLastFrameMustBeAnsweredByThisDevice) {
    struct Case {
        const char* name;
        std::function<void(sim::SimDevice&, int frames, int seen)> onWrite;  // before the device answers
        WriteResult expected;
    };
    const std::vector<Case> cases = {
        {"last frame unanswered",
         [](sim::SimDevice& d, int frames, int seen) {
             sim::SimOptions o;
             o.silent = seen == frames;
             d.setOptions(o);
         },
         WriteResult::NotBack},
        {"answers under another key",
         [](sim::SimDevice& d, int, int) {
             sim::SimOptions o;
             o.alienReply = 1;
             o.alienKey = {0x11, 0x22, 0x33};
             d.setOptions(o);
         },
         WriteResult::NoAnswer},
        {"refuses",
         [](sim::SimDevice& d, int, int) {
             sim::SimOptions o;
             o.refuse = true;
             d.setOptions(o);
         },
         WriteResult::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b("kind=serial,ports=4,version=43,flag=1");
        WriteRequest request = b.portSave();
        const int frames = static_cast<int>(request.plan.size());
        int seen = 0;
        QObject::connect(&b.device(), &sim::SimDevice::frameReceived, &b.device(),
                         [&](const sim::ReceivedFrame& f) {
                             if (f.op == 'W') c.onWrite(b.device(), frames, ++seen);
                         });
        const WriteOutcome o = runWrite(*b.writer, std::move(request));
        EXPECT_FALSE(o.done()) << writeOutcomeText(o, b.texts);
        // The ack of the frame before the last may come after it left: then the re-read says it.
        if (c.expected == WriteResult::NotBack)
            EXPECT_TRUE(o.result == WriteResult::NotBack || o.result == WriteResult::NoAnswer);
        else
            EXPECT_EQ(o.result, c.expected) << writeOutcomeText(o, b.texts);
    }
}

TEST(DeviceWrite, ANewMacIsFollowedToTheDevicesNewEntry) {
    Bench b("kind=serial,ports=4,version=43,flag=1");
    WriteRequest request;
    request.entry = 0;
    request.expected = b.session->table()[0];
    NetworkFormInput form = networkFormOf(request.expected);
    form.mac = "00-CA-C1-12-34-56";
    request.plan = saveNetworkCommand(&request.expected, form, 9).plan;
    request.scope = WriteScope::Network;
    const WriteOutcome o = runWrite(*b.writer, std::move(request));
    ASSERT_EQ(o.result, WriteResult::Verified) << writeOutcomeText(o, b.texts);
    ASSERT_NE(o.entryAfter, 0);
    EXPECT_EQ(macText(b.session->table()[static_cast<std::size_t>(o.entryAfter)].mac), "00-CA-C1-12-34-56");
}

// Nothing goes out for a device read incompletely, or written by another copy since it was read.
TEST(DeviceWrite, RefusedBeforeSending) {
    Bench b("kind=serial,ports=4,version=43,flag=1");
    b.session->table().progress(0).received.reset();
    EXPECT_EQ(runWrite(*b.writer, b.portSave()).result, WriteResult::NotSent);
    WriteRequest forced = b.portSave();
    forced.forced = true;
    forced.reread = RereadRule::None;
    EXPECT_EQ(runWrite(*b.writer, std::move(forced)).result, WriteResult::Unverified);

    const int framesBefore = b.writeFrames();
    QFile stamp(DeviceLock::folder() + '/' + QString::fromStdString(macText(b.session->table()[0].mac)) +
                ".written");
    ASSERT_TRUE(stamp.open(QIODevice::WriteOnly));
    stamp.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch() + 60000) + " 1");
    stamp.close();
    WriteRequest stale = b.portSave();
    stale.forced = true;
    const WriteOutcome o = runWrite(*b.writer, std::move(stale));
    EXPECT_EQ(o.result, WriteResult::NotSent);
    EXPECT_EQ(o.reason, b.texts.deviceChangedSinceRead);
    EXPECT_EQ(b.writeFrames(), framesBefore);
}
