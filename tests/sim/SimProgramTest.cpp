// The tavrel-sim program: start, list, answer, and end on a signal.
#include <QProcess>
#include <QtTest>
#include <csignal>

#include "SimTestSupport.h"

using namespace simtest;

class SimProgramTest : public QObject {
    Q_OBJECT
  private slots:
    void listPrintsTheDemoDevices();
    void demoAnswersAndEndsOnSigterm();
    void badDescriptionsFailWithAMessage();
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
    QCOMPARE(lines.size(), 5);
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
        out.contains(QStringLiteral("5 devices ready, broadcasts at 127.255.255.255:%1").arg(port).toUtf8()));

    Tool tool;
    QVERIFY(tool.exchange(searchRequest(), kBroadcast, port, 5));
    std::set<int> sizes;
    for (const auto& r : tool.received) sizes.insert(int(r.data().size()));
    QCOMPARE(sizes, (std::set<int>{26, 302, 830}));

    ::kill(pid_t(sim.processId()), SIGTERM);
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

QTEST_GUILESS_MAIN(SimProgramTest)
#include "SimProgramTest.moc"
