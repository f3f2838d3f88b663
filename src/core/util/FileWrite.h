#pragma once
// Every file the program writes goes whole to a temporary file beside it and is renamed over the
// old one, so an interrupted write never loses the previous file.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Nothing on success; otherwise what failed. The temporary file never stays behind.
std::optional<std::string> replaceFileWhole(const std::filesystem::path& file, std::string_view bytes);

}  // namespace tavrel
