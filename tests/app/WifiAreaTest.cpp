// The WiFi group and the scan list against a simulated 302 board: what the group shows, the mode's
// enable rule across language switches, the scan frame and the chosen network.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <algorithm>

#include "CWifiListDlg.h"
#include "ControlIds.h"
#include "FormBench.h"
#include "WifiArea.h"

namespace tavrel::test {
namespace {

constexpr std::uint8_t kWifiScanSub = 0x41;

sim::SimDeviceConfig wifiBoard(int host) {
    sim::SimDeviceConfig config;
    config.kind = sim::SimKind::Board302;
    config.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    config.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    config.wifiNetworks = {{"Lab 2.4G", -67}, {"Office-WiFi", -48}, {"Guest", -81}};
    return config;
}

QByteArray scanResult(const QByteArray& text) {
    QByteArray d("H:R\x9F", 4);
    d += text;
    d += QByteArray("\x00\x00\x31", 3);
    std::uint8_t sum = 0;
    for (char c : d) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    d += static_cast<char>(sum);
    d += "E.";
    return d;
}

QStringList rowsOf(const QTableWidget* list) {
    QStringList rows;
    for (int r = 0; r < list->rowCount(); ++r) rows << list->item(r, 0)->text();
    return rows;
}

struct WifiFixture : SimBench {
    WifiFixture() : SimBench({wifiBoard(31), serialServer(32, '1')}) {
        ready = showActive(*window) && search();
        board = simulator.device(0);
        board->clearLog();
        window->wifiArea().setScanTickMs(5);
    }
    QWidget* w(int id) const { return window->control(id); }
    QComboBox* modes() const { return window->controlAs<QComboBox>(ids::kWifiModeList); }
    QString text(int id) const { return window->controlAs<QLineEdit>(id)->text(); }
    // Which of AP fields, STA fields and Scan are enabled.
    std::vector<bool> enables() const {
        return {w(ids::kApSsidEdit)->isEnabled(), w(ids::kApPasswordEdit)->isEnabled(),
                w(ids::kStaSsidEdit)->isEnabled(), w(ids::kStaPasswordEdit)->isEnabled(),
                w(ids::kWifiScanButton)->isEnabled()};
    }

    bool ready = false;
    sim::SimDevice* board = nullptr;
};

const std::vector<bool> kStaEnables = {false, false, true, true, true};
const std::vector<bool> kApEnables = {true, true, false, false, false};
const std::vector<bool> kNoneEnabled = {false, false, false, false, false};

TEST(WifiGroup, ShowsTheBoardAndEmptiesForOtherDevices) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    selectRow(*f.window, 0);
    EXPECT_EQ(f.modes()->currentText(), "STA");
    EXPECT_TRUE(f.modes()->isEnabled());
    EXPECT_EQ(f.text(ids::kStaSsidEdit), "Office-WiFi");
    EXPECT_EQ(f.window->controlAs<QLabel>(ids::kSignalText)->text(), "57% -60");
    EXPECT_EQ(f.window->controlAs<QProgressBar>(ids::kSignalBar)->value(), 40);
    EXPECT_EQ(f.enables(), kStaEnables);
    EXPECT_FALSE(f.w(ids::kSavePortButton)->isEnabled());

    selectRow(*f.window, 1);
    EXPECT_EQ(f.modes()->currentIndex(), -1);
    EXPECT_FALSE(f.modes()->isEnabled());
    EXPECT_TRUE(f.text(ids::kStaSsidEdit).isEmpty());
    EXPECT_TRUE(f.window->controlAs<QLabel>(ids::kSignalText)->text().isEmpty());
    EXPECT_EQ(f.window->controlAs<QProgressBar>(ids::kSignalBar)->value(), 0);
    EXPECT_EQ(f.enables(), kNoneEnabled);

