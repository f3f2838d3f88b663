#include "texts/AccessibleText.h"

#include <vector>

#include "doctor/Doctor.h"

namespace tavrel {

namespace {

constexpr std::string_view kFullWidthColon = "：";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string accessibleLabel(std::string_view labelText) {
    std::string_view text = labelText;
    // Colons and blanks may alternate at the end ("Timeout :"); strip until neither is left.
    for (bool stripped = true; stripped;) {
        stripped = false;
        while (!text.empty() && (isBlank(text.back()) || text.back() == ':')) {
            text.remove_suffix(1);
            stripped = true;
        }
        if (text.ends_with(kFullWidthColon)) {
            text.remove_suffix(kFullWidthColon.size());
            stripped = true;
        }
    }
    std::string name;
    bool blank = false;
    for (char c : text) {
        if (isBlank(c)) {
            blank = !name.empty();
            continue;
        }
        if (blank) name += ' ';
        blank = false;
        name += c;
    }
    return name;
}

std::string describeField(const UiTexts& texts, const FieldHint& hint) {
    std::vector<std::string> parts;
    if (hint.unit) parts.push_back(texts.*hint.unit);
    if (hint.format) parts.push_back(texts.*hint.format);
    if (hint.maximum > 0) parts.push_back("0-" + std::to_string(hint.maximum));
    if (hint.atMostBytes > 0)
        parts.push_back(fillIn(texts.a11yAtMostBytes, {std::to_string(hint.atMostBytes)}));
    if (hint.exactBytes > 0) parts.push_back(fillIn(texts.a11yExactBytes, {std::to_string(hint.exactBytes)}));
    std::string description;
    for (const std::string& part : parts) {
        if (!description.empty()) description += ", ";
        description += part;
    }
    return description;
}

}  // namespace tavrel
