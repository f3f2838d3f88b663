// The simulated devices seen from the wire: frames built by hand, replies checked byte by byte.
#include <QtTest>
#include <algorithm>

#include "SimulatedDevices.h"

using namespace simtest;
using tavrel::sim::SimDevice;
using tavrel::sim::Simulator;

namespace {

bool validFrame(const QByteArray& f) {
    if (f.size() < 10 || !f.startsWith("H:") || !f.endsWith("E.")) return false;
    std::uint8_t sum = 0;
    for (int i = 0; i < f.size() - 3; ++i) sum = std::uint8_t(sum + at(f, i));
    return sum == at(f, f.size() - 3);
}

Key keyOf(const QByteArray& f) {
    const int k = int(f.size()) - 6;
    return {at(f, k), at(f, k + 1), at(f, k + 2)};
}

}  // namespace

class SimDeviceTest : public QObject {
    Q_OBJECT
  private slots:
    void searchReplyIsByteExactAndComesFromTheDevice();
    void readOutAnswersWithTheBlocksReplyCode();
    void framesForOtherKeysOrWithBadSumsAreIgnored();
    void blocksTheDeviceDoesNotHaveAreNotAnswered();
    void writesAreStagedUntilTheCommit();
    void restartDropsStagedWritesAndResetRestoresFactorySettings();
    void onePortDeviceTakesWritesAtOnce();
    void committedMacMovesTheKey();
    void refusingDeviceAnswers17AndKeepsItsSettings();
    void dropsEveryNthReply();
    void answersTwice();
    void reordersRepliesAndSendsAnotherKey();
    void losesAShareOfAllRepliesAsItsSeedSays();
    void silentDeviceLogsButNeverAnswers();
    void answersFromItsSourcePortAndTakesWritesThere();
    void fillsATableWith257Devices();
    void logKeepsOrderAndTimeOfFrames();
    void board302RecordCarriesWifiAndTiming();
    void imageRecordsPlaceKeyAndFields();
};

void SimDeviceTest::searchReplyIsByteExactAndComesFromTheDevice() {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,ip=127.0.0.5"});
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 1));
    const QNetworkDatagram reply = tool.received[0];  // a copy: more replies follow
    QCOMPARE(reply.data().toHex(' '),
             QByteArray("48 3a 52 50 56 31 34 33 53 34 31 30 01 00 00 00 00 00 00 00 00 00 05 00 45 2e"));
    QCOMPARE(reply.senderAddress(), loopback(5));
    QCOMPARE(reply.senderPort(), int(sim->devicePort()));

    // A subnet scan reaches the device at its own address too.
    QVERIFY(tool.exchange(searchRequest(), loopback(5), sim->devicePort(), 2));
    QCOMPARE(tool.received[1].data(), reply.data());
    QCOMPARE(sim->device(0)->framesReceived('R', 1), 2);
    QVERIFY(sim->device(0)->frames()[0].broadcast);
    QVERIFY(!sim->device(0)->frames()[1].broadcast);
}

void SimDeviceTest::readOutAnswersWithTheBlocksReplyCode() {
    auto sim = simulate({"kind=serial,ports=8,version=43,flag=1,ip=127.0.0.5"});
    const SimDevice& device = *sim->device(0);
    const Key key{0, 0, 5};
    const std::vector<std::pair<int, int>> codes = {
        {2, 81},   {3, 82},   {4, 83},   {5, 84},   {6, 85},   {7, 86},     {18, 87},   {19, 88},
        {20, 89},  {21, 96},  {10, 90},  {23, 97},  {24, 98},  {25, 99},    {32, 100},  {33, 101},
        {34, 102}, {36, 104}, {37, 105}, {38, 112}, {39, 113}, {40, 114},   {41, 115},  {48, 116},
        {49, 117}, {50, 118}, {51, 119}, {52, 120}, {54, 121}, {55, 144},   {56, 145},  {57, 146},
        {58, 147}, {59, 148}, {60, 149}, {61, 150}, {62, 151}, {0x43, 157}, {0x3F, 152}};
    Tool tool;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        QVERIFY2(tool.exchange(readRequest(std::uint8_t(codes[i].first), key), kBroadcast, sim->devicePort(),
                               i + 1),
                 qPrintable(QString("sub-code %1").arg(codes[i].first)));
        const QByteArray r = tool.received[i].data();
        QCOMPARE(r.size(), 26);
        QVERIFY(validFrame(r));
        QCOMPARE(int(at(r, 3)), codes[i].second);
        QCOMPARE(keyOf(r), key);
    }
    auto data = [&](std::size_t i) { return tool.received[i].data().mid(4, 16); };
    QCOMPARE(data(1).toHex(), QByteArray("00cac100000501000000000000000000"));  // MAC and static address
    QCOMPARE(data(2), QByteArray(reinterpret_cast<const char*>(device.port(1).serial.data()), 16));
    QCOMPARE(data(4).left(9), QByteArray("V143S810\x01", 9));
    QCOMPARE(data(5), QByteArray("admin\0\0\0admin\0\0\0", 16));
    QCOMPARE(data(38).toHex(), QByteArray("3c003c003c003c003c003c003c003c00"));  // eight intervals of 60 s
    QCOMPARE(data(37).toHex(), QByteArray("c800c800c800c800c800c800c800c800"));  // eight timeouts of 200 ms
}

