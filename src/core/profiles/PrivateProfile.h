#pragma once
// Private-profile (INI) files: a whole file held in memory as its lines, read by section and key, and
// written back whole through a temporary file that is renamed over the old one.
//
// How a file is read:
// - Lines end at '\n'; a '\r' before it is dropped. UTF-8 byte-order marks at the start are skipped
//   (one is written back on save). Lines may be of any length.
// - Blanks (spaces, tabs) around section names, keys and values are ignored.
// - "[name]" starts a section; without a closing ']' the rest of the line is the name. Lines starting
//   with ';' are comments. "key=value" is an entry (the first '=' splits). Other lines are ignored.
// - Entries before the first section header belong to no section and are never found.
// - Section names and keys compare without regard to case (ASCII letters only).
// - When a section name occurs twice, only its first occurrence is read and written; when a key
//   occurs twice in a section, its first entry is.
// - Values are the bytes as they stand, other bytes than line ends included (zero bytes too, which
//   the system's text fields end at anyway); quotes are not removed.
// How it is written: a byte-order mark that was skipped is written back, so that a second one never
// becomes the first bytes of the next read; every other line is written as it was read, so a read,
// write, read gives the same entries for any file. An entry is replaced in place; a new key goes
// after the last entry of its section, a new section at the end of the file. Lines are written with
// "\r\n". Names and values that would break the line structure (line ends, '=' in a key, ']' in a
// section name) are refused.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/FileWrite.h"

namespace tavrel {

enum class ProfileStatus : std::uint8_t {
    Ok,
    BadName,      // empty, or holds a character the file format cannot carry
    BadValue,     // holds a line end
    WriteFailed,  // the temporary file could not be written or renamed; the old file is untouched
};

const char* profileStatusText(ProfileStatus status);

class PrivateProfile {
  public:
    PrivateProfile() = default;

    static PrivateProfile parse(std::string_view text);
    // A missing or unreadable file gives an empty profile, so every read gives its default.
    static PrivateProfile load(const std::filesystem::path& path);

    std::optional<std::string> find(std::string_view section, std::string_view key) const;
    // The 1-based line number of the entry find() reads, for messages that point into the file.
    std::optional<std::size_t> lineOf(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // The value cut to at most maxLength bytes (never inside a UTF-8 character); the default, cut
    // the same way, when the key is missing.
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue,
                           std::size_t maxLength) const;
    // A missing key gives the default. A present one gives its leading decimal number (an optional
    // sign, then digits; anything after them is ignored), 0 when it starts with no digit, and the
    // nearest int for a number outside the int range.
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;

    ProfileStatus writeString(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;
    // `reason`, when given, gets the system's words for a failed write.
    ProfileStatus save(const std::filesystem::path& path, FileContent content,
                       std::string* reason = nullptr) const;

  private:
    std::optional<std::size_t> locate(std::string_view section, std::string_view key) const;

    bool byteOrderMark_ = false;
    std::vector<std::string> lines_;
};

// Writes the bytes to a temporary file in the same folder and renames it over `path`.
ProfileStatus writeFileWhole(const std::filesystem::path& path, std::string_view bytes, FileContent content,
                             std::string* reason = nullptr);

}  // namespace tavrel
