#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "protocol/Commands.h"

using namespace tavrel;

namespace {

using Bytes26 = std::vector<std::uint8_t>;

// A 26-byte write frame built here from the frame layout, with its own checksum.
Bytes26 expectedWrite(std::uint8_t sub, std::initializer_list<std::uint8_t> payload, std::uint8_t filler,
                      DeviceKey key) {
    Bytes26 f = {'H', ':', 'W', sub};
    f.insert(f.end(), payload);
    while (f.size() < 20) f.push_back(filler);
    f.insert(f.end(), key.begin(), key.end());
    unsigned sum = 0;
    for (auto b : f) sum += b;
    f.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    f.push_back('E');
    f.push_back('.');
    return f;
}

const DeviceKey kKey{0x19, 0x00, 0x33};
constexpr std::uint16_t kReplyPort = 5001;

DeviceRecord device(char portCount) {
    DeviceRecord d;
    d.inUse = 1;
    d.key = kKey;
    d.replyPort = kReplyPort;
    d.identity.bytes[5] = static_cast<std::uint8_t>(portCount);
    for (auto& p : d.ports) {
        p.baudRate = 5;
        p.parity = 1;
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = 2;
        p.reserved = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
        p.remotePort = 0x1F90;
        p.localPort = 502;
        p.enable = 2;
        p.modbus = 1;
        p.interfaceType = 2;
    }
    return d;
}

// Sub-code and gap of every step, in order.
std::vector<std::pair<int, int>> subsAndGaps(const Plan& plan) {
    std::vector<std::pair<int, int>> out;
    for (const auto& s : plan) out.emplace_back(s.bytes.at(3), s.gapMs);
    return out;
}

}  // namespace

TEST(Commands, NoSelectedDeviceSendsNothing) {
    NetworkFormInput form;
    for (const auto& out : {restartCommand(nullptr), factoryResetCommand(nullptr),
                            saveNetworkCommand(nullptr, form, 9), savePortsCommand(nullptr)}) {
        EXPECT_EQ(out.status, CommandStatus::NoDevice);
        EXPECT_TRUE(out.plan.empty());
        EXPECT_FALSE(out.showSending);
    }
}

TEST(Commands, RestartAndFactoryResetGoToDevicePort) {
    DeviceRecord d = device('1');
    Bytes26 restart = {0x48, 0x3A, 0x57, 0x08, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                       0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x19, 0x00, 0x33, 0x7D, 0x45, 0x2E};
    Bytes26 reset = restart;
    reset[3] = 0x09;
    reset[23] = 0x7E;
    auto r = restartCommand(&d);
    ASSERT_EQ(r.status, CommandStatus::Ready);
    ASSERT_EQ(r.plan.size(), 1u);
    EXPECT_EQ(r.plan[0], (Step{0, restart, Destination::BroadcastDevicePort, 0}));
    EXPECT_FALSE(r.showSending);
    auto f = factoryResetCommand(&d);
    ASSERT_EQ(f.plan.size(), 1u);
    EXPECT_EQ(f.plan[0], (Step{0, reset, Destination::BroadcastDevicePort, 0}));
}

TEST(Commands, OnePortDeviceWritesTwoPortsThenWordsAndNoCommit) {
    DeviceRecord d = device('1');
    setText(d.ports[0].remoteHost, "192.168.1.10");
    setText(d.ports[0].heartbeatData, "hb");
    d.ports[0].modbusTimeout = 250;
    d.ports[1].modbusTimeout = 0x0102;
    d.ports[0].heartbeatInterval = 30;
    d.ports[1].heartbeatInterval = 0x12345;  // only the low 16 bits go out
    auto out = savePortsCommand(&d);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    EXPECT_TRUE(out.showSending);
    using P = std::pair<int, int>;
    EXPECT_EQ(
        subsAndGaps(out.plan),
        (std::vector<P>{{18, 500}, {4, 10}, {55, 10}, {20, 10}, {5, 10}, {56, 10}, {0x43, 100}, {0x3F, 50}}));
    for (const auto& s : out.plan) {
        EXPECT_EQ(s.destination, Destination::BroadcastReplyPort);
        EXPECT_EQ(s.replyPort, kReplyPort);
    }
    EXPECT_EQ(out.plan[0].bytes,
              expectedWrite(18, {'1', '9', '2', '.', '1', '6', '8', '.', '1', '.', '1', '0'}, 0, kKey));
    // Every port's reserved bytes go back as read.
    EXPECT_EQ(
        out.plan[1].bytes,
        expectedWrite(4, {5, 1, 8, 1, 2, 0xA1, 0xA2, 0xA3, 0xA4, 0x1F, 0x90, 0x01, 0xF6, 2, 1, 2}, 0, kKey));
    EXPECT_EQ(
        out.plan[4].bytes,
        expectedWrite(5, {5, 1, 8, 1, 2, 0xA1, 0xA2, 0xA3, 0xA4, 0x1F, 0x90, 0x01, 0xF6, 2, 1, 2}, 0, kKey));
    EXPECT_EQ((std::array<std::uint8_t, 5>{0xA1, 0xA2, 0xA3, 0xA4, 0xA5}), d.ports[1].reserved);
    EXPECT_EQ((std::array<std::uint8_t, 5>{0xA1, 0xA2, 0xA3, 0xA4, 0xA5}), d.ports[0].reserved);
    EXPECT_EQ(out.plan[2].bytes, expectedWrite(55, {'h', 'b'}, 0, kKey));
    EXPECT_EQ(out.plan[6].bytes, expectedWrite(0x43, {250, 0, 0x02, 0x01}, 0, kKey));
    EXPECT_EQ(out.plan[7].bytes, expectedWrite(0x3F, {30, 0, 0x45, 0x23}, 0, kKey));
    // Untouched ports 3..8 stay as they were.
    EXPECT_EQ(d.ports[2].reserved[0], 0xA1);
}

