#pragma once
// The command line speaks the language it is asked for; the window's Chinese-only messages reach it
// through shared code, and are given in English there.
#include <string>
#include <string_view>

namespace tavrel {

// Each line of `text` that is one of the Chinese-only messages (patterns with their number filled
// in) becomes its English rendering; any other line stays as it is.
std::string englishOfFixedTexts(std::string_view text);

}  // namespace tavrel