void SimDeviceTest::framesForOtherKeysOrWithBadSumsAreIgnored() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5"});
    Tool tool;
    QByteArray badSum = readRequest(2, {0, 0, 5});
    badSum[23] = char(at(badSum, 23) + 1);
    QByteArray badTrailer = readRequest(2, {0, 0, 5});
    badTrailer[25] = 'x';
    tool.send(readRequest(2, {0, 0, 6}), kBroadcast, sim->devicePort());
    tool.send(badSum, kBroadcast, sim->devicePort());
    tool.send(badTrailer, kBroadcast, sim->devicePort());
    tool.send(readRequest(2, {0xC1, 0, 5}), kBroadcast, sim->devicePort());
    tool.send(QByteArray("H:"), kBroadcast, sim->devicePort());
    QVERIFY(tool.exchange(readRequest(7, {0, 0, 5}), kBroadcast, sim->devicePort(), 1));
    QCOMPARE(tool.received.size(), 1u);
    QCOMPARE(int(at(tool.received[0].data(), 3)), 86);
    QCOMPARE(sim->device(0)->rejectedFrames(), 3);
    QCOMPARE(sim->device(0)->frames().size(), 1u);
}

void SimDeviceTest::blocksTheDeviceDoesNotHaveAreNotAnswered() {
    // One port (ports 1-2 only), version 42 (no heartbeat data), no extra-query flag (no Modbus timeouts).
    auto sim = simulate({"kind=serial,ports=1,version=42,flag=0,ip=127.0.0.5"});
    const Key key{0, 0, 5};
    Tool tool;
    for (std::uint8_t sub : {55, 56, 0x43, 23, 24, 25, 49, 6 + 100})
        tool.send(readRequest(sub, key), kBroadcast, sim->devicePort());
    tool.send(write(23, QByteArray(16, '\x01'), key), kBroadcast, sim->devicePort());
    QVERIFY(tool.exchange(readRequest(21, key), kBroadcast, sim->devicePort(), 1));
    QCOMPARE(tool.received.size(), 1u);
    QCOMPARE(int(at(tool.received[0].data(), 3)), 96);
    QCOMPARE(sim->device(0)->frames().size(), 10u);  // all logged, though
}

