#include "timing/ScheduleArgs.h"

#include <charconv>
#include <cstdio>

#include "timing/OutputSchedule.h"

namespace tavrel {

namespace {

bool isWildcard(const std::string& part) {
    if (part.empty()) return false;
    for (char c : part)
        if (c != 'f' && c != 'F') return false;
    return true;
}

// A field of exactly `width` digits within [low, high], or the wildcard.
std::optional<std::uint8_t> fieldOf(const std::string& part, std::size_t width, int low, int high,
                                    int offset) {
    if (part.size() != width) return std::nullopt;
    if (isWildcard(part)) return kAnyValue;
    int value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || part[0] == '-' || value < low ||
        value > high)
        return std::nullopt;
    return static_cast<std::uint8_t>(value - offset);
}

std::optional<std::array<std::uint8_t, 3>> timeOf(const std::string& t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return std::nullopt;
    auto h = fieldOf(t.substr(0, 2), 2, 0, 23, 0);
    auto m = fieldOf(t.substr(3, 2), 2, 0, 59, 0);
    auto s = fieldOf(t.substr(6, 2), 2, 0, 59, 0);
    if (!h || !m || !s) return std::nullopt;
    return std::array<std::uint8_t, 3>{*h, *m, *s};
}

// The last day the month can have; with the year open, February may have 29.
int lastDay(std::uint8_t year, std::uint8_t month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == kAnyValue) return 31;
    if (month != 2) return days[month - 1];
    const int y = 2000 + year;
    return year == kAnyValue || (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 29 : 28;
}

std::string two(std::uint8_t v) {
    if (v == kAnyValue) return "ff";
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

}  // namespace

std::optional<std::array<std::uint8_t, 6>> parseScheduleDateTime(const std::string& t) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ') return std::nullopt;
    // 2255 would read as the wildcard byte.
    auto year = fieldOf(t.substr(0, 4), 4, 2000, 2254, 2000);
    auto month = fieldOf(t.substr(5, 2), 2, 1, 12, 0);
    auto day = fieldOf(t.substr(8, 2), 2, 1, 31, 0);
    auto time = timeOf(t.substr(11));
    if (!year || !month || !day || !time) return std::nullopt;
    if (*day != kAnyValue && *day > lastDay(*year, *month)) return std::nullopt;  // a date that never comes
    return std::array<std::uint8_t, 6>{*year, *month, *day, (*time)[0], (*time)[1], (*time)[2]};
}

std::optional<std::array<std::uint8_t, 3>> parseScheduleTime(const std::string& text) {
    return timeOf(text);
}

std::optional<std::uint16_t> parseStrobeTime(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::optional<std::uint8_t> parseWeekday(const std::string& text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '7') return std::nullopt;
    return static_cast<std::uint8_t>(text[0] - '0');
}

std::string scheduleDateTimeText(const std::array<std::uint8_t, 6>& f) {
    std::string year = "ffff";
    if (f[0] != kAnyValue) year = std::to_string(2000 + f[0]);
    return year + "-" + two(f[1]) + "-" + two(f[2]) + " " + scheduleTimeText(f);
}

std::string scheduleTimeText(const std::array<std::uint8_t, 6>& f) {
    return two(f[3]) + ":" + two(f[4]) + ":" + two(f[5]);
}

}  // namespace tavrel
