// What the window shows is what the selected device holds: nothing before a device is shown, nothing
// of another device, nothing stale after the device changed itself; every port of it can be edited.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtTest/QSignalSpy>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceReread.h"
#include "FormBench.h"

namespace tavrel::test {
namespace {

int rowOf(CConfigDlg& window, int host) {
    for (int row = 0; row < window.deviceList()->rowCount(); ++row)
        if (window.deviceList()->item(row, 0)->text() == QStringLiteral("127.0.0.%1").arg(host)) return row;
    return -1;
}

sim::SimDeviceConfig timingBoard(int host) {
    sim::SimDeviceConfig c;
    c.kind = sim::SimKind::Board830;
    c.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    c.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    return c;
}

QString text(CConfigDlg& w, int id) {
    return w.controlAs<QLineEdit>(id)->text();
}

}  // namespace

TEST(WindowTruth, NothingIsShownOfNoDeviceOrOfAnotherOne) {
    SimBench b({timingBoard(61), serialServer(62, '4')});
    // Before any device: nothing a device could be taken to hold; no board clock to use.
    for (int id : {ids::kCalibrateButton, ids::kReadScheduleButton})
        EXPECT_FALSE(b.window->control(id)->isEnabled()) << id;
    EXPECT_TRUE(text(*b.window, ids::kIpAddressEdit).isEmpty());
    EXPECT_TRUE(b.window->controlAs<QComboBox>(ids::kDataBitsList)->currentText().isEmpty());
    for (int id : {ids::kIpAddressEdit, ids::kDataBitsList, ids::kLocalPortEdit, ids::kSavePortButton})
        EXPECT_FALSE(b.window->control(id)->isEnabled()) << id;

    ASSERT_TRUE(b.search());
    selectRow(*b.window, rowOf(*b.window, 61));
    EXPECT_TRUE(b.window->control(ids::kCalibrateButton)->isEnabled());
    b.window->controlAs<QLabel>(ids::kTimingStatusLabel)->setText(QStringLiteral("some board's status"));
    // A serial server has no board clock: the panel lets go of the board's.
    selectRow(*b.window, rowOf(*b.window, 62));
    EXPECT_FALSE(b.window->control(ids::kCalibrateButton)->isEnabled());
    EXPECT_TRUE(b.window->controlAs<QLabel>(ids::kTimingStatusLabel)->text().isEmpty());
    EXPECT_TRUE(b.window->controlAs<QLabel>(ids::kBoardTextLabel)->text().isEmpty());
    EXPECT_EQ(b.window->scheduleList()->rowCount(), 0);
}

TEST(WindowTruth, SelectionStaysAndEveryPortOfAServerCanBeChosen) {
    SimBench b({serialServer(71, '8'), serialServer(72, '8'), serialServer(73, '1')});
    ASSERT_TRUE(b.search());
    const int eight = rowOf(*b.window, 72);
    selectRow(*b.window, eight);
    // A read-out that finishes later shows in its row, not in the form of the selected device.
    emit b.window->session().deviceReady(rowOf(*b.window, 71));
    EXPECT_EQ(b.window->selectedDevice(), eight);

    auto* ports = b.window->controlAs<QComboBox>(ids::kPortList);
    EXPECT_TRUE(ports->isVisibleTo(b.window.get()));
    ASSERT_EQ(ports->count(), 8);
    // A one-port server shows the two entries the list counts for it.
    selectRow(*b.window, rowOf(*b.window, 73));
    EXPECT_TRUE(ports->isVisibleTo(b.window.get()));
    EXPECT_EQ(ports->count(), 2);
}

TEST(WindowTruth, APortChosenFromTheListIsTheOneEditedAndSaved) {
    SimBench b({serialServer(74, '8')});
    ASSERT_TRUE(showActive(*b.window));
    ASSERT_TRUE(b.search());
    selectRow(*b.window, 0);
    sim::SimDevice& device = *b.simulator.device(0);
    const sim::DeviceSettings before = device.settings();

    chooseEntry(b.window->controlAs<QComboBox>(ids::kPortList), 4);
    EXPECT_EQ(text(*b.window, ids::kLocalPortEdit), QString::number(sim::localPortOf(before.ports[4])));
    const int baud = sim::baudIndex(before.ports[4]) == 3 ? 6 : 3;  // 2400 or 19200: never the port's own
    chooseEntry(b.window->controlAs<QComboBox>(ids::kBaudRateList), baud - 1);
    typeAndLeave(b.window->controlAs<QLineEdit>(ids::kLocalPortEdit), "4321");
    QSignalSpy reread(&b.window->reread(), &DeviceReread::started);
    QSignalSpy back(&b.window->reread(), &DeviceReread::back);
    b.window->controlAs<QPushButton>(ids::kSavePortButton)->click();
    ASSERT_TRUE(waitUntil([&] { return sim::localPortOf(device.settings().ports[4]) == 4321; }));
    // The device is read again; until then its form takes no edit, afterwards it shows what it holds.
    ASSERT_TRUE(waitUntil([&] { return reread.count() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return back.count() == 1; }, DeviceReread::kLimitMs + 5000));
    EXPECT_TRUE(b.window->control(ids::kLocalPortEdit)->isEnabled());
    EXPECT_FALSE(b.window->control(ids::kCloudIdEdit)->isEnabled()) << "a server without cloud settings";
    EXPECT_EQ(text(*b.window, ids::kLocalPortEdit), QStringLiteral("4321"));
    EXPECT_EQ(b.window->controlAs<QComboBox>(ids::kPortList)->currentIndex(), 4);

    const sim::DeviceSettings after = device.settings();
    EXPECT_EQ(sim::baudIndex(after.ports[4]), baud);
    // Only the chosen port changed, and of it only the two fields.
    for (std::size_t i = 0; i < after.ports.size(); ++i) {
        if (i == 4) continue;
        EXPECT_EQ(after.ports[i], before.ports[i]) << "port " << i + 1;
    }
    sim::SimPort expected = before.ports[4];
    expected.serial[0] = static_cast<std::uint8_t>(baud);
    expected.serial[11] = 4321 >> 8;
    expected.serial[12] = 4321 & 0xFF;
    EXPECT_EQ(after.ports[4], expected);
}

TEST(WindowTruth, ResetAsksAndTheFormFollowsTheDeviceAfterwards) {
    SimBench b({serialServer(81, '4')});
    ASSERT_TRUE(b.search());
    sim::SimDevice& device = *b.simulator.device(0);
    sim::DeviceSettings changed = device.settings();
    changed.ports[0].serial[0] = 11;  // 115200
    device.setSettings(changed);
    selectRow(*b.window, 0);
    b.window->reread().start(0);
    ASSERT_TRUE(waitUntil([&] { return b.window->controlAs<QComboBox>(ids::kBaudRateList)->currentText() == "115200"; },
                          DeviceReread::kLimitMs));

    auto& prompts = *b.harness.prompts;
    prompts.confirmAnswer = false;
    b.window->controlAs<QPushButton>(ids::kFactoryResetButton)->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    // The question names the device it is about.
    EXPECT_EQ(prompts.shown[0], QStringLiteral("Info|Be sure to restore factory settings?\n127.0.0.81 (") +
                                    b.window->deviceList()->item(0, 1)->text() + ")");
    QCoreApplication::processEvents();
    EXPECT_EQ(device.factoryResets(), 0);

    prompts.confirmAnswer = true;
    b.window->setStatusText(2, QStringLiteral("an earlier save's answer"));
    b.window->controlAs<QPushButton>(ids::kFactoryResetButton)->click();
    EXPECT_TRUE(b.window->statusText(2).startsWith("Restoring the factory settings of 127.0.0.81"));
    ASSERT_TRUE(waitUntil([&] { return device.factoryResets() == 1; }));
    // Until the device answers again the form shows nothing of before; then what it holds now.
    ASSERT_TRUE(waitUntil([&] { return b.window->controlAs<QComboBox>(ids::kBaudRateList)->currentText() != "115200" &&
                                       !b.window->controlAs<QComboBox>(ids::kBaudRateList)->currentText().isEmpty(); },
                          DeviceReread::kLimitMs + 5000));
    EXPECT_EQ(b.window->controlAs<QComboBox>(ids::kBaudRateList)->currentIndex() + 1,
              sim::baudIndex(device.settings().ports[0]));
    ASSERT_TRUE(waitUntil([&] { return b.window->statusText(2).endsWith("is back with its factory settings."); }));
}

TEST(WindowTruth, QtsOwnTextsFollowTheLanguage) {
    Harness h;
    auto window = h.makeWindow();
    window->switchLanguage(Language::Chinese);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    window->switchLanguage(Language::English);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

}  // namespace tavrel::test
