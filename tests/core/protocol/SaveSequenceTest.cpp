// Whole save sequences checked frame by frame against sequences written out here from the
// protocol's table of sub-codes, not derived from the code under test.
#include <gtest/gtest.h>

#include <string>

#include "protocol/Commands.h"
#include "settings/DeviceView.h"
#include "texts/UiTexts.h"

using namespace tavrel;

namespace {

using Frame = std::vector<std::uint8_t>;

const DeviceKey kKey{0x19, 0x00, 0x33};
constexpr std::uint16_t kReplyPort = 5001;

Frame writeFrame(std::uint8_t sub, const Frame& payload, std::uint8_t filler = 0) {
    Frame f = {'H', ':', 'W', sub};
    f.insert(f.end(), payload.begin(), payload.end());
    f.resize(20, filler);
    f.insert(f.end(), kKey.begin(), kKey.end());
    unsigned sum = 0;
    for (auto b : f) sum += b;
    f.push_back(static_cast<std::uint8_t>(sum));
    f.push_back('E');
    f.push_back('.');
    return f;
}

Frame textBytes(const std::string& text) {
    return Frame(text.begin(), text.end());
}

std::string hostOf(int port) {
    return "port" + std::to_string(port) + "-host.example.net";  // 22 characters
}

DeviceRecord eightPortDevice() {
    DeviceRecord d;
    d.inUse = 1;
    d.key = kKey;
    d.replyPort = kReplyPort;
    d.identity.bytes[5] = '8';
    for (int i = 0; i < 8; ++i) {
        PortRecord& p = d.ports[static_cast<std::size_t>(i)];
        p.baudRate = static_cast<std::uint8_t>(i + 1);
        p.parity = static_cast<std::uint8_t>(1 + i % 3);
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = static_cast<std::uint8_t>(1 + i % 4);
        p.reserved = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
        p.remotePort = static_cast<std::uint16_t>(0x1000 + i);
        p.localPort = static_cast<std::uint16_t>(0x2000 + i);
        p.enable = 2;
        p.modbus = 1;
        p.interfaceType = 2;
        setText(p.remoteHost, hostOf(i + 1));
        setText(p.heartbeatData, "hb" + std::to_string(i + 1));
        p.modbusTimeout = static_cast<std::uint16_t>(100 * (i + 1));
        p.heartbeatInterval = static_cast<std::uint32_t>(10 + i);
    }
    return d;
}

// The serial block of port i (0-based) of eightPortDevice(), byte by byte.
Frame serialBlock(int i) {
    // Every port's reserved bytes go as read.
    return {static_cast<std::uint8_t>(i + 1),
            static_cast<std::uint8_t>(1 + i % 3),
            8,
            1,
            static_cast<std::uint8_t>(1 + i % 4),
            0xA1,
            0xA2,
            0xA3,
            0xA4,
            0x10,
            static_cast<std::uint8_t>(i),
            0x20,
            static_cast<std::uint8_t>(i),
            2,
            1,
            2};
}

struct Expected {
    int sub;
    int gapMs;
    Frame bytes;
};

}  // namespace

TEST(SaveSequence, EightPortsWithLongHostsFollowTheSubCodeTable) {
    // Per port: host characters 1-16, host characters 17-32, serial block, heartbeat data.
    const int table[8][4] = {{18, 19, 4, 55},  {20, 21, 5, 56},  {25, 32, 23, 57}, {33, 34, 24, 58},
                             {38, 39, 36, 59}, {40, 41, 37, 60}, {50, 51, 48, 61}, {52, 54, 49, 62}};
    std::vector<Expected> expected;
    for (int i = 0; i < 8; ++i) {
        const std::string host = hostOf(i + 1);
        // The first frame of a port follows the previous port's heartbeat: 500 ms for the first
        // frame of the save, 10 ms after port 1, none after ports 3 to 7 (port 2 is followed by the
        // word blocks).
        const int lead = i == 0 ? 500 : i == 1 ? 10 : 0;
        expected.push_back({table[i][0], lead, writeFrame(table[i][0], textBytes(host.substr(0, 16)))});
        expected.push_back({table[i][1], 10, writeFrame(table[i][1], textBytes(host.substr(16)))});
        expected.push_back({table[i][2], 10, writeFrame(table[i][2], serialBlock(i))});
        expected.push_back(
            {table[i][3], 10, writeFrame(table[i][3], textBytes("hb" + std::to_string(i + 1)))});
        if (i == 1) {
            // 50 ms after port 2's heartbeat data and 50 ms more before the Modbus timeouts.
            expected.push_back(
                {0x43, 100, writeFrame(0x43, {100, 0, 200, 0, 44, 1, 144, 1, 244, 1, 88, 2, 188, 2, 32, 3})});
            expected.push_back(
                {0x3F, 50, writeFrame(0x3F, {10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0, 16, 0, 17, 0})});
        }
    }
    expected.push_back({0x49, 0, writeFrame(0x49, {}, 0x55)});

    DeviceRecord d = eightPortDevice();
    const CommandOutcome out = savePortsCommand(&d);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    ASSERT_EQ(out.plan.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        SCOPED_TRACE("frame " + std::to_string(n) + ", sub-code " + std::to_string(expected[n].sub));
        EXPECT_EQ(out.plan[n].bytes, expected[n].bytes);
        EXPECT_EQ(out.plan[n].gapMs, expected[n].gapMs);
        EXPECT_EQ(out.plan[n].destination, Destination::BroadcastReplyPort);
        EXPECT_EQ(out.plan[n].replyPort, kReplyPort);
    }
}

TEST(SaveSequence, SavedInputOptionsAreWhatTheDeviceShowsAfterwards) {
    DeviceRecord d = eightPortDevice();
    d.ioOptions = {0, 1};
    NetworkFormInput form;
    form.ip = "192.168.1.200";
    form.mask = "255.255.255.0";
    form.gateway = "192.168.1.1";
    form.dns = "192.168.1.1";
    form.mac = "00-CA-C1-19-00-33";
    form.outputFollow = true;
    form.sendStatus = false;
    const CommandOutcome out = saveNetworkCommand(&d, form, kEnglishLanguageCode);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    ASSERT_EQ(out.plan.at(2).bytes, writeFrame(10, {1, 0}));
    // Shown again (a click on its row), the form offers what was sent, so a second save repeats it
    // instead of quietly undoing it.
    const DeviceView view = showDevice(d, 0);
    EXPECT_TRUE(view.outputFollow);
    EXPECT_FALSE(view.sendStatus);
    form.ip = "192.168.1.201";
    form.outputFollow = view.outputFollow;
    form.sendStatus = view.sendStatus;
    EXPECT_EQ(saveNetworkCommand(&d, form, kEnglishLanguageCode).plan.at(2).bytes, writeFrame(10, {1, 0}));
}
