#include "util/Printable.h"

namespace tavrel {

std::string PrintableFilter::feed(std::string_view piece) {
    std::string text = held_ + std::string(piece);
    held_.clear();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool last = i + 1 == text.size();
        if (c == '\r' || c == 0xC2) {
            // Judged by the byte after it, which may come with the next piece.
            if (last) {
                held_ = text.substr(i);
                break;
            }
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (c == '\r') {
                out += next == '\n' ? '\r' : '?';
            } else if (next >= 0x80 && next <= 0x9F) {
                out += '?';  // U+0080..U+009F, the C1 controls (0x9B starts a sequence on many terminals)
                ++i;
            } else {
                out += static_cast<char>(c);
            }
            continue;
        }
        out += (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F ? '?' : static_cast<char>(c);
    }
    return out;
}

std::string PrintableFilter::finish() {
    std::string rest = held_.empty() ? std::string() : std::string(1, '?');
    held_.clear();
    return rest;
}

std::string printable(std::string_view text) {
    PrintableFilter filter;
    return filter.feed(text) + filter.finish();
}

}  // namespace tavrel
