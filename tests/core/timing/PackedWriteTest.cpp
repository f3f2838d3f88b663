#include <gtest/gtest.h>

#include "timing/ConfigImage.h"
#include "timing/PackedWrite.h"

namespace tavrel {
namespace {

DeviceRecord imageBoard(bool form866) {
    DeviceRecord d;
    d.inUse = 1;
    d.key = {0x19, 0x00, 0x33};
    d.imagePresent = 1;
    d.form866 = form866 ? 1 : 0;
    d.replyPort = 1111;
    d.ipType = 1;
    d.network = {{192, 168, 1, 7}, {255, 255, 255, 0}, {192, 168, 1, 1}, {8, 8, 8, 8}};
    d.ports[0].baudRate = 11;  // "115200"
    d.ports[0].dataBits = 8;
    d.ports[0].parity = 1;
    d.ports[0].stopBits = 1;
    d.ports[0].workMode = 2;
    d.ports[0].remotePort = 0x1234;
    d.ports[0].localPort = 502;
    d.ports[0].heartbeatInterval = 0x10005;
    std::span<std::uint8_t> img =
        form866 ? std::span<std::uint8_t>(d.imageB) : std::span<std::uint8_t>(d.imageA);
    img[300] = 0x5A;  // a byte no field names, carried as read
    return d;
}

PackedWriteInput input(const DeviceRecord& d) {
    PackedWriteInput in = packedWriteInputOf(d);
    in.network.mac = "00-CA-C1-19-00-33";
    in.rs485Address = "17";
    in.remoteHost = "example.org";
    return in;
}

const Frame& onlyFrame(const CommandOutcome& out) {
    EXPECT_EQ(out.plan.size(), 1u);
    return out.plan.front().bytes;
}

TEST(PackedWrite, Form830FrameLayout) {
    DeviceRecord d = imageBoard(false);
    const CommandOutcome out = packedWriteCommand(&d, input(d), false, 9);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    EXPECT_TRUE(out.showSending);
    const Step& step = out.plan.front();
    EXPECT_EQ(step.gapMs, 100);
    EXPECT_EQ(step.destination, Destination::BroadcastReplyPort);
    EXPECT_EQ(step.replyPort, 1111);
    const Frame& f = step.bytes;
    ASSERT_EQ(f.size(), 830u);
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin(), f.begin() + 8)),
              (std::vector<std::uint8_t>{'H', ':', 'W', 0x00, 0x00, 0xC2, 0x01, 0x00}));
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 76, f.begin() + 82)),
              (std::vector<std::uint8_t>{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}));
    EXPECT_EQ(f[4 + 10], 0x34);  // remote port, little-endian
    EXPECT_EQ(f[4 + 11], 0x12);
    EXPECT_EQ(f[4 + 184], 0x05);  // low 16 bits of the heartbeat interval
    EXPECT_EQ(f[4 + 185], 0x00);
    EXPECT_EQ(f[4 + 125], 17);
    EXPECT_EQ(f[4 + 300], 0x5A);
    EXPECT_EQ(std::string(f.begin() + 23, f.begin() + 34), "example.org");
    EXPECT_EQ(f[791], 0);
    for (std::size_t i = 796; i < 824; ++i) EXPECT_EQ(f[i], 0) << i;
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 824, f.end())),
              (std::vector<std::uint8_t>{0x19, 0x00, 0x33, f[827], 'E', '.'}));
    unsigned sum = 0;
    for (std::size_t i = 0; i < 827; ++i) sum += f[i];
    EXPECT_EQ(f[827], sum & 0xFF);
}

TEST(PackedWrite, SetClockFlagTravelsInByte791) {
    DeviceRecord d = imageBoard(false);
    setClock(d, boardClockOf({2024, 5, 5, 12, 0, 0}));
    const Frame f = onlyFrame(packedWriteCommand(&d, input(d), true, 9));
    EXPECT_EQ(f[791], 1);
    EXPECT_EQ(f[4 + 783], 7);  // weekday of the clock fields
    EXPECT_EQ(onlyFrame(packedWriteCommand(&d, input(d), false, 9))[791], 0);
}

TEST(PackedWrite, Form866CarriesImageBWithCloudAndItsOwnClockFlag) {
    DeviceRecord d = imageBoard(true);
    PackedWriteInput in = input(d);
    in.cloudId = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    in.cloudPassword = "pass1234";
    in.cloud = true;
    setClock(d, boardClockOf({2031, 1, 2, 3, 4, 5}));
    const Frame f = onlyFrame(packedWriteCommand(&d, in, true, 9));
    ASSERT_EQ(f.size(), 866u);
    EXPECT_EQ(f[4 + 788], 1);
    EXPECT_EQ(std::string(f.begin() + 4 + 789, f.begin() + 4 + 809), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(f.begin() + 4 + 809, f.begin() + 4 + 817), "pass1234");
    EXPECT_EQ(f[4 + 787], 1);
    EXPECT_EQ(f[4 + 786], 31);  // the clock went to image B, which this form sends
    EXPECT_EQ(f[4 + 300], 0x5A);
    EXPECT_EQ(textOf(d.ports[0].cloudId), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 860, f.begin() + 863)),
              (std::vector<std::uint8_t>{0x19, 0x00, 0x33}));
}

