#include <gtest/gtest.h>

#include <vector>

#include "util/Printable.h"

namespace tavrel {
namespace {

std::string filtered(const std::vector<std::string_view>& pieces) {
    PrintableFilter f;
    std::string out;
    for (std::string_view p : pieces) out += f.feed(p);
    return out + f.finish();
}

TEST(PrintableFilter, ControlCharactersAreShownAndTextStays) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"name\x1b]0;X\a end\n"}, "name?]0;X? end\n"},
        {{"a\tb\r\nc\rd\x7f"}, "a\tb\r\nc?d?"},
        {{"\xc2\x9b"
          "31m \xc2\xa9 \xe8\xae\xbe"},
         "?31m \xc2\xa9 \xe8\xae\xbe"},                             // C1 CSI; © and CJK stay
        {{"line\r", "\nnext\xc2", "\x9b", "x"}, "line\r\nnext?x"},  // split between pieces
        {{"end\r"}, "end?"},
    };
    for (const auto& [pieces, expected] : cases) EXPECT_EQ(filtered(pieces), expected);
}

}  // namespace
}  // namespace tavrel
