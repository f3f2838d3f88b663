#pragma once
// File dialog filters: the system keeps them as "description|pattern|...|"; Qt's dialogs take
// "description (pattern);;...".
#include <filesystem>
#include <string>
#include <string_view>

namespace tavrel {

// Each description keeps its own "(pattern)" when it ends with one; otherwise the pattern is added.
std::string qtFileFilter(std::string_view pipeSeparated);

// The chosen path with `extension` (".ini", ".txt") added when its name has none.
std::filesystem::path withDefaultExtension(const std::filesystem::path& chosen, std::string_view extension);

}  // namespace tavrel
