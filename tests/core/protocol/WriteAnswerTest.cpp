// Answers to writes are told apart by the device that sent them.
#include <gtest/gtest.h>

#include "protocol/DeviceFrame.h"
#include "protocol/WriteAnswer.h"

using namespace tavrel;

TEST(WriteAnswer, OnlyTheNamedDevicesCodes16And17Count) {
    const DeviceKey key = {0x19, 0x00, 0x33};
    auto frame = [&](std::uint8_t code, const DeviceKey& k) { return buildFrame('W', code, {}, 0, k); };
    EXPECT_EQ(writeAnswerFrom(frame(16, key), key), WriteAnswer::Acknowledged);
    EXPECT_EQ(writeAnswerFrom(frame(17, key), key), WriteAnswer::Refused);
    EXPECT_EQ(writeAnswerFrom(frame(16, {0x19, 0x00, 0x34}), key), std::nullopt);
    EXPECT_EQ(writeAnswerFrom(frame(81, key), key), std::nullopt);
    auto broken = frame(16, key);
    broken[23] ^= 1;  // checksum
    EXPECT_EQ(writeAnswerFrom(broken, key), std::nullopt);
}
