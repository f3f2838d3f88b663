// tavrel-cli io against IO boards simulated in this process, over TCP both ways and UDP.
#include <gtest/gtest.h>

#include <cstring>

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>
#include <QtNetwork/QUdpSocket>

#include "CliHarness.h"
#include "SimIoBoard.h"

using namespace clitest;
using tavrel::sim::IoBoardConfig;
using tavrel::sim::IoBoardProtocol;
using tavrel::sim::IoBoardTransport;
using tavrel::sim::SimIoBoard;

namespace {

std::unique_ptr<SimIoBoard> board(const std::string& description) {
    return ioBoard(description);
}

QString at(const SimIoBoard& b) {
    return QStringLiteral("127.0.0.1:%1").arg(b.port());
}

quint16 freeTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.serverPort();
}

QString bools(const QJsonArray& list) {
    QString out;
    for (const auto& v : list) out += v.toBool() ? '1' : '0';
    return out;
}

}  // namespace

TEST(CliIo, ModelInputsAndOutputsOverTcpInEitherProtocol) {
    for (const char* protocol : {"custom", "modbus"}) {
        SCOPED_TRACE(protocol);
        auto sim = board(std::string("model=1HWTK08,inputs=85,protocol=") + protocol);
        const QStringList base{"io", "--tcp", at(*sim), "--protocol", protocol, "--json"};

        CliRun run = runCliRaw(base + QStringList{"model"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QString error;
        QJsonObject object = jsonObjectOf(run.out, &error);
        EXPECT_EQ(object["model"].toString(), "KB-08-00") << run.out.toStdString();
        EXPECT_EQ(object["reported"].toString(), "1HWTK08");

        run = runCliRaw(base + QStringList{"inputs"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        object = jsonObjectOf(run.out, &error);
        EXPECT_EQ(bools(object["inputs"].toArray()), "10100001");

        sim->logic().setInputs(0);
        run = runCliRaw(base + QStringList{"outputs"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(bools(jsonObjectOf(run.out, &error)["outputs"].toArray()), "00000000");
    }

    // For people, and a board of analog inputs: what it reports, in the order it has them.
    auto sim = board("model=1HWTK08,inputs=85");
    CliRun text = runCliRaw({"io", "--tcp", at(*sim), "inputs"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out.toStdString(), "model: KB-08-00 (reported 1HWTK08)\ninputs: 1 0 1 0 0 0 0 1\n");
    auto analog = board("model=1HMTK08");
    text = runCliRaw({"io", "--tcp", at(*analog), "inputs"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out.toStdString(), "model: 1HMTK08\nanalog: 1234 2000 3000 4000 500 0 4095 65535\n");
    text = runCliRaw({"io", "--tcp", at(*analog), "--json", "inputs"});
    QString error;
    EXPECT_EQ(jsonObjectOf(text.out, &error)["analog"].toArray(),
              (QJsonArray{1234, 2000, 3000, 4000, 500, 0, 4095, 65535}));
}

TEST(CliIo, SwitchAndAllOutputsAreConfirmedAndFollowed) {
    auto sim = board("model=KB-16-00,transport=udp,ip=127.0.0.1,protocol=custom");
    const QStringList base{"io", "--udp", "127.0.0.1:0", "--to", at(*sim)};
    CliRun run = runCliRaw(base + QStringList{"--json", "switch", "16", "on"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(sim->logic().output(16));
    EXPECT_FALSE(sim->logic().output(15));
    QString error;
    // The other outputs are read after the switch, so the report holds them all.
    EXPECT_EQ(bools(jsonObjectOf(run.out, &error)["outputs"].toArray()), QString(15, '0') + "1");

    run = runCliRaw(base + QStringList{"--json", "all", "on"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(bools(jsonObjectOf(run.out, &error)["outputs"].toArray()), QString(16, '1'));
    for (int k = 1; k <= 16; ++k) EXPECT_TRUE(sim->logic().output(k)) << k;

    run = runCliRaw(base + QStringList{"all", "off"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(sim->logic().output(1));
    EXPECT_TRUE(run.err.isEmpty()) << "a confirmed command has nothing to complain about: "
                                   << run.err.toStdString();
    EXPECT_EQ(run.out, "model: KB-16-00\noutputs: " + QString("0 ").repeated(15) + "0\n");

    // A time value makes the board let go of the output again by itself.
    run = runCliRaw(base + QStringList{"switch", "2", "on", "--time", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(waitFor([&] { return !sim->logic().output(2); }));

    // A model the tool does not know has no output query: the switched output is all that is known.
    auto unknown = board("model=KB-08-00,reports=ZZ-01-00");
    run = runCliRaw({"io", "--tcp", at(*unknown), "--json", "switch", "1", "on"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(bools(jsonObjectOf(run.out, &error)["outputs"].toArray()), "1") << run.out.toStdString();
    run = runCliRaw({"io", "--tcp", at(*unknown), "switch", "1", "off"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "model: ZZ-01-00\noutputs: 0\n");
    // Its answer to the output query is not silence, only not readable here.
    run = runCliRaw({"io", "--tcp", at(*unknown), "outputs"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "the board's answer to the outputs query could not be read "
              "(board model has no layout for this reply)\n");
}

// A board that confirms a switch with its output states, in either protocol; a relay that does not
// move is answered for too, and its states say the switch did not happen; a mere echo is not believed.
TEST(CliIo, ASwitchIsConfirmedOnlyByStatesThatShowIt) {
    for (const char* reply : {"switch-reply=states,protocol=custom", "switch-reply=states,protocol=modbus",
                              "switch-reply=echo,protocol=custom"}) {
        SCOPED_TRACE(reply);
        const char* protocol = std::strstr(reply, "modbus") ? "modbus" : "custom";
        auto sim = board(std::string("model=KB-08-00,stuck=6,") + reply);
        const QStringList base{"io", "--tcp", at(*sim), "--protocol", protocol};
        for (const auto& [output, on] : {std::pair{"4", "on"}, {"3", "on"}, {"4", "off"}}) {
            const CliRun run = runCliRaw(base + QStringList{"switch", output, on});
            EXPECT_EQ(run.exitCode, 0) << output << on << run.err.toStdString();
        }
        const CliRun stuck = runCliRaw(base + QStringList{"switch", "6", "on"});
        EXPECT_EQ(stuck.exitCode, 1);
        EXPECT_EQ(stuck.err, "the board did not confirm output 6 on\n");
        EXPECT_EQ(stuck.out, "model: KB-08-00\noutputs: 0 0 1 0 0 0 0 0\n");
        for (int k = 1; k <= 8; ++k) EXPECT_EQ(sim->logic().output(k), k == 3) << k;
    }
    // All on but one: the states after the command say which stayed off.
    auto sim = board("model=KB-16-00,stuck=2,stuck=16");
    CliRun run = runCliRaw({"io", "--tcp", at(*sim), "all", "on"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "the board did not confirm all outputs on\n");
    EXPECT_EQ(run.out, "model: KB-16-00\noutputs: 1 0" + QString(" 1").repeated(13) + " 0\n");
    for (int k = 1; k <= 16; ++k) EXPECT_EQ(sim->logic().output(k), k != 2 && k != 16) << k;
}

TEST(CliIo, ListensForABoardAndLogsTheFrames) {
    const quint16 port = freeTcpPort();
    auto sim = board(QStringLiteral("model=5GPTV2,transport=tcp-client,ip=127.0.0.3,peer=127.0.0.1:%1")
                         .arg(port)
                         .toStdString());
    CliRun run = runCliRaw({"io", "--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--log", "outputs"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("model: MV-I00-O02 (reported 5GPTV2)")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("outputs: 0 0")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("TX：48 3A 01 66 11 11 11 11 11 11 11 11 71 45 44  时间: ")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("RX：48 3A 01 67 35 47 50 54 56 32 00 00")));
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("listening on 127.0.0.1:%1\n").arg(port)))
        << run.err.toStdString();
    // On a port of the system's choosing it says which at once: the board has to be told.
    run = runCliUntilPrinted({"--timeout", "120000", "io", "--listen", "127.0.0.1:0", "model"},
                             "listening on 127.0.0.1:", QProcess::StandardError);
    EXPECT_FALSE(run.finished) << "stopped while it waits for the board";
    EXPECT_TRUE(run.err.startsWith("listening on 127.0.0.1:")) << run.err.toStdString();
}

TEST(CliIo, WatchPrintsOneObjectPerReply) {
    auto sim = board("model=5GLUS32,inputs=80000001,protocol=modbus");
    CliRun run = runCliRaw({"io", "--tcp", at(*sim), "--protocol", "modbus", "--json", "watch", "--interval",
                            "50", "--count", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    QString error;
    for (const QString& line : lines) {
        const QJsonObject object = jsonObjectOf(line, &error);
        EXPECT_EQ(object["model"].toString(), "MV-I32-O00");
        EXPECT_EQ(bools(object["inputs"].toArray()), "1" + QString(30, '0') + "1");
        EXPECT_FALSE(object.contains("outputs"));
    }
    // An hour between polls: within the bound of the whole wait no second reply is printed.
    run = runCliRaw({"--timeout", "2500", "io", "--tcp", at(*sim), "--protocol", "modbus", "--json", "watch",
                     "--interval", "3600000", "--count", "2"});
    EXPECT_TRUE(run.finished) << "--timeout ends a watch";
    EXPECT_LE(run.out.count(QLatin1Char('\n')), 1) << run.out.toStdString();
    // A watch without an end shows each reply as it comes, for whoever reads it meanwhile.
    run = runCliUntilPrinted({"io", "--tcp", at(*sim), "--protocol", "modbus", "watch", "--interval", "1000"},
                             "\ninputs: 1 0");
    EXPECT_TRUE(run.out.startsWith("model: MV-I32-O00 (reported 5GLUS32)\ninputs: 1 0"))
        << run.out.toStdString();
    // And so does the frame log.
    run = runCliUntilPrinted(
        {"io", "--tcp", at(*sim), "--protocol", "modbus", "--log", "watch", "--interval", "1000"},
        QStringLiteral("RX："), QProcess::StandardError);
    EXPECT_FALSE(run.finished);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("TX："))) << run.err.toStdString();

    // A board without outputs has no all-outputs command: said so, beside what the board reported.
    run = runCliRaw({"io", "--tcp", at(*sim), "--protocol", "modbus", "all", "on"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("model MV-I32-O00 has no all-outputs command")) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("model: MV-I32-O00 (reported 5GLUS32)\n")) << run.out.toStdString();
}

TEST(CliIo, SilentBoardsAndRefusedConnectionsFail) {
    auto sim = board("model=KB-04-00,silent");
    // Given up when the model queries go unanswered, not at the end of a long --timeout.
    CliRun run = runCliRaw({"--timeout", "600000", "io", "--tcp", at(*sim), "model"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no answer")) << run.err.toStdString();
    EXPECT_GE(sim->requestsSeen(), 1);

    const QString closed = QStringLiteral("127.0.0.1:%1").arg(freeTcpPort());
    run = runCliRaw({"io", "--tcp", closed, "model"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "cannot connect to " + closed + "\n");

    // Ports another program holds: nothing to listen or receive on.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QString held = QStringLiteral("127.0.0.1:%1").arg(holder.serverPort());
    run = runCliRaw({"io", "--listen", held, "model"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "cannot listen on " + held + "\n");
    QUdpSocket udpHolder;
    ASSERT_TRUE(udpHolder.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QString heldUdp = QStringLiteral("127.0.0.1:%1").arg(udpHolder.localPort());
    run = runCliRaw({"io", "--udp", heldUdp, "--to", "127.0.0.1:9", "model"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "cannot bind UDP " + heldUdp + "\n");

    // A board that tells its model and nothing more: the query is asked three times, then given up;
    // --log shows every frame on stderr.
    QTcpServer modelOnly;
    ASSERT_TRUE(modelOnly.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QByteArray received;
    QObject::connect(&modelOnly, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = modelOnly.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer, &received] {
            const bool asked =
                received.contains(QByteArray("H:\x01"
                                             "f",
                                             4));
            received += peer->readAll();
            if (!asked && received.contains(QByteArray("H:\x01"
                                                       "f",
                                                       4)))
                peer->write(QByteArray("H:\x01gKB-08-00\0ED", 15));
        });
    });
    run = runCliRaw(
        {"io", "--tcp", QStringLiteral("127.0.0.1:%1").arg(modelOnly.serverPort()), "--log", "inputs"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(received.count(QByteArray("H:\x01R", 4)), 3);
    EXPECT_TRUE(run.err.endsWith("the board did not answer the inputs query\n")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("TX：48 3A 01 66 "))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("RX：48 3A 01 67 4B 42 2D 30 38 2D 30 30 00 45 44 ")))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("TX：48 3A 01 52 ")), 3) << run.err.toStdString();
    // Commands it does not confirm fail after their tries, with what the board showed.
    for (const auto& [action, message] : std::vector<std::pair<QStringList, QString>>{
             {{"switch", "2", "on"}, "the board did not confirm output 2 on\n"},
             {{"all", "off"}, "the board did not confirm all outputs off\n"}}) {
        received.clear();
        run = runCliRaw(
            QStringList{"io", "--tcp", QStringLiteral("127.0.0.1:%1").arg(modelOnly.serverPort())} + action);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "model: KB-08-00\n");
        EXPECT_EQ(run.err, message);
    }

    // A board at another address does not answer, so a switch is not confirmed.
    auto other = board("model=KB-04-00,address=2");
    run = runCliRaw({"io", "--tcp", at(*other), "switch", "1", "on"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.endsWith("no answer from the board at address 1\n")) << run.err.toStdString();
    EXPECT_FALSE(other->logic().output(1));
}

// Each number at the ends of its range is taken: the last board address, output and time value, and
// a watch of one reply at the shortest interval.
TEST(CliIo, NumbersAtTheEndsOfTheirRangesAreTaken) {
    auto sim = board("model=1HWTK32,address=255");
    const QStringList base{"io", "--tcp", at(*sim), "--address", "255"};
    CliRun run = runCliRaw(base + QStringList{"--time", "65535", "switch", "32", "on"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(sim->logic().output(32));
    run = runCliRaw(base + QStringList{"--time", "0", "switch", "1", "on"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "model: KB-32-00 (reported 1HWTK32)\noutputs: 1" + QString(" 0").repeated(30) + " 1\n");
    run = runCliRaw(base + QStringList{"--json", "watch", "--interval", "1", "--count", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count('\n'), 1) << run.out.toStdString();
}
