#pragma once
// The number check of the port group's numeric edits.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr std::uint32_t kNumberEditMaximum = 65535;

// Decimal digits only, at most `maximum`; an empty text counts as 0.
std::optional<std::uint32_t> checkNumber(std::string_view text, std::uint32_t maximum);

// "请输入0-65535的数字！" for maximum 65535; the same text in both languages.
std::string numberRangeMessage(std::uint32_t maximum);

}  // namespace tavrel
