#include <gtest/gtest.h>

#include "settings/AddressText.h"
#include "settings/NumberCheck.h"

using namespace tavrel;

TEST(AddressText, MacWithOrWithoutSeparatorsGivesTheSameBytes) {
    const Mac expected{0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    EXPECT_EQ(parseMac("00-CA-C1-19-00-33"), expected);
    EXPECT_EQ(parseMac("00CAC1190033"), expected);
    EXPECT_EQ(parseMac("00:ca:c1:19:00:33"), expected);
    EXPECT_EQ(parseMac(" 00-CA-C1-19-00-33 "), expected);
}

TEST(AddressText, MacRefusesAnythingButTwelveHexDigits) {
    for (const char* bad :
         {"", "00-CA-C1-19-00", "00CAC11900331", "00-CA-C1-19-00-3G", "00 CA C1 19 00 33", "0x00CAC1190033"})
        EXPECT_FALSE(parseMac(bad).has_value()) << bad;
    // Separators are only removed, wherever they stand.
    EXPECT_TRUE(parseMac("00-CA-C1-19-00-33-").has_value());
}

TEST(AddressText, Ipv4ReadsFourNumbersUpTo255) {
    EXPECT_EQ(parseIpv4("192.168.1.200"), (Ipv4{192, 168, 1, 200}));
    EXPECT_EQ(parseIpv4("0.0.0.0"), (Ipv4{0, 0, 0, 0}));
    EXPECT_EQ(parseIpv4(" 255.255.255.255\n"), (Ipv4{255, 255, 255, 255}));
    EXPECT_EQ(parseIpv4("010.001.1.1"), (Ipv4{10, 1, 1, 1}));
    for (const char* bad : {"", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", "1.2.3.-4",
                            "0001.2.3.4", "1.2.3.4x", ".1.2.3", "1.2.3.", "1. 2.3.4"})
        EXPECT_FALSE(parseIpv4(bad).has_value()) << bad;
}

TEST(NumberCheck, DigitsUpToTheMaximum) {
    EXPECT_EQ(checkNumber("", 65535), 0u);
    EXPECT_EQ(checkNumber("65535", 65535), 65535u);
    EXPECT_EQ(checkNumber("0250", 65535), 250u);
    for (const char* bad : {"65536", "70000", "12a", "-1", " 1", "1.5", "99999999999999999999999"})
        EXPECT_FALSE(checkNumber(bad, 65535).has_value()) << bad;
    EXPECT_EQ(numberRangeMessage(65535), "请输入0-65535的数字！");
}
