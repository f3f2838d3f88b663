#include <gtest/gtest.h>

#include "settings/PortForm.h"
#include "settings/PortView.h"
#include "settings/SettingsMessages.h"

using namespace tavrel;

namespace {

DeviceRecord device(char portCount, std::uint8_t kindFlag = 0) {
    DeviceRecord d;
    d.inUse = 1;
    d.kindFlag = kindFlag;
    d.identity.bytes[5] = static_cast<std::uint8_t>(portCount);
    for (auto& p : d.ports) {
        p.baudRate = 5;
        p.dataBits = 8;
        p.workMode = 1;
        p.interfaceType = 2;
        p.heartbeatInterval = 60;
    }
    return d;
}

}  // namespace

TEST(PortForm, NumberEditsRefuseBadTextAndKeepTheRecord) {
    DeviceRecord d = device('4');
    const DeviceRecord before = d;
    auto r = leaveNumberEdit({&d, 0}, NumberField::HeartbeatInterval, "70000");
    EXPECT_EQ(r.message, "请输入0-65535的数字！");
    EXPECT_TRUE(r.clearEdit);
    r = leaveNumberEdit({&d, 2}, NumberField::ModbusTimeout, "12a");
    EXPECT_TRUE(r.clearEdit);
    EXPECT_FALSE(r.message.empty());
    r = leaveNumberEdit({&d, 0}, NumberField::RemotePort, "65536");
    EXPECT_TRUE(r.clearEdit);
    EXPECT_EQ(d, before);

    r = leaveNumberEdit({&d, 0}, NumberField::HeartbeatInterval, "65535");
    EXPECT_TRUE(r.message.empty());
    EXPECT_FALSE(r.clearEdit);
    EXPECT_EQ(d.ports[0].heartbeatInterval, 65535u);
    leaveNumberEdit({&d, 0}, NumberField::HeartbeatInterval, "");
    EXPECT_EQ(d.ports[0].heartbeatInterval, 0u);
    leaveNumberEdit({&d, 1}, NumberField::RemotePort, "8080");
    leaveNumberEdit({&d, 1}, NumberField::LocalPort, "502");
    EXPECT_EQ(d.ports[1].remotePort, 8080);
    EXPECT_EQ(d.ports[1].localPort, 502);
}

TEST(PortForm, ModbusTimeoutHasTwoHomes) {
    DeviceRecord d = device('4');
    EXPECT_TRUE(leaveNumberEdit({&d, 2}, NumberField::ModbusTimeout, "250").message.empty());
    EXPECT_EQ(d.ports[2].interfaceType, 25);
    EXPECT_EQ(d.ports[2].modbusTimeout, 0);
    EXPECT_EQ(showPort(&d, 2)->modbusTimeout, "250");
    // Port 1 of a record without the kind flag uses the byte as well.
    leaveNumberEdit({&d, 0}, NumberField::ModbusTimeout, "259");
    EXPECT_EQ(d.ports[0].interfaceType, 25);
    // The byte holds at most 2550 ms; more would wrap.
    auto r = leaveNumberEdit({&d, 2}, NumberField::ModbusTimeout, "3000");
    EXPECT_EQ(r.message, "请输入0-2550的数字！");
    EXPECT_EQ(d.ports[2].interfaceType, 25);

    DeviceRecord k = device('4', 1);
    EXPECT_TRUE(leaveNumberEdit({&k, 0}, NumberField::ModbusTimeout, "250").message.empty());
    EXPECT_EQ(k.ports[0].modbusTimeout, 250);
    EXPECT_EQ(k.ports[0].interfaceType, 2);
    EXPECT_EQ(showPort(&k, 0)->modbusTimeout, "250");
    leaveNumberEdit({&k, 1}, NumberField::ModbusTimeout, "65535");
    EXPECT_EQ(k.ports[1].modbusTimeout, 65535);
    leaveNumberEdit({&k, 2}, NumberField::ModbusTimeout, "90");
    EXPECT_EQ(k.ports[2].interfaceType, 9);
}

TEST(PortForm, ListsStoreTheirEncodings) {
    DeviceRecord d = device('4');
    FormTarget t{&d, 0};
    chooseListEntry(t, ListField::BaudRate, 16);
    chooseListEntry(t, ListField::Parity, 2);
    chooseListEntry(t, ListField::DataBits, 0);
    chooseListEntry(t, ListField::StopBits, 1);
    chooseListEntry(t, ListField::InterfaceType, 2);
    const PortRecord& p = d.ports[0];
    EXPECT_EQ(p.baudRate, 17);
    EXPECT_EQ(p.parity, 3);
    EXPECT_EQ(p.dataBits, 7);
    EXPECT_EQ(p.stopBits, 2);
    EXPECT_EQ(p.interfaceType, 3);
    // No selection, or one past the list, changes nothing.
    chooseListEntry(t, ListField::BaudRate, -1);
    chooseListEntry(t, ListField::BaudRate, 17);
    chooseListEntry(t, ListField::DataBits, 3);
    EXPECT_EQ(p.baudRate, 17);
    EXPECT_EQ(p.dataBits, 7);
}

