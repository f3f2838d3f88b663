#include "texts/UiTexts.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "texts/FixedTexts.h"
#include "texts/FixedTextsEnglish.h"

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

TEST(UiTexts, OneTextLooksUpLikeALoadedSet) {
    for (Language language : {Language::English, Language::Chinese}) {
        const UiTexts texts = loaded(language);
        EXPECT_EQ(UiTexts::textOf(&UiTexts::invalidDns, language), texts.invalidDns);
        EXPECT_EQ(UiTexts::textOf(&UiTexts::ioListening, language), texts.ioListening);
        EXPECT_EQ(UiTexts::textOf(&UiTexts::mainCaption, language), texts.mainCaption);
    }
}

TEST(FixedTexts, NumberPatternsAreFilledIn) {
    EXPECT_EQ(fixed::withNumber(fixed::kNumberRangePattern, 65535), "请输入0-65535的数字！");
    EXPECT_EQ(fixed::withNumber(fixed::kChannelPattern, 8), "第 8 路");
    EXPECT_EQ(fixed::withNumber(fixed::kUnknownWeekdayPattern, 0), "week:0");
    EXPECT_EQ(fixed::withNumber(fixed::kConfigFailed, 3), fixed::kConfigFailed);
}

TEST(FixedTexts, CommandLineEnglishTakesWholeLinesOnly) {
    EXPECT_EQ(englishOfFixedTexts("请输入0-65535的数字！"), "Enter a number from 0 to 65535!");
    EXPECT_EQ(englishOfFixedTexts("传输错误\nTFTP error 2: x"), "Transfer error\nTFTP error 2: x");
    EXPECT_EQ(englishOfFixedTexts("请输入0-的数字！"), "请输入0-的数字！") << "no number: not the pattern";
    EXPECT_EQ(englishOfFixedTexts("设备 传输错误"), "设备 传输错误");
}

}  // namespace
}  // namespace tavrel
