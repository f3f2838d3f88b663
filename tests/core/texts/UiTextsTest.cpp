#include "texts/UiTexts.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "texts/FixedTexts.h"

namespace tavrel {
namespace {

std::map<std::string, std::string> textsOf(const UiTexts& texts) {
    std::map<std::string, std::string> byName;
    texts.forEachText([&](std::string_view name, const std::string& text) {
        EXPECT_TRUE(byName.emplace(std::string(name), text).second) << "listed twice: " << name;
    });
    return byName;
}

UiTexts loaded(Language language) {
    UiTexts texts;
    texts.load(language);
    return texts;
}

TEST(UiTexts, EveryTextIsFilledInBothLanguages) {
    for (Language language : {Language::English, Language::Chinese}) {
        const auto byName = textsOf(loaded(language));
        EXPECT_EQ(byName.size(), UiTexts::textCount());
        for (const auto& [name, text] : byName) EXPECT_FALSE(text.empty()) << name;
    }
}

TEST(UiTexts, LanguagesDifferExceptTheSharedTexts) {
    // These read the same in both languages; every other text must be translated.
    const std::set<std::string> shared = {"mainCaption", "versionLabel", "languageMenu", "englishItem"};
    const auto english = textsOf(loaded(Language::English));
    const auto chinese = textsOf(loaded(Language::Chinese));
    for (const auto& [name, text] : english) {
        if (shared.count(name))
            EXPECT_EQ(text, chinese.at(name)) << name;
        else
            EXPECT_NE(text, chinese.at(name)) << name;
    }
}

TEST(UiTexts, LanguageCodeAndMessageBoxIdentifier) {
    UiTexts texts;
    texts.loadEnglish();
    EXPECT_EQ(texts.languageCode, 9);
    EXPECT_EQ(texts.messageBoxLanguageId(), 0x0409);
    EXPECT_TRUE(texts.isEnglish());
    texts.loadChinese();
    EXPECT_EQ(texts.languageCode, 4);
    EXPECT_EQ(texts.messageBoxLanguageId(), 0x0404);
    EXPECT_EQ(texts.language(), Language::Chinese);
}

TEST(UiTexts, SwitchingBackLeavesNoTextOfTheOtherLanguage) {
    UiTexts texts;
    texts.loadEnglish();
    texts.loadChinese();
    texts.loadEnglish();
    EXPECT_EQ(textsOf(texts), textsOf(loaded(Language::English)));
}

TEST(UiTexts, BlanksAndTyposAreKeptByteForByte) {
    const UiTexts en = loaded(Language::English);
    EXPECT_EQ(en.labelIpType, "IP  Type    :");
    EXPECT_EQ(en.ipTypeDhcp, "DHCP   IP");
    EXPECT_EQ(en.labelGateway, "Gataway     :");
    EXPECT_EQ(en.labelMac, "MAC Adress  :");
    EXPECT_EQ(en.broadcastAddressLabel, "BroadcastAdress:");
    EXPECT_EQ(en.firmwareCannotOpen, "can`t open");
    EXPECT_EQ(en.readParametersFirst, "please read  parameter first");
    EXPECT_EQ(en.searchTimeout, "Search timeout,No device found");
    EXPECT_EQ(en.versionLabel, "V228 ");
    EXPECT_EQ(en.mainCaption,
              "Tavrel   \xE7\xBD\x91\xE7\xBB\x9C"
              "IO\xE6\x8E\xA7\xE5\x88\xB6\xE6\x9D\xBF"
              "\xE6\x8E\xA7\xE5\x88\xB6\xE8\xBD\xAF\xE4\xBB\xB6   V228 ");
}

TEST(UiTexts, FullWidthCharactersStayFullWidth) {
    const UiTexts en = loaded(Language::English);
    const UiTexts zh = loaded(Language::Chinese);
    // U+FF01 full-width exclamation mark, U+FF1A full-width colon.
    EXPECT_EQ(en.portCountMismatch, "The number of ports is not equal\xEF\xBC\x81");
    EXPECT_EQ(en.ioAllOn,
              "Output\xEF\xBC\x9A"
              "All ON");
    EXPECT_EQ(en.ioAllOff,
              "Output\xEF\xBC\x9A"
              "All OFF");
    EXPECT_EQ(en.labelInputChanged, "Input changed:");
    EXPECT_EQ(
        zh.labelInputChanged,
        "\xE8\xBE\x93\xE5\x85\xA5\xE7\x8A\xB6\xE6\x80\x81\xE6\x94\xB9\xE5\x8F\x98\xE6\x97\xB6\xEF\xBC\x9A");
    // The Chinese bad-profile text ends in a half-width '!', the port-count one in a full-width one.
    EXPECT_EQ(zh.badProfile.back(), '!');
    EXPECT_EQ(zh.portCountMismatch.substr(zh.portCountMismatch.size() - 3), "\xEF\xBC\x81");
    EXPECT_EQ(zh.labelRemoteIp, "目标IP/域名:");
    EXPECT_EQ(zh.ipTypeStatic, "静态 IP");
}

TEST(FixedTexts, NumberPatternsAreFilledIn) {
    EXPECT_EQ(fixed::withNumber(fixed::kNumberRangePattern, 65535), "请输入0-65535的数字！");
    EXPECT_EQ(fixed::withNumber(fixed::kChannelPattern, 8), "第 8 路");
    EXPECT_EQ(fixed::withNumber(fixed::kUnknownWeekdayPattern, 0), "week:0");
    EXPECT_EQ(fixed::withNumber(fixed::kConfigFailed, 3), fixed::kConfigFailed);
    EXPECT_EQ(fixed::kLogSentPrefix, "TX\xEF\xBC\x9A");
    EXPECT_EQ(fixed::kInitialBroadcastLabel, "广播地址: ");
}

}  // namespace
}  // namespace tavrel
