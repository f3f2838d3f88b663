#include "timing/ScheduleText.h"

#include <cctype>
#include <cstdio>

#include "device/FixedLists.h"
#include "texts/FixedTexts.h"
#include "timing/BoardClock.h"

namespace tavrel {

namespace {

constexpr int kBaseYear = 2000;

// "%02d" of the value, or "ff" for a wildcard; `suffix` follows either.
std::string field(std::uint8_t value, int offset, const char* suffix) {
    if (value == kAnyValue) return std::string("ff") + suffix;
    char text[16];
    std::snprintf(text, sizeof text, "%02d%s", value + offset, suffix);
    return text;
}

std::string timeText(const std::array<std::uint8_t, 6>& t, std::size_t from) {
    return field(t[from], 0, ":") + field(t[from + 1], 0, ":") + field(t[from + 2], 0, "");
}

std::string dateTimeText(const std::array<std::uint8_t, 6>& t) {
    return field(t[0], kBaseYear, "-") + field(t[1], 0, "-") + field(t[2], 0, "") + "  " + timeText(t, 3);
}

std::string weekText(int weekday, const std::array<std::uint8_t, 6>& t) {
    const std::string name = weekdayName(weekday);
    return (name.empty() ? name : name + "  ") + timeText(t, 3);
}

// The leading decimal number of a text, as the edits were always read: blanks, a sign, digits;
// no number reads as 0. Large values wrap as they would in the byte or word they go to.
long long leadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = (value * 10 + (text[i] - '0')) % 65536;  // enough for a byte and a 16-bit word
    return negative ? -value : value;
}

std::uint8_t asByte(long long v) {
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(v) & 0xFF);
}

// "ff" and "FF" are wildcards in every field but the years and the open month.
std::uint8_t wildcardOrNumber(const std::string& text) {
    if (text == "ff" || text == "FF") return kAnyValue;
    return asByte(leadingNumber(text));
}

}  // namespace

ScheduleRow scheduleRow(std::size_t channel, const OutputSchedule& s) {
    ScheduleRow row;
    row.index = fixed::withNumber(fixed::kChannelPattern, static_cast<int>(channel + 1));
    switch (s.mode) {
        case static_cast<std::uint8_t>(ScheduleMode::Timer):
            row.mode = fixed::kTimerModeWord;
            row.open = dateTimeText(s.open);
            row.close = dateTimeText(s.close);
            break;
        case static_cast<std::uint8_t>(ScheduleMode::Strobe):
            row.mode = fixed::kStrobeModeWord;
            row.open = std::to_string(s.strobeOpen);
            row.close = std::to_string(s.strobeClose);
            break;
        case 0:  // a channel never set: no mode, rather than one the board does not run
            break;
        default:
            row.mode = fixed::kWeekModeWord;
            row.open = weekText(s.openWeekday(), s.open);
            row.close = weekText(s.closeWeekday(), s.close);
            break;
    }
    return row;
}

ScheduleFields scheduleFields(const OutputSchedule& s) {
    ScheduleFields f;
    switch (s.mode) {
        case static_cast<std::uint8_t>(ScheduleMode::Timer): {
            TimerFields t;
            for (std::size_t k = 0; k < 6; ++k) {
                const int offset = k == 0 ? kBaseYear : 0;
                t.open[k] = field(s.open[k], offset, "");
                t.close[k] = field(s.close[k], offset, "");
            }
            f.timer = t;
            break;
        }
        case static_cast<std::uint8_t>(ScheduleMode::Strobe):
            f.strobe = StrobeFields{std::to_string(s.strobeOpen), std::to_string(s.strobeClose)};
            break;
        case static_cast<std::uint8_t>(ScheduleMode::Week): {
            WeekFields w;
            auto index = [](int day) { return day >= 1 && day <= 7 ? day - 1 : -1; };
            w.openWeekday = index(s.openWeekday());
            w.closeWeekday = index(s.closeWeekday());
            for (std::size_t k = 0; k < 3; ++k) {
                w.open[k] = field(s.open[3 + k], 0, "");
                w.close[k] = field(s.close[3 + k], 0, "");
            }
            f.week = w;
            break;
        }
        default:
            break;
    }
    return f;
}

OutputSchedule modifyTimer(OutputSchedule s, const TimerFields& e) {
    auto year = [](const std::string& text) {
        return text == "ff" ? kAnyValue : asByte(leadingNumber(text) - kBaseYear);
    };
    s.open[0] = year(e.open[0]);
    s.close[0] = year(e.close[0]);
    // The open month has always taken only the lower-case wildcard.
    s.open[1] = e.open[1] == "ff" ? kAnyValue : asByte(leadingNumber(e.open[1]));
    s.close[1] = wildcardOrNumber(e.close[1]);
    for (std::size_t k = 2; k < 6; ++k) {
        s.open[k] = wildcardOrNumber(e.open[k]);
        s.close[k] = wildcardOrNumber(e.close[k]);
    }
    s.mode = static_cast<std::uint8_t>(ScheduleMode::Timer);
    return s;
}

OutputSchedule modifyStrobe(OutputSchedule s, const StrobeFields& e) {
    s.strobeOpen =
        static_cast<std::uint16_t>(static_cast<unsigned long long>(leadingNumber(e.open)) & 0xFFFF);
    s.strobeClose =
        static_cast<std::uint16_t>(static_cast<unsigned long long>(leadingNumber(e.close)) & 0xFFFF);
    s.mode = static_cast<std::uint8_t>(ScheduleMode::Strobe);
    return s;
}

OutputSchedule modifyWeek(OutputSchedule s, const WeekFields& e) {
    s.weekdays = asByte((e.openWeekday + 1) * 16 + (e.closeWeekday + 1) % 16);
    for (std::size_t k = 0; k < 3; ++k) {
        s.open[3 + k] = wildcardOrNumber(e.open[k]);
        s.close[3 + k] = wildcardOrNumber(e.close[k]);
    }
    s.mode = static_cast<std::uint8_t>(ScheduleMode::Week);
    return s;
}

}  // namespace tavrel
