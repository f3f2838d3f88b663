#pragma once
// The language settings file: its first byte picks the interface language ('z' Chinese, anything
// else English). Nothing else is read from it, and the bytes after the first are left alone.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "texts/UiTexts.h"

namespace tavrel {

inline constexpr char kChineseLetter = 'z';
inline constexpr char kEnglishLetter = 'e';
// The file normally holds one byte; storing the letter into anything larger is refused.
inline constexpr std::uintmax_t kLanguageFileMaxBytes = 1024 * 1024;

// 'z' first means Chinese; any other first byte, or none, means English.
Language languageFromBytes(std::string_view bytes);
char languageLetter(Language language);
// The file's new contents: the letter replaces the first byte, or becomes the only one.
std::string withLanguageLetter(std::string_view bytes, Language language);

struct RestoredLanguage {
    Language language = Language::Chinese;
    bool created = false;  // the file was missing and now holds "z"
    bool failed = false;   // the file could not be read or created; the language is still usable
    std::string error;     // what went wrong, for a log or the CLI
};

// Decides the start-up language. A missing file means Chinese and is created holding "z".
RestoredLanguage restoreLanguage(const std::filesystem::path& file);

struct StoreResult {
    bool ok = false;
    std::string error;
};

// Stores the language letter, keeping every byte after the first. The file is written whole to a
// temporary file beside it and renamed over the old one, so an interrupted write loses nothing.
StoreResult storeLanguage(const std::filesystem::path& file, Language language);

}  // namespace tavrel
