// The WiFi part of the 302-form payload and the record's WiFi fields.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "wifi/WifiSettings.h"
#include "wifi/WifiView.h"

using namespace tavrel;

namespace {

constexpr std::size_t kPayload302 = 292;

// The field as the board expects it: the text's bytes, then zeros to the field's end.
std::vector<std::uint8_t> field(std::string_view bytes, std::size_t width) {
    std::vector<std::uint8_t> f(bytes.begin(), bytes.end());
    f.resize(width, 0);
    return f;
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& p, std::size_t at, std::size_t n) {
    return {p.begin() + static_cast<std::ptrdiff_t>(at), p.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

const std::string k40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";

}  // namespace

TEST(WifiPayload, FieldsAreCutWithTheirLastByteZero) {
    std::vector<std::uint8_t> p(kPayload302);
    std::iota(p.begin(), p.end(), std::uint8_t{7});  // stale bytes everywhere
    const std::vector<std::uint8_t> before = p;
    WifiSettings s{kWifiModeSta, k40, "0123456789abcdefXYZ", "Office", "pw"};
    ASSERT_TRUE(putWifiSettings(p, s));

    EXPECT_EQ(p[0], 0x55);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(slice(p, 2, 32), field(k40.substr(0, 31), 32));
    EXPECT_EQ(slice(p, 34, 16), field("0123456789abcde", 16));
    EXPECT_EQ(slice(p, 50, 16), field("pw", 16));  // the station password comes before its SSID
    EXPECT_EQ(slice(p, 66, 32), field("Office", 32));
    EXPECT_EQ(slice(p, 98, kPayload302 - 98), slice(before, 98, kPayload302 - 98));
}

TEST(WifiPayload, ExactFitsAndWideCharactersAreNeverSplit) {
    std::vector<std::uint8_t> p(kPayload302, 0xEE);
    const std::string ssid31(31, 'x');
    // Eleven three-byte characters: the 31-byte cut would end inside the eleventh.
    std::string wide;
    for (int i = 0; i < 11; ++i) wide += "网";
    ASSERT_TRUE(putWifiSettings(p, {kWifiModeAp, ssid31, std::string(15, 'p'), wide, ""}));
    EXPECT_EQ(slice(p, 2, 32), field(ssid31, 32));
    EXPECT_EQ(slice(p, 34, 16), field(std::string(15, 'p'), 16));
    EXPECT_EQ(slice(p, 50, 16), field("", 16));
    EXPECT_EQ(slice(p, 66, 32), field(wide.substr(0, 30), 32));
}

TEST(WifiPayload, TooShortAPayloadIsLeftAlone) {
    std::vector<std::uint8_t> p(97, 0xEE);
    EXPECT_FALSE(putWifiSettings(p, {kWifiModeSta, "a", "b", "c", "d"}));
    EXPECT_EQ(p, std::vector<std::uint8_t>(97, 0xEE));
}

TEST(WifiSettings, ModeListPositionOrTheDevicesOwnMode) {
    EXPECT_EQ(wifiModeOf(0, 2), 1);
    EXPECT_EQ(wifiModeOf(1, 1), 2);
    EXPECT_EQ(wifiModeOf(-1, 2), 2);  // nothing chosen: the device keeps its mode
    EXPECT_EQ(wifiModeOf(2, 1), 1);
    // A board reporting a mode the list does not hold shows no entry; a save sends its mode back.
    DeviceRecord board;
    board.form302 = 1;
    board.wifiMode = 3;
    EXPECT_EQ(wifiModeOf(-1, showWifi(board).deviceMode), 3);
    EXPECT_EQ(parseWifiMode("AP"), std::optional<std::uint8_t>(1));
    EXPECT_EQ(parseWifiMode("sta"), std::optional<std::uint8_t>(2));
    EXPECT_FALSE(parseWifiMode("ADHOC"));
    EXPECT_FALSE(parseWifiMode(""));
}

TEST(WifiSettings, EditKeepsWhatIsNotGivenAndTheRecordHoldsWhatIsSent) {
    DeviceRecord r;
    r.wifiMode = kWifiModeAp;
    setText(r.apSsid, "board-ap");
    setText(r.apPassword, "appass");
    setText(r.staSsid, "old");
    setText(r.staPassword, "stapass");
    WifiEdit edit;
    edit.mode = kWifiModeSta;
    edit.staSsid = k40;
    const WifiSettings s = editedWifiSettings(wifiSettingsOf(r), edit);
    EXPECT_EQ(s, (WifiSettings{kWifiModeSta, "board-ap", "appass", k40, "stapass"}));

    applyWifiSettings(r, s);
    EXPECT_EQ(r.wifiMode, 2);
    EXPECT_EQ(textOf(r.staSsid), k40.substr(0, 31));
    EXPECT_EQ(r.staSsid[31], '\0');
    EXPECT_EQ(textOf(r.apSsid), "board-ap");
    // What the record holds is what the payload carries.
    std::vector<std::uint8_t> fromRecord(kPayload302), fromSettings(kPayload302);
    putWifiSettings(fromRecord, wifiSettingsOf(r));
    putWifiSettings(fromSettings, s);
    EXPECT_EQ(fromRecord, fromSettings);
}