TEST(Commands, FourPortDeviceCommitsAfterPortFour) {
    DeviceRecord d = device('4');
    auto out = savePortsCommand(&d);
    using P = std::pair<int, int>;
    EXPECT_EQ(subsAndGaps(out.plan), (std::vector<P>{{18, 500},
                                                     {4, 10},
                                                     {55, 10},
                                                     {20, 10},
                                                     {5, 10},
                                                     {56, 10},
                                                     {0x43, 100},
                                                     {0x3F, 50},
                                                     {25, 0},
                                                     {23, 10},
                                                     {57, 10},
                                                     {33, 0},
                                                     {24, 10},
                                                     {58, 10},
                                                     {0x49, 0}}));
    EXPECT_EQ(out.plan.back().bytes, expectedWrite(0x49, {}, 0x55, kKey));
}

TEST(Commands, PortCountDecidesWhereTheSaveStops) {
    auto lastSubs = [](char count) {
        DeviceRecord d = device(count);
        auto plan = savePortsCommand(&d).plan;
        return std::vector<int>{plan[plan.size() - 2].bytes[3], plan.back().bytes[3],
                                static_cast<int>(plan.size())};
    };
    // 6 ports: 8 frames for ports 1-2, 2 word blocks, 3 per further port, commit.
    EXPECT_EQ(lastSubs('6'), (std::vector<int>{60, 0x49, 6 + 2 + 4 * 3 + 1}));
    EXPECT_EQ(lastSubs('8'), (std::vector<int>{62, 0x49, 6 + 2 + 6 * 3 + 1}));
    EXPECT_EQ(lastSubs('B'), (std::vector<int>{62, 0x49, 6 + 2 + 6 * 3 + 1}));
}

