#pragma once
// What a screen reader says of a control: its label without the colon and padding that line the
// labels up on screen, and the limit or unit of the value it takes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/NumberCheck.h"
#include "texts/UiTexts.h"

namespace tavrel {

// "IP  Type    :" gives "IP Type", "心跳包数据：" gives "心跳包数据".
std::string accessibleLabel(std::string_view labelText);

// The limit or unit of a field; members left at their defaults say nothing.
struct FieldHint {
    std::string UiTexts::*unit = nullptr;    // a11ySeconds, a11yMilliseconds
    std::string UiTexts::*format = nullptr;  // a11yAddressFormat, a11yMacFormat
    std::size_t atMostBytes = 0;
    std::size_t exactBytes = 0;
    std::uint32_t maximum = 0;  // a number 0..maximum
};

// The hints several windows share.
inline constexpr FieldHint kAddressHint{.format = &UiTexts::a11yAddressFormat};
inline constexpr FieldHint kNumberHint{.maximum = kNumberEditMaximum};

// The hint's parts in the interface language, joined by ", "; empty for an empty hint.
std::string describeField(const UiTexts& texts, const FieldHint& hint);

}  // namespace tavrel
