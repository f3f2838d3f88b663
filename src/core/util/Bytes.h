#pragma once
// Byte order and bounded text helpers for wire and record fields.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tavrel {

using Bytes = std::span<const std::uint8_t>;

inline void putBe16(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v >> 8);
    out[1] = static_cast<std::uint8_t>(v & 0xFF);
}
inline void putLe16(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v & 0xFF);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t getBe16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>((in[0] << 8) | in[1]);
}
inline std::uint16_t getLe16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}
inline std::uint32_t getLe32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// Bounds-checked reader over wire bytes; a failed read leaves the position where it was.
class SpanReader {
public:
    explicit SpanReader(Bytes data) : data_(data) {}
    std::size_t remaining() const { return data_.size() - pos_; }
    std::size_t position() const { return pos_; }
    bool skip(std::size_t n) {
        if (remaining() < n) return false;
        pos_ += n;
        return true;
    }
    std::optional<std::uint8_t> readU8() {
        if (remaining() < 1) return std::nullopt;
        return data_[pos_++];
    }
    std::optional<std::uint16_t> readU16BigEndian() {
        if (remaining() < 2) return std::nullopt;
        auto v = getBe16(data_.data() + pos_);
        pos_ += 2;
        return v;
    }
    std::optional<std::uint16_t> readU16LittleEndian() {
        if (remaining() < 2) return std::nullopt;
        auto v = getLe16(data_.data() + pos_);
        pos_ += 2;
        return v;
    }
    std::optional<Bytes> readBytes(std::size_t n) {
        if (remaining() < n) return std::nullopt;
        auto v = data_.subspan(pos_, n);
        pos_ += n;
        return v;
    }

private:
    Bytes data_;
    std::size_t pos_ = 0;
};

// A fixed-width, zero-padded text field. It may be full with no terminating zero.
template <std::size_t N>
using FixedText = std::array<char, N>;

template <std::size_t N>
std::string textOf(const FixedText<N>& field) {
    auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

// Stores at most N bytes of the text and zero-fills the rest.
template <std::size_t N>
void setText(FixedText<N>& field, std::string_view text) {
    field.fill('\0');
    std::copy_n(text.begin(), std::min(N, text.size()), field.begin());
}

// Text of a raw byte field, bounded by the field and by its first zero byte.
inline std::string textOfBytes(Bytes field) {
    auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

// At most n bytes of a UTF-8 text, backing off so that no character is split.
inline std::string_view cutUtf8(std::string_view s, std::size_t n) {
    if (s.size() <= n) return s;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

// At most n characters (code points) of a UTF-8 text, as an edit's length limit counts them.
inline std::string_view cutUtf8Characters(std::string_view s, std::size_t n) {
    std::size_t at = 0;
    for (std::size_t count = 0; at < s.size(); ++at) {
        if ((static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) continue;
        if (count++ == n) break;
    }
    return s.substr(0, at);
}

template <std::size_t N>
void copyInto(std::array<std::uint8_t, N>& to, Bytes from) {
    to.fill(0);
    std::copy_n(from.begin(), std::min(N, from.size()), to.begin());
}
template <std::size_t N>
void copyInto(FixedText<N>& to, Bytes from) {
    to.fill('\0');
    for (std::size_t i = 0; i < std::min(N, from.size()); ++i) to[i] = static_cast<char>(from[i]);
}

}  // namespace tavrel
