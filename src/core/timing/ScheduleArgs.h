#pragma once
// Schedules as scripts write and read them: "YYYY-MM-DD HH:MM:SS" for timer times, "HH:MM:SS" for
// week times, where any field may be "ff" (the year "ffff") to match every value.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrel {

// Year − 2000, month, day, hour, minute, second; nothing when a field is out of range.
std::optional<std::array<std::uint8_t, 6>> parseScheduleDateTime(const std::string& text);
// Hour, minute, second.
std::optional<std::array<std::uint8_t, 3>> parseScheduleTime(const std::string& text);
std::optional<std::uint16_t> parseStrobeTime(const std::string& text);
// 1 Monday … 7 Sunday.
std::optional<std::uint8_t> parseWeekday(const std::string& text);

std::string scheduleDateTimeText(const std::array<std::uint8_t, 6>& fields);
std::string scheduleTimeText(const std::array<std::uint8_t, 6>& fields);  // fields 3..5

}  // namespace tavrel
