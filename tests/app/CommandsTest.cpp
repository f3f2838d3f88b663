// Restart, factory reset and the two saves of the main window against simulated devices: what
// reaches the device, what the status bar and the message boxes say, and what is refused.
#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceSession.h"
#include "FormBench.h"
#include "QtText.h"
#include "settings/SettingsMessages.h"

namespace tavrel::test {
namespace {

constexpr std::uint8_t kWrite = 'W';
constexpr std::uint8_t kRestartSub = 8;
constexpr std::uint8_t kFactoryResetSub = 9;
constexpr std::uint8_t kCommitSub = 0x49;

sim::SimDeviceConfig refusingServer() {
    sim::SimDeviceConfig config = serialServer(21, '4');
    config.options.refuse = true;
    return config;
}

struct CommandFixture : SimBench {
    explicit CommandFixture(sim::SimDeviceConfig config = serialServer(21, '4')) : SimBench({config}) {
        ready = showActive(*window) && search();
        device = simulator.device(0);
        device->clearLog();
    }
    void press(int id) { window->controlAs<QPushButton>(id)->click(); }
    int writes() const {
        int n = 0;
        for (const auto& frame : device->frames()) n += frame.op == kWrite ? 1 : 0;
        return n;
    }
    // Restarts the device as a marker and waits for it: any frame an earlier command had sent is
    // in the log by then, since the same socket sends both to the same device.
    bool markerArrived() {
        selectRow(*window, 0);
        press(ids::kRestartButton);
        return waitUntil([&] { return device->framesReceived(kWrite, kRestartSub) > 0; });
    }
    QString message(int i) const { return harness.prompts->shown.value(i).section('|', 1); }

    bool ready = false;
    sim::SimDevice* device = nullptr;
};

TEST(DeviceCommands, WithoutASelectedDeviceNothingIsSent) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    const QString prompt = qs(f.window->texts().selectDevicePrompt);
    for (int id :
         {ids::kRestartButton, ids::kFactoryResetButton, ids::kSaveNetworkButton, ids::kSavePortButton}) {
        f.window->deviceList()->clearSelection();
        f.window->setStatusText(0, QString());
        f.press(id);
        EXPECT_EQ(f.window->statusText(0), prompt) << id;
    }
    EXPECT_NE(f.window->statusText(2), qs(f.window->texts().sendingData));
    ASSERT_TRUE(f.markerArrived());
    EXPECT_EQ(f.writes(), 1) << "the marker only";
    EXPECT_TRUE(f.harness.prompts->shown.isEmpty());
}

TEST(DeviceCommands, RestartAndFactoryResetReachTheDevice) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    f.press(ids::kRestartButton);
    ASSERT_TRUE(waitUntil([&] { return f.device->restarts() == 1; }));
    f.press(ids::kFactoryResetButton);
    ASSERT_TRUE(waitUntil([&] { return f.device->factoryResets() == 1; }));
    // Besides the two commands, only the searches that read the device again after each.
    std::vector<sim::ReceivedFrame> commands;
    for (const auto& frame : f.device->frames())
        if (frame.op == 'W') commands.push_back(frame);
    ASSERT_EQ(commands.size(), 2u);
    for (const auto& frame : commands) EXPECT_EQ(frame.localPort, f.window->network().devicePort);
    EXPECT_EQ(commands[1].subCode, kFactoryResetSub);
}

TEST(DeviceCommands, SavedBaudRateIsReadBackByTheNextSearch) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    auto* baud = f.window->controlAs<QComboBox>(ids::kBaudRateList);
    chooseEntry(baud, 10);
    f.press(ids::kSavePortButton);
    EXPECT_EQ(f.window->statusText(2), QStringLiteral("Sending data..."));
    ASSERT_TRUE(waitUntil([&] {
        return f.device->framesReceived(kWrite, kCommitSub) == 1 &&
               f.window->session().sequencer().isIdle() &&
               f.window->statusText(2) == QStringLiteral("Successfully saved");
    }));
    EXPECT_EQ(sim::baudIndex(f.device->port(1)), 11);
    EXPECT_FALSE(f.device->hasStagedChanges());
    EXPECT_TRUE(f.harness.prompts->shown.isEmpty());
    if (const QByteArray path = qgetenv("TAVREL_SAVED_SCREENSHOT"); !path.isEmpty())
        f.window->grab().save(QString::fromLocal8Bit(path));

    baud->setCurrentIndex(0);
    ASSERT_TRUE(f.search());
    EXPECT_EQ(baud->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(f.window->devices()[0].ports[0].baudRate, 11);
}

