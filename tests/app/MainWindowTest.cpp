// The main window after start-up: controls, fixed lists, status bar, keys that close it.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DialogUnits.h"
#include "ProtocolSocket.h"
#include "WindowHarness.h"
#include "device/FixedLists.h"

namespace tavrel::test {
namespace {

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
}

template <std::size_t N>
QStringList expected(const std::array<std::string_view, N>& list) {
    QStringList entries;
    for (std::string_view entry : list) entries << QString::fromUtf8(entry.data(), qsizetype(entry.size()));
    return entries;
}

QString columnTitle(const QTableWidget* list, int column) {
    const QTableWidgetItem* item = list->horizontalHeaderItem(column);
    return item ? item->text() : QString();
}

TEST(MainWindowStart, EveryControlExistsUnderItsName) {
    Harness h;
    auto window = h.makeWindow();
    for (const ids::ControlName& entry : ids::kControlNames) {
        const QString name = QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size()));
        QWidget* byName = window->findChild<QWidget*>(name);
        ASSERT_NE(byName, nullptr) << entry.id << " " << entry.name;
        EXPECT_EQ(byName, window->control(entry.id)) << entry.name;
    }
}

TEST(MainWindowStart, ListsStartOnTheirFirstEntryAndWeekdaysStayChinese) {
    Harness h;
    h.writeLanguageFile("e");
    auto window = h.makeWindow();
    struct Case {
        int id;
        QStringList entries;
    };
    const Case cases[] = {{ids::kBaudRateList, expected(lists::kBaudRates)},
                          {ids::kParityList, expected(lists::kParities)},
                          {ids::kDataBitsList, expected(lists::kDataBits)},
                          {ids::kStopBitsList, expected(lists::kStopBits)},
                          {ids::kWorkModeList, expected(lists::kWorkModes)},
                          {ids::kPortList, expected(lists::kPorts)},
                          {ids::kInterfaceList, expected(lists::kInterfaces)},
                          {ids::kIpTypeList, {"Static IP", "DHCP   IP"}},
                          {ids::kWifiModeList, {"AP", "STA"}}};
    for (const Case& c : cases) {
        const auto* list = window->controlAs<QComboBox>(c.id);
        EXPECT_EQ(entriesOf(list), c.entries) << c.id;
        // Before any device is shown the form's lists choose nothing a device could be taken to hold.
        EXPECT_EQ(list->currentIndex(), c.id == ids::kPortList ? 0 : -1) << c.id;
    }
    EXPECT_TRUE(window->controlAs<QComboBox>(ids::kBaudRateList)->currentText().isEmpty());
    EXPECT_EQ(window->controlAs<QComboBox>(ids::kBaudRateList)->count(), 17);

    const QStringList weekdays = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    for (int id : {ids::kOpenWeekdayList, ids::kCloseWeekdayList}) {
        const auto* list = window->controlAs<QComboBox>(id);
        EXPECT_EQ(entriesOf(list), weekdays);
        EXPECT_EQ(list->currentIndex(), -1);
    }
}

TEST(MainWindowStart, HiddenDisabledAndCheckedControls) {
    Harness h;
    auto window = h.makeWindow();
    for (int id : {ids::kPortList, ids::kPortSelectLabel, ids::kEnableCheck, ids::kInterfaceLabel,
                   ids::kInterfaceList, ids::kScanProgress, ids::kStopEncryptionButton,
                   ids::kStartEncryptionButton, ids::kComputerTimeCheck})
        EXPECT_TRUE(window->control(id)->isHidden()) << id;
    for (int id :
         {ids::kDeviceList, ids::kSearchButton, ids::kBaudRateList, ids::kScheduleList, ids::kSignalBar})
        EXPECT_FALSE(window->control(id)->isHidden()) << id;
    EXPECT_FALSE(window->control(ids::kOneClickButton)->isEnabled());
    EXPECT_FALSE(window->control(ids::kInterfaceList)->isEnabled());
    EXPECT_TRUE(window->controlAs<QCheckBox>(ids::kComputerTimeCheck)->isChecked());
    EXPECT_TRUE(window->controlAs<QCheckBox>(ids::kBroadcastCheck)->isChecked());
    EXPECT_FALSE(window->controlAs<QCheckBox>(ids::kSelectSubnetCheck)->isChecked());
}

