#pragma once
// A board's real-time clock as the board keeps it: one byte per field, the year less 2000.
#include <cstdint>
#include <optional>
#include <string>

#include "util/Bytes.h"

namespace tavrel {

struct BoardClock {
    std::uint8_t year = 0;  // year − 2000
    std::uint8_t month = 1;
    std::uint8_t day = 1;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t weekday = 0;  // 1 Monday … 7 Sunday as the board reports it

    int fullYear() const { return 2000 + year; }
    bool operator==(const BoardClock&) const = default;
};

// A calendar date and time as the computer or the pickers give it.
struct CalendarTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// 1 Monday … 7 Sunday, for any date of the proleptic Gregorian calendar.
int weekdayOf(int year, int month, int day);

// The clock the board is given for a date and time; its weekday follows from the date.
BoardClock boardClockOf(const CalendarTime& time);

// Seconds from `board` to `computer` (positive when the board is behind); nothing when the board's
// fields name no real date and time.
std::optional<long long> clockDrift(const BoardClock& board, const CalendarTime& computer);

// The payload of a clock reply: year − 2000, month, day, hour, minute, second, weekday.
std::optional<BoardClock> clockFromReply(Bytes payload);

// "星期一" … "星期日" for 1..7, empty otherwise.
std::string weekdayName(int weekday);

// "2024-05-06 07:08:09" of a board clock; ISO-like so that scripts can read it.
std::string clockText(const BoardClock& clock);
// "YYYY-MM-DD HH:MM:SS" read back; nothing when the text or the date is not valid.
std::optional<CalendarTime> parseClockText(const std::string& text);

}  // namespace tavrel
