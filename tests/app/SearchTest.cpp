// Searching from the main window against devices simulated in this process: rows in reply order,
// the form of a clicked device, the subnet scan, misbehaving devices, restarts and the time-out.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QTimer>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <cstdio>
#include <functional>

#include "CBroadcastDlg.h"
#include "ControlIds.h"
#include "Simulator.h"
#include "WindowHarness.h"
#include "device/FixedLists.h"
#include "protocol/Search.h"

namespace tavrel::test {
namespace {

using sim::SimDeviceConfig;
using sim::SimKind;

bool waitFor(const std::function<bool()>& done, int deadlineMs = 120000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

quint16 unusedPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

SimDeviceConfig device(SimKind kind, char ports, int host) {
    SimDeviceConfig c;
    c.kind = kind;
    c.portCountChar = ports;
    c.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    c.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    c.outputTiming = kind == SimKind::Board302;
    return c;
}

QString dotted(const std::uint8_t* octets) {
    return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

QString macOf(const sim::SimDevice& d) {
    const Mac& m = d.config().mac;
    char text[32];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
    return QString::fromLatin1(text);
}

QString identityText(const sim::SimDevice& d, std::size_t from) {
    return QString::fromStdString(sim::fieldText(Bytes(d.identity()).subspan(from, 4)));
}

// A window and simulated devices sharing a device port of their own.
struct Bench {
    explicit Bench(const std::vector<std::pair<SimDeviceConfig, int>>& devices) {
        simulator.setDevicePort(unusedPort());
        for (const auto& [config, delayMs] : devices) {
            QString error;
            sim::SimDevice* d = simulator.addDevice(config, &error);
            if (!d) ADD_FAILURE() << error.toStdString();
            if (d) d->setSearchReplyDelay(delayMs);
        }
        NetworkSettings network = Harness::loopbackNetwork();
        network.devicePort = simulator.devicePort();
        window = harness.makeWindow({}, network);
        window->show();
        list = window->deviceList();
    }

    sim::SimDevice& dev(std::size_t i) const { return *simulator.device(i); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = list->item(row, column);
        return item ? item->text() : QString();
    }
    template <class W>
    W* get(int id) const {
        return window->controlAs<W>(id);
    }
    void press(int id) const { get<QAbstractButton>(id)->click(); }
    // Rows whose device has been read out and shown (MAC column filled).
    int shownRows() const {
        int n = 0;
        for (int row = 0; row < list->rowCount(); ++row) n += cell(row, 1).isEmpty() ? 0 : 1;
        return n;
    }
    // Read-outs and the repeated broadcasts are over.
    bool settled() const {
        return window->session().pendingReadouts() == 0 && !window->session().searching();
    }
    int searchesSeen(std::size_t i) const { return dev(i).framesReceived('R', 1); }
    void clickRow(int row) const {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    Harness harness;
    sim::Simulator simulator;
    std::unique_ptr<CConfigDlg> window;
    QTableWidget* list = nullptr;
};

TEST(Search, BroadcastListsDevicesInReplyOrderAndShowsEach) {
    // Addresses ascend while the answers come in the other order.
    Bench b({{device(SimKind::SerialServer, '1', 2), 400},
             {device(SimKind::SerialServer, '4', 3), 200},
             {device(SimKind::Board302, '1', 4), 0}});
    b.press(ids::kSearchButton);
    EXPECT_EQ(b.window->statusText(0), "正在搜索设备...");
    EXPECT_EQ(b.window->statusText(1), "搜索端口: 1111");
    EXPECT_EQ(b.window->statusText(3), "广播地址:127.255.255.255");
    ASSERT_TRUE(waitFor([&] { return b.shownRows() == 3 && b.settled(); }));

    EXPECT_EQ(b.list->rowCount(), 3);
    const std::size_t replyOrder[] = {2, 1, 0};
    for (int row = 0; row < 3; ++row) {
        const sim::SimDevice& d = b.dev(replyOrder[row]);
        EXPECT_EQ(b.cell(row, 0), d.address().toString()) << row;
        EXPECT_EQ(b.cell(row, 1), macOf(d)) << row;
        EXPECT_EQ(b.cell(row, 2), identityText(d, 0)) << row;
        EXPECT_EQ(b.cell(row, 3), identityText(d, 4)) << row;
    }
    EXPECT_EQ(b.window->statusText(0), "已完成搜索");
    // Switching the language relabels the columns and keeps the rows and the selection.
    const auto selected = b.window->selectedDevice();
    ASSERT_TRUE(selected.has_value());
    b.window->actionById(ids::kEnglishCommand)->trigger();
    EXPECT_EQ(b.list->horizontalHeaderItem(0)->text(), "Device IP");
    EXPECT_EQ(b.cell(0, 0), b.dev(2).address().toString());
    EXPECT_EQ(b.cell(2, 1), macOf(b.dev(0)));
    EXPECT_EQ(b.window->selectedDevice(), selected);
    // The first answer ended the 3 s repeats; two more broadcasts followed it, more only while the
    // devices were still being read, and six at most.
    ASSERT_TRUE(waitFor([&] { return !b.window->session().searching(); }));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_GE(b.searchesSeen(i), 1 + kSearchesAfterReply) << i;
        EXPECT_LE(b.searchesSeen(i), 1 + kMaxSearchesAfterReply) << i;
        EXPECT_EQ(b.searchesSeen(i), b.searchesSeen(0)) << i;
    }
    EXPECT_EQ(b.list->rowCount(), 3);
    EXPECT_TRUE(b.get<QProgressBar>(ids::kScanProgress)->isHidden());
    // A new search selects again the device selected before it, though it answers last.
    b.list->selectRow(2);
    b.press(ids::kSearchButton);
    ASSERT_TRUE(waitFor([&] { return b.shownRows() == 3 && b.settled(); }));
    EXPECT_EQ(b.cell(b.window->selectedDevice().value_or(0), 1), macOf(b.dev(0)));
}

TEST(Search, ClickedRowShowsTheDeviceInTheForm) {
    Bench b({{device(SimKind::SerialServer, '4', 5), 0}, {device(SimKind::Board302, '1', 6), 150}});
    b.press(ids::kSearchButton);
    ASSERT_TRUE(waitFor([&] { return b.shownRows() == 2 && b.settled(); }));

    // The serial server: network group, port 1, no WiFi, separate save buttons.
    b.clickRow(0);
    ASSERT_EQ(b.window->selectedDevice(), 0);
    const sim::SimDevice& server = b.dev(0);
    const sim::DeviceSettings& s = server.settings();
    EXPECT_EQ(b.get<QLineEdit>(ids::kMacEdit)->text(), macOf(server));
    EXPECT_EQ(b.get<QLineEdit>(ids::kIpAddressEdit)->text(), dotted(s.network.data()));
    EXPECT_EQ(b.get<QLineEdit>(ids::kSubnetMaskEdit)->text(), dotted(s.network.data() + 4));
    EXPECT_EQ(b.get<QLineEdit>(ids::kGatewayEdit)->text(), dotted(s.network.data() + 8));
    EXPECT_EQ(b.get<QLineEdit>(ids::kDnsEdit)->text(), dotted(s.network.data() + 12));
    EXPECT_EQ(b.get<QComboBox>(ids::kIpTypeList)->currentIndex(), s.ipType - 1);
    const sim::SimPort& port1 = server.port(1);
    const int baud = sim::baudIndex(port1);
    ASSERT_GE(baud, 1);
    EXPECT_EQ(b.get<QComboBox>(ids::kBaudRateList)->currentText(),
              QString::fromLatin1(lists::kBaudRates[static_cast<std::size_t>(baud - 1)].data()));
    EXPECT_EQ(b.get<QLineEdit>(ids::kLocalPortEdit)->text(), QString::number(sim::localPortOf(port1)));
    EXPECT_EQ(b.get<QLineEdit>(ids::kRemotePortEdit)->text(), QString::number(sim::remotePortOf(port1)));
    EXPECT_FALSE(b.get<QComboBox>(ids::kWifiModeList)->isEnabled());
    EXPECT_EQ(b.get<QComboBox>(ids::kWifiModeList)->currentIndex(), -1);
    EXPECT_TRUE(b.get<QLabel>(ids::kSignalText)->text().isEmpty());
    EXPECT_FALSE(b.get<QPushButton>(ids::kSaveNetworkButton)->isHidden());
    EXPECT_FALSE(b.get<QPushButton>(ids::kSavePortButton)->isHidden());
    EXPECT_TRUE(b.get<QPushButton>(ids::kSavePortButton)->isEnabled());
    EXPECT_TRUE(b.get<QPushButton>(ids::kSaveConfigButton)->isHidden());
    EXPECT_TRUE(b.get<QComboBox>(ids::kBaudRateList)->isEnabled());

    // The 302 board with output timing: WiFi filled, serial lists locked, one "保存配置" button.
    b.clickRow(1);
    ASSERT_EQ(b.window->selectedDevice(), 1);
    const sim::BoardFields& board = b.dev(1).settings().board;
    ASSERT_EQ(board.signal, -60);
    ASSERT_EQ(board.wifiMode, 2);
    EXPECT_EQ(b.get<QLineEdit>(ids::kMacEdit)->text(), macOf(b.dev(1)));
    EXPECT_EQ(b.get<QComboBox>(ids::kWifiModeList)->currentText(), "STA");
    EXPECT_EQ(b.get<QLabel>(ids::kSignalText)->text(), "57% -60");
    EXPECT_EQ(b.get<QProgressBar>(ids::kSignalBar)->value(), 40);
    EXPECT_EQ(b.get<QLineEdit>(ids::kStaSsidEdit)->text(),
              QString::fromStdString(sim::fieldText(Bytes(board.staSsid))));
    EXPECT_TRUE(b.get<QLineEdit>(ids::kStaSsidEdit)->isEnabled());
    EXPECT_FALSE(b.get<QLineEdit>(ids::kApSsidEdit)->isEnabled());
    EXPECT_TRUE(b.get<QPushButton>(ids::kWifiScanButton)->isEnabled());
    EXPECT_FALSE(b.get<QComboBox>(ids::kBaudRateList)->isEnabled());
    EXPECT_TRUE(b.get<QCheckBox>(ids::kOutputFollowCheck)->isHidden());
    EXPECT_FALSE(b.get<QWidget>(ids::kReadScheduleButton)->isHidden());
    EXPECT_TRUE(b.get<QPushButton>(ids::kSaveNetworkButton)->isHidden());
    EXPECT_TRUE(b.get<QPushButton>(ids::kSavePortButton)->isHidden());
    EXPECT_FALSE(b.get<QPushButton>(ids::kSaveConfigButton)->isHidden());

    // Back to the server: everything the board set is undone.
    b.clickRow(0);
    EXPECT_FALSE(b.get<QComboBox>(ids::kWifiModeList)->isEnabled());
    EXPECT_TRUE(b.get<QLineEdit>(ids::kStaSsidEdit)->text().isEmpty());
    EXPECT_EQ(b.get<QProgressBar>(ids::kSignalBar)->value(), 0);
    EXPECT_TRUE(b.get<QComboBox>(ids::kBaudRateList)->isEnabled());
    EXPECT_FALSE(b.get<QCheckBox>(ids::kOutputFollowCheck)->isHidden());
    EXPECT_TRUE(b.get<QWidget>(ids::kReadScheduleButton)->isHidden());
    EXPECT_TRUE(b.get<QPushButton>(ids::kSaveConfigButton)->isHidden());

    // The selected row is painted in the selection colour, the other one white.
    const QImage image = b.list->viewport()->grab().toImage();
    auto colourAt = [&](int row) {
        const QRect cell = b.list->visualRect(b.list->model()->index(row, 1));
        return image.pixelColor(cell.right() - 4, cell.center().y());
    };
    EXPECT_EQ(colourAt(0), QColor(51, 153, 255));
    EXPECT_EQ(colourAt(1), QColor(Qt::white));
}

TEST(Search, BroadcastDialogSetsTheSubnetAndCancelKeepsTheAddress) {
    Harness h;
    auto window = h.makeWindow();
    auto* selectSubnet = window->controlAs<QCheckBox>(ids::kSelectSubnetCheck);
    QString opened;
    h.onModal = [&](QDialog& dialog) {
        auto* ask = qobject_cast<CBroadcastDlg*>(&dialog);
        ASSERT_NE(ask, nullptr);
        opened = ask->addressEdit()->text();
        EXPECT_EQ(ask->label()->text(), "广播地址:");
        EXPECT_EQ(ask->okButton()->text(), "确定");
        EXPECT_EQ(ask->cancelButton()->text(), "取消");
        ask->addressEdit()->setText("127.0.0.255");
        ask->okButton()->click();
    };
    selectSubnet->click();
    EXPECT_EQ(h.modalRuns, 1);
    EXPECT_EQ(opened, "127.255.255.255");
    EXPECT_TRUE(selectSubnet->isChecked());
    EXPECT_EQ(window->broadcastAddress(), "127.0.0.255");
    EXPECT_EQ(window->statusText(3), "广播地址:127.0.0.255");

    // Opens on the default again, not on the current address; Cancel unticks and keeps the address.
    window->actionById(ids::kEnglishCommand)->trigger();
    selectSubnet->click();  // off: back to the default
    EXPECT_EQ(window->broadcastAddress(), "127.255.255.255");
    window->setBroadcastAddress("127.0.9.255");
    h.onModal = [&](QDialog& dialog) {
        auto* ask = qobject_cast<CBroadcastDlg*>(&dialog);
        ASSERT_NE(ask, nullptr);
        opened = ask->addressEdit()->text();
        EXPECT_EQ(ask->okButton()->text(), "OK");
        EXPECT_EQ(ask->cancelButton()->text(), "Cancel");
        ask->addressEdit()->setText("127.0.7.255");
        ask->cancelButton()->click();
    };
    selectSubnet->click();
    EXPECT_EQ(h.modalRuns, 2);
    EXPECT_EQ(opened, "127.255.255.255");
    EXPECT_FALSE(selectSubnet->isChecked());
    EXPECT_EQ(window->broadcastAddress(), "127.0.9.255");
    EXPECT_EQ(window->statusText(3), "BroadcastAdress:127.0.9.255");

    // OK takes any text as it stands.
    h.onModal = [](QDialog& dialog) {
        auto* ask = qobject_cast<CBroadcastDlg*>(&dialog);
        ask->addressEdit()->setText("not an address");
        ask->okButton()->click();
    };
    selectSubnet->click();
    EXPECT_EQ(window->broadcastAddress(), "not an address");
}

TEST(Search, SubnetScanFindsDevicesAndHidesTheProgressBarAtTheEnd) {
    Bench b({{device(SimKind::SerialServer, '1', 2), 0}, {device(SimKind::Board302, '1', 9), 0}});
    b.harness.onModal = [](QDialog& dialog) {
        auto* ask = qobject_cast<CBroadcastDlg*>(&dialog);
        ask->addressEdit()->setText("127.0.0.255");
        ask->okButton()->click();
    };
    b.press(ids::kSelectSubnetCheck);
    b.press(ids::kBroadcastCheck);
    ASSERT_FALSE(b.get<QCheckBox>(ids::kBroadcastCheck)->isChecked());
    auto* progress = b.get<QProgressBar>(ids::kScanProgress);
    b.press(ids::kSearchButton);
    EXPECT_FALSE(progress->isHidden());
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 255);
    ASSERT_TRUE(waitFor([&] { return progress->value() > 0; }));
    EXPECT_TRUE(b.window->statusText(3).startsWith("搜索IP:127.0.0."))
        << b.window->statusText(3).toStdString();

    ASSERT_TRUE(waitFor([&] { return progress->isHidden() && b.shownRows() == 2 && b.settled(); }));
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(b.window->statusText(3), "搜索IP:127.0.0.254");
    EXPECT_EQ(b.window->statusText(0), "已完成搜索");
    EXPECT_EQ(b.cell(0, 0), "127.0.0.2");
    EXPECT_EQ(b.cell(1, 0), "127.0.0.9");
    // Each device was asked once, at its own address.
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(b.searchesSeen(i), 1) << i;
        EXPECT_FALSE(b.dev(i).frames().front().broadcast) << i;
    }
}

TEST(Search, SecondPressRestartsAScanFromTheFirstHostWithAnEmptyList) {
    Bench b({{device(SimKind::Board302, '1', 2), 0}});
    b.window->setBroadcastAddress("127.0.0.255");
    b.press(ids::kBroadcastCheck);
    b.press(ids::kSearchButton);
    ASSERT_TRUE(
        waitFor([&] { return b.list->rowCount() == 1 && b.window->session().pendingReadouts() == 0; }));
    auto* progress = b.get<QProgressBar>(ids::kScanProgress);
    ASSERT_TRUE(waitFor([&] { return progress->value() > 20; }));

    b.press(ids::kSearchButton);
    EXPECT_EQ(b.list->rowCount(), 0);
    EXPECT_FALSE(b.window->devices()[0].inUse);
    EXPECT_LE(progress->value(), 1);
    ASSERT_TRUE(waitFor([&] { return progress->isHidden() && b.list->rowCount() == 1; }));
    EXPECT_EQ(b.searchesSeen(0), 2);
    EXPECT_EQ(b.list->rowCount(), 1);
}

TEST(Search, MisbehavingDevicesGetOneRowEachAndSilentOnesNone) {
    SimDeviceConfig silent = device(SimKind::SerialServer, '1', 2);
    silent.options.silent = true;
    SimDeviceConfig lossy = device(SimKind::SerialServer, '4', 3);
    lossy.options.dropEvery = 3;
    SimDeviceConfig twice = device(SimKind::SerialServer, '1', 4);
    twice.options.answerTwice = true;
    Bench b({{silent, 0}, {lossy, 50}, {twice, 100}, {device(SimKind::Board302, '1', 5), 150}});
    b.press(ids::kSearchButton);
    // The one that answers twice is read out and shown (its doubled search reply came long before),
    // the board too, and every read-out has gone out.
    ASSERT_TRUE(waitFor([&] {
        return b.list->rowCount() >= 3 && !b.cell(1, 1).isEmpty() && !b.cell(2, 1).isEmpty() && b.settled();
    }));

    EXPECT_EQ(b.list->rowCount(), 3);
    EXPECT_EQ(b.cell(0, 0), "127.0.0.3");
    EXPECT_EQ(b.cell(1, 0), "127.0.0.4");
    EXPECT_EQ(b.cell(2, 0), "127.0.0.5");
    EXPECT_GE(b.dev(0).framesReceived('R', 1), 1);  // the silent one heard the search
    EXPECT_GT(b.dev(1).repliesDropped(), 0);
}

// A new search empties the list at once; unanswered broadcasts time out after the 11th request.
// The test drives the session's 3 s repeat timer instead of waiting for it.
TEST(Search, NewSearchEmptiesTheListAndUnansweredSearchTimesOut) {
    Bench b({{device(SimKind::Board302, '1', 2), 0}});
    b.window->actionById(ids::kEnglishCommand)->trigger();
    QSignalSpy received(&b.window->session().socket(), &ProtocolSocket::datagramReceived);
    b.press(ids::kSearchButton);
    // Over when the repeated broadcasts are and every answer to them has been taken, so that no late
    // answer reaches the next search.
    ASSERT_TRUE(waitFor([&] {
        return b.shownRows() == 1 && !b.window->session().searching() &&
               b.dev(0).repliesSent() == b.searchesSeen(0) && received.count() == b.searchesSeen(0);
    }));
    EXPECT_EQ(b.window->statusText(0), "Search end");
    const int before = b.searchesSeen(0);

    sim::SimOptions quiet = b.dev(0).options();
    quiet.silent = true;
    ASSERT_TRUE(b.dev(0).setOptions(quiet));
    b.press(ids::kSearchButton);
    EXPECT_EQ(b.list->rowCount(), 0);
    EXPECT_EQ(b.window->statusText(0), "Searching device...");
    EXPECT_EQ(b.window->statusText(1), "Search port: 1111");

    auto* repeat = b.window->session().findChild<QTimer*>();
    ASSERT_NE(repeat, nullptr);
    for (int request = 2; request <= 11; ++request) {
        ASSERT_TRUE(waitFor([&] { return b.searchesSeen(0) == before + request - 1; })) << request;
        if (request == 11) break;
        EXPECT_TRUE(b.window->statusText(0).startsWith("Searching device...")) << request;
        ASSERT_TRUE(repeat->isActive());
        repeat->start(0);
    }
    ASSERT_TRUE(waitFor([&] { return b.window->statusText(0) == "Search timeout,No device found"; }));
    EXPECT_FALSE(repeat->isActive());
    EXPECT_FALSE(b.window->session().searching());
    EXPECT_EQ(b.list->rowCount(), 0);

    // The search button stops a search that runs.
    auto* button = b.window->controlAs<QPushButton>(ids::kSearchButton);
    b.press(ids::kSearchButton);
    EXPECT_EQ(button->text(), "Stop Search");
    b.press(ids::kSearchButton);
    EXPECT_FALSE(b.window->session().searching());
    EXPECT_EQ(b.window->statusText(0), "Search stopped");
    EXPECT_EQ(button->text(), "Search Device");
}

TEST(Search, SaveResultsAndMissingSelectionReachTheStatusBar) {
    Harness h;
    auto window = h.makeWindow();
    window->actionById(ids::kEnglishCommand)->trigger();
    emit window->session().statusMessage(2, StatusMessage::Saved);
    EXPECT_EQ(window->statusText(2), "Successfully saved");
    // The failure text has no English form.
    emit window->session().statusMessage(2, StatusMessage::SaveFailed);
    EXPECT_EQ(window->statusText(2), "配置失败。请重新搜索设备，再试。");

    window->actionById(ids::kIoControlCommand)->trigger();
    EXPECT_EQ(window->statusText(0), "Please select a device");
}

}  // namespace
}  // namespace tavrel::test
