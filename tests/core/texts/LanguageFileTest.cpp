#include "texts/LanguageFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace tavrel {
namespace {
namespace fs = std::filesystem;

class LanguageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        folder_ = fs::temp_directory_path() / ("tavrel-language-" + std::to_string(random()));
        fs::create_directories(folder_);
        file_ = folder_ / "vesk.ini";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void write(const fs::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Only the settings file itself: no temporary file may be left behind.
    void expectOnlyTheFile() {
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            ++entries;
            EXPECT_EQ(entry.path().filename(), "vesk.ini");
        }
        EXPECT_EQ(entries, 1);
    }

    fs::path folder_;
    fs::path file_;
};

TEST_F(LanguageFileTest, MissingFileMeansChineseAndIsCreatedHoldingZ) {
    const RestoredLanguage restored = restoreLanguage(file_);
    EXPECT_EQ(restored.language, Language::Chinese);
    EXPECT_TRUE(restored.created);
    EXPECT_FALSE(restored.failed);
    EXPECT_EQ(read(file_), "z");
    expectOnlyTheFile();
}

TEST_F(LanguageFileTest, FirstByteDecidesAndTheFileIsNotTouched) {
    const std::pair<std::string, Language> cases[] = {
        {"z", Language::Chinese}, {"zebra", Language::Chinese},
        {"e", Language::English}, {"E", Language::English},
        {"x", Language::English}, {"", Language::English},
        {"Z", Language::English}, {std::string("\0z", 2), Language::English},
    };
    for (const auto& [bytes, expected] : cases) {
        write(file_, bytes);
        const RestoredLanguage restored = restoreLanguage(file_);
        EXPECT_EQ(restored.language, expected) << "file holding '" << bytes << "'";
        EXPECT_FALSE(restored.created);
        EXPECT_FALSE(restored.failed);
        EXPECT_EQ(read(file_), bytes);
    }
}

TEST_F(LanguageFileTest, StoreReplacesOnlyTheFirstByte) {
    const std::string tail("\0abc\r\n\xFF", 7);
    write(file_, "z" + tail);
    ASSERT_TRUE(storeLanguage(file_, Language::English).ok);
    EXPECT_EQ(read(file_), "e" + tail);
    ASSERT_TRUE(storeLanguage(file_, Language::Chinese).ok);
    EXPECT_EQ(read(file_), "z" + tail);
    expectOnlyTheFile();
}

TEST_F(LanguageFileTest, StoreIntoEmptyOrMissingFileWritesTheLetter) {
    write(file_, "");
    ASSERT_TRUE(storeLanguage(file_, Language::English).ok);
    EXPECT_EQ(read(file_), "e");
    fs::remove(file_);
    ASSERT_TRUE(storeLanguage(file_, Language::Chinese).ok);
    EXPECT_EQ(read(file_), "z");
    EXPECT_EQ(restoreLanguage(file_).language, Language::Chinese);
    expectOnlyTheFile();
}

TEST_F(LanguageFileTest, UnwritablePlaceReportsFailureWithoutThrowing) {
    // A regular file where the folder should be: nothing can be read or created below it.
    const fs::path blocker = folder_ / "blocker";
    write(blocker, "keep");
    const fs::path file = blocker / "vesk.ini";
    RestoredLanguage restored;
    EXPECT_NO_THROW(restored = restoreLanguage(file));
    EXPECT_EQ(restored.language, Language::Chinese);
    EXPECT_TRUE(restored.failed);
    EXPECT_FALSE(restored.created);
    EXPECT_FALSE(restored.error.empty());
    StoreResult stored;
    EXPECT_NO_THROW(stored = storeLanguage(file, Language::English));
    EXPECT_FALSE(stored.ok);
    EXPECT_FALSE(stored.error.empty());
    EXPECT_EQ(read(blocker), "keep");
}

TEST_F(LanguageFileTest, FolderInPlaceOfTheFileIsLeftAlone) {
    fs::create_directory(file_);
    write(file_ / "inside", "x");
    const RestoredLanguage restored = restoreLanguage(file_);
    EXPECT_EQ(restored.language, Language::Chinese);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.error, "not a readable file: " + file_.string());
    const StoreResult stored = storeLanguage(file_, Language::English);
    EXPECT_FALSE(stored.ok);
    EXPECT_EQ(stored.error, "not a readable file: " + file_.string());
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_EQ(read(file_ / "inside"), "x");
}

TEST_F(LanguageFileTest, OversizedFileIsNotRewritten) {
    const std::string big(static_cast<std::size_t>(kLanguageFileMaxBytes) + 1, 'z');
    write(file_, big);
    const StoreResult stored = storeLanguage(file_, Language::English);
    EXPECT_FALSE(stored.ok);
    EXPECT_EQ(stored.error, "file too large: " + file_.string());
    EXPECT_EQ(read(file_), big);
    expectOnlyTheFile();
    // Start-up still reads its first byte.
    const RestoredLanguage restored = restoreLanguage(file_);
    EXPECT_EQ(restored.language, Language::Chinese);
    EXPECT_FALSE(restored.failed);
    write(file_, "e" + big);
    EXPECT_EQ(restoreLanguage(file_).language, Language::English);
}

TEST_F(LanguageFileTest, FileOfExactlyTheLimitIsStoredWhole) {
    std::string atLimit(static_cast<std::size_t>(kLanguageFileMaxBytes), 'q');
    atLimit.front() = 'z';
    atLimit.back() = '!';
    write(file_, atLimit);
    const StoreResult stored = storeLanguage(file_, Language::English);
    EXPECT_TRUE(stored.ok) << stored.error;
    std::string expected = atLimit;
    expected.front() = 'e';
    EXPECT_EQ(read(file_), expected);
    expectOnlyTheFile();
}

TEST(LanguageBytes, LetterGoesFirstAndTheRestStays) {
    EXPECT_EQ(withLanguageLetter("", Language::English), "e");
    EXPECT_EQ(withLanguageLetter("", Language::Chinese), "z");
    EXPECT_EQ(withLanguageLetter("xyz", Language::Chinese), "zyz");
    EXPECT_EQ(languageFromBytes(withLanguageLetter("zq", Language::English)), Language::English);
}

}  // namespace
}  // namespace tavrel