TEST(PortForm, WorkModeDecidesWhichFieldsAreOpen) {
    DeviceRecord d = device('4');
    struct Case {
        int selection;
        bool remote;
        bool heartbeat;
    };
    for (auto c : {Case{0, false, false}, Case{1, true, true}, Case{2, false, false}, Case{3, true, false}}) {
        auto r = chooseListEntry({&d, 0}, ListField::WorkMode, c.selection);
        EXPECT_EQ(d.ports[0].workMode, c.selection + 1);
        EXPECT_EQ(r.enables.remoteTarget, c.remote) << c.selection;
        EXPECT_EQ(r.enables.heartbeat, c.heartbeat) << c.selection;
        auto v = showPort(&d, 0);
        EXPECT_EQ(v->remoteTargetEnabled, c.remote);
        EXPECT_EQ(v->heartbeatEnabled, c.heartbeat);
    }
    EXPECT_FALSE(chooseListEntry({&d, 0}, ListField::WorkMode, 4).enables.remoteTarget.has_value());
}

TEST(PortForm, TextsAndCheckBoxes) {
    DeviceRecord d = device('4');
    EXPECT_TRUE(leaveTextEdit({&d, 0}, TextField::RemoteHost, std::string(32, 'h'), 9).message.empty());
    EXPECT_EQ(textOf(d.ports[0].remoteHost), std::string(32, 'h'));
    EXPECT_EQ(leaveTextEdit({&d, 0}, TextField::RemoteHost, std::string(33, 'x'), 9).message, "无效的网址！");
    EXPECT_EQ(textOf(d.ports[0].remoteHost), std::string(32, 'h'));
    EXPECT_EQ(leaveTextEdit({&d, 0}, TextField::HeartbeatData, std::string(17, 'x'), 9).message,
              settingsMessage(SettingsMessage::HeartbeatDataTooLong, 9));
    leaveTextEdit({&d, 0}, TextField::HeartbeatData, "ping", 9);
    EXPECT_EQ(textOf(d.ports[0].heartbeatData), "ping");

    // Cloud fields belong to port 1 and are kept only at their exact length.
    EXPECT_EQ(leaveTextEdit({&d, 1}, TextField::CloudId, "short", 9).message, "云设备ID 是20位的字符");
    EXPECT_EQ(leaveTextEdit({&d, 1}, TextField::CloudPassword, "1234567", 4).message,
              "云设备密码 是8位的字符");
    EXPECT_EQ(textOf(d.ports[0].cloudId), "");
    leaveTextEdit({&d, 1}, TextField::CloudId, "ABCDEFGHIJ0123456789", 9);
    leaveTextEdit({&d, 1}, TextField::CloudPassword, "pass1234", 9);
    EXPECT_EQ(textOf(d.ports[0].cloudId), "ABCDEFGHIJ0123456789");
    EXPECT_EQ(textOf(d.ports[0].cloudPassword), "pass1234");
    EXPECT_EQ(textOf(d.ports[1].cloudId), "");
    // A text is unedited only against its own field: equal to another field's value, it is taken.
    leaveTextEdit({&d, 0}, TextField::RemoteHost, "ABCDEFGHIJ0123456789", 9);
    EXPECT_EQ(textOf(d.ports[0].remoteHost), "ABCDEFGHIJ0123456789");
    leaveTextEdit({&d, 0}, TextField::RemoteHost, "pass1234", 9);
    leaveTextEdit({&d, 0}, TextField::HeartbeatData, "pass1234", 9);
    EXPECT_EQ(textOf(d.ports[0].remoteHost), "pass1234");
    EXPECT_EQ(textOf(d.ports[0].heartbeatData), "pass1234");

    auto r = clickCheckBox({&d, 0}, CheckField::Modbus, true);
    EXPECT_EQ(d.ports[0].modbus, 2);
    EXPECT_EQ(r.enables.modbusTimeout, true);
    clickCheckBox({&d, 0}, CheckField::Enable, false);
    EXPECT_EQ(d.ports[0].enable, 1);
    r = clickCheckBox({&d, 0}, CheckField::Cloud, true);
    EXPECT_EQ(r.enables.cloudFields, true);
    EXPECT_EQ(d.ports[0].cloud, 1);
    auto cloud = showPort(&d, 0)->cloud;
    ASSERT_TRUE(cloud.has_value());
    EXPECT_TRUE(cloud->checked && cloud->fieldsEnabled);
    EXPECT_EQ(cloud->id, "ABCDEFGHIJ0123456789");
}

