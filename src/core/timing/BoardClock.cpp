#include "timing/BoardClock.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "device/FixedLists.h"

namespace tavrel {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (after H. Hinnant's days_from_civil).
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[static_cast<std::size_t>(m - 1)];
}

bool isValid(const CalendarTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month) &&
           t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

long long secondsOf(const CalendarTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

}  // namespace

int weekdayOf(int year, int month, int day) {
    // 1970-01-01 was a Thursday (4).
    const long long days = daysFromCivil(year, month, day);
    const long long index = ((days % 7) + 7 + 3) % 7;  // 0 Monday
    return static_cast<int>(index) + 1;
}

BoardClock boardClockOf(const CalendarTime& t) {
    BoardClock c;
    c.year = static_cast<std::uint8_t>(t.year - 2000);
    c.month = static_cast<std::uint8_t>(t.month);
    c.day = static_cast<std::uint8_t>(t.day);
    c.hour = static_cast<std::uint8_t>(t.hour);
    c.minute = static_cast<std::uint8_t>(t.minute);
    c.second = static_cast<std::uint8_t>(t.second);
    c.weekday = static_cast<std::uint8_t>(weekdayOf(t.year, t.month, t.day));
    return c;
}

std::optional<long long> clockDrift(const BoardClock& b, const CalendarTime& computer) {
    const CalendarTime board{b.fullYear(), b.month, b.day, b.hour, b.minute, b.second};
    if (!isValid(board) || !isValid(computer)) return std::nullopt;
    return secondsOf(computer) - secondsOf(board);
}

std::optional<BoardClock> clockFromReply(Bytes p) {
    if (p.size() < 7) return std::nullopt;
    return BoardClock{p[0], p[1], p[2], p[3], p[4], p[5], p[6]};
}

std::string weekdayName(int weekday) {
    return std::string(lists::textAt(lists::kWeekdays, weekday));
}

std::string clockText(const BoardClock& c) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.fullYear(), c.month, c.day, c.hour,
                  c.minute, c.second);
    return text;
}

std::optional<CalendarTime> parseClockText(const std::string& text) {
    // Exactly "YYYY-MM-DD HH:MM:SS".
    if (text.size() != 19) return std::nullopt;
    constexpr std::array<std::pair<std::size_t, char>, 5> separators = {
        {{4, '-'}, {7, '-'}, {10, ' '}, {13, ':'}, {16, ':'}}};
    for (auto [at, c] : separators)
        if (text[at] != c) return std::nullopt;
    auto number = [&](std::size_t at, std::size_t width, int& out) {
        const char* first = text.data() + at;
        auto [end, ec] = std::from_chars(first, first + width, out);
        return ec == std::errc() && end == first + width;
    };
    CalendarTime t;
    if (!number(0, 4, t.year) || !number(5, 2, t.month) || !number(8, 2, t.day) || !number(11, 2, t.hour) ||
        !number(14, 2, t.minute) || !number(17, 2, t.second))
        return std::nullopt;
    // The board keeps the year as one byte over 2000.
    if (t.year < 2000 || t.year > 2255 || !isValid(t)) return std::nullopt;
    return t;
}

}  // namespace tavrel
