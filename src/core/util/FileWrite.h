#pragma once
// Every file the program writes goes whole to a temporary file beside it and is renamed over the
// old one, so an interrupted write never loses the previous file.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Whether a file can hold a secret (a device password). A new secret file is readable and writable
// by its owner only; a replaced file, secret or not, keeps the permissions it had.
enum class FileContent : std::uint8_t { Plain, Secret };

// Nothing on success; otherwise what failed. The temporary file never stays behind.
std::optional<std::string> replaceFileWhole(const std::filesystem::path& file, std::string_view bytes,
                                            FileContent content);

// Forces a file's (or a folder's) bytes onto the disk. The standard library has no such call, so the
// platform layer installs the system's at start; without one a power cut right after a write can
// leave the new file empty. Returns false when the system refused.
using FileSync = bool (*)(const std::filesystem::path& path, bool isFolder);
void setFileSync(FileSync sync);

}  // namespace tavrel