TEST(PortForm, NoSelectedDeviceChangesNothing) {
    FormTarget none{nullptr, 0};
    EXPECT_TRUE(chooseListEntry(none, ListField::BaudRate, 1).noDevice);
    EXPECT_TRUE(leaveNumberEdit(none, NumberField::HeartbeatInterval, "70000").noDevice);
    EXPECT_TRUE(leaveNumberEdit(none, NumberField::HeartbeatInterval, "70000").message.empty());
    EXPECT_TRUE(leaveTextEdit(none, TextField::CloudId, "x", 9).noDevice);
    auto r = clickCheckBox(none, CheckField::Cloud, true);
    EXPECT_TRUE(r.noDevice);
    EXPECT_FALSE(r.enables.cloudFields.has_value());
    EXPECT_FALSE(showPort(nullptr, 0).has_value());
    DeviceRecord d = device('8');
    EXPECT_FALSE(showPort(&d, 8).has_value());
    EXPECT_TRUE(leaveTextEdit({&d, 8}, TextField::RemoteHost, "x", 9).noDevice);
}

TEST(PortView, InterfaceTypeShownFromTheRecordOrByPortRules) {
    auto shown = [](char count, char model, std::size_t port, std::uint8_t lastByte) {
        DeviceRecord d = device(count);
        d.identity.bytes[4] = static_cast<std::uint8_t>(model);
        d.ports[port].interfaceType = lastByte;
        auto v = showPort(&d, port);
        return std::make_pair(v->interfaceType, v->interfaceTypeEnabled);
    };
    EXPECT_EQ(shown('4', 'A', 3, 3), std::make_pair(2, true));
    EXPECT_EQ(shown('4', 'A', 0, 0), std::make_pair(0, false));
    EXPECT_EQ(shown('4', 'Z', 1, 25), std::make_pair(0, false));
    EXPECT_EQ(shown('4', 'A', 1, 25), std::make_pair(1, false));
    EXPECT_EQ(shown('1', 'A', 2, 0), std::make_pair(1, false));
    EXPECT_EQ(shown('4', 'A', 2, 0), std::make_pair(0, false));
}

TEST(PortView, ValuesAndBoxesFromTheRecord) {
    DeviceRecord d = device('4');
    PortRecord& p = d.ports[1];
    p.baudRate = 0;  // not read yet
    p.parity = 3;
    p.stopBits = 4;
    p.workMode = 3;
    p.remotePort = 8080;
    p.localPort = 20108;
    p.heartbeatInterval = 75;
    p.enable = 0;
    p.modbus = 2;
    setText(p.remoteHost, "example.org");
    setText(p.heartbeatData, "beat");
    auto v = showPort(&d, 1);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->baudRate, -1);
    EXPECT_EQ(v->baudOutsideList, "");
    p.baudNumber = 250000;  // a rate the list does not hold is shown as its number
    EXPECT_EQ(showPort(&d, 1)->baudOutsideList, "250000");
    EXPECT_EQ(v->parity, 2);
    EXPECT_EQ(v->dataBits, 1);
    EXPECT_EQ(v->stopBits, -1);
    EXPECT_EQ(v->workMode, 2);
    EXPECT_EQ(v->remotePort, "8080");
    EXPECT_EQ(v->localPort, "20108");
    EXPECT_EQ(v->remoteHost, "example.org");
    EXPECT_EQ(v->heartbeatData, "beat");
    EXPECT_EQ(v->heartbeatInterval, "75");
    EXPECT_EQ(v->modbusTimeout, "20");  // the interface byte, in tens of milliseconds
    EXPECT_FALSE(v->enableChecked.has_value());
    EXPECT_EQ(v->modbusChecked, true);
    p.enable = 2;
    EXPECT_EQ(showPort(&d, 1)->enableChecked, std::optional<bool>(true));
    p.enable = 1;
    EXPECT_EQ(showPort(&d, 1)->enableChecked, std::optional<bool>(false));
    p.enable = 0;
    EXPECT_TRUE(v->modbusTimeoutEnabled(false));
    EXPECT_FALSE(v->cloud.has_value());
    // Four ports: the list shows so that each can be chosen; the other two controls never show.
    EXPECT_TRUE(v->portListVisible);
    EXPECT_FALSE(v->interfaceTypeVisible || v->enableVisible);
    // One port counts as two in the list; an unknown count as one, which needs no list.
    for (auto [ports, visible] : {std::pair{'1', true}, std::pair{'B', true}, std::pair{'?', false}}) {
        DeviceRecord one = device(ports);
        EXPECT_EQ(showPort(&one, 0)->portListVisible, visible) << ports;
    }
}

TEST(PortView, PortListRefill) {
    auto one = refillPortList('1', 1);
    EXPECT_EQ(one.items, (std::vector<std::string>{"PORT1", "PORT2"}));
    EXPECT_EQ(one.selection, 1);
    EXPECT_EQ(refillPortList('B', 5).selection, 1);
    EXPECT_EQ(refillPortList('6', 5).items.size(), 6u);
    EXPECT_EQ(refillPortList('8', 7).items.back(), "PORT8");
    EXPECT_EQ(refillPortList('4', -1).selection, 0);
    EXPECT_EQ(refillPortList('\0', 0).items, std::vector<std::string>{"PORT1"});
}
