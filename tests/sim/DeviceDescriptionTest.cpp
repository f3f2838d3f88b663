// Device descriptions of the simulator's command line.
#include <gtest/gtest.h>

#include "DeviceDescription.h"
#include "DeviceSettings.h"
#include "SimIoBoard.h"
#include "SimTftp.h"

using namespace tavrel::sim;

namespace {

DeviceDescription parsed(const char* text) {
    std::string error;
    auto description = parseDeviceDescription(text, error);
    EXPECT_TRUE(description.has_value()) << text << ": " << error;
    return description.value_or(DeviceDescription{});
}

std::string refusal(const char* text) {
    std::string error;
    EXPECT_FALSE(parseDeviceDescription(text, error).has_value()) << text;
    return error;
}

}  // namespace

TEST(SimDeviceDescription, ReadsEveryItem) {
    const auto description = parsed(
        "kind=serial,ports=b,version=43,flag=1,ip=127.0.1.5,drop=3,silent,twice,"
        "source-port=2000,refuse,ignore-writes,mac=00-CA-C1-19-00-33");
    const auto& c = description.config;
    EXPECT_EQ(c.kind, SimKind::SerialServer);
    EXPECT_EQ(c.portCountChar, 'B');
    EXPECT_EQ(c.version, 43);
    EXPECT_EQ(c.extraQueryFlag, 1);
    EXPECT_EQ(c.address, (tavrel::Ipv4{127, 0, 1, 5}));
    EXPECT_EQ(c.mac, (tavrel::Mac{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}));
    EXPECT_EQ(c.options, (SimOptions{true, 3, true, 2000, true, true}));
    EXPECT_TRUE(description.hasAddress);

    const auto board = parsed("kind=302,timing,ports=8,silent=0");
    EXPECT_EQ(board.config.kind, SimKind::Board302);
    EXPECT_TRUE(board.config.outputTiming);
    EXPECT_EQ(board.config.portCountChar, '1');  // boards have one port whatever is asked
    EXPECT_FALSE(board.config.options.silent);
    EXPECT_EQ(board.config.options.tftp, TftpBehaviour::Normal);

    std::string error;
    for (auto b : {TftpBehaviour::OptionAck, TftpBehaviour::Error, TftpBehaviour::WrongBlock,
                   TftpBehaviour::Silent, TftpBehaviour::Stall}) {
        const auto d = parseDeviceDescription("kind=serial,tftp=" + tftpBehaviourName(b), error);
        ASSERT_TRUE(d) << error;
        EXPECT_EQ(d->config.options.tftp, b);
    }
}

// Inside a namespace of its own (--lan) a device may sit at any host address, never at a subnet's
// ends, 0.x.x.x or a multicast address.
TEST(SimDeviceDescription, LanRangeTakesHostAddressesOnly) {
    std::string error;
    const auto lan = parseDeviceDescription("ip=192.168.1.5", error, AddressRange::Lan);
    ASSERT_TRUE(lan) << error;
    EXPECT_EQ(lan->config.address, (tavrel::Ipv4{192, 168, 1, 5}));
    for (const char* bad :
         {"ip=192.168.1.255", "ip=10.9.0.0", "ip=0.1.2.3", "ip=224.0.0.7", "ip=255.255.255.255"})
        EXPECT_FALSE(parseDeviceDescription(bad, error, AddressRange::Lan)) << bad;
    EXPECT_TRUE(parseIoBoardDescription("ip=10.9.0.40,port=502", error, AddressRange::Lan)) << error;
    EXPECT_FALSE(parseIoBoardDescription("ip=10.9.0.40,port=502", error));
}

TEST(SimDeviceDescription, RefusesBadItemsNamingThem) {
    EXPECT_EQ(refusal("kind=serial,kind=900"), "bad device item \"kind=900\"");
    EXPECT_EQ(refusal("ports=2"), "bad device item \"ports=2\"");
    EXPECT_EQ(refusal("ip=192.168.1.5"), "bad device item \"ip=192.168.1.5\"");  // loopback only
    EXPECT_EQ(refusal("ip=127.0.0.255"), "bad device item \"ip=127.0.0.255\"");
    EXPECT_EQ(refusal("ip=127.0.0"), "bad device item \"ip=127.0.0\"");
    EXPECT_EQ(refusal("version=100"), "bad device item \"version=100\"");
    EXPECT_EQ(refusal("drop=-1"), "bad device item \"drop=-1\"");
    EXPECT_EQ(refusal("source-port=70000"), "bad device item \"source-port=70000\"");
    EXPECT_EQ(refusal("silent=yes"), "bad device item \"silent=yes\"");
    EXPECT_EQ(refusal("ignore-writes=2"), "bad device item \"ignore-writes=2\"");
    EXPECT_EQ(refusal("mac=00-CA-C1-19-00"), "bad device item \"mac=00-CA-C1-19-00\"");
    EXPECT_EQ(refusal("mac=00-CA-C1-19-00-3G"), "bad device item \"mac=00-CA-C1-19-00-3G\"");
    EXPECT_EQ(refusal("count=0"), "bad device item \"count=0\"");
    EXPECT_EQ(refusal("colour=red"), "bad device item \"colour=red\"");
    EXPECT_EQ(refusal("tftp=slow"), "bad device item \"tftp=slow\"");
    EXPECT_EQ(refusal("tftp"), "bad device item \"tftp\"");
    EXPECT_FALSE(refusal("count=2,mac=00CAC1190033").empty());
}

