#include <gtest/gtest.h>

#include "util/TextBytes.h"

using namespace tavrel;

// Each sequence length at both ends of its range, and one step past: well-formed ones stay, every
// byte of a bad one becomes U+FFFD on its own, also when the text ends inside a sequence.
TEST(ShownText, KeepsWellFormedUtf8AndReplacesEachBadByte) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"\xC2\x80|\xDF\xBF", "\xC2\x80|\xDF\xBF"},
        {"\xC1\xBF", r + r},
        {"\xE0\xA0\x80|\xEF\xBF\xBD", "\xE0\xA0\x80|\xEF\xBF\xBD"},
        {"\xE0\x9F\xBF", r + r + r},
        {"\xED\x9F\xBF", "\xED\x9F\xBF"},
        {"\xED\xA0\x80", r + r + r},
        {"x\xE6\x97\xA5y", "x\xE6\x97\xA5y"},
        {"\xF0\x90\x80\x80|\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80|\xF4\x8F\xBF\xBF"},
        {"\xF0\x8F\xBF\xBF", r + r + r + r},
        {"\xF4\x90\x80\x80", r + r + r + r},
        {"\xF5\x80\x80\x80", r + r + r + r},
        {"end\xF0\x9F\x98\x80", "end\xF0\x9F\x98\x80"},
        {"a\xF0\x9F\x98", "a" + r + r + r},
        {"\xE6\x97", r + r},
        {"\xC3\xA9\xA9", "\xC3\xA9" + r},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(shownText(raw), shown) << raw;
}
