// The 302 board's WiFi seen from the wire: scan answers built by hand-checked bytes, and the WiFi
// fields it takes from a packed-write payload.
#include <QtTest>

#include "SimWifi.h"
#include "SimulatedDevices.h"

using namespace simtest;

namespace {

// What the board must answer: the names and a closing zero as the payload.
QByteArray expectedAnswer(const QByteArray& text, Key key) {
    return frame('R', 0x9F, text + '\0', key);
}

}  // namespace

class SimWifiTest : public QObject {
    Q_OBJECT
  private slots:
    void scanIsAnsweredStrongestFirst();
    void onlyWifiBoardsAnswerTheScan();
    void networkDescriptions();
    void packedWriteWifiFields();
};

void SimWifiTest::scanIsAnsweredStrongestFirst() {
    auto sim = simulate({"kind=302,ip=127.0.0.12,networks=Lab:-67/Office:-48/Guest,scan-delay=20",
                         "kind=302,ip=127.0.0.13,networks="});
    Tool tool;
    QVERIFY(tool.exchange(command(0x41, {0, 0, 12}), kBroadcast, sim->devicePort(), 1));
    QCOMPARE(tool.received[0].senderAddress(), loopback(12));
    QCOMPARE(tool.received[0].data().toHex(' '), expectedAnswer("Office&Guest&Lab&", {0, 0, 12}).toHex(' '));

    QVERIFY(tool.exchange(command(0x41, {0, 0, 13}), loopback(13), sim->devicePort(), 2));
    QCOMPARE(tool.received[1].data().toHex(' '), expectedAnswer("", {0, 0, 13}).toHex(' '));
    QCOMPARE(sim->device(0)->framesReceived('W', 0x41), 1);
}

void SimWifiTest::onlyWifiBoardsAnswerTheScan() {
    auto sim = simulate({"kind=serial,ip=127.0.0.14", "kind=830,ip=127.0.0.15", "kind=302,ip=127.0.0.16"});
    Tool tool;
    tool.send(command(0x41, {0, 0, 14}), kBroadcast, sim->devicePort());
    tool.send(command(0x41, {0, 0, 15}), kBroadcast, sim->devicePort());
    QVERIFY(tool.exchange(command(0x41, {0, 0, 16}), kBroadcast, sim->devicePort(), 1));
    // A search of the last board as a marker: the first two frames were handled before it.
    QVERIFY(tool.exchange(searchRequest(), loopback(16), sim->devicePort(), 2));
    QCOMPARE(tool.received.size(), 2u);
    QCOMPARE(tool.received[0].senderAddress(), loopback(16));
    QCOMPARE(sim->device(0)->framesReceived('W', 0x41), 1);
    QCOMPARE(sim->device(1)->framesReceived('W', 0x41), 1);
}

void SimWifiTest::networkDescriptions() {
    std::string error;
    auto d = tavrel::sim::parseDeviceDescription("kind=302,networks=Cafe:-70/Home Net/a:b:-5", error);
    QVERIFY(d);
    const std::vector<tavrel::sim::SimWifiNetwork> expected = {{"Cafe", -70}, {"Home Net", -60}, {"a:b", -5}};
    QVERIFY(d->config.wifiNetworks == expected);
    for (const char* bad : {"kind=302,networks=Tom&Jerry", "kind=302,networks=A:-200",
                            "kind=302,networks=:-5", "kind=302,networks", "kind=302,scan-delay=-1"}) {
        error.clear();
        QVERIFY2(!tavrel::sim::parseDeviceDescription(bad, error), bad);
        QVERIFY(!error.empty());
    }
}

void SimWifiTest::packedWriteWifiFields() {
    tavrel::sim::BoardFields board;
    const tavrel::sim::BoardFields before = board;
    std::vector<std::uint8_t> payload(292, 0);
    payload[0] = 0x55;
    payload[1] = 1;
    const std::string ap = "board-ap", apPass = "ap-pass", staPass = "sta-pass", sta = "Office";
    std::copy(ap.begin(), ap.end(), payload.begin() + 2);
    std::copy(apPass.begin(), apPass.end(), payload.begin() + 34);
    std::copy(staPass.begin(), staPass.end(), payload.begin() + 50);
    std::copy(sta.begin(), sta.end(), payload.begin() + 66);

    QVERIFY(!tavrel::sim::takeWifiFields(board, tavrel::Bytes(payload).first(97)));
    std::vector<std::uint8_t> unmarked = payload;
    unmarked[0] = 0;
    QVERIFY(!tavrel::sim::takeWifiFields(board, unmarked));
    QVERIFY(board == before);

    QVERIFY(tavrel::sim::takeWifiFields(board, payload));
    QCOMPARE(int(board.wifiMode), 1);
    QCOMPARE(QString::fromStdString(tavrel::sim::fieldText(board.apSsid)), QString::fromStdString(ap));
    QCOMPARE(QString::fromStdString(tavrel::sim::fieldText(board.apPassword)),
             QString::fromStdString(apPass));
    QCOMPARE(QString::fromStdString(tavrel::sim::fieldText(board.staPassword)),
             QString::fromStdString(staPass));
    QCOMPARE(QString::fromStdString(tavrel::sim::fieldText(board.staSsid)), QString::fromStdString(sta));
    QCOMPARE(board.signal, before.signal);
}

QTEST_GUILESS_MAIN(SimWifiTest)
#include "SimWifiTest.moc"
