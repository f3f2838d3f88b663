#include <gtest/gtest.h>

#include "device/DeviceSelector.h"

using namespace tavrel;

TEST(DeviceSelector, ParsesTheThreeFormsAndRefusesTheRest) {
    EXPECT_EQ(parseDeviceSelector("127.0.0.3")->kind, DeviceSelector::Kind::Address);
    EXPECT_EQ(parseDeviceSelector("00-CA-C1-19-00-33")->mac, (Mac{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33}));
    EXPECT_EQ(parseDeviceSelector("00:ca:c1:19:00:33")->kind, DeviceSelector::Kind::MacAddress);
    EXPECT_EQ(parseDeviceSelector("19Af3c")->key, (DeviceKey{0x19, 0xAF, 0x3C}));
    for (const char* bad : {"", "1.2.3", "256.0.0.1", "19003", "19003G", "00-CA-C1-19-00", "hello"}) {
        EXPECT_FALSE(parseDeviceSelector(bad)) << bad;
    }
}

TEST(DeviceSelector, MatchesOnlyEntriesInUse) {
    DeviceRecord r;
    r.key = {0x19, 0x00, 0x33};
    r.sourceAddress = "127.0.0.3";
    r.network.ip = {192, 168, 1, 3};
    EXPECT_FALSE(selects(*parseDeviceSelector("190033"), r));
    r.inUse = 1;
    EXPECT_TRUE(selects(*parseDeviceSelector("190033"), r));
    EXPECT_TRUE(selects(*parseDeviceSelector("127.0.0.3"), r));
    EXPECT_TRUE(selects(*parseDeviceSelector("192.168.1.3"), r));
    // Before the read-out brings the MAC, the key decides.
    EXPECT_TRUE(selects(*parseDeviceSelector("00-CA-C1-19-00-33"), r));
    EXPECT_FALSE(selects(*parseDeviceSelector("00-CA-C1-19-00-34"), r)) << "nor another key's MAC";
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    EXPECT_FALSE(selects(*parseDeviceSelector("00-CA-C1-19-00-34"), r));
}

TEST(DeviceSelector, AddressesCompareAsNumbers) {
    DeviceRecord r;
    r.inUse = 1;
    r.sourceAddress = "127.0.0.3";
    r.network.ip = {1, 2, 3, 4};
    for (const char* same : {"01.002.3.4", "001.2.003.004", "1.2.3.4", "127.000.0.03", "127.0.0.3"})
        EXPECT_TRUE(selects(*parseDeviceSelector(same), r)) << same;
    for (const char* other : {"1.2.3.40", "10.2.3.4", "127.0.0.30", "0001.2.3.4"}) {
        auto selector = parseDeviceSelector(other);
        EXPECT_TRUE(!selector || !selects(*selector, r)) << other;
    }
    // An entry whose source address is not an address text is matched by its reported one alone.
    r.sourceAddress = "::1";
    EXPECT_FALSE(selects(*parseDeviceSelector("127.0.0.3"), r));
    EXPECT_TRUE(selects(*parseDeviceSelector("1.02.3.4"), r));
}

// Found by fuzz/selector.cpp (input kept as fuzz/corpus/selector/regression-leading-zeros).
TEST(DeviceSelector, AddressWithLeadingZerosFindsItsDevice) {
    DeviceRecord r;
    r.inUse = 1;
    r.sourceAddress = "17.2.0.2";
    r.network.ip = {192, 168, 1, 5};
    EXPECT_TRUE(selects(*parseDeviceSelector("17.02.0.2"), r));
    EXPECT_TRUE(selects(*parseDeviceSelector("192.168.001.005"), r));
    EXPECT_FALSE(selects(*parseDeviceSelector("192.168.001.050"), r));
}

// The texts a device is printed as are the ones a selector reads back, at their full length.
TEST(DeviceSelector, PrintedKeysAddressesAndMacsSelectTheirDevice) {
    DeviceRecord r;
    r.inUse = 1;
    r.key = {0xAB, 0xCD, 0xEF};
    r.mac = {0x00, 0xCA, 0xC1, 0xAB, 0xCD, 0xEF};
    r.network.ip = {255, 255, 255, 254};
    r.sourceAddress = "127.0.0.3";
    EXPECT_EQ(keyText(r.key), "ABCDEF");
    EXPECT_EQ(keyText(DeviceKey{0x00, 0x01, 0x0A}), "00010A");
    EXPECT_EQ(macText(r.mac), "00-CA-C1-AB-CD-EF");
    EXPECT_EQ(ipv4Text(r.network.ip), "255.255.255.254");
    for (const std::string& text : {keyText(r.key), macText(r.mac), ipv4Text(r.network.ip)}) {
        const auto selector = parseDeviceSelector(text);
        ASSERT_TRUE(selector) << text;
        EXPECT_TRUE(selects(*selector, r)) << text;
    }
}