TEST(SimDeviceDescription, ExpandsCountsOnConsecutiveAddressesWithTheirOwnKeys) {
    std::string error;
    const auto configs = expandDescriptions(
        {parsed("kind=serial"), parsed("ip=127.0.0.253,count=4"), parsed("kind=830")}, error);
    ASSERT_TRUE(configs) << error;
    ASSERT_EQ(configs->size(), 6u);
    const std::vector<tavrel::Ipv4> expected = {{127, 0, 0, 2}, {127, 0, 0, 253}, {127, 0, 0, 254},
                                                {127, 0, 1, 1}, {127, 0, 1, 2},   {127, 0, 1, 3}};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ((*configs)[i].address, expected[i]) << i;
    EXPECT_EQ((*configs)[3].mac, (tavrel::Mac{0x00, 0xCA, 0xC1, 0, 1, 1}));
    EXPECT_EQ((*configs)[5].kind, SimKind::Board830);
}

TEST(SimDeviceDescription, RefusesRepeatedAddressesKeysAndTheEndOfLoopback) {
    std::string error;
    EXPECT_FALSE(expandDescriptions({parsed("ip=127.0.0.9"), parsed("ip=127.0.0.9")}, error));
    EXPECT_EQ(error, "two devices on 127.0.0.9");
    EXPECT_FALSE(expandDescriptions({parsed("mac=00CAC1000009"), parsed("mac=11CAC1000009")}, error));
    EXPECT_EQ(error, "two devices with one key (the last three MAC bytes)");
    EXPECT_FALSE(expandDescriptions({parsed("ip=127.255.255.253,count=3")}, error));
    EXPECT_EQ(error, "no loopback address left for another device");
    EXPECT_FALSE(nextAddress({127, 255, 255, 254}));
}

TEST(SimDeviceDescription, DemoHasTheSixDevices) {
    std::string error;
    const auto configs = expandDescriptions(demoDescriptions(), error);
    ASSERT_TRUE(configs);
    ASSERT_EQ(configs->size(), 6u);
    EXPECT_EQ((*configs)[0].portCountChar, '1');
    EXPECT_EQ((*configs)[1].portCountChar, '4');
    EXPECT_EQ((*configs)[2].portCountChar, '8');
    EXPECT_EQ((*configs)[3].kind, SimKind::Board302);
    EXPECT_TRUE((*configs)[3].outputTiming);
    EXPECT_EQ((*configs)[4].kind, SimKind::Board830);
    EXPECT_EQ((*configs)[4].address, (tavrel::Ipv4{127, 0, 0, 6}));
    // The last one reports its own loopback address, and an IO board waits behind its port 1.
    const auto& reachable = (*configs)[5];
    EXPECT_TRUE(reachable.loopbackNetwork);
    const auto settings = factorySettings(reachable);
    EXPECT_EQ(settings.network[0], 127);
    EXPECT_EQ(settings.network[3], 7);
    const IoBoardConfig board = demoIoBoardFor(reachable);
    EXPECT_EQ(board.ip, "127.0.0.7");
    EXPECT_EQ(board.port, localPortOf(settings.ports[0]));
    EXPECT_EQ(board.transport, IoBoardTransport::TcpServer);
}

TEST(SimDeviceDescription, ReadsFaultOptions) {
    const auto o = parsed("kind=serial,loss=30,reorder,alien=0A0b0C:5").config.options;
    EXPECT_EQ(o.lossPercent, 30);
    EXPECT_TRUE(o.reorder);
    EXPECT_EQ(o.alienKey, (tavrel::DeviceKey{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(o.alienReply, 5);
    for (const char* bad : {"loss=101", "loss=-1", "alien=0A0B0C", "alien=0A0B:5", "alien=0A0B0G:5",
                            "alien=0A0B0C:0", "reorder=2"})
        EXPECT_NE(refusal(bad).find(bad), std::string::npos) << bad;
}
