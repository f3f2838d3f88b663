// The IO control window against IO boards simulated in this process on loopback: opening, the
// three connection types, polling, switching, the client list, the log and the settings file.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTimer>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>
#include <functional>

#include "CIoControlDlg.h"
#include "IoTestSupport.h"
#include "SimIoBoard.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

using io::closedTcpPort;
using io::waitFor;

using sim::IoBoardConfig;
using sim::IoBoardProtocol;
using sim::IoBoardTransport;
using sim::SimIoBoard;

std::unique_ptr<SimIoBoard> board(IoBoardConfig config) {
    auto b = std::make_unique<SimIoBoard>(config);
    QString error;
    if (!b->start(&error)) ADD_FAILURE() << error.toStdString();
    return b;
}

IoBoardConfig boardConfig(const std::string& model, IoBoardProtocol protocol, IoBoardTransport transport) {
    IoBoardConfig c;
    c.model = model;
    c.protocol = protocol;
    c.transport = transport;
    c.inputs = 0x5;  // inputs 1 and 3 on
    c.changeMs = 0;
    c.identity = model;
    return c;
}

// One IO window with its own settings file and answered prompts.
struct IoBench {
    explicit IoBench(Language language = Language::English) { texts.load(language); }

    CIoControlDlg* open(std::optional<IoWindowSetup> setup = std::nullopt) {
        window = new CIoControlDlg(texts, setup, harness.prompts, settingsFile(), nullptr);
        window->show();
        return window;
    }
    std::filesystem::path settingsFile() const {
        return std::filesystem::path(harness.home.path().toStdString()) / "io.ini";
    }
    void writeSettings(const std::string& text) const {
        QFile file(QString::fromStdString(settingsFile().string()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.c_str());
    }
    void close() {
        window->close();
        QCoreApplication::processEvents();
        window = nullptr;
    }
    template <class W>
    W* get(const QString& name) const {
        W* w = window->findChild<W*>(name);
        if (!w) ADD_FAILURE() << "no widget " << name.toStdString();
        return w;
    }
    QString text(const char* name) const { return get<QLabel>(QString::fromLatin1(name))->text(); }
    QString status() const { return text("statusLine"); }
    IoBoardLink& link() const { return window->link(); }
    std::string outputs(int n) const {
        std::string out;
        for (int k = 1; k <= n; ++k) {
            const Indicator s = window->outputShown(k);
            out += s == Indicator::Unknown ? '?' : s == Indicator::On ? '1' : '0';
        }
        return out;
    }
    std::string inputs(int n) const {
        std::string out;
        for (int k = 1; k <= n; ++k) {
            const Indicator s = window->inputShown(k);
            out += s == Indicator::Unknown ? '?' : s == Indicator::On ? '1' : '0';
        }
        return out;
    }

    ~IoBench() {
        if (window) close();
    }

    Harness harness;
    UiTexts texts;
    CIoControlDlg* window = nullptr;
};

IoWindowSetup clientSetup(quint16 port) {
    IoWindowSetup s;
    s.boardIp = {127, 0, 0, 1};
    s.boardPort = port;
    s.localIp = "127.0.0.1";
    s.preset = IoConnectionType::TcpClient;
    return s;
}

TEST(IoWindow, TcpClientPresetConnectsPollsAndSwitchesOutputs) {
    auto sim = board(boardConfig("1HWTK04", IoBoardProtocol::Custom, IoBoardTransport::TcpServer));
    IoBench b;
    b.open(clientSetup(sim->port()));
    EXPECT_EQ(b.get<QComboBox>("typeList")->currentIndex(), int(IoConnectionType::TcpClient));
    EXPECT_EQ(b.text("ipLabel"), "Device Ip");
    EXPECT_EQ(b.get<QLineEdit>("ipEdit")->text(), "127.0.0.1");
    ASSERT_TRUE(waitFor([&] { return b.status() == "Connected"; }));
    EXPECT_EQ(b.text("modelLabel"), "1HWTK04");  // the reported text; the 4-channel rules apply
    EXPECT_EQ(b.get<QPushButton>("connectButton")->text(), "Disconnect");
    EXPECT_FALSE(b.get<QComboBox>("typeList")->isEnabled());
    ASSERT_TRUE(waitFor([&] { return b.inputs(5) == "1010?" && b.outputs(5) == "0000?"; }));

    b.get<QLineEdit>("time2")->setText("0");
    b.get<QToolButton>("output2")->click();
    ASSERT_TRUE(waitFor([&] { return b.outputs(4) == "0100"; }));
    EXPECT_TRUE(sim->logic().output(2));

    // "All OFF" first, then the caption offers "All ON".
    b.get<QToolButton>("output1")->click();
    ASSERT_TRUE(waitFor([&] { return b.outputs(4) == "1100"; }));
    b.get<QPushButton>("allOutputsButton")->click();
    EXPECT_EQ(b.get<QPushButton>("allOutputsButton")->text(), "Output：All ON");
    ASSERT_TRUE(waitFor([&] { return b.outputs(4) == "0000"; }));
    b.get<QPushButton>("allOutputsButton")->click();
    ASSERT_TRUE(waitFor([&] { return b.outputs(4) == "1111"; }));

    b.get<QPushButton>("connectButton")->click();
    EXPECT_EQ(b.get<QPushButton>("connectButton")->text(), "Connect");
    EXPECT_TRUE(b.status().isEmpty());
    EXPECT_EQ(b.outputs(4), "????");
    EXPECT_TRUE(b.text("modelLabel").isEmpty());
    EXPECT_TRUE(b.get<QComboBox>("typeList")->isEnabled());
}

TEST(IoWindow, NothingListeningShowsConnectFailedAndStaysDisconnected) {
    IoBench b;
    b.open(clientSetup(closedTcpPort()));
    EXPECT_EQ(b.status(), "Connecting");
    ASSERT_TRUE(waitFor([&] { return b.status() == "Connect failed"; }));
    EXPECT_EQ(b.get<QPushButton>("connectButton")->text(), "Connect");
    EXPECT_FALSE(b.link().isOpen());
}

TEST(IoWindow, IntervalOffPollsNothingAndGreyOutputsSendNothing) {
    auto sim = board(boardConfig("KB-08-00", IoBoardProtocol::Modbus, IoBoardTransport::TcpServer));
    IoBench b;
    b.writeSettings("[Info]\nmodbus=1\nscaninterval=0\n");
    b.open(clientSetup(sim->port()));
    int sent = 0;
    QObject::connect(&b.link(), &IoBoardLink::frameSent, [&] { ++sent; });
    ASSERT_TRUE(waitFor([&] { return b.status() == "Connected"; }));
    EXPECT_FALSE(b.link().polling());
    EXPECT_FALSE(b.link().askingModel());
    sent = 0;
    b.get<QToolButton>("output1")->click();
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(b.outputs(8), "????????");

    // The echo of the multiple-coil write gives outputs 1..8 a state; then they can be switched.
    b.get<QPushButton>("allOutputsButton")->click();
    ASSERT_TRUE(waitFor([&] { return b.outputs(9) == "00000000?"; }));
    b.get<QToolButton>("output8")->click();
    ASSERT_TRUE(waitFor([&] { return b.outputs(8) == "00000001"; }));
    EXPECT_TRUE(sim->logic().output(8));
}

TEST(IoWindow, TcpServerListsBoardsByIdentityAndAsksTheChosenOne) {
    IoBench b;
    IoWindowSetup setup;
    setup.localIp = "127.0.0.1";
    setup.localPort = 0;  // any free port; read back below
    setup.preset = IoConnectionType::TcpServer;
    b.open(setup);
    EXPECT_EQ(b.status(), "Listening");
    EXPECT_EQ(b.text("ipLabel"), "(2)Local Ip");
    auto* clients = b.get<QListWidget>("clientList");
    EXPECT_FALSE(clients->isVisible());
    const quint16 port = b.link().serverPort();
    ASSERT_NE(port, 0);

    IoBoardConfig named = boardConfig("KB-16-00", IoBoardProtocol::Custom, IoBoardTransport::TcpClient);
    named.peerIp = "127.0.0.1";
    named.peerPort = port;
    named.identity = "board-A";
    auto first = board(named);
    ASSERT_TRUE(waitFor([&] { return b.status() == "Connected"; }));
    EXPECT_TRUE(clients->isVisible());
    ASSERT_EQ(clients->count(), 1);
    EXPECT_TRUE(clients->item(0)->text().endsWith(" [board-A]"));
    EXPECT_EQ(clients->currentRow(), 0);
    EXPECT_EQ(b.text("modelLabel"), "KB-16-00");

    IoBoardConfig silent = boardConfig("MV-I00-O02", IoBoardProtocol::Custom, IoBoardTransport::TcpClient);
    silent.peerIp = "127.0.0.1";
    silent.peerPort = port;
    silent.identity.reset();
    auto second = board(silent);
    ASSERT_TRUE(waitFor([&] { return clients->count() == 2; }));
    EXPECT_TRUE(clients->item(1)->text().endsWith(" [null]"));
    EXPECT_EQ(clients->currentRow(), 0);

    // Choosing the second board forgets the first one's picture and asks the second for its model.
    clients->setCurrentRow(1);
    EXPECT_TRUE(b.text("modelLabel").isEmpty() || b.text("modelLabel") == "MV-I00-O02");
    ASSERT_TRUE(waitFor([&] { return b.text("modelLabel") == "MV-I00-O02"; }));
    ASSERT_TRUE(waitFor([&] { return b.outputs(3) == "00?"; }));
    EXPECT_EQ(b.inputs(1), "?");

    // A board hanging up leaves the window as it was.
    second.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(b.get<QPushButton>("connectButton")->text(), "Disconnect");
    EXPECT_EQ(clients->count(), 2);
}

TEST(IoWindow, UdpAnalogBoardFillsTheAnalogCells) {
    IoBoardConfig config = boardConfig("1HMTK08", IoBoardProtocol::Custom, IoBoardTransport::Udp);
    config.ip = "127.0.0.1";
    auto sim = board(config);
    IoBench b;
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    const quint16 local = probe.localPort();
    probe.close();
    IoWindowSetup setup;
    setup.boardIp = {127, 0, 0, 1};
    setup.boardPort = sim->port();
    setup.localIp = "127.0.0.1";
    setup.localPort = local;
    setup.preset = IoConnectionType::Udp;
    b.open(setup);
    EXPECT_TRUE(b.get<QLineEdit>("boardIpEdit")->isVisible());
    ASSERT_TRUE(waitFor([&] { return b.get<QLabel>("analog1_1")->text() == "1.234"; }));
    EXPECT_EQ(b.get<QLabel>("analog2_1")->text(), "2.468");
    EXPECT_EQ(b.get<QLabel>("analog3_1")->text(), "4.955");
    EXPECT_TRUE(b.window->findChild<QWidget*>("analogGroup")->isVisible());
}

TEST(IoWindow, WithoutDeviceNoTypeIsSelectedAndNothingIsSent) {
    IoBench b;
    b.open();
    int sent = 0;
    QObject::connect(&b.link(), &IoBoardLink::frameSent, [&] { ++sent; });
    EXPECT_EQ(b.get<QComboBox>("typeList")->currentIndex(), -1);
    EXPECT_EQ(b.inputs(32), std::string(32, '?'));
    EXPECT_EQ(b.outputs(32), std::string(32, '?'));
    b.get<QPushButton>("connectButton")->click();
    b.get<QToolButton>("output1")->click();
    b.get<QPushButton>("allOutputsButton")->click();
    // The interval list starts polling even now; its frames have nowhere to go and are not logged.
    b.get<QComboBox>("intervalList")->setCurrentIndex(1);
    EXPECT_TRUE(b.link().polling());
    b.link().send(b.link().state().modelQuery());
    EXPECT_FALSE(b.link().isOpen());
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(b.get<QPlainTextEdit>("commandLog")->toPlainText().isEmpty());
}

TEST(IoWindow, BadAddressOrTakenPortIsRefusedWithAMessage) {
    IoBench b;
    b.open();
    b.get<QComboBox>("typeList")->setCurrentIndex(int(IoConnectionType::TcpClient));
    b.get<QLineEdit>("ipEdit")->setText("127.0.0.300");
    b.get<QLineEdit>("portEdit")->setText("1");
    b.get<QPushButton>("connectButton")->click();
    ASSERT_EQ(b.harness.prompts->shown.size(), 1);
    EXPECT_TRUE(b.harness.prompts->shown[0].endsWith(QString::fromStdString(b.texts.invalidIpAddress)));
    EXPECT_FALSE(b.link().isOpen());

    QUdpSocket taken;
    ASSERT_TRUE(taken.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    b.get<QComboBox>("typeList")->setCurrentIndex(int(IoConnectionType::Udp));
    b.get<QLineEdit>("ipEdit")->setText("127.0.0.1");
    b.get<QLineEdit>("portEdit")->setText(QString::number(taken.localPort()));
    b.get<QLineEdit>("boardIpEdit")->setText("127.0.0.1");
    b.get<QLineEdit>("boardPortEdit")->setText("70000");
    b.get<QPushButton>("connectButton")->click();
    ASSERT_EQ(b.harness.prompts->shown.size(), 2);
    EXPECT_TRUE(b.harness.prompts->shown[1].endsWith("请输入0-65535的数字！"));
    b.get<QLineEdit>("boardPortEdit")->setText("9");
    b.get<QPushButton>("connectButton")->click();
    ASSERT_EQ(b.harness.prompts->shown.size(), 3);
    EXPECT_TRUE(b.harness.prompts->shown[2].endsWith("绑定失败!"));
    EXPECT_FALSE(b.link().isOpen());
}

TEST(IoWindow, ClosingAndReopeningRestoresTheSettings) {
    IoBench b;
    b.open();
    b.get<QComboBox>("addressList")->setCurrentIndex(4);
    b.get<QComboBox>("protocolList")->setCurrentIndex(1);
    b.get<QComboBox>("intervalList")->setCurrentIndex(12);
    b.get<QCheckBox>("showCommandCheck")->setChecked(true);
    b.get<QCheckBox>("stopShowingCheck")->setChecked(true);
    b.get<QLineEdit>("time1")->setText("7");
    b.get<QLineEdit>("time32")->setText("65535");
    b.close();
    EXPECT_TRUE(std::filesystem::exists(b.settingsFile()));

    b.open();
    EXPECT_EQ(b.get<QComboBox>("addressList")->currentText(), "Device 5");
    EXPECT_EQ(b.get<QComboBox>("protocolList")->currentIndex(), 1);
    EXPECT_EQ(b.get<QComboBox>("intervalList")->currentText(), "5000");
    EXPECT_TRUE(b.get<QCheckBox>("showCommandCheck")->isChecked());
    EXPECT_TRUE(b.get<QCheckBox>("stopShowingCheck")->isChecked());
    EXPECT_EQ(b.get<QLineEdit>("time1")->text(), "7");
    EXPECT_EQ(b.get<QLineEdit>("time2")->text(), "0");
    EXPECT_EQ(b.get<QLineEdit>("time32")->text(), "65535");
    EXPECT_EQ(b.link().state().address(), 5);
    EXPECT_EQ(b.link().state().protocol(), IoProtocol::Modbus);
}

TEST(IoWindow, SaveLogWritesTheCommandLogAndReportsAFailure) {
    auto sim = board(boardConfig("KB-04-00", IoBoardProtocol::Custom, IoBoardTransport::TcpServer));
    IoBench b;
    b.writeSettings("[Info]\nscaninfo=1\n");
    b.open(clientSetup(sim->port()));
    auto* log = b.get<QPlainTextEdit>("commandLog");
    ASSERT_TRUE(waitFor([&] { return log->toPlainText().contains(QStringLiteral("RX：48 3A 01 67")); }));
    EXPECT_TRUE(log->toPlainText().startsWith(
        QStringLiteral("TX：48 3A 01 66 11 11 11 11 11 11 11 11 71 45 44  时间: ")));

    // Typed without an extension, the log is saved as a text file all the same.
    b.harness.prompts->fileAnswer = b.harness.home.filePath("log");
    b.get<QPushButton>("saveLogButton")->click();
    QFile file(b.harness.home.filePath("log.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith("TX：48 3A 01 66"));
    EXPECT_TRUE(saved.contains("\r\n\r\n"));
    EXPECT_TRUE(b.harness.prompts->shown.isEmpty());

    b.harness.prompts->fileAnswer = b.harness.home.filePath("missing/dir/log.txt");
    b.get<QPushButton>("saveLogButton")->click();
    ASSERT_EQ(b.harness.prompts->shown.size(), 1);
    EXPECT_TRUE(b.harness.prompts->shown[0].contains("Cannot save the log: "));

    b.get<QPushButton>("clearButton")->click();
    EXPECT_TRUE(log->toPlainText().isEmpty());
}

// A board in another process that sends its last answer again about 1,000 times a second, faster
// than a loaded computer handles it. Whatever the speed, the window handles a bounded number of
// chunks per event-loop turn, a timer due during the flood fires within a few turns, and its log
// stays bounded.
TEST(IoWindow, FloodingBoardLeavesTheWindowResponsiveAndTheLogBounded) {
    QProcess simProcess;
    simProcess.start(QStringLiteral(TAVREL_SIM_PROGRAM),
                     {"--io-board",
                      "model=KB-08-00,protocol=custom,transport=udp,ip=127.0.0.1,port=0,"
                      "inputs=5,flood=1000"});
    QString simOut;
    quint16 boardPort = 0;
    const QRegularExpression at(QStringLiteral("at 127\\.0\\.0\\.1:(\\d+)"));
    ASSERT_TRUE(waitFor(
        [&] {
            simOut += QString::fromUtf8(simProcess.readAllStandardOutput());
            const auto match = at.match(simOut);
            if (match.hasMatch()) boardPort = static_cast<quint16>(match.captured(1).toUInt());
            return boardPort != 0 || simProcess.state() == QProcess::NotRunning;
        },
        20000));
    ASSERT_NE(boardPort, 0) << simOut.toStdString() << simProcess.readAllStandardError().toStdString();

    IoBench b;
    b.writeSettings("[Info]\nscaninfo=1\n");  // "Show Command": every frame goes to the log
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    IoWindowSetup setup;
    setup.boardIp = {127, 0, 0, 1};
    setup.boardPort = boardPort;
    setup.localIp = "127.0.0.1";
    setup.localPort = probe.localPort();
    probe.close();
    setup.preset = IoConnectionType::Udp;
    b.open(setup);

    long long chunks = 0;
    int turns = 0;
    int largestTurn = 0;
    QObject::connect(&b.link(), &IoBoardLink::chunkHandled, [&] { ++chunks; });
    // A zero timer started in a turn must fire before a few more turns have run; each time it
    // does, it is started again, so it samples the whole flood.
    QTimer due;
    due.setSingleShot(true);
    due.setInterval(0);
    int startedAtTurn = -1;
    int mostTurnsBeforeFiring = 0;
    int fired = 0;
    QObject::connect(&due, &QTimer::timeout, [&] {
        mostTurnsBeforeFiring = std::max(mostTurnsBeforeFiring, turns - startedAtTurn);
        ++fired;
        startedAtTurn = -1;
    });
    QObject::connect(&b.link(), &IoBoardLink::turnHandled, [&](int handled) {
        ++turns;
        largestTurn = std::max(largestTurn, handled);
        if (startedAtTurn < 0) {
            startedAtTurn = turns;
            due.start();
        }
    });
    auto* log = b.get<QPlainTextEdit>("commandLog");
    std::size_t longestLog = 0;
    qsizetype longestShown = 0;
    QObject::connect(&b.link(), &IoBoardLink::logAppended, [&] {
        longestLog = std::max(longestLog, b.link().state().commandLog().lengthChars());
        longestShown = std::max(longestShown, qsizetype{log->document()->characterCount()});
    });
    // About twice what fills the log, so that it has to start afresh more than once.
    constexpr long long kFloodChunks = 1500;
    ASSERT_TRUE(waitFor([&] { return chunks >= kFloodChunks; }, 300000)) << chunks;
    simProcess.kill();
    simProcess.waitForFinished();

    EXPECT_LE(largestTurn, static_cast<int>(kChunksPerTurn));
    EXPECT_GT(fired, 0);
    EXPECT_LE(mostTurnsBeforeFiring, 3) << "the event loop's timers wait for the flood";
    EXPECT_EQ(b.inputs(8), "10100000");
    const std::size_t bound = kLogTextLimitChars + 200;  // the limit and one entry past it
    EXPECT_LE(longestLog, bound);
    EXPECT_LE(static_cast<std::size_t>(longestShown), bound);
    EXPECT_GT(longestLog, kLogTextLimitChars / 2) << "the flood should have filled the log";
}

TEST(IoWindow, ChineseTexts) {
    IoBench b(Language::Chinese);
    b.open();
    EXPECT_EQ(b.get<QPushButton>("connectButton")->text(), "连接");
    EXPECT_EQ(b.get<QPushButton>("allOutputsButton")->text(), "输出：全部关闭");
    EXPECT_EQ(b.get<QComboBox>("addressList")->itemText(0), "设备 1");
    EXPECT_EQ(b.get<QComboBox>("protocolList")->itemText(0), "自定义协议");
    EXPECT_EQ(b.get<QComboBox>("intervalList")->currentText(), "200");
    EXPECT_EQ(b.text("modelCaption"), "控制板型号");
}

}  // namespace
}  // namespace tavrel::test
