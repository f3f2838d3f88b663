// tavrel-cli io-test: commissioning scripts against IO boards simulated in this process, their
// outputs wired back to their inputs.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtCore/QXmlStreamReader>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QUdpSocket>

#include "CliHarness.h"
#include "DeviceDescription.h"
#include "SimIoBoard.h"

using namespace clitest;
using tavrel::sim::SimIoBoard;

namespace {

class Scripts {
  public:
    QString write(const QString& name, const QString& text) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

// The body every connection kind runs: switch each of four outputs and see its input follow.
const char* kGreenBody =
    "expect model KB-08-00\n"
    "switch all off\n"
    "expect inputs 0x00 within 2s\n"
    "switch 3 on            # input 3 is wired to output 3\n"
    "expect input 3 on within 2s\n"
    "expect output 3 on\n"
    "switch 5 on for 100ms\n"
    "expect input 5 off within 2s\n"
    "switch all on\n"
    "expect inputs 0xFF within 2s\n"
    "wait 20ms\n"
    "switch all off\n"
    "expect inputs 0x00 within 2s\n";

struct Step {
    QString result;
    int line = 0;
    QString message;
};

std::vector<Step> stepsOf(const QString& json) {
    QString error;
    const QJsonObject report = jsonObjectOf(json, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString() << json.toStdString();
    std::vector<Step> steps;
    for (const auto& v : report["steps"].toArray()) {
        const QJsonObject o = v.toObject();
        steps.push_back({o["result"].toString(), o["line"].toInt(), o["message"].toString()});
        if (o["result"].toString() != "skipped") {
            EXPECT_GE(o["ms"].toDouble(-1), 0.0);
        }
    }
    return steps;
}

}  // namespace

TEST(CliIoScript, GreenOverEveryConnectionKindAndBothProtocols) {
    Scripts scripts;
    for (const char* protocol : {"custom", "modbus"}) {
        SCOPED_TRACE(protocol);
        auto tcp = ioBoard(std::string("model=1HWTK08,ip=127.0.0.1,loopback-io=10ms,protocol=") + protocol);
        // Each kind also confirms its switches its own way: echo, states, old states first.
        auto udp = ioBoard(std::string("model=KB-08-00,transport=udp,ip=127.0.0.1,loopback-io=10ms,"
                                       "switch-reply=states,protocol=") +
                           protocol);
        QTcpServer probe;
        probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        const quint16 listenPort = probe.serverPort();
        probe.close();
        auto client =
            ioBoard(QStringLiteral("model=KB-08-00,transport=tcp-client,ip=127.0.0.3,peer=127.0.0.1:%1,"
                                   "loopback-io=10ms,switch-reply=old-states-first,protocol=%2")
                        .arg(listenPort)
                        .arg(protocol)
                        .toStdString());
        const QString p = QString::fromLatin1(protocol);
        const QString text = QStringLiteral(
                                 "connect tcp 127.0.0.1:%1 %2\n%3"
                                 "connect udp 127.0.0.1:%4 local 127.0.0.1:0 %2\n%3"
                                 "connect listen 127.0.0.1:%5 %2 within 20s\n%3")
                                 .arg(tcp->port())
                                 .arg(p, QString::fromLatin1(kGreenBody))
                                 .arg(udp->port())
                                 .arg(listenPort);
        const CliRun run = runCliRaw({"io-test", scripts.write("green.txt", text), "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        const auto steps = stepsOf(run.out);
        ASSERT_EQ(steps.size(), 42u);
        for (const Step& s : steps) EXPECT_EQ(s.result, "pass") << s.line << ' ' << s.message.toStdString();
        EXPECT_EQ(steps[0].message, "model KB-08-00 (reported 1HWTK08)");
        EXPECT_FALSE(tcp->logic().output(1));
    }
}

// The board answers every try, but its states show the relay where it was.
TEST(CliIoScript, ASwitchTheBoardAnswersButDoesNotMakeFails) {
    Scripts scripts;
    for (const char* protocol : {"custom", "modbus"}) {
        SCOPED_TRACE(protocol);
        auto sim = ioBoard(std::string("model=KB-08-00,ip=127.0.0.1,switch-reply=states,stuck=4,protocol=") +
                           protocol);
        const QString path = scripts.write(
            "stuck.txt", QStringLiteral("connect tcp 127.0.0.1:%1 %2\nswitch 4 on\nswitch 5 on\n")
                             .arg(sim->port())
                             .arg(protocol));
        const CliRun run = runCliRaw({"io-test", path, "--json"});
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        const auto steps = stepsOf(run.out);
        ASSERT_EQ(steps.size(), 3u);
        EXPECT_EQ(steps[1].result, "fail");
        EXPECT_EQ(steps[1].message, "not confirmed, the board shows output 4 off");
        EXPECT_EQ(steps[2].result, "pass") << steps[2].message.toStdString();
        EXPECT_TRUE(sim->logic().output(5));
    }
}

// The wait of line 4 outlasts the time limit of line 3, which ended with its step.
TEST(CliIoScript, AnUnwiredInputFailsItsStepAndTheRunGoesOn) {
    Scripts scripts;
    auto sim = ioBoard("model=KB-08-00,ip=127.0.0.1,loopback-io=10ms,unwired=3");
    const QString path = scripts.write("fault.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n"
                                                                   "switch 2 on\n"
                                                                   "expect input 2 on within 2s\n"
                                                                   "wait 2500ms\n"
                                                                   "switch 3 on\n"
                                                                   "expect input 3 on within 300ms\n"
                                                                   "switch all off\n")
                                                        .arg(sim->port()));
    CliRun run = runCliRaw({"io-test", path, "--junit", scripts.path("report.xml")});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    // Line numbers and times keep their columns: the times line up on the right.
    EXPECT_TRUE(run.out.contains(QRegularExpression(
        R"(FAIL  line 6    [ 0-9.]{6}[0-9] ms  expect input 3 on within 300ms  \(the board shows input 3 off\))")))
        << run.out.toStdString();
    // The summary ends the report, with the run's time in seconds: at least the script's own wait.
    const QRegularExpressionMatch summary =
        QRegularExpression(R"(\n7 steps: 6 passed, 1 failed \((\d+\.\d\d) s\)\n$)").match(run.out);
    ASSERT_TRUE(summary.hasMatch()) << run.out.toStdString();
    EXPECT_GE(summary.captured(1).toDouble(), 2.5);
    EXPECT_EQ(run.out.split('\n').filter(QRegularExpression("^(PASS|FAIL)  line \\d")).size(), 7)
        << "a line of its own for each step";
    EXPECT_FALSE(sim->logic().output(3));  // the steps after the failure ran

    // The JUnit report: one case per step, the failure named by its line.
    QFile xml(scripts.path("report.xml"));
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xml);
    const QString suite = QStringLiteral("io-test fault.txt");
    int cases = 0;
    QStringList failures;
    QString current;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        if (reader.name() == u"testcase") {
            ++cases;
            current = reader.attributes().value("name").toString();
            EXPECT_EQ(reader.attributes().value("classname"), suite);
        }
        if (reader.name() == u"failure") {
            failures << current;
            EXPECT_FALSE(reader.attributes().value("message").isEmpty());
            EXPECT_EQ(reader.attributes().value("type"), u"step");
        }
        // The run and its one suite count the same steps.
        if (reader.name() == u"testsuites" || reader.name() == u"testsuite") {
            EXPECT_EQ(reader.attributes().value("tests"), u"7");
            EXPECT_EQ(reader.attributes().value("failures"), u"1");
            EXPECT_EQ(reader.attributes().value("skipped"), u"0");
        }
        if (reader.name() == u"testsuite") {
            EXPECT_EQ(reader.attributes().value("name"), suite);
            EXPECT_EQ(reader.attributes().value("errors"), u"0");
        }
        // Every level carries its time in seconds; the run and its suite lasted the 2.5 s wait at least.
        if (reader.name() == u"testsuites" || reader.name() == u"testsuite" || reader.name() == u"testcase") {
            bool number = false;
            const double seconds = reader.attributes().value("time").toDouble(&number);
            EXPECT_TRUE(number) << reader.name().toString().toStdString();
            if (reader.name() != u"testcase") {
                EXPECT_GE(seconds, 2.5) << reader.name().toString().toStdString();
            }
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(cases, 7);
    EXPECT_EQ(failures, QStringList{"line 6: expect input 3 on within 300ms"});

    // With --stop-on-fail the rest is skipped and the output stays on.
    run = runCliRaw({"io-test", path, "--stop-on-fail", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const auto steps = stepsOf(run.out);
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[5].result, "fail");
    EXPECT_EQ(steps[6].result, "skipped");
    QString error;
    const QJsonObject report = jsonObjectOf(run.out, &error);
    EXPECT_EQ(report["passed"].toInt(), 5);
    EXPECT_EQ(report["failed"].toInt(), 1);
    EXPECT_EQ(report["skipped"].toInt(), 1);
    // Steps run one after the other: none ends after the next begins, nor after the run (each figure
    // rounded to a tenth).
    double lastEnd = 0;
    for (const auto& v : report["steps"].toArray()) {
        const QJsonObject o = v.toObject();
        if (o["result"].toString() == "skipped") continue;
        EXPECT_LE(lastEnd, o["startMs"].toDouble() + 0.2) << o["step"].toString().toStdString();
        lastEnd = o["startMs"].toDouble() + o["ms"].toDouble();
    }
    EXPECT_LE(lastEnd, report["ms"].toDouble() + 0.2);
    EXPECT_TRUE(sim->logic().output(3));

    // For people the skipped step is listed after the run; JUnit marks it skipped, not failed.
    run = runCliRaw({"io-test", path, "--stop-on-fail", "--junit", scripts.path("stopped.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QRegularExpression(
        R"(\nSKIP  line 7    [ 0-9.]{6}[0-9] ms  switch all off\n7 steps: 5 passed, 1 failed, 1 skipped \()")))
        << run.out.toStdString();
    QFile stopped(scripts.path("stopped.xml"));
    ASSERT_TRUE(stopped.open(QIODevice::ReadOnly));
    const QByteArray stoppedXml = stopped.readAll();
    EXPECT_EQ(stoppedXml.count("<skipped message=\"an earlier step failed\"/>"), 1)
        << stoppedXml.toStdString();
    EXPECT_EQ(stoppedXml.count("<failure "), 1);
    EXPECT_EQ(stoppedXml.count("tests=\"7\" failures=\"1\""), 2) << stoppedXml.toStdString();
    EXPECT_EQ(stoppedXml.count("skipped=\"1\""), 2) << stoppedXml.toStdString();
}

// An expectation that fails at its first answer leaves no timer behind: the wait after it passes.
TEST(CliIoScript, AFailedExpectationLeavesNothingRunningIntoTheNextStep) {
    Scripts scripts;
    auto sim = ioBoard("model=KB-08-00,ip=127.0.0.1");
    const QString path = scripts.write("failed.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n"
                                                                    "expect input 3 on\n"
                                                                    "wait 2s\n")
                                                         .arg(sim->port()));
    const CliRun run = runCliRaw({"io-test", path, "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const auto steps = stepsOf(run.out);
    ASSERT_EQ(steps.size(), 3u) << run.out.toStdString();
    EXPECT_EQ(steps[1].result, "fail");
    EXPECT_EQ(steps[2].result, "pass") << run.out.toStdString();
}

// Every second frame lost: each command, the switch back of a timed switch too, has its own tries.
TEST(CliIoScript, LostRepliesAreAskedForAgainByEveryCommand) {
    Scripts scripts;
    auto sim = ioBoard("model=KB-08-00,ip=127.0.0.1,lose=2");
    const QString path = scripts.write("lossy.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n"
                                                                   "switch 5 on for 100ms\n"
                                                                   "expect output 5 off\n")
                                                        .arg(sim->port()));
    const CliRun run = runCliRaw({"io-test", path, "--log"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("3 steps: 3 passed")) << run.out.toStdString();
    EXPECT_FALSE(sim->logic().output(5));
    // --log shows the frames as the IO window logs them, on stderr; the report stays on stdout.
    EXPECT_TRUE(run.err.contains(QStringLiteral("TX：48 3A 01 66 11 11 11 11 11 11 11 11 71 45 44  时间: ")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("RX：48 3A 01 67"))) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("TX："))) << run.out.toStdString();
}

TEST(CliIoScript, ScriptErrorsAndUnreachableBoards) {
    Scripts scripts;
    auto sim = ioBoard("model=KB-04-00,ip=127.0.0.1,loopback-io=0ms");
    // A faulty line anywhere: exit 2, every error with its line, and the board never hears a byte.
    CliRun run = runCliRaw({"io-test", scripts.write("bad.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n"
                                                                               "switch 1 on\n"
                                                                               "expect input 9 sideways\n"
                                                                               "wait forever\n")
                                                                    .arg(sim->port()))});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("bad.txt:3: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("bad.txt:4: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith("nothing was sent\n")) << run.err.toStdString();
    EXPECT_EQ(sim->requestsSeen(), 0);
    const CliRun missing = runCliRaw({"io-test", scripts.path("missing.txt")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, scripts.path("missing.txt") + ": cannot read the script\n");
    const QString good =
        scripts.write("good.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n").arg(sim->port()));
    const CliRun huge = runCliRaw({"io-test", scripts.write("huge.txt", QString(1024 * 1024 + 1, '#'))});
    EXPECT_EQ(huge.exitCode, 2);
    EXPECT_TRUE(huge.err.endsWith(": longer than a script can be (1 MiB)\n")) << huge.err.toStdString();
    const CliRun noFolder = runCliRaw({"io-test", good, "--junit", scripts.path("no/report.xml")});
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_TRUE(noFolder.err.startsWith("--junit: no folder ")) << noFolder.err.toStdString();
    EXPECT_EQ(sim->requestsSeen(), 0);
    // A report that could not be written is told before the board is driven.
    const CliRun folder = runCliRaw({"io-test", good, "--junit", scripts.path("")});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_FALSE(folder.out.contains("steps:")) << folder.out.toStdString();
    EXPECT_TRUE(folder.err.contains(" is a folder; give a file name")) << folder.err.toStdString();

    // A board with no analog inputs and no 8th output, and a port nobody serves: failures, not hangs.
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    const quint16 closed = probe.serverPort();
    probe.close();
    run = runCliRaw({"io-test", "--json",
                     scripts.write("odd.txt", QStringLiteral("connect tcp 127.0.0.1:%1\n"
                                                             "expect model KB-08-00\n"
                                                             "expect analog 1 between 0 and 5\n"
                                                             "expect output 8 off\n"
                                                             "expect inputs 0x0\n"
                                                             "connect tcp 127.0.0.1:%2\n"
                                                             "switch 1 on\n")
                                                  .arg(sim->port())
                                                  .arg(closed))});
    EXPECT_EQ(run.exitCode, 1);
    const auto steps = stepsOf(run.out);
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0].result, "pass");
    EXPECT_EQ(steps[1].message, "model KB-04-00");
    EXPECT_EQ(steps[2].result, "fail");  // the analog query is the analog board's alone
    EXPECT_EQ(steps[2].message, "model KB-04-00 has no analog inputs");
    EXPECT_EQ(steps[3].message, "the board shows only 4 outputs");
    EXPECT_EQ(steps[4].result, "pass");
    EXPECT_EQ(steps[5].message, "cannot connect");
    EXPECT_EQ(steps[6].message, "not connected");
    for (std::size_t i : {2u, 3u, 5u, 6u}) EXPECT_EQ(steps[i].result, "fail") << i;

