#include "settings/NumberCheck.h"

#include "texts/FixedTexts.h"

namespace tavrel {

std::optional<std::uint32_t> checkNumber(std::string_view text, std::uint32_t maximum) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        // Stop early so a long run of digits cannot overflow.
        if (value > maximum) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::string numberRangeMessage(std::uint32_t maximum) {
    return fixed::withNumber(fixed::kNumberRangePattern, maximum);
}

}  // namespace tavrel
