// The simulated IO board on its own: requests typed here byte by byte, as a board's manual gives them.
#include <gtest/gtest.h>

#include "IoBoardLogic.h"
#include "SimIoBoard.h"

using namespace tavrel::sim;

namespace {

ByteVector custom(std::uint8_t address, std::uint8_t code, std::initializer_list<std::uint8_t> data) {
    ByteVector f{'H', ':', address, code};
    f.insert(f.end(), data.begin(), data.end());
    f.resize(12, 0);
    unsigned sum = 0;
    for (auto b : f) sum += b;
    f.push_back(static_cast<std::uint8_t>(sum));
    f.push_back('E');
    f.push_back('D');
    return f;
}

ByteVector rtu(ByteVector f) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : f) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    f.push_back(crc & 0xFF);
    f.push_back(crc >> 8);
    return f;
}

IoBoardLogic boardOf(const char* model, IoBoardProtocol protocol, std::uint8_t address = 1) {
    return IoBoardLogic(model, *ioBoardKind(model), protocol, address);
}

}  // namespace

TEST(SimIoBoard, StreamRequestsAreTakenWholeHoweverTheBytesArrive) {
    IoBoardLogic board = boardOf("1HWTK04", IoBoardProtocol::Custom);
    ByteVector pending;
    const ByteVector model = custom(1, 'f', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11});
    EXPECT_TRUE(board.feed(pending, tavrel::Bytes(model).first(6)).empty());
    auto replies = board.feed(pending, tavrel::Bytes(model).subspan(6));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], custom(1, 'g', {'1', 'H', 'W', 'T', 'K', '0', '4', 0}));

    // Noise before a request is skipped; two requests in one piece get two replies.
    ByteVector two{0x00, 'x'};
    const ByteVector outputs = custom(1, 'S', {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA});
    two.insert(two.end(), outputs.begin(), outputs.end());
    two.insert(two.end(), outputs.begin(), outputs.end());
    EXPECT_EQ(board.feed(pending, two).size(), 2u);
    EXPECT_TRUE(pending.empty());
}