void SimDeviceTest::writesAreStagedUntilTheCommit() {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,ip=127.0.0.5"});
    const SimDevice& device = *sim->device(0);
    const Key key{0, 0, 5};
    const quint16 port = sim->devicePort();
    Tool tool;
    const QByteArray serial = QByteArray::fromHex("0b020803020000000004d2162e020203");
    QVERIFY(tool.exchange(write(4, serial, key), kBroadcast, port, 1));
    QCOMPARE(tool.received[0].data().toHex(' '),
             QByteArray("48 3a 57 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 ee 45 2e"));
    QVERIFY(tool.exchange(write(33, "0123456789abcdef", key), kBroadcast, port, 2));
    QVERIFY(tool.exchange(write(34, "host.example", key), kBroadcast, port, 3));
    QVERIFY(tool.exchange(write(0x3F, QByteArray::fromHex("0a001400"), key), kBroadcast, port, 4));
    QVERIFY(tool.exchange(write(58, "ping", key), kBroadcast, port, 5));
    QCOMPARE(device.port(1).serial[0], 5);  // not yet
    QVERIFY(device.hasStagedChanges());

    QVERIFY(tool.exchange(readRequest(4, key), kBroadcast, port, 6));
    QCOMPARE(int(at(tool.received[5].data(), 4)), 5);

    QVERIFY(tool.exchange(command(0x49, key), kBroadcast, port, 7));
    QCOMPARE(int(at(tool.received[6].data(), 3)), 16);
    QVERIFY(!device.hasStagedChanges());
    QCOMPARE(device.port(1).serial[0], 11);
    QCOMPARE(tavrel::sim::localPortOf(device.port(1)), 5678);
    QCOMPARE(tavrel::sim::fieldText(device.port(4).host), std::string("0123456789abcdefhost.example"));
    QCOMPARE(device.port(1).heartbeatInterval, 10);
    QCOMPARE(device.port(2).heartbeatInterval, 20);
    QCOMPARE(device.port(3).heartbeatInterval, 0);
    QCOMPARE(tavrel::sim::fieldText(device.port(4).heartbeat), std::string("ping"));

    QVERIFY(tool.exchange(readRequest(4, key), kBroadcast, port, 8));
    QCOMPARE(tool.received[7].data().mid(4, 16), serial);
    QVERIFY(tool.exchange(readRequest(34, key), kBroadcast, port, 9));
    QCOMPARE(tool.received[8].data().mid(4, 16), QByteArray("host.example\0\0\0\0", 16));
}

void SimDeviceTest::restartDropsStagedWritesAndResetRestoresFactorySettings() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5"});
    const SimDevice& device = *sim->device(0);
    const auto factory = device.settings();
    const Key key{0, 0, 5};
    const quint16 port = sim->devicePort();
    const QByteArray account("guest\0\0\0secret\0\0", 16);
    Tool tool;
    QVERIFY(tool.exchange(write(7, account, key), kBroadcast, port, 1));
    tool.send(command(8, key), kBroadcast, port);  // restart: not answered
    QVERIFY(tool.exchange(command(0x49, key), kBroadcast, port, 2));
    QCOMPARE(device.settings(), factory);
    QCOMPARE(device.restarts(), 1);

    QVERIFY(tool.exchange(write(7, account, key), kBroadcast, port, 3));
    QVERIFY(tool.exchange(command(0x49, key), kBroadcast, port, 4));
    QVERIFY(tool.exchange(readRequest(7, key), kBroadcast, port, 5));
    QCOMPARE(tool.received[4].data().mid(4, 16), account);

    tool.send(command(9, key), kBroadcast, port);
    QVERIFY(tool.exchange(readRequest(7, key), kBroadcast, port, 6));
    QCOMPARE(tool.received[5].data().mid(4, 16), QByteArray("admin\0\0\0admin\0\0\0", 16));
    QCOMPARE(device.settings(), factory);
    QCOMPARE(device.factoryResets(), 1);
}

void SimDeviceTest::onePortDeviceTakesWritesAtOnce() {
    auto sim = simulate({"kind=serial,ports=1,ip=127.0.0.5"});
    const Key key{0, 0, 5};
    const QByteArray network = QByteArray::fromHex("0a000032ffff00000a00000108080808");
    Tool tool;
    QVERIFY(tool.exchange(write(2, network, key), kBroadcast, sim->devicePort(), 1));
    QCOMPARE(int(at(tool.received[0].data(), 3)), 16);
    QVERIFY(tool.exchange(readRequest(2, key), kBroadcast, sim->devicePort(), 2));
    QCOMPARE(tool.received[1].data().mid(4, 16), network);
    QVERIFY(!sim->device(0)->hasStagedChanges());
}

void SimDeviceTest::committedMacMovesTheKey() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5"});
    const quint16 port = sim->devicePort();
    Tool tool;
    QVERIFY(tool.exchange(write(3, QByteArray::fromHex("00cac1190033 02"), {0, 0, 5}), kBroadcast, port, 1));
    QVERIFY(tool.exchange(readRequest(2, {0, 0, 5}), kBroadcast, port, 2));  // old key until the commit
    QVERIFY(tool.exchange(command(0x49, {0, 0, 5}), kBroadcast, port, 3));
    QCOMPARE(sim->device(0)->key(), (tavrel::DeviceKey{0x19, 0x00, 0x33}));
    tool.send(readRequest(2, {0, 0, 5}), kBroadcast, port);
    QVERIFY(tool.exchange(readRequest(3, {0x19, 0x00, 0x33}), kBroadcast, port, 4));
    QCOMPARE(tool.received.size(), 4u);
    QCOMPARE(tool.received[3].data().mid(4, 7).toHex(), QByteArray("00cac119003302"));
    QCOMPARE(keyOf(tool.received[3].data()), (Key{0x19, 0x00, 0x33}));
}