    // An access point shows full signal whatever the strength.
    sim::DeviceSettings ap = f.board->settings();
    ap.board.wifiMode = 1;
    ap.board.signal = -90;
    f.board->setSettings(ap);
    ASSERT_TRUE(f.search());
    selectRow(*f.window, 0);
    EXPECT_EQ(f.modes()->currentText(), "AP");
    EXPECT_EQ(f.window->controlAs<QLabel>(ids::kSignalText)->text(), "100%");
    EXPECT_EQ(f.enables(), kApEnables);
}

TEST(WifiGroup, ModeChoiceAndLanguageSwitchesKeepTheEntryAndItsRule) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    selectRow(*f.window, 0);
    for (Language language : {Language::Chinese, Language::English}) {
        f.window->switchLanguage(language);
        EXPECT_EQ(f.modes()->count(), 2);
        EXPECT_EQ(f.modes()->currentText(), "STA");
        EXPECT_EQ(f.enables(), kStaEnables);
        EXPECT_EQ(f.window->wifiArea().settings().mode, 2);
    }
    chooseEntry(f.modes(), 0);
    EXPECT_EQ(f.enables(), kApEnables);
    f.window->switchLanguage(Language::Chinese);
    EXPECT_EQ(f.modes()->currentText(), "AP");
    EXPECT_EQ(f.enables(), kApEnables);
    EXPECT_EQ(f.window->wifiArea().settings().mode, 1);

    // With no device shown the list stays without an entry and the group stays off.
    selectRow(*f.window, 1);
    f.window->switchLanguage(Language::English);
    EXPECT_EQ(f.modes()->currentIndex(), -1);
    EXPECT_EQ(f.enables(), kNoneEnabled);
}

TEST(WifiGroup, SettingsAreTheGroupsValues) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    selectRow(*f.window, 0);
    typeAndLeave(f.window->controlAs<QLineEdit>(ids::kStaSsidEdit), "Workshop");
    typeAndLeave(f.window->controlAs<QLineEdit>(ids::kStaPasswordEdit), "s3cret");
    const WifiSettings s = f.window->wifiArea().settings();
    EXPECT_EQ(s.mode, 2);
    EXPECT_EQ(s.staSsid, "Workshop");
    EXPECT_EQ(s.staPassword, "s3cret");
    EXPECT_EQ(s.apSsid, f.text(ids::kApSsidEdit).toStdString());
}

TEST(WifiScan, ChosenNetworkGoesIntoTheStationField) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    selectRow(*f.window, 0);
    QStringList shown;
    QString header;
    f.harness.onModal = [&](QDialog& dialog) {
        auto* list = qobject_cast<CWifiListDlg*>(&dialog);
        ASSERT_NE(list, nullptr);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        ASSERT_TRUE(waitUntil([&] { return list->list()->rowCount() == 3; }));
        shown = rowsOf(list->list());
        if (const QByteArray path = qgetenv("TAVREL_WIFI_SCREENSHOT"); !path.isEmpty()) {
            dialog.grab().save(QString::fromLocal8Bit(path) + "-list.png");
            f.window->grab().save(QString::fromLocal8Bit(path) + "-window.png");
        }
        header = list->header();
        QTableWidget* view = list->list();
        view->doItemsLayout();  // rows inserted a moment ago have no place on screen yet
        const QPoint at = view->visualItemRect(view->item(2, 0)).center();
        // A double click is a click and then the double-click event, as a mouse delivers it.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        EXPECT_TRUE(list->chosen());
    };
    f.w(ids::kWifiScanButton)->setFocus();
    qobject_cast<QPushButton*>(f.w(ids::kWifiScanButton))->click();
    EXPECT_EQ(f.harness.modalRuns, 1);
    EXPECT_EQ(shown, QStringList({"Office-WiFi", "Lab 2.4G", "Guest"}));
    EXPECT_EQ(header, "Double click selection");
    EXPECT_EQ(f.text(ids::kStaSsidEdit), "Guest");

    ASSERT_EQ(f.board->framesReceived('W', kWifiScanSub), 1);
    const sim::ReceivedFrame& frame = f.board->frames().back();
    EXPECT_TRUE(frame.broadcast);
    EXPECT_EQ(frame.localPort, f.window->network().devicePort);
    EXPECT_EQ(frame.bytes.size(), 26u);
}