TEST(SimIoBoard, CustomSwitchesFollowTheCommandsAndTheTimeValue) {
    IoBoardLogic board = boardOf("KB-32-00", IoBoardProtocol::Custom, 7);
    const ByteVector on{'H', ':', 7, 'p', 32, 1, 0x00, 0x05, 'E', 'D'};
    auto reply = board.answer(on);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, custom(7, 'q', {32, 1}));
    EXPECT_TRUE(board.output(32));
    const auto timed = board.takeTimedOutput();
    ASSERT_TRUE(timed);
    EXPECT_EQ(timed->output, 32);
    EXPECT_EQ(timed->tenths, 5u);
    board.release(32);
    EXPECT_FALSE(board.output(32));

    // All on: 0x55 sets four outputs per byte; the board answers with its output states.
    reply = board.answer(custom(7, 'W', {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, custom(7, 'T', {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_FALSE(board.answer(custom(8, 'S', {})));  // another board's address
    EXPECT_FALSE(board.answer(ByteVector{'H', ':', 7, 'p', 33, 1, 0, 0, 'E', 'D'}));
    // A switch frame too short for its fields switches nothing and reads nothing past its end.
    const auto before = board.answer(custom(7, 'S', {}));
    EXPECT_FALSE(board.answer(ByteVector{'H', ':', 7, 'p', 3, 'E', 'D'}));
    EXPECT_EQ(board.answer(custom(7, 'S', {})), before);
}

TEST(SimIoBoard, ModbusRegistersCoilsAndExceptions) {
    IoBoardLogic board = boardOf("KB-08-00", IoBoardProtocol::Modbus, 3);
    auto reply = board.answer(rtu({3, 3, 0, 5, 0, 8}));
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 3u + 16u + 2u);
    EXPECT_EQ((*reply)[4], 'K');
    EXPECT_EQ((*reply)[18], '0');

    EXPECT_EQ(board.answer(rtu({3, 15, 0, 0, 0, 8, 1, 0x81})), rtu({3, 15, 0, 0, 0, 8}));
    EXPECT_TRUE(board.output(1));
    EXPECT_TRUE(board.output(8));
    EXPECT_EQ(board.answer(rtu({3, 1, 0, 0, 0, 8})), rtu({3, 1, 1, 0x81}));
    EXPECT_EQ(board.answer(rtu({3, 5, 0, 1, 0xFF, 0})), rtu({3, 5, 0, 1, 0xFF, 0}));
    EXPECT_TRUE(board.output(2));

    EXPECT_EQ(board.answer(rtu({3, 1, 0, 0, 0, 9})), rtu({3, 0x81, 2}));  // past the last coil
    EXPECT_EQ(board.answer(rtu({3, 6, 0, 0, 0, 1})), rtu({3, 0x86, 1}));  // no such function
    ByteVector swapped = rtu({3, 1, 0, 0, 0, 8});
    std::swap(swapped[6], swapped[7]);
    EXPECT_FALSE(board.answer(swapped));
    EXPECT_FALSE(board.answer(rtu({4, 1, 0, 0, 0, 8})));
}

// The states before a switch, or instead of its echo; every other reply stays alone.
TEST(SimIoBoard, SwitchRepliesOfEachKind) {
    using Frames = std::vector<ByteVector>;
    IoBoardLogic board = boardOf("KB-08-00", IoBoardProtocol::Custom);
    board.answer(ByteVector{'H', ':', 1, 'p', 2, 1, 0, 0, 'E', 'D'});
    board.setSwitchReply(IoSwitchReply::OldStatesFirst);
    EXPECT_EQ(board.answers(ByteVector{'H', ':', 1, 'p', 3, 1, 0, 0, 'E', 'D'}),
              (Frames{custom(1, 'T', {0, 1}), custom(1, 'q', {3, 1})}));
    board.setSwitchReply(IoSwitchReply::States);
    EXPECT_EQ(board.answers(ByteVector{'H', ':', 1, 'p', 2, 0, 0, 0, 'E', 'D'}),
              (Frames{custom(1, 'T', {0, 0, 1})}));
    EXPECT_EQ(board.answers(custom(1, 'S', {})), (Frames{custom(1, 'T', {0, 0, 1})}));

    IoBoardLogic modbus = boardOf("KB-08-00", IoBoardProtocol::Modbus, 3);
    modbus.setSwitchReply(IoSwitchReply::OldStatesFirst);
    EXPECT_EQ(modbus.answers(rtu({3, 5, 0, 2, 0xFF, 0})),
              (Frames{rtu({3, 1, 1, 0}), rtu({3, 5, 0, 2, 0xFF, 0})}));
    modbus.setSwitchReply(IoSwitchReply::States);
    EXPECT_EQ(modbus.answers(rtu({3, 5, 0, 0, 0xFF, 0})), (Frames{rtu({3, 1, 1, 0x05})}));
    EXPECT_EQ(modbus.answers(rtu({3, 5, 0, 8, 0xFF, 0})), (Frames{rtu({3, 0x85, 2})}));
}

TEST(SimIoBoard, IdentityQueryInEitherProtocol) {
    for (auto protocol : {IoBoardProtocol::Custom, IoBoardProtocol::Modbus}) {
        IoBoardLogic board = boardOf("5GPTV2", protocol);
        ByteVector pending;
        const ByteVector query{'H', ':', 'E', '.'};
        EXPECT_TRUE(board.feed(pending, query).empty());
        board.setIdentity(std::string("io-7"));
        const auto replies = board.feed(pending, query);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0], (ByteVector{'i', 'o', '-', '7'}));
    }
    EXPECT_FALSE(ioBoardKind("KB-64-00"));
}

TEST(SimIoBoard, FloodRateIsReadAndBadRatesAreRefused) {
    std::string error;
    const auto flooding = parseIoBoardDescription("transport=udp,flood=1000", error);
    ASSERT_TRUE(flooding) << error;
    EXPECT_EQ(flooding->floodPerSecond, 1000);
    EXPECT_EQ(parseIoBoardDescription("transport=udp", error)->floodPerSecond, 0);
    for (const char* bad : {"flood=0", "flood=-5", "flood=100001", "flood=fast", "flood"})
        EXPECT_FALSE(parseIoBoardDescription(bad, error)) << bad;
}
