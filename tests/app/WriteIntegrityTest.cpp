// The window writes back what it read: a save that changes one field gives the board its own bytes for
// every other one (texts that are not UTF-8, a rate outside the list); calibrate only where there is a
// clock; every "Sending data..." ends.
#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceWrite.h"
#include "FormBench.h"
#include "TimingArea.h"

namespace tavrel::test {
namespace {

sim::SimDeviceConfig board(sim::SimKind kind, int host) {
    sim::SimDeviceConfig c;
    c.kind = kind;
    c.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    c.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    return c;
}

int writesTo(const sim::SimDevice& d) {
    int n = 0;
    for (const auto& f : d.frames()) n += f.op == 'W' ? 1 : 0;
    return n;
}

int rowOf(CConfigDlg& window, int host) {
    for (int row = 0; row < window.deviceList()->rowCount(); ++row)
        if (window.deviceList()->item(row, 0)->text() == QStringLiteral("127.0.0.%1").arg(host)) return row;
    return -1;
}

}  // namespace

TEST(WriteIntegrity, SavingOneFieldGivesTheBoardItsOwnBytesForTheRest) {
    // A GBK SSID and password, bytes after a heartbeat text's end, and a rate outside the list.
    SimBench b({board(sim::SimKind::Board302, 41), board(sim::SimKind::Board830, 42)});
    sim::SimDevice& wifi = *b.simulator.device(0);
    sim::SimDevice& image = *b.simulator.device(1);
    sim::DeviceSettings w = wifi.settings();
    const std::array<std::uint8_t, 6> gbk = {0xB9, 0xA4, 0xB3, 0xA7, 0xC7, 0xF8};
    w.board.staSsid.fill(0);
    std::copy(gbk.begin(), gbk.end(), w.board.staSsid.begin());
    w.board.staPassword.fill(0);
    std::copy(gbk.begin(), gbk.begin() + 4, w.board.staPassword.begin());
    wifi.setSettings(w);
    sim::DeviceSettings i = image.settings();
    i.board.baudNumber = 300;
    i.ports[0].serial[0] = 0;
    image.setSettings(i);
    ASSERT_TRUE(b.search());

    for (sim::SimDevice* device : {&wifi, &image}) {
        SCOPED_TRACE(device->config().address[3]);
        const sim::DeviceSettings before = device->settings();
        selectRow(*b.window, rowOf(*b.window, device->config().address[3]));
        if (device == &image) {
            EXPECT_EQ(b.window->controlAs<QComboBox>(ids::kBaudRateList)->currentText(),
                      QStringLiteral("300"));
        }
        auto* dns = b.window->controlAs<QLineEdit>(ids::kDnsEdit);
        dns->setText(QStringLiteral("9.9.9.9"));
        device->clearLog();
        b.window->controlAs<QPushButton>(ids::kSaveConfigButton)->click();
        ASSERT_TRUE(waitUntil([&] { return writesTo(*device) > 0; }));
        ASSERT_TRUE(waitUntil([&] { return device->settings().network[12] == 9; }));
        sim::DeviceSettings expected = before;
        std::fill_n(expected.network.begin() + 12, 4, std::uint8_t{9});
        expected.board.clock = device->settings().board.clock;  // the board's clock runs on its own
        EXPECT_TRUE(device->settings().board == expected.board);
        EXPECT_TRUE(device->settings().ports[0] == expected.ports[0]);
        EXPECT_TRUE(device->settings().network == expected.network);
    }
}

TEST(WriteIntegrity, CalibrateFollowsTheSelectedDeviceAndSendingAlwaysEnds) {
    sim::SimDeviceConfig silent = serialServer(52, '4');
    silent.options.ignoreWrites = true;
    SimBench b({board(sim::SimKind::Board830, 51), silent});
    ASSERT_TRUE(b.search());
    QWidget* calibrate = b.window->control(ids::kCalibrateButton);
    sim::SimDevice& server = *b.simulator.device(1);

    selectRow(*b.window, rowOf(*b.window, 51));
    EXPECT_TRUE(calibrate->isEnabled());
    selectRow(*b.window, rowOf(*b.window, 52));
    EXPECT_FALSE(calibrate->isEnabled()) << "a serial server has no board clock";
    server.clearLog();
    b.window->timingArea().calibrate();
    EXPECT_EQ(writesTo(server), 0);

    // The server takes the save without a word: the status does not stay at "Sending data...".
    b.window->controlAs<QPushButton>(ids::kSaveNetworkButton)->click();
    EXPECT_EQ(b.window->statusText(2), QStringLiteral("Sending data..."));
    EXPECT_TRUE(
        waitUntil([&] { return b.window->statusText(2) == QStringLiteral("No answer from the device"); },
                  WriteTimings{}.answerWaitMs + 10000));
}

}  // namespace tavrel::test
