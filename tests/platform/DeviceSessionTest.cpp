// The session's receive path over a real loopback socket: what reaches the reply handling.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtNetwork/QUdpSocket>
#include <functional>

#include "DeviceReread.h"
#include "DeviceSession.h"
#include "HostAddress.h"
#include "Simulator.h"
#include "protocol/Requests.h"

using namespace tavrel;

namespace {

// Runs the event loop until `done` holds or the generous deadline passes; says whether it holds.
bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QByteArray wifiScanDatagram(int length) {
    QByteArray d(length, 'n');
    d[0] = 'H';
    d[1] = ':';
    d[2] = 'R';
    d[3] = char(0x9F);
    return d;
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

NetworkSettings loopbackSettings(quint16 devicePort) {
    NetworkSettings settings;
    settings.broadcast = "127.255.255.255";
    settings.bindAddress = "127.0.0.1";
    settings.localPort = 0;
    settings.devicePort = devicePort;
    return settings;
}

// One simulated serial server at 127.0.0.`host` and a session bound to loopback to find it.
struct OneDevice {
    sim::Simulator simulator;
    sim::SimDevice* device = nullptr;
    DeviceSession session;
    bool opened = false;
    explicit OneDevice(std::uint8_t host, char ports = '1') : session(loopbackSettings(setPort(simulator))) {
        sim::SimDeviceConfig config;
        config.portCountChar = ports;
        config.address = {127, 0, 0, host};
        config.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, host};
        device = simulator.addDevice(config);
        opened = session.openSocket();
    }
    bool ready() const { return device != nullptr && opened; }
    static quint16 setPort(sim::Simulator& simulator) {
        simulator.setDevicePort(freeUdpPort());
        return simulator.devicePort();
    }
};

}  // namespace

TEST(DeviceSession, DatagramsLongerThanTheReceiveBufferAreDroppedNotCut) {
    NetworkSettings settings;
    settings.broadcast = "127.255.255.255";
    settings.bindAddress = "127.0.0.1";
    settings.localPort = 0;
    DeviceSession session(settings);
    ASSERT_TRUE(session.openSocket());
    std::vector<int> lengths;
    QObject::connect(&session, &DeviceSession::wifiScanResult,
                     [&](const QByteArray& d) { lengths.push_back(static_cast<int>(d.size())); });

    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress::LocalHost, 0));
    const quint16 port = session.socket().localPort();
    // Cut to 1,024 bytes the first would pass for a full-sized scan result.
    for (int length : {1025, 1500, 1024, 40})
        device.writeDatagram(wifiScanDatagram(length), QHostAddress::LocalHost, port);

    waitUntil([&] { return lengths.size() >= 2; });
    EXPECT_EQ(lengths, (std::vector<int>{1024, 40}));
}

TEST(DeviceSession, AddressTextsAreDecimalWhateverTheirLeadingZeros) {
    EXPECT_EQ(ipv4HostAddress("010.0.0.1"), QHostAddress(QStringLiteral("10.0.0.1")));
    EXPECT_EQ(ipv4HostAddress("127.000.0.010"), QHostAddress(QStringLiteral("127.0.0.10")));
    EXPECT_EQ(ipv4HostAddress("127.0.0.08"), QHostAddress(QStringLiteral("127.0.0.8")));
    for (const char* bad : {"", "127.0.0", "127.0.0.256", "::1", "host"})
        EXPECT_TRUE(ipv4HostAddress(bad).isNull()) << bad;

    // A scan host typed with a leading zero goes to the host of that decimal number.
    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress(QStringLiteral("127.0.0.10")), 0));
    NetworkSettings settings;
    settings.broadcast = "127.255.255.255";
    settings.bindAddress = "127.0.0.1";
    settings.localPort = 0;
    settings.devicePort = device.localPort();
    DeviceSession session(settings);
    ASSERT_TRUE(session.openSocket());
    session.sendSearch(QStringLiteral("127.0.0.010"));
    EXPECT_TRUE(waitUntil([&] { return device.hasPendingDatagrams(); }));
}

// The read-out of the search before waits for its re-request round when the search starts again; the
// round must not run for (or report on) whatever the emptied table holds by then.
TEST(DeviceSession, SearchStartedAgainEndsTheOldReadoutQuietly) {
    OneDevice bench(31);
    ASSERT_TRUE(bench.ready());
    sim::SimDevice* device = bench.device;
    DeviceSession& session = bench.session;

    bool restarted = false;
    std::vector<int> settledAfter;
    QObject::connect(&session, &DeviceSession::readoutSent, [&](int) {
        if (restarted) return;
        restarted = true;
        sim::SimOptions silent = device->options();
        silent.silent = true;
        device->setOptions(silent);
        session.startBroadcastSearch(QStringLiteral("127.255.255.255"));
    });
    QObject::connect(&session, &DeviceSession::readoutSettled, [&](int entry) {
        if (restarted) settledAfter.push_back(entry);
    });
    session.startBroadcastSearch(QStringLiteral("127.255.255.255"));

    waitUntil([&] { return restarted && session.pendingReadouts() == 0; });
    ASSERT_TRUE(restarted);
    EXPECT_EQ(session.pendingReadouts(), 0);
    EXPECT_EQ(session.table().usedCount(), 0u);
    EXPECT_TRUE(settledAfter.empty());
}

