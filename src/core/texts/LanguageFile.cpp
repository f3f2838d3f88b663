#include "texts/LanguageFile.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "util/FileWrite.h"

namespace tavrel {
namespace fs = std::filesystem;

namespace {

// Start-up looks at the head of the file only.
constexpr std::uintmax_t kLanguageFileReadBytes = 100;

enum class ReadState { ok, missing, failed };

struct FileBytes {
    ReadState state = ReadState::failed;
    std::string bytes;
    std::string error;
};

// Reads at most `limit` bytes; with `refuseLonger` a longer file is an error instead of cut short.
FileBytes readFile(const fs::path& file, std::uintmax_t limit, bool refuseLonger) {
    FileBytes result;
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        result.state = ReadState::missing;
        return result;
    }
    if (ec || status.type() != fs::file_type::regular) {
        result.error = "not a readable file: " + file.string();
        return result;
    }
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || (refuseLonger && size > limit)) {
        result.error = ec ? "cannot read the size of " + file.string() : "file too large: " + file.string();
        return result;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        result.error = "cannot open for reading: " + file.string();
        return result;
    }
    result.bytes.resize(static_cast<std::size_t>(std::min(size, limit)));
    in.read(result.bytes.data(), static_cast<std::streamsize>(result.bytes.size()));
    result.bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        result.error = "read error: " + file.string();
        return result;
    }
    result.state = ReadState::ok;
    return result;
}

StoreResult replaceWhole(const fs::path& file, std::string_view bytes) {
    if (auto error = replaceFileWhole(file, bytes, FileContent::Plain)) return {false, *error};
    return {true, {}};
}

}  // namespace

Language languageFromBytes(std::string_view bytes) {
    return !bytes.empty() && bytes.front() == kChineseLetter ? Language::Chinese : Language::English;
}

char languageLetter(Language language) {
    return language == Language::Chinese ? kChineseLetter : kEnglishLetter;
}

std::string withLanguageLetter(std::string_view bytes, Language language) {
    std::string result(bytes);
    if (result.empty())
        result.push_back(languageLetter(language));
    else
        result.front() = languageLetter(language);
    return result;
}

RestoredLanguage restoreLanguage(const fs::path& file) {
    RestoredLanguage restored;
    FileBytes read = readFile(file, kLanguageFileReadBytes, false);
    if (read.state == ReadState::ok) {
        restored.language = languageFromBytes(read.bytes);
        return restored;
    }
    // Missing or unreadable: Chinese. Only a missing file is created; an unreadable one is left as
    // it is rather than replaced blindly.
    restored.language = Language::Chinese;
    if (read.state == ReadState::failed) {
        restored.failed = true;
        restored.error = std::move(read.error);
        return restored;
    }
    StoreResult written = replaceWhole(file, std::string(1, kChineseLetter));
    restored.created = written.ok;
    restored.failed = !written.ok;
    restored.error = std::move(written.error);
    return restored;
}

StoreResult storeLanguage(const fs::path& file, Language language) {
    FileBytes read = readFile(file, kLanguageFileMaxBytes, true);
    if (read.state == ReadState::failed) return {false, std::move(read.error)};
    return replaceWhole(file, withLanguageLetter(read.bytes, language));
}

}  // namespace tavrel
