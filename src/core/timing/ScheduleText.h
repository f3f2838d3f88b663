#pragma once
// How the schedule editor shows a schedule and reads one back: the list row texts, the edit texts
// a row loads, and the rules by which the edits become a schedule again.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "timing/OutputSchedule.h"

namespace tavrel {

struct ScheduleRow {
    std::string index;  // "第 1 路"
    std::string mode;   // "定时", "频闪", "星期"
    std::string open;
    std::string close;
};
ScheduleRow scheduleRow(std::size_t channel, const OutputSchedule& schedule);

// The edit texts a row loads; only the group of its mode is filled.
struct TimerFields {
    std::array<std::string, 6> open;  // year, month, day, hour, minute, second
    std::array<std::string, 6> close;
};
struct StrobeFields {
    std::string open;
    std::string close;
};
struct WeekFields {
    int openWeekday = -1;  // list index 0..6, -1 for none
    int closeWeekday = -1;
    std::array<std::string, 3> open;  // hour, minute, second
    std::array<std::string, 3> close;
};
struct ScheduleFields {
    std::optional<TimerFields> timer;
    std::optional<StrobeFields> strobe;
    std::optional<WeekFields> week;
};
// Nothing is loaded for a mode byte other than 1, 2 and 3.
ScheduleFields scheduleFields(const OutputSchedule& schedule);

// Modify: the edits of the chosen mode over the schedule the row held (bytes of other modes are kept).
OutputSchedule modifyTimer(OutputSchedule schedule, const TimerFields& edits);
OutputSchedule modifyStrobe(OutputSchedule schedule, const StrobeFields& edits);
OutputSchedule modifyWeek(OutputSchedule schedule, const WeekFields& edits);

}  // namespace tavrel
