#include <gtest/gtest.h>

#include "settings/DeviceView.h"
#include "wifi/WifiView.h"

using namespace tavrel;

namespace {
DeviceRecord serialServer() {
    DeviceRecord r;
    r.inUse = 1;
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    const char id[] = "V142Z4";
    std::copy_n(id, 6, r.identity.bytes.begin());
    r.ipType = 2;
    r.network.ip = {10, 0, 0, 7};
    setText(r.user, "admin");
    r.ioOptions = {1, 0};
    r.ports[0].baudRate = 5;
    r.ports[0].workMode = 2;
    return r;
}
}  // namespace

TEST(DeviceView, SerialServerShowsNetworkAndPortOne) {
    DeviceView v = showDevice(serialServer(), 0);
    EXPECT_EQ(v.mac, "00-CA-C1-19-00-33");
    EXPECT_EQ(v.firmware, "V142");
    EXPECT_EQ(v.hardware, "Z4");
    EXPECT_EQ(v.ipTypeSelection, 1);
    EXPECT_EQ(v.ip, "10.0.0.7");
    EXPECT_EQ(v.user, "admin");
    EXPECT_TRUE(v.outputFollow);
    EXPECT_FALSE(v.sendStatus);
    EXPECT_TRUE(v.networkSaveVisible && v.portSaveVisible && v.portSaveEnabled);
    EXPECT_FALSE(v.configSaveVisible);
    EXPECT_FALSE(v.wifi.groupEnabled);
    EXPECT_EQ(v.wifi.modeSelection, -1);
    EXPECT_FALSE(v.cloudAvailable);
    EXPECT_EQ(v.portList.items.size(), 4u);
    ASSERT_TRUE(v.port);
    EXPECT_EQ(v.port->baudRate, 4);
}

TEST(DeviceView, PackedBoardsSwapTheSaveButtons) {
    DeviceRecord r = serialServer();
    r.form302 = 1;
    r.imagePresent = 1;
    r.outputTiming = 1;
    r.wifiMode = 2;
    r.signal = static_cast<std::uint8_t>(-65);
    setText(r.staSsid, "office");
    r.imageA[159] = 'D';
    DeviceView v = showDevice(r, 0);
    EXPECT_FALSE(v.networkSaveVisible);
    EXPECT_FALSE(v.portSaveVisible);
    EXPECT_FALSE(v.portSaveEnabled);
    EXPECT_TRUE(v.configSaveVisible);
    EXPECT_TRUE(v.scheduleFromImage);
    EXPECT_TRUE(v.outputTimingVisible);
    EXPECT_FALSE(v.ioOptionsVisible);
    EXPECT_FALSE(v.serialListsEnabled);
    EXPECT_TRUE(v.wifi.groupEnabled);
    EXPECT_EQ(v.wifi.modeSelection, 1);
    EXPECT_EQ(v.wifi.staSsid, "office");
    EXPECT_EQ(v.wifi.signalText, "50% -65");
    EXPECT_EQ(v.wifi.signalPosition, 35);
    EXPECT_TRUE(v.wifi.enables.scan);
    EXPECT_FALSE(v.wifi.enables.apFields);

    EXPECT_TRUE(v.cloudAvailable);

    // Of the other packed boards only the 866 has the cloud settings.
    DeviceRecord board = serialServer();
    board.imagePresent = 1;
    EXPECT_FALSE(showDevice(board, 0).cloudAvailable);
    board.form866 = 1;
    EXPECT_TRUE(showDevice(board, 0).cloudAvailable);
    board.imagePresent = 0;
    EXPECT_FALSE(showDevice(board, 0).cloudAvailable);

    r.outputTiming = 0;
    r.imageA[159] = 0;
    v = showDevice(r, 0);
    EXPECT_TRUE(v.ioOptionsVisible);
    EXPECT_TRUE(v.serialListsEnabled);
    EXPECT_FALSE(v.scheduleFromImage);
}

// Shown before a device is: no box may keep the last device's tick ("nothing" would leave it as it is).
TEST(DeviceView, TheEmptyViewClearsEveryBoxAndList) {
    const DeviceView v = emptyDeviceView();
    ASSERT_TRUE(v.port.has_value());
    EXPECT_EQ(v.port->enableChecked, std::optional<bool>(false));
    EXPECT_EQ(v.port->modbusChecked, std::optional<bool>(false));
    ASSERT_TRUE(v.port->cloud.has_value());
    EXPECT_FALSE(v.port->cloud->checked);
    EXPECT_EQ(v.port->interfaceType, -1);
    EXPECT_EQ(v.port->baudRate, -1);
}

TEST(WifiView, SignalTextRules) {
    EXPECT_EQ(signalText(-65, 1), "100%");
    EXPECT_EQ(signalText(-100, 2), "0% -100");
    EXPECT_EQ(signalText(-30, 2), "100% -30");
    EXPECT_EQ(signalText(-101, 2), "-1% -101");  // truncated toward zero
    EXPECT_EQ(signalText(-99, 2), "1% -99");
    EXPECT_EQ(enablesForWifiMode(0).apFields, true);
    EXPECT_EQ(enablesForWifiMode(0).scan, false);
    EXPECT_EQ(enablesForWifiMode(-1).staFields, true);
}
