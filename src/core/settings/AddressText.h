#pragma once
// Reading the MAC and IPv4 address texts typed into the network group.
#include <optional>
#include <string_view>

#include "device/DeviceRecord.h"

namespace tavrel {

// Exactly twelve hexadecimal digits once '-' and ':' separators are removed ("00-CA-C1-19-00-33",
// "00:ca:c1:19:00:33", "00CAC1190033"). Blanks around the text are ignored.
std::optional<Mac> parseMac(std::string_view text);

// Four decimal numbers 0-255 separated by dots, each of one to three digits. Blanks around the
// text are ignored.
std::optional<Ipv4> parseIpv4(std::string_view text);

}  // namespace tavrel
