// The tavrel-sim program: start, list, answer, and end on a signal.
#include <QCryptographicHash>
#include <QProcess>
#include <QUdpSocket>
#include <QtTest>
#ifndef _WIN32
#include <csignal>
#endif

#include "SimTestSupport.h"

using namespace simtest;

class SimProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void listPrintsTheDemoDevices();
    void demoAnswersAndEndsOnSigterm();
    void badDescriptionsFailWithAMessage();
    void firmwareReceivedIsReportedOnExit();
};

namespace {

QProcessEnvironment environmentWithPort(quint16 port) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVREL_DEVICE_PORT"), QString::number(port));
    return env;
}

}  // namespace

void SimProgramTest::listPrintsTheDemoDevices() {
    QProcess sim;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TAVREL_DEVICE_PORT"));
    sim.setProcessEnvironment(env);
    sim.start(QStringLiteral(TAVREL_SIM_PROGRAM), {QStringLiteral("--demo"), QStringLiteral("--list")});
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(sim.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[0].startsWith("127.0.0.2:1111  serial server, port count '1'  V142"));
    QVERIFY(lines[2].contains("port count '8'"));
    QVERIFY(lines[3].contains("302-byte record board with output timing"));
    QVERIFY(lines[4].startsWith("127.0.0.6:1111  830-byte record board"));
}

void SimProgramTest::demoAnswersAndEndsOnSigterm() {
    const quint16 port = freePort();
    QProcess sim;
    sim.setProcessEnvironment(environmentWithPort(port));
    sim.start(QStringLiteral(TAVREL_SIM_PROGRAM), {QStringLiteral("--demo")});
    QVERIFY(sim.waitForStarted());
    QByteArray out;
    QVERIFY(QTest::qWaitFor(
        [&] {
            out += sim.readAllStandardOutput();
            return out.contains("devices ready");
        },
        20000));
    QVERIFY(
        out.contains(QStringLiteral("6 devices ready, broadcasts at 127.255.255.255:%1").arg(port).toUtf8()));

    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, port, 5));
    std::set<int> sizes;
    for (const auto& r : tool.received) sizes.insert(int(r.data().size()));
    QCOMPARE(sizes, (std::set<int>{26, 302, 830}));

#ifdef _WIN32
    QSKIP("the end on SIGTERM is POSIX's; Windows has only the console's Ctrl+C");
#else
    ::kill(pid_t(sim.processId()), SIGTERM);
#endif
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void SimProgramTest::badDescriptionsFailWithAMessage() {
    QProcess sim;
    sim.start(QStringLiteral(TAVREL_SIM_PROGRAM),
              {QStringLiteral("--device"), QStringLiteral("kind=serial,ports=3")});
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().contains("bad device item \"ports=3\""));

    sim.start(QStringLiteral(TAVREL_SIM_PROGRAM), {});
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().contains("nothing to simulate"));
}

// A write request and two DATA blocks built by hand; the device answers from a fresh port and, when
// it ends, names what it holds with its SHA-256.
void SimProgramTest::firmwareReceivedIsReportedOnExit() {
    const quint16 tftpPort = freePort();
    QProcess sim;
    sim.setProcessEnvironment(environmentWithPort(freePort()));
    sim.start(QStringLiteral(TAVREL_SIM_PROGRAM), {QStringLiteral("--device"), QStringLiteral("kind=serial,ip=127.0.0.77"),
                                                   QStringLiteral("--tftp-port"), QString::number(tftpPort)});
    QByteArray out;
    QVERIFY(QTest::qWaitFor(
        [&] {
            out += sim.readAllStandardOutput();
            return out.contains("devices ready") || sim.state() == QProcess::NotRunning;
        },
        20000));
    QVERIFY(out.contains("devices ready"));

    const QHostAddress device(QStringLiteral("127.0.0.77"));
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QByteArray image(700, '\0');
    for (int i = 0; i < image.size(); ++i) image[i] = char(i * 7);
    auto awaitAck = [&](int block, quint16* from) {
        if (!QTest::qWaitFor([&] { return client.hasPendingDatagrams(); }, 30000)) return false;
        QByteArray d(int(client.pendingDatagramSize()), '\0');
        QHostAddress sender;
        client.readDatagram(d.data(), d.size(), &sender, from);
        return d == QByteArray("\0\4\0", 3) + char(block);
    };
    client.writeDatagram(QByteArray("\0\2fw.bin\0octet\0", 16), device, tftpPort);
    quint16 transferPort = 0;
    QVERIFY(awaitAck(0, &transferPort));
    QVERIFY(transferPort != tftpPort);
    client.writeDatagram(QByteArray("\0\3\0\1", 4) + image.left(512), device, transferPort);
    QVERIFY(awaitAck(1, &transferPort));
    client.writeDatagram(QByteArray("\0\3\0\2", 4) + image.mid(512), device, transferPort);
    QVERIFY(awaitAck(2, &transferPort));

#ifdef _WIN32
    QSKIP("the end on SIGTERM is POSIX's; Windows has only the console's Ctrl+C");
#else
    ::kill(pid_t(sim.processId()), SIGTERM);
#endif
    QVERIFY(sim.waitForFinished(20000));
    out += sim.readAllStandardOutput();
    const QByteArray sha = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();
    QVERIFY2(out.contains("firmware fw.bin 700 bytes sha256 " + sha), out.constData());
}

QTEST_GUILESS_MAIN(SimProgramTest)
#include "SimProgramTest.moc"
