#pragma once
// File dialog filters: the system keeps them as "description|pattern|...|"; Qt's dialogs take
// "description (pattern);;...".
#include <string>
#include <string_view>

namespace tavrel {

// Each description keeps its own "(pattern)" when it ends with one; otherwise the pattern is added.
std::string qtFileFilter(std::string_view pipeSeparated);

}  // namespace tavrel
