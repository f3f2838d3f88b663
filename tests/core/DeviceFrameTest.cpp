#include <gtest/gtest.h>

#include "device/DeviceTable.h"
#include "protocol/DeviceFrame.h"
#include "protocol/Requests.h"
#include "protocol/Routes.h"
#include "protocol/SerialBlock.h"

using namespace tavrel;

TEST(DeviceFrame, SearchRequestBytes) {
    Frame f = searchRequest();
    Frame expected = {0x48, 0x3A, 0x52, 0x01};
    for (int i = 0; i < 16; ++i) expected.push_back(0xAA);
    expected.insert(expected.end(), {0x00, 0x00, 0x00, 0x75, 0x45, 0x2E});
    EXPECT_EQ(f, expected);
}

TEST(DeviceFrame, CommandsUse55FillerAndKey) {
    Frame f = restartRequest(DeviceKey{0x19, 0x00, 0x33});
    ASSERT_EQ(f.size(), 26u);
    EXPECT_EQ(f[2], 'W');
    EXPECT_EQ(f[3], 8);
    for (int i = 4; i < 20; ++i) EXPECT_EQ(f[i], 0x55);
    EXPECT_EQ(f[20], 0x19);
    EXPECT_EQ(f[21], 0x00);
    EXPECT_EQ(f[22], 0x33);
    EXPECT_TRUE(isValidStandardFrame(f));
}

TEST(DeviceFrame, ValidationRejectsEveryBrokenPart) {
    Frame good = readRequest(2, DeviceKey{1, 2, 3});
    ASSERT_TRUE(isValidStandardFrame(good));
    for (std::size_t idx : {0u, 1u, 23u, 24u, 25u}) {
        Frame bad = good;
        bad[idx] ^= 0x01;
        EXPECT_FALSE(isValidStandardFrame(bad)) << "byte " << idx;
    }
    Frame opChanged = good;  // byte 2 is not checked, but the checksum covers it
    opChanged[2] = 'W';
    opChanged[23] = checksum8(Bytes(opChanged).first(23));
    EXPECT_TRUE(isValidStandardFrame(opChanged));
    EXPECT_FALSE(isValidStandardFrame(Bytes(good).first(25)));
    EXPECT_FALSE(isValidStandardFrame({}));
}

TEST(DeviceFrame, LongerFramesKeepLayout) {
    std::vector<std::uint8_t> payload(292, 0x11);
    Frame f = buildFrame('W', 0x02, payload, 0, DeviceKey{7, 8, 9}, 302);
    ASSERT_EQ(f.size(), 302u);
    EXPECT_EQ(f[296], 7);
    EXPECT_EQ(f[298], 9);
    EXPECT_EQ(f[299], checksum8(Bytes(f).first(299)));
    EXPECT_EQ(f[300], 'E');
    EXPECT_EQ(f[301], '.');
    EXPECT_EQ(*frameKey(f), (DeviceKey{7, 8, 9}));
    EXPECT_FALSE(frameKey(Bytes(f).first(9)).has_value());
}

TEST(SerialBlock, RoundTripAndByteOrder) {
    PortRecord p;
    p.baudRate = 5;
    p.parity = 2;
    p.dataBits = 8;
    p.stopBits = 1;
    p.workMode = 2;
    p.reserved = {0xA1, 0xA2, 0xA3, 0xA4, 0};
    p.remotePort = 0x1234;
    p.localPort = 502;
    p.enable = 2;
    p.modbus = 1;
    p.interfaceType = 2;
    SerialBlock b = encodeSerialBlock(p);
    EXPECT_EQ(b, (SerialBlock{5, 2, 8, 1, 2, 0xA1, 0xA2, 0xA3, 0xA4, 0x12, 0x34, 0x01, 0xF6, 2, 1, 2}));
    PortRecord back;
    ASSERT_TRUE(decodeSerialBlock(b, back));
    EXPECT_EQ(back, p);
    EXPECT_FALSE(decodeSerialBlock(Bytes(b).first(15), back));
}

TEST(Requests, WritesCarryTheirPayloads) {
    DeviceKey key{0x19, 0x00, 0x33};
    Frame host = writeRemoteHostRequest(key, 1, 1, "0123456789abcdefXYZ");
    EXPECT_EQ(host[3], 21);
    EXPECT_EQ(host[4], 'X');
    EXPECT_EQ(host[7], 0);
    Frame words = writeWordsRequest(key, subcode::kModbusTimeouts, {250, 1, 0, 0, 0, 0, 0, 0x0102});
    EXPECT_EQ(words[4], 250);
    EXPECT_EQ(words[5], 0);
    EXPECT_EQ(words[6], 1);
    EXPECT_EQ(words[18], 0x02);
    EXPECT_EQ(words[19], 0x01);
    Frame macFrame = writeMacModeRequest(key, Mac{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}, 2);
    EXPECT_EQ(macFrame[5], 0xCA);
    EXPECT_EQ(macFrame[10], 2);
    EXPECT_EQ(macFrame[11], 0);
}

