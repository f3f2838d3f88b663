#include "settings/AddressText.h"

#include <string>

namespace tavrel {

namespace {

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<Mac> parseMac(std::string_view text) {
    std::string digits;
    for (char c : trimmed(text)) {
        if (c == '-' || c == ':') continue;
        if (hexDigit(c) < 0) return std::nullopt;
        digits.push_back(c);
    }
    if (digits.size() != 12) return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<std::uint8_t>(hexDigit(digits[2 * i]) * 16 + hexDigit(digits[2 * i + 1]));
    return mac;
}

std::optional<Ipv4> parseIpv4(std::string_view text) {
    text = trimmed(text);
    Ipv4 ip{};
    std::size_t part = 0;
    std::size_t pos = 0;
    while (true) {
        int value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (++digits > 3) return std::nullopt;
            value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        ip[part++] = static_cast<std::uint8_t>(value);
        if (part == ip.size()) break;
        if (pos >= text.size() || text[pos] != '.') return std::nullopt;
        ++pos;
    }
    if (pos != text.size()) return std::nullopt;
    return ip;
}

}  // namespace tavrel