TEST(WifiScan, WithoutBroadcastTheScanGoesToTheBoardsAddress) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    selectRow(*f.window, 0);
    f.window->controlAs<QCheckBox>(ids::kBroadcastCheck)->setChecked(false);
    bool answered = false;
    f.harness.onModal = [&](QDialog& dialog) {
        auto* list = qobject_cast<CWifiListDlg*>(&dialog);
        answered = waitUntil([&] { return list->list()->rowCount() == 3; });
    };
    f.window->wifiArea().scan();
    EXPECT_TRUE(answered);
    ASSERT_EQ(f.board->framesReceived('W', kWifiScanSub), 1);
    const auto& frames = f.board->frames();
    const auto scanFrame = std::find_if(frames.begin(), frames.end(), [](const auto& frame) {
        return frame.op == 'W' && frame.subCode == kWifiScanSub;
    });
    ASSERT_NE(scanFrame, frames.end());
    EXPECT_FALSE(scanFrame->broadcast);
    // Closed without a choice: the station field keeps its text.
    EXPECT_EQ(f.text(ids::kStaSsidEdit), "Office-WiFi");
}

TEST(WifiScan, WithoutASelectedDeviceNothingIsSent) {
    WifiFixture f;
    ASSERT_TRUE(f.ready);
    f.window->deviceList()->clearSelection();
    f.window->wifiArea().scan();
    EXPECT_EQ(f.window->statusText(0), "Please select a device");
    EXPECT_EQ(f.harness.modalRuns, 0);
    // A search request as a marker: anything sent before it has reached the board by then.
    f.window->session().sendSearch(QStringLiteral("127.0.0.31"));
    ASSERT_TRUE(waitUntil([&] {
        const auto& frames = f.board->frames();
        return std::any_of(frames.begin(), frames.end(), [](const auto& frame) {
            return frame.op == 'R' && frame.subCode == 1 && !frame.broadcast;
        });
    }));
    EXPECT_EQ(f.board->framesReceived('W', kWifiScanSub), 0);
}

TEST(WifiScanList, CountsDownToTimeoutAndStillTakesALateAnswer) {
    UiTexts texts;
    texts.load(Language::English);
    CWifiListDlg list(texts, nullptr, 5);
    EXPECT_EQ(list.header(), "Searching...  6");
    EXPECT_EQ(list.list()->columnWidth(0), 175);
    ASSERT_TRUE(waitUntil([&] { return !list.counting(); }));
    EXPECT_EQ(list.countdown(), 0);
    EXPECT_EQ(list.header(), "Search Timeout");

    // Too short to hold a list: dropped.
    list.showScanResult(QByteArray("H:R", 3));
    list.showScanResult(QByteArray("H:R\x9F\x41\x26", 6));
    EXPECT_EQ(list.header(), "Search Timeout");
    EXPECT_EQ(list.list()->rowCount(), 0);

    list.showScanResult(scanResult("North&South&East&West"));
    EXPECT_EQ(list.header(), "Double click selection");
    EXPECT_EQ(rowsOf(list.list()), QStringList({"North", "South", "East"}));
    list.showScanResult(scanResult("South&Harbour&"));
    EXPECT_EQ(rowsOf(list.list()), QStringList({"North", "South", "East", "Harbour"}));

    list.list()->setCurrentCell(3, 0);
    QTest::keyClick(list.list(), Qt::Key_Return);
    EXPECT_TRUE(list.chosen());
    EXPECT_EQ(list.chosenSsid(), "Harbour");
}

TEST(WifiScanList, AnswerStopsTheCountdownInChinese) {
    UiTexts texts;
    texts.load(Language::Chinese);
    CWifiListDlg list(texts, nullptr, 60000);
    EXPECT_EQ(list.header(), "正在搜索...  6");
    EXPECT_EQ(list.windowTitle(), "对话");
    list.showScanResult(scanResult("办公室&"));
    EXPECT_FALSE(list.counting());
    EXPECT_EQ(list.header(), "双击选择");
    EXPECT_EQ(rowsOf(list.list()), QStringList({"办公室"}));
    EXPECT_FALSE(list.chosen());
}

}  // namespace
}  // namespace tavrel::test