TEST(PackedWrite, Form302PayloadKeepsTheBoardsInputOptions) {
    DeviceRecord d = imageBoard(false);
    d.form302 = 1;
    d.ioOptions = {1, 1};
    d.wifiMode = 2;
    setText(d.apSsid, std::string(32, 'A'));
    setText(d.ports[0].heartbeatData, std::string(16, 'h'));
    d.ports[0].portFlag = 9;
    d.ports[0].portValue = 0x0102;
    PackedWriteInput in = input(d);
    in.network.outputFollow = false;
    const Frame f = onlyFrame(packedWriteCommand(&d, in, false, 9));
    ASSERT_EQ(f.size(), 302u);
    EXPECT_EQ(f[3], 0x02);
    const auto p = [&](std::size_t at) { return f[4 + at]; };
    EXPECT_EQ(p(0), 0x55);
    EXPECT_EQ(p(1), 2);
    EXPECT_EQ(p(2), 'A');
    EXPECT_EQ(p(33), 'A');  // an SSID the board reported whole goes back whole
    EXPECT_EQ(p(98), 192);
    EXPECT_EQ(p(102), 255);
    EXPECT_EQ(p(114 + 5), 0x33);
    EXPECT_EQ(p(154), 11);  // the baud rate as its list position
    EXPECT_EQ(p(164), 9);
    EXPECT_EQ(p(166), 0x02);
    EXPECT_EQ(p(214), 'h');
    EXPECT_EQ(p(215), 0);
    EXPECT_EQ(p(222), 2);
    EXPECT_EQ(p(225), 2);
    EXPECT_EQ(p(228), 17);
    EXPECT_EQ(p(137), 0);  // the identity block is not sent back
    EXPECT_EQ(d.ioOptions, (std::array<std::uint8_t, 2>{1, 1}));
}

TEST(PackedWrite, RefusalsChangeAndSendNothing) {
    DeviceRecord d = imageBoard(false);
    const DeviceRecord before = d;
    PackedWriteInput in = input(d);
    in.remoteHost = std::string(33, 'h');
    CommandOutcome out = packedWriteCommand(&d, in, false, 9);
    EXPECT_EQ(out.status, CommandStatus::Refused);
    EXPECT_EQ(out.message, "无效的网址！");
    in = input(d);
    in.network.mac = "00-CA-C1-19-00";
    EXPECT_EQ(packedWriteCommand(&d, in, false, 9).status, CommandStatus::Refused);
    in = input(d);
    for (const char* bad : {"256", "", "1x", "-1"}) {
        in.rs485Address = bad;
        out = packedWriteCommand(&d, in, false, 4);
        EXPECT_EQ(out.status, CommandStatus::Refused) << bad;
        EXPECT_EQ(out.message, "请输入0-255的数字！");
    }
    EXPECT_EQ(d, before);
    EXPECT_EQ(packedWriteCommand(nullptr, in, false, 9).status, CommandStatus::NoDevice);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST(PackedWriteCheck, NamesTheFieldsTheBoardDidNotTake) {
    DeviceRecord written = imageBoard(true);
    ASSERT_EQ(packedWriteCommand(&written, input(written), false, 9).status, CommandStatus::Ready);
    DeviceRecord readBack = written;
    EXPECT_TRUE(packedWriteDifferences(written, readBack).empty());
    readBack.imageB[image::kClock] ^= 1;  // the clock has run on
    readBack.imageB[image::kSetClockFlag] = 0;
    EXPECT_TRUE(packedWriteDifferences(written, readBack).empty());
    readBack.imageB[image::kMac + 2] ^= 1;
    readBack.imageB[image::kCloudId] ^= 1;
    EXPECT_EQ(packedWriteDifferences(written, readBack), (std::vector<std::string>{"mac", "cloud id"}));
    readBack.form866 = 0;
    EXPECT_EQ(packedWriteDifferences(written, readBack), (std::vector<std::string>{"form"}));

    DeviceRecord w302 = imageBoard(false);
    w302.form302 = 1;
    setText(w302.staSsid, std::string(32, 'S'));
    DeviceRecord r302 = w302;
    EXPECT_TRUE(packedWriteDifferences(w302, r302).empty());
    setText(r302.staSsid, std::string(31, 'S'));  // the board cut what it was sent
    EXPECT_EQ(packedWriteDifferences(w302, r302), (std::vector<std::string>{"sta ssid"}));
    r302.staSsid = w302.staSsid;
    r302.ports[0].remotePort ^= 1;
    EXPECT_EQ(packedWriteDifferences(w302, r302), (std::vector<std::string>{"remote port"}));
}

}  // namespace
}  // namespace tavrel
