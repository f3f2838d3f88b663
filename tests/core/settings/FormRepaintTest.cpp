// What the form shows again after an edit is refused, a port is shown, or a search starts over.
#include <gtest/gtest.h>

#include "settings/DeviceView.h"
#include "settings/PortForm.h"
#include "settings/PortView.h"

using namespace tavrel;

namespace {

DeviceRecord serialServer(char portCount) {
    DeviceRecord d;
    d.inUse = 1;
    d.identity.bytes = {'V', '1', '4', '2', 'S', static_cast<std::uint8_t>(portCount), '1', '0'};
    for (std::size_t i = 0; i < kPortCount; ++i) {
        PortRecord& p = d.ports[i];
        p.baudRate = static_cast<std::uint8_t>(i + 1);  // tells the ports apart
        p.workMode = 2;
        p.modbus = 2;
        setText(p.remoteHost, "host.example");
        setText(p.heartbeatData, "HB");
    }
    setText(d.ports[0].cloudId, "ABCDEFGHIJ0123456789");
    setText(d.ports[0].cloudPassword, "pass1234");
    return d;
}

}  // namespace

TEST(FormRepaint, RefusedTextsShowTheRecordsValueAgain) {
    struct Case {
        TextField field;
        std::size_t port;
        std::string refused;
        std::string kept;
    };
    const Case cases[] = {
        {TextField::HeartbeatData, 0, std::string(17, 'x'), "HB"},
        {TextField::RemoteHost, 2, std::string(33, 'h'), "host.example"},
        {TextField::CloudId, 0, "19-characters-only!", "ABCDEFGHIJ0123456789"},
        {TextField::CloudPassword, 1, "1234567", "pass1234"},  // port 1's, whatever port is shown
    };
    for (const Case& c : cases) {
        DeviceRecord d = serialServer('4');
        const DeviceRecord before = d;
        const FormResult r = leaveTextEdit({&d, c.port}, c.field, c.refused, 9);
        EXPECT_FALSE(r.message.empty()) << c.refused;
        EXPECT_EQ(r.restoreText, c.kept) << c.refused;
        EXPECT_EQ(d, before) << c.refused;
    }

    DeviceRecord d = serialServer('4');
    const FormResult accepted = leaveTextEdit({&d, 0}, TextField::HeartbeatData, std::string(16, 'y'), 9);
    EXPECT_TRUE(accepted.message.empty());
    EXPECT_FALSE(accepted.restoreText.has_value());
    EXPECT_EQ(textOf(d.ports[0].heartbeatData), std::string(16, 'y'));
}

TEST(FormRepaint, ModbusTimeoutEditFollowsTheBoxAsShown) {
    DeviceRecord d = serialServer('4');
    // A byte that is neither off nor on leaves the box as it was, and the edit goes with the box.
    d.ports[0].modbus = 0;
    auto v = showPort(&d, 0);
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->modbusChecked.has_value());
    EXPECT_FALSE(v->modbusTimeoutEnabled(false));
    EXPECT_TRUE(v->modbusTimeoutEnabled(true));

    d.ports[0].modbus = kSwitchOff;
    v = showPort(&d, 0);
    EXPECT_FALSE(v->modbusTimeoutEnabled(true));
    d.ports[0].modbus = kSwitchOn;
    v = showPort(&d, 0);
    EXPECT_TRUE(v->modbusTimeoutEnabled(false));
}

TEST(FormRepaint, ShowDeviceMovesOnlyASelectionBeyondThePortCount) {
    struct Case {
        char portCount;
        int selection;
        int selected;
        int shownPort;  // -1: the port group is left as it is
    };
    const Case cases[] = {
        {'1', 0, 0, 0}, {'1', 1, 1, 1},  {'1', 2, 2, -1}, {'1', 3, 1, 1}, {'B', 7, 1, 1},
        {'4', 3, 3, 3}, {'4', 4, 4, -1}, {'4', 5, 3, 3},  {'8', 7, 7, 7}, {'6', -1, 0, 0},
    };
    for (const Case& c : cases) {
        const DeviceView v = showDevice(serialServer(c.portCount), c.selection);
        EXPECT_EQ(v.portList.selection, c.selected) << c.portCount << c.selection;
        if (c.shownPort < 0) {
            EXPECT_FALSE(v.port.has_value()) << c.portCount << c.selection;
        } else {
            ASSERT_TRUE(v.port.has_value()) << c.portCount << c.selection;
            EXPECT_EQ(v.port->baudRate, c.shownPort) << c.portCount << c.selection;
        }
    }
}

TEST(FormRepaint, EmptyFormKeepsNothingOfADevice) {
    const DeviceView v = emptyDeviceView();
    for (const std::string* text : {&v.mac, &v.ip, &v.mask, &v.gateway, &v.dns, &v.user, &v.password,
                                    &v.rs485Address, &v.wifi.apSsid, &v.wifi.staSsid, &v.wifi.signalText})
        EXPECT_TRUE(text->empty()) << *text;
    EXPECT_EQ(v.ipTypeSelection, -1);
    EXPECT_FALSE(v.outputFollow || v.sendStatus);
    EXPECT_FALSE(v.wifi.groupEnabled);
    EXPECT_EQ(v.wifi.modeSelection, -1);
    EXPECT_EQ(v.wifi.signalPosition, 0);

    ASSERT_TRUE(v.port.has_value());
    const PortView& p = *v.port;
    for (int list : {p.baudRate, p.parity, p.dataBits, p.stopBits, p.workMode}) EXPECT_EQ(list, -1);
    for (const std::string* text : {&p.remotePort, &p.localPort, &p.remoteHost, &p.heartbeatData,
                                    &p.heartbeatInterval, &p.modbusTimeout})
        EXPECT_TRUE(text->empty()) << *text;
    EXPECT_EQ(p.modbusChecked, false);
    EXPECT_FALSE(p.modbusTimeoutEnabled(true));
    EXPECT_FALSE(p.remoteTargetEnabled || p.heartbeatEnabled);
    ASSERT_TRUE(p.cloud.has_value());
    EXPECT_FALSE(p.cloud->checked || p.cloud->fieldsEnabled);
    EXPECT_TRUE(p.cloud->id.empty() && p.cloud->password.empty());
}
