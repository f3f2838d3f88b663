#include <gtest/gtest.h>

#include "protocol/ReplyHandler.h"
#include "settings/DeviceView.h"
#include "timing/BoardFrames.h"
#include "timing/ConfigImage.h"

namespace tavrel {
namespace {

// A 35-byte pass-through reply of a schedule, as a board sends it.
std::vector<std::uint8_t> scheduleReply(const DeviceKey& key) {
    return passThroughFrame(boardFrame(0xA3, std::vector<std::uint8_t>(18, 1)), key);
}

TEST(OutputTimingRoute, ARepliesEntryIsTheOneOfItsKey) {
    DeviceTable table;
    table[0].inUse = 1;
    table[0].key = {1, 2, 3};
    table[1].inUse = 1;
    table[1].key = {4, 5, 6};
    ReplyEffects fx = handleDatagram(table, scheduleReply({4, 5, 6}), "127.0.0.5", 1111);
    EXPECT_EQ(fx.outputTimingEntry, 1u);
    EXPECT_EQ(fx.outputTimingFrame.size(), 25u);
    EXPECT_EQ(fx.outputTimingFrame[3], 0xA3);
    // No device has that key: the reply goes nowhere.
    fx = handleDatagram(table, scheduleReply({7, 8, 9}), "127.0.0.5", 1111);
    EXPECT_FALSE(fx.outputTimingEntry);
}

TEST(OutputTimingRoute, AnImageBoardShowsSchedulesFromTheImageItWasRead) {
    DeviceRecord d;
    d.imagePresent = 1;
    d.form866 = 1;
    d.imageB[159] = 'D';
    d.imageB[164] = '8';
    EXPECT_TRUE(showDevice(d, 0).scheduleFromImage);
    EXPECT_EQ(scheduleRowCount(d), 8);
    d.form866 = 0;  // an 830-byte board keeps them in image A
    EXPECT_FALSE(showDevice(d, 0).scheduleFromImage);
    d.imageA[159] = 'D';
    d.imageA[164] = 0xFF;  // a count beyond the table shows the table, no more
    EXPECT_EQ(scheduleRowCount(d), 8);
    d.imageA[164] = '3';
    EXPECT_EQ(scheduleRowCount(d), 3);
    d.imageA[164] = 0;  // below the digits: no rows
    EXPECT_EQ(scheduleRowCount(d), 0);
}

}  // namespace
}  // namespace tavrel
