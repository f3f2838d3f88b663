#pragma once
// Takes typed pieces off the front of a fuzz input; past its end every piece is empty or zero, so a
// harness never needs to check the length itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavrel::fuzz {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[at_++]; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        const std::size_t take = std::min(n, size_ - std::min(at_, size_));
        std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + take);
        at_ += take;
        return out;
    }
    std::vector<std::uint8_t> rest() { return bytes(size_); }
    // Text up to the next zero byte (which is taken too) or the end.
    std::string text() {
        std::string out;
        while (!empty()) {
            const char c = static_cast<char>(byte());
            if (c == '\0') break;
            out += c;
        }
        return out;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A text a private-profile file cannot hold as it is: the reader trims blanks around values.
inline bool hasOuterBlanks(const std::string& s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !s.empty() && (blank(s.front()) || blank(s.back()));
}

// A property that does not hold is a finding like a crash: report it and stop.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

}  // namespace tavrel::fuzz
