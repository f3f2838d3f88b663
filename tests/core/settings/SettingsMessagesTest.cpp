#include "settings/SettingsMessages.h"

#include <gtest/gtest.h>

#include <set>

#include "settings/NumberCheck.h"
#include "texts/UiTexts.h"

using namespace tavrel;

TEST(SettingsMessages, EachRefusalHasItsOwnTextInTheInterfaceLanguage) {
    const SettingsMessage all[] = {SettingsMessage::InvalidIpType,       SettingsMessage::InvalidIpAddress,
                                   SettingsMessage::InvalidSubnetMask,   SettingsMessage::InvalidGateway,
                                   SettingsMessage::InvalidDns,          SettingsMessage::InvalidMac,
                                   SettingsMessage::HeartbeatDataTooLong};
    UiTexts english, chinese;
    english.loadEnglish();
    chinese.loadChinese();
    std::set<std::string> englishTexts, chineseTexts;
    for (SettingsMessage m : all) {
        const std::string en = settingsMessage(m, kEnglishLanguageCode);
        const std::string zh = settingsMessage(m, kChineseLanguageCode);
        englishTexts.insert(en);
        chineseTexts.insert(zh);
        EXPECT_NE(en, zh);
        // Before any language is loaded the code is 0, and the window speaks Chinese.
        EXPECT_EQ(settingsMessage(m, 0), zh);
    }
    EXPECT_EQ(englishTexts.size(), std::size(all));
    EXPECT_EQ(chineseTexts.size(), std::size(all));
    // The messages name their field: the address and MAC refusals are the interface texts of that name.
    EXPECT_EQ(settingsMessage(SettingsMessage::InvalidIpAddress, kEnglishLanguageCode),
              english.invalidIpAddress);
    EXPECT_EQ(settingsMessage(SettingsMessage::InvalidMac, kChineseLanguageCode), chinese.invalidMacAddress);
    EXPECT_EQ(settingsMessage(SettingsMessage::InvalidDns, kEnglishLanguageCode), english.invalidDns);
}

TEST(SettingsMessages, NumberRangeFillsTheFixedPattern) {
    EXPECT_EQ(numberRangeMessage(2550), "请输入0-2550的数字！");
    EXPECT_EQ(numberRangeMessage(0xFFFFFFFFu), "请输入0-4294967295的数字！");
}
