// The port group of the main window: what each user edit does to the record of the shown port,
// which controls it enables, and what it refuses.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTableWidget>

#include "ClickableLabel.h"
#include "ControlIds.h"
#include "FormBench.h"
#include "QtText.h"
#include "settings/SettingsMessages.h"

namespace tavrel::test {
namespace {

const QString kNumberMessage = QStringLiteral("请输入0-65535的数字！");

TEST(SettingsForm, BadNumbersAreRefusedEmptiedAndLeaveTheRecord) {
    FormFixture f;
    typeAndLeave(f.edit(ids::kHeartbeatTimeEdit), "70000");
    ASSERT_EQ(f.h.prompts->shown.size(), 1);
    EXPECT_EQ(f.message(0), kNumberMessage);
    EXPECT_TRUE(f.edit(ids::kHeartbeatTimeEdit)->text().isEmpty());
    EXPECT_EQ(f.port1().heartbeatInterval, 60u);

    typeAndLeave(f.edit(ids::kModbusTimeoutEdit), "12a");
    ASSERT_EQ(f.h.prompts->shown.size(), 2);
    EXPECT_EQ(f.message(1), kNumberMessage);
    EXPECT_TRUE(f.edit(ids::kModbusTimeoutEdit)->text().isEmpty());
    EXPECT_EQ(f.port1().modbusTimeout, 200);

    // Good values go into the record at once, without a word.
    typeAndLeave(f.edit(ids::kHeartbeatTimeEdit), "65535");
    typeAndLeave(f.edit(ids::kModbusTimeoutEdit), "250");
    typeAndLeave(f.edit(ids::kRemotePortEdit), "502");
    typeAndLeave(f.edit(ids::kLocalPortEdit), "4196");
    EXPECT_EQ(f.h.prompts->shown.size(), 2);
    EXPECT_EQ(f.port1().heartbeatInterval, 65535u);
    EXPECT_EQ(f.port1().modbusTimeout, 250);
    EXPECT_EQ(f.port1().remotePort, 502);
    EXPECT_EQ(f.port1().localPort, 4196);
    // The edit of port 1 never reaches port 2.
    EXPECT_EQ(f.record().ports[1].heartbeatInterval, 60u);
}

TEST(SettingsForm, ModbusTimeoutWithoutItsOwnFieldGoesToTheSerialByteInTensOfMs) {
    DeviceRecord plain = sampleRecord(0x33);
    plain.kindFlag = 0;
    FormFixture f({plain});
    typeAndLeave(f.edit(ids::kModbusTimeoutEdit), "250");
    EXPECT_EQ(f.port1().interfaceType, 25);
    EXPECT_EQ(f.port1().modbusTimeout, 200);
    EXPECT_TRUE(f.h.prompts->shown.isEmpty());
}

TEST(SettingsForm, WorkModeEnablesRemoteTargetForClientsAndHeartbeatForTcpClient) {
    FormFixture f;
    const int remote[] = {ids::kRemoteHostEdit, ids::kRemotePortEdit};
    const int heartbeat[] = {ids::kHeartbeatDataEdit, ids::kHeartbeatTimeEdit};
    struct Case {
        int selection;
        bool remoteEnabled;
        bool heartbeatEnabled;
    };
    for (Case c : {Case{2, false, false}, Case{1, true, true}, Case{3, true, false}, Case{0, false, false}}) {
        chooseEntry(f.list(ids::kWorkModeList), c.selection);
        EXPECT_EQ(f.port1().workMode, c.selection + 1) << c.selection;
        for (int id : remote) EXPECT_EQ(f.window->control(id)->isEnabled(), c.remoteEnabled) << c.selection;
        for (int id : heartbeat)
            EXPECT_EQ(f.window->control(id)->isEnabled(), c.heartbeatEnabled) << c.selection;
    }
    EXPECT_EQ(f.list(ids::kWorkModeList)->currentText(), QStringLiteral("TCP_SERVER"));
}

TEST(SettingsForm, SerialListsStoreTheirPositions) {
    FormFixture f;
    chooseEntry(f.list(ids::kBaudRateList), 10);
    chooseEntry(f.list(ids::kParityList), 2);
    chooseEntry(f.list(ids::kDataBitsList), 0);
    chooseEntry(f.list(ids::kStopBitsList), 2);
    EXPECT_EQ(f.list(ids::kBaudRateList)->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(f.port1().baudRate, 11);
    EXPECT_EQ(f.port1().parity, 3);
    EXPECT_EQ(f.port1().dataBits, 7);
    EXPECT_EQ(f.port1().stopBits, 3);
}

TEST(SettingsForm, TextEditsAreStoredAndOverlongOnesRefused) {
    FormFixture f;
    typeAndLeave(f.edit(ids::kRemoteHostEdit), "cloud.example.org");
    typeAndLeave(f.edit(ids::kHeartbeatDataEdit), "PING");
    EXPECT_EQ(textOf(f.port1().remoteHost), "cloud.example.org");
    EXPECT_EQ(textOf(f.port1().heartbeatData), "PING");
    EXPECT_TRUE(f.h.prompts->shown.isEmpty());

    // 33 characters do not fit the record: refused, the record keeps the last host.
    typeAndLeave(f.edit(ids::kRemoteHostEdit), QString(33, QLatin1Char('h')));
    ASSERT_EQ(f.h.prompts->shown.size(), 1);
    EXPECT_EQ(f.message(0), qs(kInvalidHostMessage));
    EXPECT_EQ(textOf(f.port1().remoteHost), "cloud.example.org");
}

TEST(SettingsForm, CheckBoxesStoreTheirStateAndEnableTheirFields) {
    FormFixture f;
    f.check(ids::kModbusCheck)->setChecked(true);
    f.check(ids::kModbusCheck)->click();
    EXPECT_EQ(f.port1().modbus, 1);
    EXPECT_FALSE(f.edit(ids::kModbusTimeoutEdit)->isEnabled());
    f.check(ids::kModbusCheck)->click();
    EXPECT_EQ(f.port1().modbus, 2);
    EXPECT_TRUE(f.edit(ids::kModbusTimeoutEdit)->isEnabled());

    f.check(ids::kEnableCheck)->setChecked(true);
    f.check(ids::kEnableCheck)->click();
    EXPECT_EQ(f.port1().enable, 1);

    f.check(ids::kCloudCheck)->setChecked(false);
    f.check(ids::kCloudCheck)->click();
    EXPECT_TRUE(f.edit(ids::kCloudIdEdit)->isEnabled());
    EXPECT_TRUE(f.edit(ids::kCloudPasswordEdit)->isEnabled());
    f.check(ids::kCloudCheck)->click();
    EXPECT_FALSE(f.edit(ids::kCloudIdEdit)->isEnabled());
    EXPECT_FALSE(f.edit(ids::kCloudPasswordEdit)->isEnabled());
}

TEST(SettingsForm, CloudIdAndPasswordAreCheckedForLengthAndKeptInPort1) {
    FormFixture f;
    f.check(ids::kCloudCheck)->setChecked(false);
    f.check(ids::kCloudCheck)->click();

    typeAndLeave(f.edit(ids::kCloudIdEdit), "SHORT");
    typeAndLeave(f.edit(ids::kCloudPasswordEdit), "1234567");
    ASSERT_EQ(f.h.prompts->shown.size(), 2);
    EXPECT_EQ(f.message(0), qs(kCloudIdLengthMessage));
    EXPECT_EQ(f.message(1), qs(kCloudPasswordLengthMessage));
    EXPECT_EQ(textOf(f.port1().cloudId), "");
    // The refused text goes: the edit shows again what a save would send.
    EXPECT_EQ(f.edit(ids::kCloudIdEdit)->text(), QString());

    typeAndLeave(f.edit(ids::kCloudIdEdit), "ABCDEFGHIJ0123456789");
    typeAndLeave(f.edit(ids::kCloudPasswordEdit), "pass1234");
    EXPECT_EQ(f.h.prompts->shown.size(), 2);
    EXPECT_EQ(textOf(f.port1().cloudId), "ABCDEFGHIJ0123456789");
    EXPECT_EQ(textOf(f.port1().cloudPassword), "pass1234");
    EXPECT_EQ(f.port1().cloud, 1);
}

TEST(SettingsForm, HelpMarkExplainsCloudPassThrough) {
    FormFixture f;
    QTest::mouseClick(f.window->controlAs<ClickableLabel>(ids::kCloudHelpLink), Qt::LeftButton);
    ASSERT_EQ(f.h.prompts->shown.size(), 1);
    EXPECT_EQ(f.message(0), qs(cloudHelpText()));
}

TEST(SettingsForm, WithoutASelectedDeviceNothingChanges) {
    FormFixture f({sampleRecord(0x33)}, false);
    // Before any device is shown nothing in the form can be changed.
    EXPECT_FALSE(f.list(ids::kBaudRateList)->isEnabled());
    EXPECT_FALSE(f.edit(ids::kLocalPortEdit)->isEnabled());
    // Once one was, the form keeps it when the selection goes.
    selectRow(*f.window, 0);
    f.window->deviceList()->clearSelection();
    const DeviceRecord before = f.record();
    const QString prompt = qs(f.window->texts().selectDevicePrompt);
    ASSERT_EQ(prompt, QStringLiteral("Please select a device"));

    chooseEntry(f.list(ids::kBaudRateList), 10);
    EXPECT_EQ(f.window->statusText(0), prompt);
    f.window->setStatusText(0, QString());
    typeAndLeave(f.edit(ids::kLocalPortEdit), "70000");
    EXPECT_EQ(f.window->statusText(0), prompt);
    f.window->setStatusText(0, QString());
    f.check(ids::kModbusCheck)->click();
    EXPECT_EQ(f.window->statusText(0), prompt);
    f.window->setStatusText(0, QString());
    QTest::mouseClick(f.window->controlAs<ClickableLabel>(ids::kCloudHelpLink), Qt::LeftButton);
    EXPECT_EQ(f.window->statusText(0), prompt);

    EXPECT_TRUE(f.h.prompts->shown.isEmpty());
    EXPECT_EQ(f.record(), before);
}

TEST(SettingsForm, PortListOffersTheDevicesPortsAndShowsTheChosenOne) {
    DeviceRecord onePort = sampleRecord(0x33);
    onePort.identity.bytes[5] = '1';
    onePort.ports[1].baudRate = 7;
    onePort.ports[1].heartbeatInterval = 30;
    FormFixture f({onePort});
    // The list stays hidden in this window; it is driven from the keyboard all the same.
    QComboBox* ports = f.list(ids::kPortList);
    QTest::keyClick(ports, Qt::Key_F4);
    ports->hidePopup();
    ASSERT_EQ(ports->count(), 2);
    EXPECT_EQ(ports->itemText(1), QStringLiteral("PORT2"));
    EXPECT_EQ(ports->currentIndex(), 0);

    chooseEntry(ports, 1);
    EXPECT_EQ(f.list(ids::kBaudRateList)->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(f.edit(ids::kHeartbeatTimeEdit)->text(), QStringLiteral("30"));
    // Edits now go to port 2.
    chooseEntry(f.list(ids::kBaudRateList), 10);
    EXPECT_EQ(f.record().ports[1].baudRate, 11);
    EXPECT_EQ(f.port1().baudRate, 5);
    // The device's own record changes only when the device answers a save.
    EXPECT_EQ(f.window->devices()[0].ports[1].baudRate, 7);
}

TEST(SettingsForm, ShowingADeviceWritesNothingBack) {
    // Values the form would refuse from the user: painting them must neither ask nor store.
    DeviceRecord second = sampleRecord(0x34);
    for (PortRecord& p : second.ports) {
        p.baudRate = 11;
        p.workMode = 3;
        p.heartbeatInterval = 70000;
        setText(p.remoteHost, "10.0.0.9");
    }
    FormFixture f({sampleRecord(0x33), second});
    const DeviceRecord first = f.record(0);
    selectRow(*f.window, 1);
    ASSERT_TRUE(waitUntil([&] { return f.list(ids::kBaudRateList)->currentText() == "115200"; }));
    EXPECT_EQ(f.edit(ids::kHeartbeatTimeEdit)->text(), QStringLiteral("70000"));
    selectRow(*f.window, 0);
    ASSERT_TRUE(waitUntil([&] { return f.list(ids::kBaudRateList)->currentText() == "9600"; }));
    EXPECT_EQ(f.record(0), first);
    EXPECT_EQ(f.record(1), second);
    EXPECT_TRUE(f.h.prompts->shown.isEmpty());
}

}  // namespace
}  // namespace tavrel::test