void SimDeviceTest::refusingDeviceAnswers17AndKeepsItsSettings() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5,refuse"});
    const auto factory = sim->device(0)->settings();
    const Key key{0, 0, 5};
    Tool tool;
    QVERIFY(tool.exchange(write(4, QByteArray(16, '\x03'), key), kBroadcast, sim->devicePort(), 1));
    QVERIFY(tool.exchange(command(0x49, key), kBroadcast, sim->devicePort(), 2));
    QVERIFY(tool.exchange(command(9, key), kBroadcast, sim->devicePort(), 3));
    for (const auto& reply : tool.received) {
        QCOMPARE(int(at(reply.data(), 3)), 17);
        QVERIFY(validFrame(reply.data()));
    }
    QCOMPARE(sim->device(0)->settings(), factory);
    QVERIFY(!sim->device(0)->hasStagedChanges());
    QCOMPARE(sim->device(0)->factoryResets(), 0);
}

void SimDeviceTest::dropsEveryNthReply() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5,drop=3"});
    const Key key{0, 0, 5};
    Tool tool;
    for (std::uint8_t sub : {2, 3, 4, 5, 6, 7})
        tool.send(readRequest(sub, key), kBroadcast, sim->devicePort());
    QVERIFY(tool.waitFor(4));
    QVERIFY(QTest::qWaitFor([&] { return sim->device(0)->frames().size() == 6; }, 30000));
    QCOMPARE(sim->device(0)->repliesDropped(), 2);
    QCOMPARE(tool.received.size(), 4u);
    std::vector<int> codes;
    for (const auto& r : tool.received) codes.push_back(at(r.data(), 3));
    QCOMPARE(codes, (std::vector<int>{81, 82, 84, 85}));  // the 3rd and 6th replies are lost
}

void SimDeviceTest::reordersRepliesAndSendsAnotherKey() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5,reorder,alien=000009:2"});
    const Key key{0, 0, 5};
    Tool tool;
    tool.send(readRequest(2, key), kBroadcast, sim->devicePort());
    tool.send(readRequest(3, key), kBroadcast, sim->devicePort());
    QVERIFY(tool.waitFor(2));
    // The second reply overtakes the first, and it and every later one carry the other key.
    QCOMPARE(at(tool.received[0].data(), 3), 82);
    QCOMPARE(tool.received[0].data().mid(20, 3), QByteArray::fromHex("000009"));
    QCOMPARE(at(tool.received[1].data(), 3), 81);
    QCOMPARE(tool.received[1].data().mid(20, 3), QByteArray::fromHex("000005"));
    for (const auto& d : tool.received) {
        std::uint8_t sum = 0;
        for (int i = 0; i < 23; ++i) sum = static_cast<std::uint8_t>(sum + at(d.data(), i));
        QCOMPARE(at(d.data(), 23), sum);
    }
    // A reply with none after it is not held for ever.
    tool.send(readRequest(4, key), kBroadcast, sim->devicePort());
    QVERIFY(tool.waitFor(3));
    QCOMPARE(at(tool.received[2].data(), 3), 83);
}

