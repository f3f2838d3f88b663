#include <gtest/gtest.h>

#include <cstdio>

#include "timing/BoardClock.h"
#include "timing/ScheduleArgs.h"

namespace tavrel {
namespace {

TEST(ScheduleArgs, DateTimesWithWildcardsRoundTrip) {
    auto t = parseScheduleDateTime("2031-04-27 13:42:05");
    ASSERT_TRUE(t);
    EXPECT_EQ(*t, (std::array<std::uint8_t, 6>{31, 4, 27, 13, 42, 5}));
    EXPECT_EQ(scheduleDateTimeText({32, 11, 3, 18, 7, 59}), "2032-11-03 18:07:59");
    auto any = parseScheduleDateTime("ffff-FF-ff 08:ff:00");
    ASSERT_TRUE(any);
    EXPECT_EQ(*any, (std::array<std::uint8_t, 6>{255, 255, 255, 8, 255, 0}));
    EXPECT_EQ(scheduleDateTimeText(*any), "ffff-ff-ff 08:ff:00");
    EXPECT_TRUE(parseScheduleDateTime("ffff-02-29 00:00:00"));
    EXPECT_TRUE(parseScheduleDateTime("2032-02-29 00:00:00"));
    EXPECT_TRUE(parseScheduleDateTime("2031-ff-31 00:00:00"));
    // The last year that is not the wildcard byte, and the first.
    EXPECT_EQ(parseScheduleDateTime("2254-12-31 23:59:58"),
              (std::array<std::uint8_t, 6>{254, 12, 31, 23, 59, 58}));
    EXPECT_EQ(parseScheduleDateTime("2000-01-01 00:00:00"), (std::array<std::uint8_t, 6>{0, 1, 1, 0, 0, 0}));
    for (const char* bad :
         {"2031-02-29 00:00:00", "ffff-04-31 00:00:00", "2255-01-01 00:00:00", "1999-01-01 00:00:00",
          "2030-13-01 00:00:00", "2030-00-01 00:00:00", "2030-01-32 00:00:00", "2030-01-01 24:00:00",
          "2030-01-01 00:60:00", "2030-1-01 00:00:00", "2030-01-01T00:00:00", "fff-01-01 00:00:00"})
        EXPECT_FALSE(parseScheduleDateTime(bad)) << bad;
    // Every field's lowest value outside its range, in both readers of dates.
    for (const char* low : {"2030-00-12 01:02:03", "2030-11-00 01:02:03", "1999-11-12 01:02:03"})
        EXPECT_FALSE(parseScheduleDateTime(low) || parseClockText(low)) << low;
    // Every month's last day and the day after it in a common year; February 29 by the leap rules.
    // Schedules and the board clock read dates alike.
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        char last[32], after[32];
        std::snprintf(last, sizeof last, "2031-%02d-%02d 12:34:56", month, monthDays[month - 1]);
        std::snprintf(after, sizeof after, "2031-%02d-%02d 12:34:56", month, monthDays[month - 1] + 1);
        EXPECT_TRUE(parseScheduleDateTime(last) && parseClockText(last)) << last;
        EXPECT_FALSE(parseScheduleDateTime(after) || parseClockText(after)) << after;
    }
    EXPECT_TRUE(parseScheduleDateTime("2000-02-29 00:00:00") && parseClockText("2000-02-29 00:00:00"));
    EXPECT_FALSE(parseScheduleDateTime("2100-02-29 00:00:00") || parseClockText("2100-02-29 00:00:00"));
}

TEST(ScheduleArgs, TimesStrobeAndWeekdays) {
    EXPECT_EQ(parseScheduleTime("18:37:ff"), (std::array<std::uint8_t, 3>{18, 37, 255}));
    EXPECT_EQ(parseScheduleTime("23:59:59"), (std::array<std::uint8_t, 3>{23, 59, 59}));
    EXPECT_FALSE(parseScheduleTime("18:30"));
    EXPECT_FALSE(parseScheduleTime("-1:30:00"));
    EXPECT_EQ(parseStrobeTime("65535"), 65535);
    EXPECT_EQ(parseStrobeTime("0"), 0);
    EXPECT_FALSE(parseStrobeTime("65536"));
    EXPECT_FALSE(parseStrobeTime("-1"));
    EXPECT_FALSE(parseStrobeTime("12s"));
    EXPECT_EQ(parseWeekday("7"), 7);
    EXPECT_EQ(parseWeekday("1"), 1);
    EXPECT_FALSE(parseWeekday("0"));
    EXPECT_FALSE(parseWeekday("8"));
}

}  // namespace
}  // namespace tavrel
