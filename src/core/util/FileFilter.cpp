#include "util/FileFilter.h"

#include <vector>

namespace tavrel {

std::string qtFileFilter(std::string_view text) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const auto bar = text.find('|');
        parts.push_back(text.substr(0, bar));
        if (bar == std::string_view::npos) break;
        text.remove_prefix(bar + 1);
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string_view description = parts[i];
        const std::string_view pattern = parts[i + 1];
        if (description.empty() && pattern.empty()) break;  // the closing "||"
        if (!out.empty()) out += ";;";
        const std::string own = "(" + std::string(pattern) + ")";
        out += description;
        if (!description.ends_with(own)) out += (description.empty() ? "" : " ") + own;
    }
    return out;
}

std::filesystem::path withDefaultExtension(const std::filesystem::path& chosen, std::string_view extension) {
    const std::string name = chosen.filename().string();
    if (chosen.has_extension() || name == extension || name.empty()) return chosen;
    std::filesystem::path out = chosen;
    out += std::string(extension);
    return out;
}

}  // namespace tavrel
