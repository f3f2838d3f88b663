#include "util/TextBytes.h"

namespace tavrel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence starting at s[i], or 0 (RFC 3629 table, no surrogates, no
// overlong forms).
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    auto inRange = [&](std::size_t k, unsigned lo, unsigned hi) { return k < s.size() && at(k) >= lo && at(k) <= hi; };
    const unsigned c = at(i);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return inRange(i + 1, 0x80, 0xBF) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = c == 0xED ? 0x9F : 0xBF;
        return inRange(i + 1, lo, hi) && inRange(i + 2, 0x80, 0xBF) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
        return inRange(i + 1, lo, hi) && inRange(i + 2, 0x80, 0xBF) && inRange(i + 3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::string shownText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t n = sequenceLength(raw, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(raw.substr(i, n));
            i += n;
        }
    }
    return out;
}

}  // namespace tavrel