TEST(Routes, OrderAndLengthsChecked) {
    auto search = searchRequest();
    search[3] = 'P';
    EXPECT_EQ(classifyDatagram(search), (std::vector<Route>{Route::SearchReply, Route::ParameterReply}));
    EXPECT_TRUE(classifyDatagram({}).empty());
    std::vector<std::uint8_t> tftp = {0x00, 0x04, 0x00, 0x01};
    EXPECT_EQ(classifyDatagram(tftp), std::vector<Route>{Route::Tftp});
    tftp.pop_back();
    EXPECT_TRUE(classifyDatagram(tftp).empty());
    std::vector<std::uint8_t> wifi = {'H', ':', 'R', 0x9F};
    EXPECT_EQ(classifyDatagram(wifi), std::vector<Route>{Route::WifiScan});
    std::vector<std::uint8_t> shortWifi = {'H', ':', 'R'};
    EXPECT_TRUE(classifyDatagram(shortWifi).empty());
    for (std::size_t length : {25u, 35u, 17u}) {
        std::vector<std::uint8_t> timing(length, 0);
        timing[0] = 'H', timing[1] = ':', timing[2] = 'W', timing[3] = 3;
        EXPECT_EQ(classifyDatagram(timing), std::vector<Route>{Route::OutputTiming}) << length;
    }
    std::vector<std::uint8_t> timing(26, 0);
    timing[0] = 'H', timing[1] = ':', timing[2] = 'W', timing[3] = 3;
    EXPECT_EQ(classifyDatagram(timing), std::vector<Route>{Route::ParameterReply});
    timing.resize(36);
    EXPECT_TRUE(classifyDatagram(timing).empty());
    std::vector<std::uint8_t> packed(830, 0);
    packed[0] = 'H', packed[1] = ':', packed[2] = 'R', packed[3] = 1;
    EXPECT_EQ(classifyDatagram(packed), std::vector<Route>{Route::PackedImage});
    packed.resize(831);
    EXPECT_TRUE(classifyDatagram(packed).empty());

    // Past the receive buffer nothing is routed, whatever the first bytes say.
    std::vector<std::uint8_t> big(kMaxDatagramBytes, 0x00);
    EXPECT_EQ(classifyDatagram(big), std::vector<Route>{Route::Tftp});
    big[0] = 'H', big[1] = ':', big[2] = 'R', big[3] = 0x9F;
    EXPECT_EQ(classifyDatagram(big), std::vector<Route>{Route::WifiScan});
    big.push_back(0);
    EXPECT_TRUE(classifyDatagram(big).empty());
    big[0] = 0x00;
    EXPECT_TRUE(classifyDatagram(big).empty());
}

TEST(DeviceTable, LookupFreeEntryAndFullTable) {
    DeviceTable table;
    DeviceKey a{1, 1, 1}, b{2, 2, 2};
    EXPECT_EQ(table.entryForReply(a), 0u);
    table[0].inUse = 1;
    table[0].key = a;
    EXPECT_EQ(table.entryForReply(a), 0u);
    EXPECT_EQ(table.entryForReply(b), 1u);
    EXPECT_FALSE(table.findByKey(b).has_value());
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].inUse = 1;
        table[i].key = DeviceKey{0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
    }
    EXPECT_FALSE(table.entryForReply(DeviceKey{9, 9, 9}).has_value());
    table[3].ports[2].baudRate = 9;
    table.clear();
    EXPECT_EQ(table.usedCount(), 0u);
    EXPECT_EQ(table[3], DeviceRecord{});
}

TEST(Identity, VersionAndPortCounts) {
    Identity id;
    const char text[] = "V143Z4\0\0\1";
    std::copy_n(text, 9, id.bytes.begin());
    EXPECT_EQ(id.firmwareText(), "V143");
    EXPECT_EQ(id.hardwareText(), "Z4");
    EXPECT_EQ(id.versionNumber(), 43);
    EXPECT_EQ(id.portCountChar(), '4');
    EXPECT_EQ(id.extraQueryFlag(), 1);
    id.bytes[3] = 'x';
    EXPECT_EQ(id.versionNumber(), -1);
    EXPECT_EQ(displayedPortCount('B'), 2);
    EXPECT_EQ(protocolPortCount('B'), 8);
    EXPECT_EQ(displayedPortCount('1'), 2);
    EXPECT_EQ(protocolPortCount('6'), 6);
    EXPECT_EQ(protocolPortCount('X'), 0);  // an unknown count asks for no port at all
    EXPECT_EQ(displayedPortCount('X'), 1);
    EXPECT_EQ(macText(Mac{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}), "00-CA-C1-19-00-33");
}
