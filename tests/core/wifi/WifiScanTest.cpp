// The scan request, the names of a scan result and the countdown header of the scan list.
#include <gtest/gtest.h>

#include <vector>

#include "wifi/WifiScan.h"

using namespace tavrel;

namespace {

using Names = std::vector<std::string>;

// A scan result as a board sends it: header, text, key, 8-bit sum of everything before, 'E' '.'.
std::vector<std::uint8_t> scanResult(std::string_view text, DeviceKey key = {0x19, 0x00, 0x33}) {
    std::vector<std::uint8_t> d = {'H', ':', 'R', 0x9F};
    d.insert(d.end(), text.begin(), text.end());
    d.insert(d.end(), key.begin(), key.end());
    std::uint8_t sum = 0;
    for (auto b : d) sum = static_cast<std::uint8_t>(sum + b);
    d.push_back(sum);
    d.push_back('E');
    d.push_back('.');
    return d;
}

}  // namespace

TEST(WifiScanRequest, IsTheCommandFrameWithSubCodeA) {
    const Frame f = wifiScanRequest({0x19, 0x00, 0x33});
    std::vector<std::uint8_t> expected = {'H', ':', 'W', 0x41};
    expected.insert(expected.end(), 16, 0x55);
    expected.insert(expected.end(), {0x19, 0x00, 0x33});
    std::uint8_t sum = 0;
    for (auto b : expected) sum = static_cast<std::uint8_t>(sum + b);
    expected.insert(expected.end(), {sum, 'E', '.'});
    EXPECT_EQ(f, expected);

    DeviceRecord r;
    r.sourceAddress = "127.0.0.7";
    EXPECT_EQ(scanDestination(true, "127.255.255.255", r), "127.255.255.255");
    EXPECT_EQ(scanDestination(false, "127.255.255.255", r), "127.0.0.7");
}

TEST(WifiScanResult, NamesEndWithAmpersand) {
    EXPECT_EQ(parseScanResult(scanResult("Office&Lab 2.4G&Guest&Partial")),
              (Names{"Office", "Lab 2.4G", "Guest"}));
    // A zero byte ends the text; the key after it is never read as a name.
    std::string padded("Office&");
    padded += '\0';
    padded += "Hidden&";
    EXPECT_EQ(parseScanResult(scanResult(padded, {'&', '&', '&'})), (Names{"Office"}));
    EXPECT_EQ(parseScanResult(scanResult("&&Lab&")), (Names{"Lab"}));
    EXPECT_EQ(parseScanResult(scanResult("")), Names{});
}

TEST(WifiScanResult, TheChecksumPositionEndsTheText) {
    // Without a zero the text runs through the key up to the checksum, which is never part of it.
    std::vector<std::uint8_t> d = scanResult("Office&Lab", {'X', 'Y', '&'});
    EXPECT_EQ(parseScanResult(d), (Names{"Office", "LabXY"}));
    d[d.size() - 3] = '&';
    d[d.size() - 4] = 'Z';
    EXPECT_EQ(parseScanResult(d), (Names{"Office"}));
}

TEST(WifiScanResult, ShortOrForeignDatagramsAreDropped) {
    const std::vector<std::uint8_t> full = scanResult("Office&");
    for (std::size_t n : {0u, 3u, 4u, 6u}) {
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(parseScanResult(cut)) << n;
    }
    EXPECT_EQ(parseScanResult(std::vector<std::uint8_t>{'H', ':', 'R', 0x9F, 0, 'E', '.'}), Names{});
    std::vector<std::uint8_t> other = full;
    other[3] = 'P';
    EXPECT_FALSE(parseScanResult(other));
}

TEST(WifiScanResult, RepeatedNamesGiveOneRow) {
    Names listed;
    EXPECT_EQ(mergeScanNames(listed, {"Office", "Lab"}), (Names{"Office", "Lab"}));
    EXPECT_EQ(mergeScanNames(listed, {"Lab", "Guest", "Office"}), (Names{"Guest"}));
    EXPECT_EQ(listed, (Names{"Office", "Lab", "Guest"}));
}

TEST(WifiScanList, CountdownHeaderInBothLanguages) {
    UiTexts en;
    en.load(Language::English);
    UiTexts zh;
    zh.load(Language::Chinese);
    EXPECT_EQ(scanCountdownHeader(en, kScanCountdownSeconds), "Searching...  6");
    EXPECT_EQ(scanCountdownHeader(en, 1), "Searching...  1");
    EXPECT_EQ(scanCountdownHeader(en, 0), "Search Timeout");
    EXPECT_EQ(scanCountdownHeader(zh, 5), "正在搜索...  5");
    EXPECT_EQ(scanCountdownHeader(zh, 0), "搜索超时");
}