    // Every other way a connection or command can fail, each named as such.
    auto silent = ioBoard("model=KB-04-00,ip=127.0.0.1,silent");
    auto inputsOnly = ioBoard("model=MV-I32-O00,ip=127.0.0.1");
    QTcpServer heldTcp;
    ASSERT_TRUE(heldTcp.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QUdpSocket heldUdp;
    ASSERT_TRUE(heldUdp.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    run =
        runCliRaw({"io-test", "--json",
                   scripts.write("failing.txt", QStringLiteral("connect tcp 127.0.0.1:%1 within 1500ms\n"
                                                               "connect listen 127.0.0.1:0 within 300ms\n"
                                                               "connect listen 127.0.0.1:%2\n"
                                                               "connect udp 127.0.0.1:9 local 127.0.0.1:%3\n"
                                                               "connect tcp 127.0.0.1:%4\n"
                                                               "switch all on\n"
                                                               "expect output 1 on\n"
                                                               "wait 10ms\n")
                                                    .arg(silent->port())
                                                    .arg(heldTcp.serverPort())
                                                    .arg(heldUdp.localPort())
                                                    .arg(inputsOnly->port()))});
    EXPECT_EQ(run.exitCode, 1);
    const auto failing = stepsOf(run.out);
    ASSERT_EQ(failing.size(), 8u) << run.out.toStdString();
    EXPECT_EQ(failing[0].message, "no answer to the model query");
    EXPECT_EQ(failing[1].message, "no board connected");
    EXPECT_EQ(failing[2].message, QStringLiteral("cannot listen on 127.0.0.1:%1").arg(heldTcp.serverPort()));
    EXPECT_EQ(failing[3].message, QStringLiteral("cannot bind UDP 127.0.0.1:%1").arg(heldUdp.localPort()));
    EXPECT_EQ(failing[4].result, "pass");
    EXPECT_EQ(failing[5].message, "model MV-I32-O00 has no all-outputs command");
    EXPECT_EQ(failing[6].message, "model MV-I32-O00 has no such query");
    EXPECT_EQ(failing[7].result, "pass");
    EXPECT_EQ(failing[7].message, "");
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u}) EXPECT_EQ(failing[i].result, "fail") << i;
}

