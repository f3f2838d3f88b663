#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "protocol/DeviceFrame.h"
#include "protocol/PackedRecords.h"
#include "protocol/Readout.h"
#include "protocol/ReplyHandler.h"
#include "protocol/Search.h"

using namespace tavrel;

namespace {

using Datagram = std::vector<std::uint8_t>;

// A serial server's search reply, written out byte by byte as a device sends it.
Datagram searchReply(DeviceKey key, const char* firmware, char ports, std::uint8_t flag,
                     bool goodSum = true) {
    Datagram d(26, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = 'P';
    for (int i = 0; i < 4; ++i) d[4 + i] = static_cast<std::uint8_t>(firmware[i]);
    d[8] = 'Z', d[9] = static_cast<std::uint8_t>(ports), d[10] = 'V', d[11] = '1';
    d[12] = flag;
    d[20] = key[0], d[21] = key[1], d[22] = key[2];
    d[23] = static_cast<std::uint8_t>(std::accumulate(d.begin(), d.begin() + 23, 0) + (goodSum ? 0 : 1));
    d[24] = 'E', d[25] = '.';
    return d;
}

Datagram parameterReply(std::uint8_t code, DeviceKey key, std::initializer_list<std::uint8_t> data) {
    Datagram d(26, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = code;
    std::copy(data.begin(), data.end(), d.begin() + 4);
    d[20] = key[0], d[21] = key[1], d[22] = key[2];
    d[23] = static_cast<std::uint8_t>(std::accumulate(d.begin(), d.begin() + 23, 0));
    d[24] = 'E', d[25] = '.';
    return d;
}

std::vector<int> subCodes(const Plan& plan) {
    std::vector<int> out;
    for (const auto& s : plan) out.push_back(s.bytes[3]);
    return out;
}

Identity identityOf(const char* firmware, char ports, std::uint8_t flag) {
    auto d = searchReply({0, 0, 0}, firmware, ports, flag);
    Identity id;
    std::copy_n(d.begin() + 4, 16, id.bytes.begin());
    return id;
}

const DeviceKey kKeyA{0x19, 0x00, 0x33};
const DeviceKey kKeyB{0x19, 0x00, 0x34};

}  // namespace

TEST(Readout, OnePortPlansByVersionAndFlag) {
    Plan plain = readoutPlan(identityOf("V142", '1', 0), kKeyA, 1111);
    EXPECT_EQ(subCodes(plain), (std::vector<int>{2, 3, 4, 5, 6, 7, 18, 19, 20, 63, 10, 21}));
    for (const auto& s : plain) {
        EXPECT_EQ(s.gapMs, 30);
        EXPECT_EQ(s.destination, Destination::BroadcastReplyPort);
        EXPECT_EQ(s.replyPort, 1111);
        EXPECT_EQ(s.bytes[2], 'R');
        EXPECT_EQ(s.bytes[20], 0x19);
        EXPECT_EQ(s.bytes[22], 0x33);
        EXPECT_EQ(s.bytes[4], 0xAA);
    }
    Plan flagged = readoutPlan(identityOf("V142", '1', 1), kKeyA, 1111);
    EXPECT_EQ(subCodes(flagged), (std::vector<int>{2, 3, 4, 5, 6, 7, 67, 18, 19, 20, 63, 10, 21}));
    EXPECT_EQ(flagged[6].gapMs, 100);
    EXPECT_EQ(flagged[7].gapMs, 30);
    Plan newer = readoutPlan(identityOf("V143", '1', 0), kKeyA, 1111);
    EXPECT_EQ(subCodes(newer), (std::vector<int>{2, 3, 4, 5, 6, 7, 18, 19, 20, 55, 56, 63, 10, 21}));
}

TEST(Readout, EndingsByPortCount) {
    const std::vector<int> head = {2, 3, 4, 5, 6, 7, 18, 19, 20, 63, 10};
    auto with = [&](std::initializer_list<int> tail) {
        auto v = head;
        v.insert(v.end(), tail);
        return v;
    };
    EXPECT_EQ(subCodes(readoutPlan(identityOf("V142", '4', 0), kKeyA, 1)), with({23, 24, 25, 32, 33, 34}));
    EXPECT_EQ(subCodes(readoutPlan(identityOf("V142", '6', 0), kKeyA, 1)),
              with({23, 24, 25, 32, 33, 36, 37, 38, 39, 40, 41}));
    auto eight = with({23, 24, 25, 32, 33, 36, 37, 38, 39, 40, 48, 49, 50, 51, 52, 54});
    EXPECT_EQ(subCodes(readoutPlan(identityOf("V142", '8', 0), kKeyA, 1)), eight);
    EXPECT_EQ(subCodes(readoutPlan(identityOf("V142", 'B', 0), kKeyA, 1)), eight);
    EXPECT_EQ(subCodes(readoutPlan(identityOf("V150", '8', 0), kKeyA, 1)),
              (std::vector<int>{2,  3,  4,  5,  6,  7,  18, 19, 20, 55, 56, 63, 10, 23, 24, 25, 32, 33,
                                57, 58, 36, 37, 38, 39, 40, 59, 60, 48, 49, 50, 51, 52, 61, 62, 54}));
}

TEST(ReplyHandling, SearchRepliesFillEntriesInReplyOrder) {
    DeviceTable table;
    auto fx = handleDatagram(table, searchReply(kKeyA, "V142", '1', 0), "127.0.0.2", 1111);
    EXPECT_TRUE(fx.stopBroadcastSearch);
    EXPECT_EQ(fx.addRow, 0u);
    EXPECT_EQ(fx.readoutEntry, 0u);
    EXPECT_EQ(fx.readout.size(), 12u);
    EXPECT_EQ(fx.part0, StatusMessage::SearchEnd);
    fx = handleDatagram(table, searchReply(kKeyB, "V143", '4', 1), "127.0.0.3", 40000);
    EXPECT_EQ(fx.addRow, 1u);
    EXPECT_EQ(table[1].sourceAddress, "127.0.0.3");
    EXPECT_EQ(table[1].replyPort, 40000);
    EXPECT_EQ(table[1].kindFlag, 1);
    EXPECT_EQ(table[1].identity.firmwareText(), "V143");
    // The same device again keeps its entry.
    fx = handleDatagram(table, searchReply(kKeyA, "V142", '1', 0), "127.0.0.2", 1111);
    EXPECT_EQ(fx.addRow, 0u);
    EXPECT_EQ(table.usedCount(), 2u);
    // Another device with the first's key, once the first has answered: the first keeps the entry.
    table.progress(0).answered = true;
    fx = handleDatagram(table, searchReply(kKeyA, "V150", '4', 1), "127.0.0.9", 2222);
    EXPECT_FALSE(fx.addRow);
    EXPECT_TRUE(fx.readout.empty());
    EXPECT_EQ(table[0].sourceAddress, "127.0.0.2");
    EXPECT_EQ(table[0].identity.firmwareText(), "V142");
    EXPECT_EQ(table.usedCount(), 2u);
}

TEST(ReplyHandling, SearchReplyNeedsNoChecksumButParameterRepliesDo) {
    DeviceTable table;
    auto bad = searchReply(kKeyA, "V142", '1', 0, false);
    bad[0] = 'X';
    handleDatagram(table, bad, "127.0.0.2", 1111);
    ASSERT_EQ(table.usedCount(), 1u);

    auto net = parameterReply(81, kKeyA, {10, 0, 0, 7, 255, 255, 255, 0, 10, 0, 0, 1, 8, 8, 8, 8});
    auto broken = net;
    broken[23] ^= 1;
    handleDatagram(table, broken, "127.0.0.2", 1111);
    EXPECT_EQ(table[0].network, NetworkBlock{});
    handleDatagram(table, net, "127.0.0.2", 1111);
    EXPECT_EQ(ipv4Text(table[0].network.ip), "10.0.0.7");
    EXPECT_EQ(ipv4Text(table[0].network.dns), "8.8.8.8");

    // A block for a device that is not in the table is dropped, not written into a free entry.
    handleDatagram(table, parameterReply(81, kKeyB, {1, 2, 3, 4}), "127.0.0.9", 1111);
    EXPECT_EQ(table[1], DeviceRecord{});
}

TEST(ReplyHandling, ParameterBlocksLandInTheirFields) {
    DeviceTable table;
    handleDatagram(table, searchReply(kKeyA, "V142", '4', 0), "127.0.0.2", 1111);
    auto apply = [&](std::uint8_t code, std::initializer_list<std::uint8_t> data) {
        return handleDatagram(table, parameterReply(code, kKeyA, data), "127.0.0.2", 1111);
    };
    apply(82, {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33, 2, 0x77});
    apply(97, {11, 3, 8, 3, 4, 9, 9, 9, 9, 0x01, 0xBB, 0x13, 0x88, 2, 1, 3});
    apply(101, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p'});
    apply(102, {'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', '0', '1', '2', '3', '4', '5'});
    apply(145, {'h', 'b'});
    apply(152, {10, 0, 20, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
    // The Modbus timeouts of all eight ports, and nothing else.
    DeviceRecord timeouts = table[0];
    for (PortRecord& p : timeouts.ports) p.modbusTimeout = 0;
    timeouts.ports[0].modbusTimeout = 250;
    timeouts.ports[7].modbusTimeout = 5000;
    apply(157, {0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x88, 0x13});
    EXPECT_EQ(table[0], timeouts);
    apply(90, {1, 0});
    apply(86, {'a', 'd', 'm', 'i', 'n', 0, 0, 0, 'p', 'a', 's', 's', 'w', 'o', 'r', 'd'});
    const auto& r = table[0];
    EXPECT_EQ(macText(r.mac), "00-CA-C1-19-00-33");
    EXPECT_EQ(r.ipType, 2);
    EXPECT_EQ(r.ports[2].baudRate, 11);
    EXPECT_EQ(r.ports[2].remotePort, 443);
    EXPECT_EQ(r.ports[2].localPort, 5000);
    EXPECT_EQ(r.ports[2].interfaceType, 3);
    EXPECT_EQ(textOf(r.ports[3].remoteHost), "abcdefghijklmnopqrstuvwxyz012345");
    EXPECT_EQ(textOf(r.ports[1].heartbeatData), "hb");
    EXPECT_EQ(r.ports[0].heartbeatInterval, 10u);
    EXPECT_EQ(r.ports[1].heartbeatInterval, 276u);
    EXPECT_EQ(r.ports[7].heartbeatInterval, 65535u);
    EXPECT_EQ(r.ioOptions, (std::array<std::uint8_t, 2>{1, 0}));
    EXPECT_EQ(textOf(r.user), "admin");
    EXPECT_EQ(textOf(r.password), "password");
    EXPECT_EQ(r.inUse, 1u);
}

TEST(ReplyHandling, ShowTriggersAndStatus) {
    DeviceTable table;
    handleDatagram(table, searchReply(kKeyA, "V142", '1', 0), "127.0.0.2", 1111);
    handleDatagram(table, searchReply(kKeyB, "V142", '4', 0), "127.0.0.3", 1111);
    EXPECT_EQ(handleDatagram(table, parameterReply(96, kKeyA, {}), "127.0.0.2", 0).showDevice, 0u);
    EXPECT_FALSE(handleDatagram(table, parameterReply(96, kKeyB, {}), "127.0.0.3", 0).showDevice);
    EXPECT_EQ(handleDatagram(table, parameterReply(102, kKeyB, {}), "127.0.0.3", 0).showDevice, 1u);
    EXPECT_EQ(handleDatagram(table, parameterReply(121, kKeyA, {}), "127.0.0.2", 0).showDevice, 0u);
    EXPECT_EQ(handleDatagram(table, parameterReply(16, kKeyA, {}), "", 0).part2, StatusMessage::Saved);
    EXPECT_EQ(handleDatagram(table, parameterReply(17, kKeyB, {}), "", 0).part2, StatusMessage::SaveFailed);
    EXPECT_TRUE(isLastBlockOf(115, '6'));
    EXPECT_TRUE(isLastBlockOf(96, 'B'));
    EXPECT_FALSE(isLastBlockOf(115, '8'));
}

TEST(ReplyHandling, FullTableDropsUnknownDevices) {
    DeviceTable table;
    for (int i = 0; i < 256; ++i) {
        DeviceKey k{0xA0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        handleDatagram(table, searchReply(k, "V142", '1', 0), "127.0.0.2", 1111);
    }
    ASSERT_EQ(table.usedCount(), 256u);
    const DeviceRecord last = table[255];
    auto fx = handleDatagram(table, searchReply(kKeyA, "V142", '1', 0), "127.0.0.9", 1111);
    EXPECT_FALSE(fx.addRow);
    EXPECT_TRUE(fx.readout.empty());
    EXPECT_EQ(table[255], last);
}

TEST(ReplyHandling, ArbitraryDatagramsAreSafe) {
    DeviceTable table;
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    const std::size_t lengths[] = {0, 1, 3, 4, 9, 10, 17, 25, 26, 35, 250, 301, 302, 830, 866, 1024};
    for (int round = 0; round < 400; ++round) {
        Datagram d(lengths[round % std::size(lengths)]);
        for (auto& b : d) b = static_cast<std::uint8_t>(next() >> 24);
        if (d.size() >= 4 && round % 3 == 0) d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = round % 2 ? 'P' : 1;
        handleDatagram(table, d, "127.0.0.2", 1111);
    }
    EXPECT_LE(table.usedCount(), 256u);
}

namespace {
Datagram packed(std::size_t length, std::uint8_t code, DeviceKey key) {
    Datagram d(length, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = code;
    d[length - 6] = key[0], d[length - 5] = key[1], d[length - 4] = key[2];
    d[length - 2] = 'E', d[length - 1] = '.';
    return d;
}
void putText(Datagram& d, std::size_t at, std::string_view s) {
    std::copy(s.begin(), s.end(), d.begin() + at);
}
}  // namespace

TEST(PackedRecords, Form302EveryField) {
    auto d = packed(302, 'P', kKeyA);
    const std::size_t p = 4;  // payload offset
    d[p + 1] = 2;
    putText(d, p + 2, "apnet");
    putText(d, p + 34, "appass");
    putText(d, p + 50, "stapass");
    putText(d, p + 66, "stanet");
    std::uint8_t net[16] = {192, 168, 1, 20, 255, 255, 255, 0, 192, 168, 1, 1, 114, 114, 114, 114};
    std::copy(std::begin(net), std::end(net), d.begin() + p + 98);
    std::uint8_t mac[7] = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33, 1};
    std::copy(std::begin(mac), std::end(mac), d.begin() + p + 114);
    putText(d, p + 121, "admin");
    putText(d, p + 129, "pw");
    putText(d, p + 137, "V228IO30");
    d[p + 154] = 7, d[p + 155] = 1, d[p + 156] = 8, d[p + 157] = 1, d[p + 158] = 2;
    d[p + 160] = 0x88, d[p + 161] = 0x13;  // 5000 little-endian
    d[p + 162] = 0xF6, d[p + 163] = 0x01;  // 502
    d[p + 164] = 9;
    d[p + 166] = 0x34, d[p + 167] = 0x12;
    putText(d, p + 168, "example.org");
    putText(d, p + 200, "ping");
    d[p + 216] = 30;
    d[p + 218] = 2;
    d[p + 220] = 0xE8, d[p + 221] = 0x03;
    d[p + 224] = 77, d[p + 227] = 1, d[p + 228] = 5;
    d[p + 251] = 1;
    putText(d, p + 252, "ABCDEFGHIJKLMNOPQRST");
    putText(d, p + 272, "12345678");
    d[p + 280] = 0xDE, d[p + 283] = 0xAD;

    DeviceTable table;
    auto fx = handleDatagram(table, d, "127.0.0.5", 1111);
    EXPECT_EQ(fx.showDevice, 0u);
    EXPECT_TRUE(fx.readout.empty());
    const auto& r = table[0];
    EXPECT_EQ(r.form302, 1);
    EXPECT_EQ(r.imagePresent, 1);
    EXPECT_EQ(r.kindFlag, 1);
    EXPECT_EQ(r.wifiMode, 2);
    EXPECT_EQ(textOf(r.apSsid), "apnet");
    EXPECT_EQ(textOf(r.apPassword), "appass");
    EXPECT_EQ(textOf(r.staPassword), "stapass");
    EXPECT_EQ(textOf(r.staSsid), "stanet");
    EXPECT_EQ(ipv4Text(r.network.ip), "192.168.1.20");
    EXPECT_EQ(ipv4Text(r.network.mask), "255.255.255.0");
    EXPECT_EQ(ipv4Text(r.network.gateway), "192.168.1.1");
    EXPECT_EQ(ipv4Text(r.network.dns), "114.114.114.114");
    EXPECT_EQ(macText(r.mac), "00-CA-C1-19-00-33");
    EXPECT_EQ(r.ipType, 1);
    EXPECT_EQ(textOf(r.user), "admin");
    EXPECT_EQ(textOf(r.password), "pw");
    EXPECT_EQ(r.identity.firmwareText(), "V228");
    const auto& port = r.ports[0];
    EXPECT_EQ(port.baudRate, 7);
    EXPECT_EQ(port.dataBits, 8);
    EXPECT_EQ(port.workMode, 2);
    EXPECT_EQ(port.remotePort, 5000);
    EXPECT_EQ(port.localPort, 502);
    EXPECT_EQ(port.portFlag, 9);
    EXPECT_EQ(port.portValue, 0x1234);
    EXPECT_EQ(textOf(port.remoteHost), "example.org");
    EXPECT_EQ(textOf(port.heartbeatData), "ping");
    EXPECT_EQ(port.heartbeatInterval, 30u);
    EXPECT_EQ(port.modbus, 2);
    EXPECT_EQ(port.modbusTimeout, 1000);
    EXPECT_EQ(r.signal, 77);
    EXPECT_EQ(r.outputTiming, 1);
    EXPECT_EQ(r.rs485Address, 5);
    EXPECT_EQ(port.cloud, 1);
    EXPECT_EQ(textOf(port.cloudId), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(textOf(port.cloudPassword), "12345678");
    EXPECT_EQ(port.lastFour, (std::array<std::uint8_t, 4>{0xDE, 0, 0, 0xAD}));
    EXPECT_EQ(port.enable, 2);
}

// A second board with the first's key, once the first has answered, takes nothing of its entry.
TEST(PackedRecords, TheKeysFirstBoardKeepsItsEntry) {
    DeviceTable table;
    auto first = packed(302, 'P', kKeyA);
    first[4 + 98] = 10;
    auto fx = handleDatagram(table, first, "127.0.0.2", 1111);
    ASSERT_EQ(fx.addRow, 0u);
    ASSERT_TRUE(table.progress(0).answered);
    auto second = packed(302, 'P', kKeyA);
    second[4 + 98] = 172;
    fx = handleDatagram(table, second, "127.0.0.9", 1111);
    EXPECT_FALSE(fx.addRow);
    EXPECT_FALSE(fx.showDevice);
    EXPECT_EQ(table[0].sourceAddress, "127.0.0.2");
    EXPECT_EQ(table[0].network.ip[0], 10);
    EXPECT_EQ(table.usedCount(), 1u);
    // The first board itself is heard again.
    first[4 + 98] = 11;
    fx = handleDatagram(table, first, "127.0.0.2", 1111);
    EXPECT_EQ(fx.addRow, 0u);
}

TEST(PackedRecords, ImageFormsShareTheirLayout) {
    for (std::size_t length : {830u, 866u, 250u}) {
        SCOPED_TRACE(length);
        auto d = packed(length, 0x01, kKeyB);
        const std::size_t p = 4;
        d[p + 0] = 0x00, d[p + 1] = 0xC2, d[p + 2] = 0x01;  // 115200 little-endian
        d[p + 4] = 8, d[p + 5] = 3, d[p + 6] = 2, d[p + 8] = 4;
        d[p + 10] = 0x50, d[p + 16] = 0x51, d[p + 18] = 2;
        putText(d, p + 19, "host");
        std::uint8_t addrs[16] = {10, 0, 0, 9, 10, 0, 0, 1, 255, 255, 0, 0, 1, 1, 1, 1};
        std::copy(std::begin(addrs), std::end(addrs), d.begin() + p + 52);
        d[p + 68] = 2;
        std::uint8_t mac[6] = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x34};
        std::copy(std::begin(mac), std::end(mac), d.begin() + p + 72);
        putText(d, p + 78, "V300K8");
        putText(d, p + 94, "user");
        d[p + 125] = 17;
        putText(d, p + 167, "beat");
        d[p + 184] = 60;
        d[p + 191] = 1, d[p + 192] = 1;
        d[p + 200] = 100;
        if (length == 866) {
            d[p + 788] = 1;
            putText(d, p + 789, "CLOUDID0123456789XYZ");
            putText(d, p + 809, "cloudpw1");
            putText(d, p + 817, "4321");
        }
        DeviceTable table;
        table[0].imageA[5] = 0x99;  // stale data must not survive
        handleDatagram(table, d, "127.0.0.6", 1111);
        const auto& r = table[0];
        EXPECT_EQ(r.ports[0].baudRate, 11);
        EXPECT_EQ(r.ports[0].dataBits, 8);
        EXPECT_EQ(r.ports[0].parity, 3);
        EXPECT_EQ(r.ports[0].stopBits, 2);
        EXPECT_EQ(r.ports[0].workMode, 4);
        EXPECT_EQ(r.ports[0].remotePort, 0x50);
        EXPECT_EQ(r.ports[0].localPort, 0x51);
        EXPECT_EQ(textOf(r.ports[0].remoteHost), "host");
        EXPECT_EQ(ipv4Text(r.network.ip), "10.0.0.9");
        EXPECT_EQ(ipv4Text(r.network.gateway), "10.0.0.1");
        EXPECT_EQ(ipv4Text(r.network.mask), "255.255.0.0");
        EXPECT_EQ(ipv4Text(r.network.dns), "1.1.1.1");
        EXPECT_EQ(r.ipType, 2);
        EXPECT_EQ(macText(r.mac), "00-CA-C1-19-00-34");
        EXPECT_EQ(r.identity.hardwareText(), "K8");
        EXPECT_EQ(textOf(r.user), "user");
        EXPECT_EQ(r.rs485Address, length == 250 ? 0 : 17);
        EXPECT_EQ(textOf(r.ports[0].heartbeatData), "beat");
        EXPECT_EQ(r.ports[0].heartbeatInterval, 60u);
        EXPECT_EQ(r.ioOptions, (std::array<std::uint8_t, 2>{1, 1}));
        EXPECT_EQ(r.ports[0].modbusTimeout, 100);
        EXPECT_EQ(r.ports[0].enable, 2);
        EXPECT_EQ(r.kindFlag, 1);
        EXPECT_EQ(r.imagePresent, length == 250 ? 0 : 1);
        EXPECT_EQ(r.form866, length == 866 ? 1 : 0);
        EXPECT_EQ(r.imageA[5], length == 830 ? 3 : (length == 250 ? 0 : 0x99));  // 830: the payload itself
        if (length == 830) {
            EXPECT_EQ(r.imageA[19], 'h');
        }
        if (length == 866) {
            EXPECT_EQ(r.imageB[19], 'h');
            EXPECT_EQ(textOf(r.ports[0].cloudId), "CLOUDID0123456789XYZ");
            EXPECT_EQ(textOf(r.ports[0].cloudPassword), "cloudpw1");
            EXPECT_EQ(r.ports[0].lastFour, (std::array<std::uint8_t, 4>{'4', '3', '2', '1'}));
        }
        // The board answering the search again keeps the record taken, edits included; from
        // another port it is a new answer, taken whole.
        table[0].ports[0].workMode = 1;
        handleDatagram(table, d, "127.0.0.6", 1111);
        EXPECT_EQ(r.ports[0].workMode, 1);
        EXPECT_EQ(table.progress(0).answers, 2);
        handleDatagram(table, d, "127.0.0.6", 2222);
        EXPECT_EQ(r.ports[0].workMode, 4);
        EXPECT_EQ(table.progress(0).answers, 1);
    }
    EXPECT_EQ(baudPositionOf(600), 1);
    EXPECT_EQ(baudPositionOf(1024000), 17);
    EXPECT_EQ(baudPositionOf(300), 0);
}

TEST(Search, BroadcastRepeatsUntilAnsweredThenTwiceMore) {
    SearchSchedule s;
    s.startBroadcast("127.255.255.255");
    for (int i = 1; i <= 10; ++i) {
        auto t = s.tick();
        ASSERT_TRUE(t);
        EXPECT_EQ(t->destination, "127.255.255.255");
        EXPECT_EQ(t->nextDelayMs, 3000);
        EXPECT_FALSE(t->timedOut);
    }
    auto last = s.tick();
    EXPECT_TRUE(last->timedOut);
    EXPECT_EQ(last->nextDelayMs, -1);
    EXPECT_FALSE(s.tick());
    EXPECT_EQ(s.requestsSent(), 11);

    // The first reply brings the next broadcast to 300 ms after it; later replies change nothing.
    s.startBroadcast("127.255.255.255");
    s.tick();
    s.tick();
    EXPECT_EQ(s.replyReceived("127.0.0.2"), 300);
    EXPECT_FALSE(s.replyReceived("127.0.0.3"));
    auto second = s.tick();
    EXPECT_EQ(second->destination, "127.255.255.255");
    EXPECT_EQ(second->nextDelayMs, 300);
    EXPECT_FALSE(s.replyReceived("127.0.0.4"));
    auto third = s.tick();
    EXPECT_EQ(third->nextDelayMs, -1);
    EXPECT_FALSE(third->timedOut);
    EXPECT_FALSE(s.running());
    EXPECT_EQ(s.requestsSent(), 4);

    // While found devices are still being read, it goes on asking, six times after the reply at most.
    s.startBroadcast("127.255.255.255");
    s.tick(true);
    ASSERT_EQ(s.replyReceived("127.0.0.2"), 300);
    int after = 0;
    while (auto t = s.tick(true)) {
        ++after;
        EXPECT_EQ(t->destination, "127.255.255.255");
        EXPECT_EQ(t->nextDelayMs, after == 6 ? -1 : 300) << after;
    }
    EXPECT_EQ(after, 6);
    // Reading over after the third: the next tick sends nothing and ends the search.
    s.startBroadcast("127.255.255.255");
    s.tick();
    s.replyReceived("127.0.0.2");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.tick(true)->nextDelayMs, 300);
    auto end = s.tick(false);
    EXPECT_TRUE(end->destination.empty());
    EXPECT_EQ(end->nextDelayMs, -1);
    EXPECT_FALSE(s.running());
    EXPECT_EQ(s.requestsSent(), 4);
}

TEST(Search, ScanWalksHostsOneTo254ThenAsksTheSilentOnesAgain) {
    EXPECT_EQ(subnetPrefix("192.168.1.255"), "192.168.1.");
    EXPECT_EQ(subnetPrefix("255.255.255.255"), "255.255.255.");
    EXPECT_EQ(subnetPrefix(""), "");
    EXPECT_EQ(subnetPrefix("10.1"), "10.1");
    EXPECT_EQ(subnetPrefix("1234567890123456.7.8.9"), "1234567890123456");
    // Empty destinations stand for ticks that asked no host.
    auto scan = [](SearchSchedule& s, const std::vector<std::string>& answering) {
        std::vector<std::string> sent;
        while (auto t = s.tick()) {
            sent.push_back(t->destination);
            for (const auto& a : answering) {
                if (a != t->destination) continue;
                EXPECT_FALSE(s.replyReceived(a)) << "a reply does not end a scan";
            }
            if (t->scanFinished) break;
            EXPECT_EQ(t->nextDelayMs, 1);
        }
        EXPECT_FALSE(s.running());
        return sent;
    };
    SearchSchedule s;
    s.startScan("127.0.0.255");
    // The tick that asks the last host ends the scan: no idle tick after it.
    std::vector<std::string> sent = scan(s, {"127.0.0.5"});
    ASSERT_EQ(sent.size(), 254u);
    EXPECT_EQ(sent.front(), "127.0.0.1");
    EXPECT_EQ(sent.back(), "127.0.0.254");
    // A scan started again before it ended begins at the first host.
    s.startScan("127.0.0.255");
    s.tick();
    s.tick();
    s.startScan("127.0.0.255");
    EXPECT_EQ(s.tick()->destination, "127.0.0.1");

    // Three passes: hosts that answered in a pass are not asked in the next; other subnets and
    // odd texts count for no host.
    s.startScan("127.0.0.255", 3);
    sent = scan(s, {"127.0.0.1", "127.0.0.7", "127.0.0.254", "127.0.1.8", "127.0.0.08x"});
    ASSERT_EQ(sent.size(), 254u + 251u + 251u);
    EXPECT_EQ(sent[254], "127.0.0.2");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "127.0.0.7"), 1);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "127.0.0.8"), 3);
    EXPECT_EQ(sent.back(), "127.0.0.253");

    // Every host answered: the second pass has nothing to send, which one idle tick finds out.
    std::vector<std::string> all;
    for (int host = 1; host <= 254; ++host) all.push_back("10.0.0." + std::to_string(host));
    s.startScan("10.0.0.255", 2);
    sent = scan(s, all);
    EXPECT_EQ(sent.size(), 255u);
    EXPECT_EQ(sent.back(), "");
}

namespace tavrel {
namespace {

// A packed record whose marker bytes or length are off is no record: refused, the entry untouched.
TEST(ReplyHandling, PackedRecordsWithAWrongMarkerOrLengthAreRefused) {
    for (std::size_t size : {kPacked302Size, kPacked830Size, kPacked866Size, kPacked250Size}) {
        const bool is302 = size == kPacked302Size;
        auto apply = [is302](const std::vector<std::uint8_t>& d, DeviceRecord& r) {
            return is302 ? applyPacked302(d, r) : applyPackedImage(d, r);
        };
        std::vector<std::uint8_t> good(size, 0);
        good[0] = 'H', good[1] = ':', good[2] = 'R', good[3] = is302 ? 'P' : 0x01;
        DeviceRecord taken;
        taken.imageA.fill(0x5A);  // left by a board that held this entry before
        EXPECT_TRUE(apply(good, taken)) << size;
        if (is302) {
            EXPECT_EQ(taken.imageA, DeviceRecord{}.imageA);
        }
        auto shorter = good;
        shorter.pop_back();
        for (std::size_t at = 0; at <= 4; ++at) {
            auto bad = at < 4 ? good : shorter;
            if (at < 4) bad[at] ^= 0x20;
            DeviceRecord untouched;
            EXPECT_FALSE(apply(bad, untouched)) << size << " byte " << at;
            EXPECT_EQ(untouched, DeviceRecord{}) << size << " byte " << at;
        }
    }
}

}  // namespace
}  // namespace tavrel