// A port changed on the device since the form showed it (by another tool) is named, and kept.
TEST(DeviceCommands, APortSaveKeepsWhatChangedOnTheDeviceSinceItWasShown) {
    CommandFixture f(serialServer(21, '8'));
    ASSERT_TRUE(f.ready);
    f.window->setFreshAnswerMs(0);  // the device is read again before every save
    sim::DeviceSettings behind = f.device->settings();
    behind.ports[5].serial[0] = 9;
    f.device->setSettings(behind);
    chooseEntry(f.window->controlAs<QComboBox>(ids::kPortList), 4);
    chooseEntry(f.window->controlAs<QComboBox>(ids::kBaudRateList), 10);
    f.press(ids::kSavePortButton);
    ASSERT_TRUE(waitUntil([&] {
        return f.device->framesReceived(kWrite, kCommitSub) == 1 && f.window->session().sequencer().isIdle();
    }));
    ASSERT_EQ(f.harness.prompts->shown.size(), 1);
    EXPECT_TRUE(f.message(0).contains(": PORT6.")) << f.message(0).toStdString();
    EXPECT_EQ(sim::baudIndex(f.device->port(5)), 11);
    EXPECT_EQ(f.device->port(6).serial[0], 9);
}

TEST(DeviceCommands, RefusedSaveIsReportedAsAFailure) {
    CommandFixture f(refusingServer());
    ASSERT_TRUE(f.ready);
    chooseEntry(f.window->controlAs<QComboBox>(ids::kBaudRateList), 10);
    f.press(ids::kSavePortButton);
    ASSERT_TRUE(waitUntil([&] {
        return f.device->framesReceived(kWrite, kCommitSub) == 1 &&
               f.window->session().sequencer().isIdle() &&
               f.window->statusText(2) == QStringLiteral("配置失败。请重新搜索设备，再试。");
    }));
    EXPECT_EQ(sim::baudIndex(f.device->port(1)), 5);
}

TEST(DeviceCommands, SavedNetworkGroupReachesTheDevice) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    typeAndLeave(f.window->controlAs<QLineEdit>(ids::kGatewayEdit), "192.168.1.254");
    f.press(ids::kSaveNetworkButton);
    EXPECT_EQ(f.window->statusText(2), QStringLiteral("Sending data..."));
    ASSERT_TRUE(waitUntil([&] {
        return f.device->framesReceived(kWrite, kCommitSub) == 1 &&
               f.window->session().sequencer().isIdle() &&
               f.window->statusText(2) == QStringLiteral("Successfully saved") &&
               f.window->devices()[0].network.gateway == Ipv4{192, 168, 1, 254};
    }));
    const auto& network = f.device->settings().network;
    EXPECT_EQ(std::vector<int>(network.begin() + 8, network.begin() + 12),
              (std::vector<int>{192, 168, 1, 254}));
}

TEST(DeviceCommands, BadMacRefusesTheNetworkSaveInTheInterfaceLanguage) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    const DeviceRecord before = f.window->devices()[0];
    auto* mac = f.window->controlAs<QLineEdit>(ids::kMacEdit);
    mac->setText(QStringLiteral("00-CA-C1-19-00"));
    f.press(ids::kSaveNetworkButton);
    f.window->switchLanguage(Language::Chinese);
    selectRow(*f.window, 0);
    mac->setText(QStringLiteral("00CAC119003G"));
    f.press(ids::kSaveNetworkButton);
    ASSERT_EQ(f.harness.prompts->shown.size(), 2);
    EXPECT_EQ(f.message(0), qs(settingsMessage(SettingsMessage::InvalidMac, kEnglishLanguageCode)));
    EXPECT_EQ(f.message(1), qs(settingsMessage(SettingsMessage::InvalidMac, kChineseLanguageCode)));
    EXPECT_NE(f.message(0), f.message(1));
    EXPECT_EQ(f.window->devices()[0], before);
    ASSERT_TRUE(f.markerArrived());
    EXPECT_EQ(f.writes(), 1) << "the marker only";
}

TEST(DeviceCommands, OverlongHostStopsThePortSaveBeforeItsPort) {
    CommandFixture f;
    ASSERT_TRUE(f.ready);
    // Typed but not yet left: the save reads the edit as it stands.
    f.window->controlAs<QLineEdit>(ids::kRemoteHostEdit)->setText(QString(33, QLatin1Char('h')));
    f.press(ids::kSavePortButton);
    ASSERT_EQ(f.harness.prompts->shown.size(), 1);
    EXPECT_EQ(f.message(0), qs(kInvalidHostMessage));
    ASSERT_TRUE(f.markerArrived());
    EXPECT_EQ(f.writes(), 1);
    EXPECT_EQ(textOf(f.window->devices()[0].ports[0].remoteHost), sim::fieldText(f.device->port(1).host));
}

}  // namespace
}  // namespace tavrel::test