// Every third reply lost: each search's read-out gets its own rounds of asking again, not what the
// searches before left of them.
TEST(DeviceSession, ADeviceThatLosesRepliesIsReadWholeOnEverySearch) {
    OneDevice bench(33, '8');
    ASSERT_TRUE(bench.ready());
    sim::SimOptions lossy;
    lossy.dropEvery = 3;
    bench.device->setOptions(lossy);
    DeviceSession& session = bench.session;
    int settled = 0;
    QObject::connect(&session, &DeviceSession::readoutSettled, [&](int) { ++settled; });
    for (int search = 1; search <= 3; ++search) {
        session.startBroadcastSearch(QStringLiteral("127.255.255.255"));
        ASSERT_TRUE(waitUntil([&] { return settled == search; })) << "search " << search;
        session.stopSearch();
        EXPECT_TRUE(session.table().progress(0).complete()) << "search " << search;
    }
    EXPECT_GT(bench.device->repliesDropped(), 0);
}

// What the session tells its owner of one device found and then written to, in the order it happens:
// the row, the read-out sent, the device ready and settled, the search's end, then the write's answer.
TEST(DeviceSession, ASearchAndAWriteAreReportedInOrder) {
    OneDevice bench(32);
    ASSERT_TRUE(bench.ready());
    sim::SimDevice* device = bench.device;
    DeviceSession& session = bench.session;

    QStringList events;
    QObject::connect(&session, &DeviceSession::rowAdded, [&](int i) { events << QStringLiteral("row %1").arg(i); });
    QObject::connect(&session, &DeviceSession::readoutSent, [&](int i) { events << QStringLiteral("sent %1").arg(i); });
    QObject::connect(&session, &DeviceSession::deviceReady, [&](int i) { events << QStringLiteral("ready %1").arg(i); });
    QObject::connect(&session, &DeviceSession::readoutSettled,
                     [&](int i) { events << QStringLiteral("settled %1").arg(i); });
    QObject::connect(&session, &DeviceSession::deviceUpdated,
                     [&](int i) { events << QStringLiteral("updated %1").arg(i); });
    QObject::connect(&session, &DeviceSession::searchTimedOut, [&] { events << QStringLiteral("timed out"); });
    QObject::connect(&session, &DeviceSession::statusMessage, [&](int part, StatusMessage m) {
        events << QStringLiteral("status %1 %2").arg(part).arg(static_cast<int>(m));
    });
    QObject::connect(&session, &DeviceSession::writeAnswered, [&](const QString& key, bool accepted) {
        events << QStringLiteral("answered %1 %2").arg(key).arg(accepted);
    });
    auto waitFor = [&](const QString& event) { return waitUntil([&] { return events.contains(event); }); };
    session.startBroadcastSearch(QStringLiteral("127.255.255.255"));
    ASSERT_TRUE(waitFor(QStringLiteral("settled 0"))) << events.join(", ").toStdString();
    session.stopSearch();
    EXPECT_FALSE(session.searching());
    EXPECT_EQ(session.pendingReadouts(), 0);
    EXPECT_EQ(session.table().usedCount(), 1u);
    EXPECT_EQ(session.table()[0].sourceAddress, "127.0.0.32");
    // However often the search was answered: one row, read out once, shown once.
    EXPECT_EQ(events.front(), "row 0");
    EXPECT_EQ(events.count("ready 0"), 1);
    EXPECT_EQ(events.count("settled 0"), 1);
    EXPECT_LT(events.indexOf("sent 0"), events.indexOf("ready 0"));
    EXPECT_LT(events.indexOf("ready 0"), events.indexOf("settled 0"));
    EXPECT_EQ(events.filter(QStringLiteral("status")), QStringList(events.filter(QStringLiteral("status")).size(),
                                                                      QStringLiteral("status 0 1")));
    EXPECT_FALSE(events.contains("updated 0")) << "nothing was missing";

    // A write the device takes, then one it refuses: each answer names the device and says which.
    const DeviceRecord& r = session.table()[0];
    auto write = [&] {
        events.clear();
        session.play(0, Plan{Step{0, writeIoOptionsRequest(r.key, 1, 0), Destination::BroadcastReplyPort, r.replyPort}});
    };
    write();
    ASSERT_TRUE(waitFor(QStringLiteral("answered 000020 1"))) << events.join(", ").toStdString();
    EXPECT_EQ(events, (QStringList{"status 2 2", "answered 000020 1"}));
    sim::SimOptions refuse;
    refuse.refuse = true;
    device->setOptions(refuse);
    write();
    ASSERT_TRUE(waitFor(QStringLiteral("answered 000020 0"))) << events.join(", ").toStdString();
    EXPECT_EQ(events, (QStringList{"status 2 3", "answered 000020 0"}));

    // Read again after the write: shown once its last block is in, and nothing of it before.
    device->setOptions({});
    events.clear();
    DeviceReread reread(session);
    QObject::connect(&reread, &DeviceReread::back,
                     [&](int i) { events << QStringLiteral("back %1").arg(i); });
    QObject::connect(&reread, &DeviceReread::started,
                     [&](int i) { events << QStringLiteral("started %1").arg(i); });
    // No entry before the first or past the table is read again.
    reread.start(-1);
    reread.start(static_cast<int>(session.table().size()));
    EXPECT_TRUE(events.filter(QStringLiteral("started")).isEmpty()) << events.join(", ").toStdString();
    reread.start(0);
    ASSERT_TRUE(waitFor(QStringLiteral("back 0"))) << events.join(", ").toStdString();
    EXPECT_EQ(events.count("ready 0"), 1) << events.join(", ").toStdString();
    const auto firstUpdate = events.indexOf("updated 0");
    EXPECT_TRUE(firstUpdate < 0 || firstUpdate > events.indexOf("ready 0"))
        << events.join(", ").toStdString();
}