TEST(MainWindowStart, ListViewsHaveGridFullRowSelectionAndColumns) {
    Harness h;
    h.writeLanguageFile("e");
    auto window = h.makeWindow();
    QTableWidget* devices = window->deviceList();
    EXPECT_TRUE(devices->showGrid());
    EXPECT_EQ(devices->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(devices->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(devices->rowCount(), 0);
    ASSERT_EQ(devices->columnCount(), 4);
    const int deviceWidths[] = {150, 200, 100, 100};
    const char* deviceTitles[] = {"Device IP", "MAC", "Software", "Hardware"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(devices->columnWidth(c), deviceWidths[c]);
        EXPECT_EQ(columnTitle(devices, c), deviceTitles[c]);
    }
    QTableWidget* schedule = window->scheduleList();
    EXPECT_TRUE(schedule->showGrid());
    ASSERT_EQ(schedule->columnCount(), 4);
    const int scheduleWidths[] = {65, 45, 172, 172};
    const char* scheduleTitles[] = {"Index", "Mode", "Open Time", "Close Time"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(schedule->columnWidth(c), scheduleWidths[c]);
        EXPECT_EQ(columnTitle(schedule, c), scheduleTitles[c]);
    }
    EXPECT_FALSE(window->selectedDevice().has_value());
}

TEST(MainWindowStart, StatusBarHasFourPartsAtTheirEdges) {
    Harness h;
    auto window = h.makeWindow();
    window->show();
    QLabel* parts[4];
    for (int i = 0; i < 4; ++i) {
        parts[i] = window->findChild<QLabel*>(QStringLiteral("statusPart%1").arg(i));
        ASSERT_NE(parts[i], nullptr);
    }
    EXPECT_EQ(parts[1]->geometry().left(), 200);
    EXPECT_EQ(parts[2]->geometry().left(), 430);
    EXPECT_EQ(parts[3]->geometry().left(), 660);
    EXPECT_GT(parts[3]->geometry().right(), 660);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(window->statusText(i).isEmpty());
    EXPECT_EQ(window->statusText(3), "广播地址:127.255.255.255");
    window->setStatusText(2, "x");
    EXPECT_EQ(parts[2]->text(), "x");
    window->setStatusText(4, "ignored");
}

TEST(MainWindowStart, BroadcastAddressComesFromTheEnvironment) {
    Harness h;
    h.writeLanguageFile("e");
    ConfigDlgServices services;
    services.adapters = std::make_shared<FixedAdapterSource>(QList<AdapterAddress>{});
    services.prompts = h.prompts;
    const std::filesystem::path base(h.home.path().toStdString());
    services.paths = AppPaths{base / "vesk.ini", base / "io.ini", base / "VESK-Config"};
    CConfigDlg window(services);  // network settings from TAVREL_* (loopback, port 0)
    EXPECT_EQ(window.broadcastAddress(), "127.255.255.255");
    EXPECT_EQ(window.statusText(3), "BroadcastAdress:127.255.255.255");
    EXPECT_TRUE(window.socket().isBound());
}

TEST(MainWindowStart, HeldPortIsToldOnceAndTheWindowStillOpens) {
    QUdpSocket holder;  // no address reuse, so the window cannot share the port
    ASSERT_TRUE(holder.bind(QHostAddress::LocalHost, 0));
    Harness h;
    NetworkSettings network = Harness::loopbackNetwork();
    network.bindAddress = "127.0.0.1";
    network.localPort = holder.localPort();
    auto window = h.makeWindow({}, network);
    EXPECT_FALSE(window->socket().isBound());
    window->show();
    // The message is posted for after set-up: the event loop runs first.
    QCoreApplication::processEvents();
    EXPECT_EQ(h.prompts->shown.size(), 1) << h.prompts->shown.join('\n').toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowTitle().isEmpty());
}

TEST(MainWindowKeys, EnterOnAFocusedButtonPressesItInstead) {
    Harness h;
    auto window = h.makeWindow();
    window->show();
    auto* button = window->controlAs<QPushButton>(ids::kSearchButton);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(window->isVisible());
}

TEST(MainWindowKeys, CloseBoxClosesTheWindow) {
    Harness h;
    auto window = h.makeWindow();
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace tavrel::test