TEST(Commands, SixteenCharacterHostIsOneFrameOnPortOneTwoOnPortTwo) {
    DeviceRecord d = device('1');
    const std::string host = "abcdefghijklmnop";
    setText(d.ports[0].remoteHost, host);
    setText(d.ports[1].remoteHost, host);
    auto plan = savePortsCommand(&d).plan;
    using P = std::pair<int, int>;
    EXPECT_EQ(
        subsAndGaps(plan),
        (std::vector<P>{
            {18, 500}, {4, 10}, {55, 10}, {20, 10}, {21, 10}, {5, 10}, {56, 10}, {0x43, 100}, {0x3F, 50}}));
    auto sixteen = expectedWrite(
        20, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p'}, 0, kKey);
    EXPECT_EQ(plan[3].bytes, sixteen);
    EXPECT_EQ(plan[4].bytes, expectedWrite(21, {}, 0, kKey));

    // Seventeen characters take two frames on port 1 too.
    setText(d.ports[0].remoteHost, host + "q");
    plan = savePortsCommand(&d).plan;
    EXPECT_EQ(plan[1].bytes, expectedWrite(19, {'q'}, 0, kKey));
    EXPECT_EQ(plan[1].gapMs, 10);
}

TEST(Commands, OverlongHostRefusesTheWholeSave) {
    DeviceRecord d = device('4');
    const DeviceRecord before = d;
    std::array<std::string, kPortCount> hosts;
    CommandOutcome out;
    for (std::size_t port : {0u, 3u, 2u}) {
        hosts = {};
        hosts[port] = std::string(33, 'x');
        out = savePortsCommand(&d, hosts);
        EXPECT_EQ(out.status, CommandStatus::Refused) << port;
        EXPECT_EQ(out.message, "无效的网址！");
        EXPECT_TRUE(out.plan.empty());
        EXPECT_EQ(d, before);
    }
    // A host of exactly 32 characters is fine and goes in two frames.
    hosts[2] = std::string(32, 'x');
    out = savePortsCommand(&d, hosts);
    EXPECT_EQ(out.status, CommandStatus::Ready);
    EXPECT_EQ(out.plan[8].bytes[3], 25);
    EXPECT_EQ(out.plan[9].bytes[3], 32);
    EXPECT_EQ(out.plan[9].bytes[19], 'x');
    EXPECT_EQ(textOf(d.ports[2].remoteHost), hosts[2]);
}

namespace {
NetworkFormInput goodForm() {
    NetworkFormInput f;
    f.ipTypeSelection = 1;
    f.ip = "192.168.1.200";
    f.mask = "255.255.255.0";
    f.gateway = "192.168.1.1";
    f.dns = "8.8.4.4";
    f.mac = "00-CA-C1-19-00-33";
    f.user = "admin";
    f.password = "12345678";  // the whole field; a longer text is refused, not cut
    f.outputFollow = true;
    return f;
}
}  // namespace

TEST(Commands, SaveNetworkCopiesTheFormAndSendsTheBlocks) {
    DeviceRecord d = device('4');
    auto out = saveNetworkCommand(&d, goodForm(), 9);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    EXPECT_TRUE(out.showSending);
    using P = std::pair<int, int>;
    EXPECT_EQ(subsAndGaps(out.plan), (std::vector<P>{{2, 500}, {3, 10}, {10, 10}, {7, 100}, {0x49, 10}}));
    EXPECT_EQ(out.plan[0].bytes,
              expectedWrite(2, {192, 168, 1, 200, 255, 255, 255, 0, 192, 168, 1, 1, 8, 8, 4, 4}, 0, kKey));
    EXPECT_EQ(out.plan[1].bytes, expectedWrite(3, {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33, 2}, 0, kKey));
    EXPECT_EQ(out.plan[2].bytes, expectedWrite(10, {1, 0}, 0, kKey));
    EXPECT_EQ(out.plan[3].bytes,
              expectedWrite(7, {'a', 'd', 'm', 'i', 'n', 0, 0, 0, '1', '2', '3', '4', '5', '6', '7', '8'}, 0,
                            kKey));
    EXPECT_EQ(out.plan[4].bytes, expectedWrite(0x49, {}, 0x55, kKey));
    EXPECT_EQ(out.plan[4].replyPort, kReplyPort);
    EXPECT_EQ(d.ipType, 2);
    EXPECT_EQ(d.network.dns, (Ipv4{8, 8, 4, 4}));
    EXPECT_EQ(d.mac, (Mac{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}));
    EXPECT_EQ(textOf(d.password), "12345678");
    EXPECT_EQ(d.key, kKey);  // frames keep going to the key the device answered with

    DeviceRecord one = device('1');
    auto plan = saveNetworkCommand(&one, goodForm(), 9).plan;
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan.back().bytes[3], 7);
}

TEST(Commands, SaveNetworkRefusesBadAddressesAndKeepsTheRecord) {
    DeviceRecord d = device('4');
    const DeviceRecord before = d;
    struct Case {
        void (*spoil)(NetworkFormInput&);
        const char* english;
    };
    const Case cases[] = {
        {[](NetworkFormInput& f) { f.mac = "00-CA-C1-19-00"; }, "Invalid MAC address"},
        {[](NetworkFormInput& f) { f.mac = "00-CA-C1-19-00-3G"; }, "Invalid MAC address"},
        {[](NetworkFormInput& f) { f.ip = "192.168.1.256"; }, "Invalid IP address"},
        {[](NetworkFormInput& f) { f.mask = "255.255.255"; }, "Invalid subnet mask"},
        {[](NetworkFormInput& f) { f.gateway = ""; }, "Invalid gateway"},
        {[](NetworkFormInput& f) { f.dns = "8.8.4.4.4"; }, "Invalid DNS"},
        {[](NetworkFormInput& f) { f.ipTypeSelection = -1; }, "Please choose the IP address type"},
        {[](NetworkFormInput& f) { f.ipTypeSelection = 2; }, "Please choose the IP address type"},
    };
    for (const auto& c : cases) {
        NetworkFormInput f = goodForm();
        c.spoil(f);
        auto out = saveNetworkCommand(&d, f, 9);
        EXPECT_EQ(out.status, CommandStatus::Refused) << c.english;
        EXPECT_TRUE(out.plan.empty());
        EXPECT_FALSE(out.showSending);
        EXPECT_EQ(out.message.rfind(c.english, 0), 0u) << out.message;
        EXPECT_EQ(d, before);
    }
    NetworkFormInput f = goodForm();
    f.mac = "nonsense";
    EXPECT_EQ(saveNetworkCommand(&d, f, 4).message.rfind("MAC地址无效", 0), 0u);
}