void SimDeviceTest::losesAShareOfAllRepliesAsItsSeedSays() {
    // Searches and reads in turn; '-' marks a lost reply.
    auto lossPattern = [](const std::string& description) {
        auto sim = simulate({description.c_str()});
        const Key key{0, 0, 5};
        Tool tool;
        std::string pattern;
        for (std::size_t i = 0; i < 40; ++i) {
            const int droppedBefore = sim->device(0)->repliesDropped();
            tool.send(i % 2 ? readRequest(2, key) : searchRequest(), kBroadcast, sim->devicePort());
            if (!QTest::qWaitFor([&] { return sim->device(0)->frames().size() == i + 1; }, 30000))
                return std::string();
            pattern += sim->device(0)->repliesDropped() > droppedBefore ? '-' : 'o';
        }
        return pattern;
    };
    const std::string seven = lossPattern("kind=serial,ports=4,ip=127.0.0.5,loss=50,seed=7");
    QCOMPARE(seven.size(), 40u);
    QCOMPARE(lossPattern("kind=serial,ports=4,ip=127.0.0.5,loss=50,seed=7"), seven);
    QVERIFY(lossPattern("kind=serial,ports=4,ip=127.0.0.5,loss=50,seed=8") != seven);
    int lostSearches = 0;
    for (std::size_t i = 0; i < seven.size(); i += 2) lostSearches += seven[i] == '-';
    QVERIFY2(lostSearches > 2 && lostSearches < 18, seven.c_str());
    const auto lost = std::count(seven.begin(), seven.end(), '-');
    QVERIFY2(lost > 5 && lost < 35, seven.c_str());
}

void SimDeviceTest::answersTwice() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5,twice"});
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 2));
    QCOMPARE(tool.received[0].data(), tool.received[1].data());
    QCOMPARE(sim->device(0)->repliesSent(), 2);
}

void SimDeviceTest::silentDeviceLogsButNeverAnswers() {
    auto sim = simulate({"kind=serial,ip=127.0.0.5,silent", "kind=serial,ip=127.0.0.6"});
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 1));
    QVERIFY(QTest::qWaitFor([&] { return sim->device(0)->frames().size() == 1; }, 30000));
    QCOMPARE(tool.received.size(), 1u);
    QCOMPARE(tool.received[0].senderAddress(), loopback(6));
    QCOMPARE(sim->device(0)->repliesSent(), 0);

    // Options change at run time.
    auto options = sim->device(0)->options();
    options.silent = false;
    QVERIFY(sim->device(0)->setOptions(options));
    QVERIFY(tool.exchange(searchRequest(), loopback(5), sim->devicePort(), 2));
    QCOMPARE(tool.received[1].senderAddress(), loopback(5));
}

void SimDeviceTest::answersFromItsSourcePortAndTakesWritesThere() {
    const quint16 source = freePort();
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5"});
    auto options = sim->device(0)->options();
    options.sourcePort = source;
    QVERIFY(sim->device(0)->setOptions(options));
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 1));
    QCOMPARE(tool.received[0].senderAddress(), loopback(5));
    QCOMPARE(tool.received[0].senderPort(), int(source));

    // The tool sends writes to the broadcast address at the port the device answered from.
    QVERIFY(tool.exchange(write(7, "user", {0, 0, 5}), kBroadcast, source, 2));
    QCOMPARE(int(at(tool.received[1].data(), 3)), 16);
    QCOMPARE(tool.received[1].senderPort(), int(source));
    const auto& last = sim->device(0)->frames().back();
    QCOMPARE(last.localPort, source);
    QVERIFY(last.broadcast);
    QCOMPARE(sim->device(0)->replyPort(), source);
}

void SimDeviceTest::fillsATableWith257Devices() {
    auto sim = simulate({"kind=serial,count=257"});
    QCOMPARE(sim->deviceCount(), 257u);
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 257));
    std::set<QString> senders;
    std::set<Key> keys;
    for (const auto& r : tool.received) {
        senders.insert(r.senderAddress().toString());
        keys.insert(keyOf(r.data()));
    }
    QCOMPARE(senders.size(), 257u);
    QCOMPARE(keys.size(), 257u);
    QVERIFY(senders.count("127.0.1.4"));
    QVERIFY(!senders.count("127.0.0.255"));

    // A scan of one host reaches that device alone.
    const QHostAddress host(QStringLiteral("127.0.1.4"));
    QVERIFY(tool.exchange(searchRequest(), host, sim->devicePort(), 258));
    QCOMPARE(tool.received.back().senderAddress(), host);
    QCOMPARE(sim->deviceAt(host)->framesReceived('R', 1), 2);
}

