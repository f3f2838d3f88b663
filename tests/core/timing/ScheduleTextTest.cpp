#include <gtest/gtest.h>

#include "timing/ScheduleText.h"

namespace tavrel {
namespace {

OutputSchedule timer(std::array<std::uint8_t, 6> open, std::array<std::uint8_t, 6> close) {
    OutputSchedule s;
    s.open = open;
    s.close = close;
    s.mode = 1;
    return s;
}

TEST(ScheduleRows, TimerStrobeAndWeekTexts) {
    const ScheduleRow t = scheduleRow(0, timer({24, 5, 6, 7, 8, 9}, {255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(t.index, "第 1 路");
    EXPECT_EQ(t.mode, "定时");
    EXPECT_EQ(t.open, "2024-05-06  07:08:09");
    EXPECT_EQ(t.close, "ff-ff-ff  ff:ff:ff");

    OutputSchedule s;
    s.mode = 2;
    s.strobeOpen = 300;
    s.strobeClose = 65535;
    const ScheduleRow strobe = scheduleRow(7, s);
    EXPECT_EQ(strobe.index, "第 8 路");
    EXPECT_EQ(strobe.mode, "频闪");
    EXPECT_EQ(strobe.open, "300");
    EXPECT_EQ(strobe.close, "65535");

    OutputSchedule w;
    w.mode = 3;
    w.weekdays = 0x17;
    w.open = {0, 0, 0, 8, 0, 255};
    w.close = {0, 0, 0, 18, 30, 0};
    const ScheduleRow week = scheduleRow(2, w);
    EXPECT_EQ(week.mode, "星期");
    EXPECT_EQ(week.open, "星期一  08:00:ff");
    EXPECT_EQ(week.close, "星期日  18:30:00");
    // Any other mode byte but 0 (never set: no mode) reads as a week; a weekday outside 1..7 leaves the
    // time alone.
    w.mode = 9;
    w.weekdays = 0x08;
    EXPECT_EQ(scheduleRow(2, w).mode, "星期");
    EXPECT_EQ(scheduleRow(2, w).open, "08:00:ff");
    EXPECT_EQ(scheduleRow(2, w).close, "18:30:00");
    w.mode = 0;
    EXPECT_EQ(scheduleRow(2, w).mode + scheduleRow(2, w).open + scheduleRow(2, w).close, "");
}

TEST(ScheduleRows, LoadedFieldsFollowTheMode) {
    auto f = scheduleFields(timer({30, 255, 1, 2, 3, 4}, {255, 12, 31, 23, 59, 58}));
    ASSERT_TRUE(f.timer);
    EXPECT_FALSE(f.strobe || f.week);
    EXPECT_EQ(f.timer->open, (std::array<std::string, 6>{"2030", "ff", "01", "02", "03", "04"}));
    EXPECT_EQ(f.timer->close, (std::array<std::string, 6>{"ff", "12", "31", "23", "59", "58"}));

    OutputSchedule w;
    w.mode = 3;
    w.weekdays = 0x26;
    w.open = {31, 4, 27, 13, 42, 5};  // a week row shows only the times
    w.close = {32, 11, 3, 18, 7, 255};
    auto week = scheduleFields(w).week;
    ASSERT_TRUE(week);
    EXPECT_EQ(week->openWeekday, 1);
    EXPECT_EQ(week->closeWeekday, 5);
    EXPECT_EQ(week->open, (std::array<std::string, 3>{"13", "42", "05"}));
    EXPECT_EQ(week->close, (std::array<std::string, 3>{"18", "07", "ff"}));
    w.weekdays = 0x09;
    week = scheduleFields(w).week;
    EXPECT_EQ(week->openWeekday, -1);
    EXPECT_EQ(week->closeWeekday, -1);  // 9 is no weekday

    w.mode = 2;
    w.strobeOpen = 300;
    w.strobeClose = 65535;
    const auto strobe = scheduleFields(w);
    ASSERT_TRUE(strobe.strobe);
    EXPECT_FALSE(strobe.timer || strobe.week);
    EXPECT_EQ(strobe.strobe->open, "300");
    EXPECT_EQ(strobe.strobe->close, "65535");

    w.mode = 4;
    auto none = scheduleFields(w);
    EXPECT_FALSE(none.timer || none.strobe || none.week);
}

TEST(ScheduleModify, TimerWildcardsAndYears) {
    OutputSchedule before;
    before.strobeOpen = 77;  // bytes of other modes are kept
    TimerFields e;
    e.open = {"2030", "FF", "FF", "ff", "-7", "abc"};
    e.close = {"ff", "ff", "+12", "FF", " 59", "300"};
    const OutputSchedule s = modifyTimer(before, e);
    EXPECT_EQ(s.open, (std::array<std::uint8_t, 6>{30, 0, 255, 255, 249, 0}));
    EXPECT_EQ(s.close, (std::array<std::uint8_t, 6>{255, 255, 12, 255, 59, 44}));
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.strobeOpen, 77);
    // An upper-case year is no wildcard: it reads as 0, less 2000, as a byte.
    e.open[0] = "FF";
    EXPECT_EQ(modifyTimer(before, e).open[0], static_cast<std::uint8_t>(-2000 & 0xFF));
    // A wildcard year leaves the month as typed.
    e.open[0] = "ff";
    e.open[1] = "11";
    EXPECT_EQ(modifyTimer(before, e).open[1], 11);
    // What is stored shows back as typed.
    EXPECT_EQ(scheduleRow(0, s).close.substr(0, 3), "ff-");
}

TEST(ScheduleModify, StrobeAndWeek) {
    const OutputSchedule strobe = modifyStrobe({}, {"300", "70000"});
    EXPECT_EQ(strobe.strobeOpen, 300);
    EXPECT_EQ(strobe.strobeClose, 70000 - 65536);
    EXPECT_EQ(strobe.mode, 2);

    WeekFields w;
    w.openWeekday = 0;
    w.closeWeekday = 6;
    w.open = {"08", "ff", "FF"};
    w.close = {"18", "37", "x"};
    OutputSchedule before;
    before.open = {31, 4, 27, 1, 2, 3};  // the date bytes stay as they were
    before.close = {32, 11, 3, 4, 5, 6};
    OutputSchedule week = modifyWeek(before, w);
    EXPECT_EQ(week.weekdays, 0x17);
    EXPECT_EQ(week.open, (std::array<std::uint8_t, 6>{31, 4, 27, 8, 255, 255}));
    EXPECT_EQ(week.close, (std::array<std::uint8_t, 6>{32, 11, 3, 18, 37, 0}));
    EXPECT_EQ(week.mode, 3);
    // No weekday chosen: both nibbles 0, and the row shows the times alone.
    w.openWeekday = -1;
    w.closeWeekday = -1;
    week = modifyWeek(week, w);
    EXPECT_EQ(week.weekdays, 0);
    EXPECT_EQ(scheduleRow(0, week).open, "08:ff:ff");
}

}  // namespace
}  // namespace tavrel
