// What the form shows again after an edit is refused, and which port show device shows.
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
