// The form never shows what a save would not send: refused texts, the Modbus timeout edit, and the
// previous search's device.
#include <gtest/gtest.h>

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceSession.h"
#include "FormBench.h"

namespace tavrel::test {
namespace {

TEST(FormRepaint, RefusedTextsGoBackToTheRecordsValue) {
    DeviceRecord record = sampleRecord(0x33);
    setText(record.ports[0].cloudId, "ABCDEFGHIJ0123456789");
    record.ports[0].cloud = 1;
    FormFixture w({record});

    typeAndLeave(w.edit(ids::kHeartbeatDataEdit), QString(17, QLatin1Char('x')));
    EXPECT_EQ(w.edit(ids::kHeartbeatDataEdit)->text(), "HB");
    typeAndLeave(w.edit(ids::kRemoteHostEdit), QString(33, QLatin1Char('h')));
    EXPECT_EQ(w.edit(ids::kRemoteHostEdit)->text(), "192.168.1.200");
    typeAndLeave(w.edit(ids::kCloudIdEdit), "too-short");
    EXPECT_EQ(w.edit(ids::kCloudIdEdit)->text(), "ABCDEFGHIJ0123456789");
    EXPECT_EQ(w.h.prompts->shown.size(), 3);
    EXPECT_EQ(textOf(w.port1().heartbeatData), "HB");
    EXPECT_EQ(textOf(w.port1().cloudId), "ABCDEFGHIJ0123456789");
}

TEST(FormRepaint, ModbusTimeoutEditIsOpenOnlyWithTheBoxChecked) {
    DeviceRecord undecided = sampleRecord(0x31);
    undecided.ports[0].modbus = 0;  // neither off nor on: the box stays as it is
    DeviceRecord on = sampleRecord(0x32);
    DeviceRecord off = sampleRecord(0x33);
    off.ports[0].modbus = kSwitchOff;
    FormFixture w({undecided, on, off}, false);
    auto* box = w.window->controlAs<QCheckBox>(ids::kModbusCheck);
    QWidget* timeout = w.window->control(ids::kModbusTimeoutEdit);

    const struct {
        int row;
        bool checked;
    } steps[] = {{0, false}, {1, true}, {0, true}, {2, false}, {0, false}};
    for (const auto& step : steps) {
        w.window->showDevice(step.row);
        EXPECT_EQ(box->isChecked(), step.checked) << step.row;
        EXPECT_EQ(timeout->isEnabled(), step.checked) << step.row;
    }
}

TEST(FormRepaint, NewSearchEmptiesTheFormAndTheSaveResult) {
    FormFixture w;
    EXPECT_EQ(w.edit(ids::kMacEdit)->text(), "00-CA-C1-19-00-33");
    emit w.window->session().statusMessage(2, StatusMessage::Saved);
    ASSERT_EQ(w.window->statusText(2), "Successfully saved");

    w.window->controlAs<QPushButton>(ids::kSearchButton)->click();
    EXPECT_EQ(w.window->deviceList()->rowCount(), 0);
    EXPECT_TRUE(w.window->statusText(2).isEmpty());
    for (int id :
         {ids::kMacEdit, ids::kIpAddressEdit, ids::kSubnetMaskEdit, ids::kGatewayEdit, ids::kDnsEdit,
          ids::kUserEdit, ids::kPasswordEdit, ids::kRs485Edit, ids::kRemoteHostEdit, ids::kRemotePortEdit,
          ids::kLocalPortEdit, ids::kHeartbeatDataEdit, ids::kHeartbeatTimeEdit, ids::kModbusTimeoutEdit,
          ids::kCloudIdEdit, ids::kCloudPasswordEdit, ids::kApSsidEdit, ids::kStaSsidEdit})
        EXPECT_TRUE(w.edit(id)->text().isEmpty()) << ids::objectNameOf(id);
    for (int id : {ids::kBaudRateList, ids::kParityList, ids::kDataBitsList, ids::kStopBitsList,
                   ids::kWorkModeList, ids::kIpTypeList})
        EXPECT_EQ(w.window->controlAs<QComboBox>(id)->currentIndex(), -1) << ids::objectNameOf(id);
    EXPECT_FALSE(w.window->controlAs<QCheckBox>(ids::kModbusCheck)->isChecked());
    EXPECT_FALSE(w.window->control(ids::kModbusTimeoutEdit)->isEnabled());
    EXPECT_FALSE(w.window->control(ids::kRemoteHostEdit)->isEnabled());

    // The emptied form is painted, not typed: no record is touched and no message shown.
    EXPECT_TRUE(w.h.prompts->shown.isEmpty());
    w.window->session().stopSearch();
}

}  // namespace
}  // namespace tavrel::test
