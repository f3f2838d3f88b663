#pragma once
// Core texts are UTF-8 std::string; widgets take QString.
#include <QtCore/QString>
#include <string>
#include <string_view>

namespace tavrel {

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString qs(const std::string& text) {
    return qs(std::string_view(text));
}
inline QString qs(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace tavrel