void SimDeviceTest::logKeepsOrderAndTimeOfFrames() {
    auto sim = simulate({"kind=serial,ports=4,ip=127.0.0.5"});
    Tool tool;
    for (std::uint8_t sub : {2, 3, 0x3F, 10})
        tool.send(readRequest(sub, {0, 0, 5}), loopback(5), sim->devicePort());
    QVERIFY(tool.waitFor(4));
    const auto& frames = sim->device(0)->frames();
    QCOMPARE(frames.size(), 4u);
    std::vector<int> subs;
    for (const auto& f : frames) subs.push_back(f.subCode);
    QCOMPARE(subs, (std::vector<int>{2, 3, 0x3F, 10}));
    for (std::size_t i = 1; i < frames.size(); ++i) QVERIFY(frames[i].at >= frames[i - 1].at);
    QCOMPARE(frames[2].bytes.size(), 26u);
    QCOMPARE(int(frames[2].op), int('R'));
    sim->device(0)->clearLog();
    QVERIFY(sim->device(0)->frames().empty());
}

void SimDeviceTest::board302RecordCarriesWifiAndTiming() {
    auto sim = simulate({"kind=302,timing,ip=127.0.0.7", "kind=302,ip=127.0.0.8"});
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 2));
    for (const auto& reply : tool.received) {
        const QByteArray r = reply.data();
        const bool timing = reply.senderAddress() == loopback(7);
        QCOMPARE(r.size(), 302);
        QVERIFY(r.startsWith("H:RP"));
        QVERIFY(validFrame(r));
        QCOMPARE(keyOf(r), (Key{0, 0, std::uint8_t(timing ? 7 : 8)}));
        const QByteArray p = r.mid(4, 292);
        QCOMPARE(int(at(p, 1)), 2);  // station mode
        QCOMPARE(p.mid(66, 12), QByteArray("Office-WiFi\0", 12));
        QCOMPARE(p.mid(114, 7).toHex(), QByteArray(timing ? "00cac10000070"
                                                            "1"
                                                          : "00cac10000080"
                                                            "1"));
        QCOMPARE(p.mid(137, 8), QByteArray("V142N110"));
        QCOMPARE(p.mid(154, 5).toHex(), QByteArray("0501080101"));
        QCOMPARE(p.mid(162, 2).toHex(), QByteArray("8c4e"));  // local port 20108, little-endian
        QCOMPARE(int(std::int8_t(at(p, 224))), -60);
        QCOMPARE(int(at(p, 227)), timing ? 1 : 0);
    }
    // Boards take no 26-byte writes.
    QVERIFY(tool.exchange(write(7, "user", {0, 0, 7}), kBroadcast, sim->devicePort(), 2));
    QVERIFY(tool.exchange(searchRequest(), loopback(7), sim->devicePort(), 3));
    QCOMPARE(tool.received.size(), 3u);
    QCOMPARE(sim->device(0)->framesReceived('W', 7), 1);
}

void SimDeviceTest::imageRecordsPlaceKeyAndFields() {
    auto sim = simulate({"kind=830,ip=127.0.0.9", "kind=866,ip=127.0.0.10", "kind=250,ip=127.0.0.11"});
    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, sim->devicePort(), 3));
    std::map<int, QByteArray> bySize;
    for (const auto& reply : tool.received) bySize[int(reply.data().size())] = reply.data();
    QCOMPARE(bySize.size(), 3u);
    for (auto& [size, r] : bySize) {
        QVERIFY(r.startsWith(QByteArray("H:R\x01", 4)));
        QVERIFY(validFrame(r));
        const int host = size == 830 ? 9 : size == 866 ? 10 : 11;
        QCOMPARE(keyOf(r), (Key{0, 0, std::uint8_t(host)}));
        const QByteArray p = r.mid(4);
        QCOMPARE(p.left(4).toHex(), QByteArray("80250000"));  // 9600
        QCOMPARE(p.mid(52, 16).toHex(),
                 QString("c0a801%1c0a80101ffffff00c0a80101").arg(host, 2, 16, QChar('0')).toLatin1());
        QCOMPARE(p.mid(72, 6).toHex(), QString("00cac10000%1").arg(host, 2, 16, QChar('0')).toLatin1());
        QCOMPARE(p.mid(78, 4), QByteArray("V142"));
        QCOMPARE(int(at(p, 125)), size == 250 ? 0 : 1);
        QCOMPARE(int(at(p, 159)), size == 250 ? 0 : int('D'));
    }
    QCOMPARE(bySize[866].mid(4 + 789, 11), QByteArray("CLOUD100010"));
    QCOMPARE(bySize[830].mid(4 + 792, 28), QByteArray(28, '\0'));
}

QTEST_GUILESS_MAIN(SimDeviceTest)
#include "SimDeviceTest.moc"
