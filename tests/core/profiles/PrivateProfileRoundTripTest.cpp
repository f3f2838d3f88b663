// A profile file read, written and read again must give the same entries, whatever the file holds.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/PrivateProfile.h"

using namespace tavrel;

namespace {

constexpr std::string_view kMark = "\xEF\xBB\xBF";
// Names the generated files use (case and blanks vary); every entry a file can hold is found by
// asking for these.
constexpr std::array<std::string_view, 6> kNames = {"S", "s", "Sk", "k", "K", "kv"};

class FileMaker {
  public:
    explicit FileMaker(unsigned seed) : rng_(seed) {}

    std::string file() {
        std::string text;
        for (int i = pick(4) == 0 ? pick(4) : 0; i > 0; --i) text += kMark;
        for (int lines = pick(12); lines > 0; --lines) text += line() + lineEnd();
        if (pick(3) == 0) text += line();  // last line without an end
        return text;
    }

    std::string name() { return std::string(kNames[static_cast<std::size_t>(pick(kNames.size()))]); }
    std::string blanks() {
        static constexpr std::array<std::string_view, 5> kBlanks = {"", "", " ", "\t", " \t "};
        return std::string(kBlanks[static_cast<std::size_t>(pick(kBlanks.size()))]);
    }
    // Bytes a value may hold: anything but a line end.
    std::string value() {
        static constexpr char kValueBytes[] = "ab=;[] \t\0\xEF\xBB\xBF\x7F";
        static constexpr std::string_view kBytes{kValueBytes, sizeof kValueBytes - 1};
        std::string v;
        for (int n = pick(6); n > 0; --n) v += kBytes[static_cast<std::size_t>(pick(kBytes.size()))];
        return v;
    }
    int pick(std::size_t n) { return std::uniform_int_distribution<int>(0, static_cast<int>(n) - 1)(rng_); }

  private:
    std::string line() {
        std::string prefix = pick(6) == 0 ? std::string(kMark) : "";
        switch (pick(6)) {
            case 0:
                return prefix + blanks() + "[" + blanks() + name() + blanks() + (pick(4) ? "]" : "") +
                       value();
            case 1:
            case 2:
                return prefix + blanks() + name() + blanks() + "=" + value();
            case 3:
                return prefix + ";" + name() + "=" + value();
            case 4:
                return prefix + value();
            default: {
                std::string raw;
                for (int n = pick(10); n > 0; --n) raw += static_cast<char>(pick(256));
                return prefix + raw;
            }
        }
    }
    std::string lineEnd() {
        static constexpr std::array<std::string_view, 4> kEnds = {"\n", "\r\n", "\r\r\n", "\n\r\n"};
        return std::string(kEnds[static_cast<std::size_t>(pick(kEnds.size()))]);
    }

    std::mt19937 rng_;
};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Every (section, key) of the generated names, with what the profile finds for it.
std::vector<std::optional<std::string>> entriesOf(const PrivateProfile& p) {
    std::vector<std::optional<std::string>> out;
    for (auto section : kNames)
        for (auto key : kNames) out.push_back(p.find(section, key));
    return out;
}

}  // namespace

TEST(PrivateProfileRoundTrip, ReadWriteReadKeepsEveryEntryOfAnyFile) {
    for (unsigned seed = 0; seed < 3000; ++seed) {
        FileMaker maker(seed);
        const std::string file = maker.file();
        const PrivateProfile first = PrivateProfile::parse(file);
        const PrivateProfile second = PrivateProfile::parse(first.text());
        ASSERT_EQ(entriesOf(first), entriesOf(second)) << "seed " << seed;
        // Written again, the file no longer changes.
        ASSERT_EQ(first.text(), second.text()) << "seed " << seed;
    }
}

TEST(PrivateProfileRoundTrip, AWriteChangesItsEntryAloneAndSurvivesTheFile) {
    for (unsigned seed = 0; seed < 3000; ++seed) {
        FileMaker maker(seed);
        PrivateProfile p = PrivateProfile::parse(maker.file());
        const auto before = entriesOf(p);
        const std::string section = maker.blanks() + maker.name() + maker.blanks();
        const std::string key = maker.blanks() + maker.name();
        const std::string value = maker.value();
        ASSERT_EQ(p.writeString(section, key, value), ProfileStatus::Ok) << "seed " << seed;
        const PrivateProfile reread = PrivateProfile::parse(p.text());
        const auto after = entriesOf(reread);
        std::size_t i = 0;
        for (auto s : kNames)
            for (auto k : kNames) {
                if (sameNoCase(s, trimmed(section)) && sameNoCase(k, trimmed(key)))
                    EXPECT_EQ(after[i], trimmed(value)) << "seed " << seed;
                else
                    EXPECT_EQ(after[i], before[i]) << "seed " << seed << " [" << s << "] " << k;
                ++i;
            }
    }
}

TEST(PrivateProfileRoundTrip, RepeatedByteOrderMarksAreSkippedAndOneIsWrittenBack) {
    const std::string file = std::string(kMark) + std::string(kMark) + "[Info]\r\nA=1\r\n[Next]\r\nB=2\r\n";
    const PrivateProfile p = PrivateProfile::parse(file);
    // A second mark would otherwise start the first line and hide its section until a save.
    EXPECT_EQ(p.find("Info", "A"), "1");
    EXPECT_EQ(p.find("Next", "B"), "2");
    const std::string written = p.text();
    EXPECT_EQ(written, std::string(kMark) + "[Info]\r\nA=1\r\n[Next]\r\nB=2\r\n");
    const PrivateProfile again = PrivateProfile::parse(written);
    EXPECT_EQ(again.find("Info", "A"), "1");
    EXPECT_EQ(again.text(), written);
    // One mark is skipped and written back.
    const std::string single = std::string(kMark) + "[Info]\r\nA=1\r\n";
    EXPECT_EQ(PrivateProfile::parse(single).find("info", "a"), "1");
    EXPECT_EQ(PrivateProfile::parse(single).text(), single);
}

TEST(PrivateProfileRoundTrip, TabsAroundKeyAndValueAreBlanks) {
    const PrivateProfile p =
        PrivateProfile::parse("[\tPort1\t]\n\tBitRate\t=\t9600\t\n \t Mode \t= \tTCP SERVER\t \n");
    EXPECT_EQ(p.find("Port1", "BitRate"), "9600");
    EXPECT_EQ(p.readInt("port1", "bitrate", 0), 9600);
    // Blanks inside a value stay.
    EXPECT_EQ(p.find("Port1", "Mode"), "TCP SERVER");
}