TEST(CliIoScript, TheReadmeSampleRunsGreenAgainstTheDemoBoard) {
    QFile readme(QStringLiteral(TAVREL_README));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf("```text\n# commission.txt");
    ASSERT_GE(start, 0);
    const qsizetype body = text.indexOf('\n', start) + 1;
    QString sample = text.mid(body, text.indexOf("\n```", body) - body + 1);
    ASSERT_TRUE(sample.contains("connect tcp 127.0.0.7:20108"));

    // The demo's board as the demo makes it, on a port of its own so that a running demo is no obstacle.
    tavrel::sim::IoBoardConfig config;
    for (const auto& d : tavrel::sim::demoDescriptions())
        if (d.config.loopbackNetwork) config = tavrel::sim::demoIoBoardFor(d.config);
    ASSERT_EQ(config.port, 20108);
    config.ip = "127.0.0.1";
    config.port = 0;
    SimIoBoard demo(config);
    ASSERT_TRUE(demo.start());
    sample.replace("127.0.0.7:20108", QStringLiteral("127.0.0.1:%1").arg(demo.port()));
    Scripts scripts;
    const CliRun run = runCliRaw({"io-test", scripts.write("commission.txt", sample), "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    for (const Step& s : stepsOf(run.out))
        EXPECT_EQ(s.result, "pass") << s.line << ' ' << s.message.toStdString();
}

// A run shows each step as it ends and where it listens as soon as it does, while it still runs.
TEST(CliIoScript, WhatARunPrintsReachesItsReaderMeanwhile) {
    Scripts scripts;
    auto sim = ioBoard("model=KB-04-00,ip=127.0.0.1");
    const CliRun step = runCliUntilPrinted(
        {"io-test",
         scripts.write("slow.txt", QStringLiteral("connect tcp 127.0.0.1:%1\nwait 120s\n").arg(sim->port()))},
        "PASS  line 1");
    EXPECT_FALSE(step.finished) << "stopped during its wait";
    EXPECT_TRUE(step.out.startsWith("PASS  line 1")) << step.out.toStdString();
    const CliRun logged = runCliUntilPrinted({"io-test", scripts.path("slow.txt"), "--log"},
                                             QStringLiteral("RX："), QProcess::StandardError);
    EXPECT_FALSE(logged.finished) << "stopped during its wait";
    EXPECT_TRUE(logged.err.startsWith(QStringLiteral("TX："))) << logged.err.toStdString();
    const CliRun listening = runCliUntilPrinted(
        {"io-test", scripts.write("listen.txt", "connect listen 127.0.0.1:0 within 120s\n")},
        "listening on 127.0.0.1:", QProcess::StandardError);
    EXPECT_FALSE(listening.finished) << "stopped while it waits for the board";
    EXPECT_TRUE(listening.err.startsWith("listening on 127.0.0.1:")) << listening.err.toStdString();
}
