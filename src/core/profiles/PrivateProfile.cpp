#include "profiles/PrivateProfile.h"

#include <climits>
#include <fstream>
#include <iterator>
#include <system_error>

#include "util/Bytes.h"
#include "util/FileWrite.h"

namespace tavrel {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// The section name of a header line, or nothing for any other line.
std::optional<std::string_view> headerName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    return trim(line.substr(0, line.find(']')));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> entryOf(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
}

bool hasLineEnd(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

int leadingInt(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

const char* profileStatusText(ProfileStatus status) {
    switch (status) {
        case ProfileStatus::Ok:
            return "ok";
        case ProfileStatus::BadName:
            return "section or key name not allowed";
        case ProfileStatus::BadValue:
            return "value holds a line end";
        case ProfileStatus::WriteFailed:
            return "file could not be written";
    }
    return "unknown status";
}

PrivateProfile PrivateProfile::parse(std::string_view text) {
    PrivateProfile p;
    // All of them: one left behind would start the first line. One is written back.
    while (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
        p.byteOrderMark_ = true;
    }
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        p.lines_.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return p;
}

PrivateProfile PrivateProfile::load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return {};
    return parse(bytes);
}

std::optional<std::size_t> PrivateProfile::locate(std::string_view section, std::string_view key) const {
    bool inSection = false;
    bool seenSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = headerName(lines_[i])) {
            if (seenSection) return std::nullopt;  // only the first occurrence of the section counts
            inSection = equalsNoCase(*name, section);
            seenSection = inSection;
            continue;
        }
        if (!inSection) continue;
        if (auto entry = entryOf(lines_[i]); entry && equalsNoCase(entry->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> PrivateProfile::find(std::string_view section, std::string_view key) const {
    const auto at = locate(section, key);
    if (!at) return std::nullopt;
    return std::string(entryOf(lines_[*at])->value);
}

std::optional<std::size_t> PrivateProfile::lineOf(std::string_view section, std::string_view key) const {
    const auto at = locate(section, key);
    if (!at) return std::nullopt;
    return *at + 1;
}

bool PrivateProfile::hasSection(std::string_view section) const {
    for (const auto& line : lines_)
        if (auto name = headerName(line); name && equalsNoCase(*name, section)) return true;
    return false;
}

std::string PrivateProfile::readString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue, std::size_t maxLength) const {
    auto value = find(section, key);
    return std::string(cutUtf8(value ? std::string_view(*value) : defaultValue, maxLength));
}

int PrivateProfile::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    auto value = find(section, key);
    return value ? leadingInt(*value) : defaultValue;
}

ProfileStatus PrivateProfile::writeString(std::string_view section, std::string_view key,
                                          std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || hasLineEnd(section) || section.find(']') != std::string_view::npos) {
        return ProfileStatus::BadName;
    }
    if (key.empty() || hasLineEnd(key) || key.find('=') != std::string_view::npos || key.front() == ';' ||
        key.front() == '[') {
        return ProfileStatus::BadName;
    }
    if (hasLineEnd(value)) return ProfileStatus::BadValue;

    std::string line = std::string(key) + "=" + std::string(value);
    std::optional<std::size_t> header;
    std::size_t insertAt = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = headerName(lines_[i])) {
            if (header) break;
            if (equalsNoCase(*name, section)) {
                header = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!header) continue;
        if (auto entry = entryOf(lines_[i])) {
            if (equalsNoCase(entry->key, key)) {
                lines_[i] = std::move(line);
                return ProfileStatus::Ok;
            }
            insertAt = i + 1;
        }
    }
    if (!header) {
        lines_.push_back("[" + std::string(section) + "]");
        insertAt = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    return ProfileStatus::Ok;
}

std::string PrivateProfile::text() const {
    std::string out(byteOrderMark_ ? kByteOrderMark : std::string_view{});
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

ProfileStatus PrivateProfile::save(const std::filesystem::path& path, FileContent content,
                                   std::string* reason) const {
    return writeFileWhole(path, text(), content, reason);
}

ProfileStatus writeFileWhole(const std::filesystem::path& path, std::string_view bytes, FileContent content,
                             std::string* reason) {
    const auto failed = replaceFileWhole(path, bytes, content);
    if (failed && reason != nullptr) *reason = *failed;
    return failed ? ProfileStatus::WriteFailed : ProfileStatus::Ok;
}

}  // namespace tavrel
