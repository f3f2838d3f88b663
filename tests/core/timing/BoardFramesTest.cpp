#include <gtest/gtest.h>

#include "timing/BoardFrames.h"

namespace tavrel {
namespace {

const DeviceKey kKey{0x19, 0x00, 0x33};

TEST(BoardFrames, ReadRequestIsA25BytePassThroughWithBothChecksums) {
    // Checksums worked out by hand: inner 0x48+0x3A+0x01+0x66+8*0x11 = 0x171; outer 0x393.
    const Frame expected = {0x48, 0x3A, 0x57, 0x03, 0x48, 0x3A, 0x01, 0x66, 0x11, 0x11, 0x11, 0x11, 0x11,
                            0x11, 0x11, 0x11, 0x71, 0x45, 0x44, 0x19, 0x00, 0x33, 0x93, 0x45, 0x2E};
    EXPECT_EQ(boardReadRequest(board::kReadText, kKey), expected);
}

TEST(BoardFrames, ScheduleWriteCarriesStrobeTimesBigEndian) {
    OutputSchedule s;
    s.open = {24, 5, 6, 7, 8, 9};
    s.close = {255, 255, 255, 18, 0, 0};
    s.strobeOpen = 300;
    s.strobeClose = 0xABCD;
    s.weekdays = 0x15;
    s.mode = 2;
    const Frame f = writeScheduleRequest(7, s, kKey);
    ASSERT_EQ(f.size(), 35u);
    EXPECT_EQ(f[7], 0xCA);  // write code of channel 8
    const std::vector<std::uint8_t> payload(f.begin() + 8, f.begin() + 26);
    const std::vector<std::uint8_t> expected = {24, 5, 6, 7,    8,    9,    255,  255,  255,
                                                18, 0, 0, 0x01, 0x2C, 0xAB, 0xCD, 0x15, 2};
    EXPECT_EQ(payload, expected);
    unsigned inner = 0;
    for (int i = 4; i < 26; ++i) inner += f[i];
    EXPECT_EQ(f[26], inner & 0xFF);
    EXPECT_EQ(f[27], 'E');
    EXPECT_EQ(f[28], 'D');
    unsigned outer = 0;
    for (int i = 0; i < 32; ++i) outer += f[i];
    EXPECT_EQ(f[32], outer & 0xFF);
}

TEST(BoardFrames, OptionsAndClockWritesFillWith0x55) {
    const Frame options = writeOptionsRequest(true, false, kKey);
    EXPECT_EQ(std::vector<std::uint8_t>(options.begin() + 7, options.begin() + 16),
              (std::vector<std::uint8_t>{0x6E, 1, 0, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}));
    const Frame clock = setClockRequest(boardClockOf({2031, 4, 27, 13, 42, 5}), kKey);
    // 27 April 2031 is a Sunday, which the board takes as 7.
    EXPECT_EQ(std::vector<std::uint8_t>(clock.begin() + 7, clock.begin() + 16),
              (std::vector<std::uint8_t>{0x82, 31, 4, 27, 13, 42, 5, 7, 0x55}));
}

TEST(BoardFrames, ReplyPayloadEndsBeforeTheChecksum) {
    const Frame inner = boardFrame(0x67, std::vector<std::uint8_t>{'I', 'O', '8', 0, 0, 0, 0, 0});
    auto reply = readBoardReply(inner);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, 0x67);
    EXPECT_EQ(reply->payload.size(), 8u);
    // A 17-byte datagram carries a 7-byte board frame: a code and no payload.
    auto bare = readBoardReply(boardFrame(0xAA, {}));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->payload.empty());
    EXPECT_FALSE(readBoardReply(std::vector<std::uint8_t>{'H', ':', 1, 0x67, 0, 'E'}));
}

TEST(BoardClock, WeekdaysNamesAndDrift) {
    EXPECT_EQ(weekdayOf(2024, 5, 6), 1);  // Monday
    EXPECT_EQ(weekdayOf(2000, 1, 1), 6);  // Saturday
    EXPECT_EQ(weekdayOf(2100, 3, 1), 1);
    EXPECT_EQ(weekdayName(7), "星期日");
    EXPECT_EQ(weekdayName(1), "星期一");
    EXPECT_EQ(weekdayName(0), "");
    EXPECT_EQ(weekdayName(8), "");

    const BoardClock board{24, 12, 31, 23, 59, 50, 2};
    EXPECT_EQ(clockDrift(board, {2025, 1, 1, 0, 0, 5}), 15);
    EXPECT_EQ(clockDrift(board, {2024, 12, 31, 23, 59, 40}), -10);
    EXPECT_FALSE(clockDrift(BoardClock{24, 13, 1, 0, 0, 0, 1}, {2024, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(clockDrift(BoardClock{23, 2, 29, 0, 0, 0, 1}, {2024, 1, 1, 0, 0, 0}));
}

TEST(BoardClock, ClockTextReadsOnlyRealDatesTheBoardCanHold) {
    auto t = parseClockText("2031-04-27 13:42:05");
    ASSERT_TRUE(t);
    EXPECT_EQ(boardClockOf(*t), (BoardClock{31, 4, 27, 13, 42, 5, 7}));
    EXPECT_EQ(clockText(BoardClock{30, 2, 28, 8, 9, 10, 4}), "2030-02-28 08:09:10");
    // The first and the last year the byte over 2000 holds.
    EXPECT_TRUE(parseClockText("2000-01-01 00:00:00"));
    auto last = parseClockText("2255-12-31 23:59:59");
    ASSERT_TRUE(last);
    EXPECT_EQ(boardClockOf(*last).year, 255);
    for (const char* bad :
         {"2030-02-29 08:09:10", "1999-12-31 23:59:59", "2256-01-01 00:00:00", "2024-1-01 00:00:00",
          "2024-01-01T00:00:00", "2024-01-01 24:00:00", "2024-04-31 00:00:00", "2024-01-01 00:00:0x", ""})
        EXPECT_FALSE(parseClockText(bad)) << bad;
}

}  // namespace
}  // namespace tavrel
