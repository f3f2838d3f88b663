#include <gtest/gtest.h>

#include "iocontrol/ChunkQueue.h"
#include "iocontrol/CommandLog.h"
#include "iocontrol/IoCodec.h"

using namespace tavrel;

TEST(CommandLogText, ModbusSwitchOnLine) {
    auto frame = *buildSwitchOutput(IoProtocol::Modbus, 1, 32, true, 0);
    EXPECT_EQ(logEntryText(LogDirection::Sent, frame, {9, 5, 7}),
              "TX：01 05 00 1F FF 00 BD FC  时间: 09:05:07\r\n");
    EXPECT_EQ(logEntryText(LogDirection::Received, IoFrame{0xAB}, {23, 59, 0}),
              "RX：AB  时间: 23:59:00\r\n\r\n");
    EXPECT_EQ(logEntryText(LogDirection::Received, {}, {0, 0, 0}), "RX： 时间: 00:00:00\r\n\r\n");
}

TEST(CommandLogFilter, ModbusLeavesOutPolling) {
    LogFilterState st{IoProtocol::Modbus};
    EXPECT_FALSE(passesLogFilter(IoFrame{1, 1, 0, 0}, st));
    EXPECT_FALSE(passesLogFilter(IoFrame{1, 2, 0, 0}, st));
    EXPECT_TRUE(passesLogFilter(IoFrame{1, 3, 0, 5}, st));  // model query while no model is shown
    st.modelLabelEmpty = false;
    EXPECT_FALSE(passesLogFilter(IoFrame{1, 3, 0, 5}, st));
    EXPECT_TRUE(passesLogFilter(IoFrame{1, 5, 0, 0}, st));
    EXPECT_TRUE(passesLogFilter(IoFrame{1}, st));
    EXPECT_TRUE(passesLogFilter({}, st));
    st.showCommand = true;
    EXPECT_TRUE(passesLogFilter(IoFrame{1, 1, 0, 0}, st));
}

TEST(CommandLogFilter, CustomLeavesOutPollingAndShowsOneStatusReply) {
    LogFilterState st{IoProtocol::Custom};
    auto frame = [](std::uint8_t code) { return IoFrame{'H', ':', 1, code, 0, 'E', 'D'}; };
    for (std::uint8_t code : std::initializer_list<std::uint8_t>{'R', 'S', 'A', 0x0C})
        EXPECT_FALSE(passesLogFilter(frame(code), st)) << code;
    for (std::uint8_t code : {'f', 'g', 'p', 'q', 'W'}) EXPECT_TRUE(passesLogFilter(frame(code), st)) << code;
    EXPECT_FALSE(passesLogFilter(IoFrame{'H', ':', 1, 'W', 0, 'E'}, st));
    EXPECT_FALSE(passesLogFilter(IoFrame{'X', ':', 1, 'W', 'E', 'D'}, st));
    EXPECT_FALSE(passesLogFilter(IoFrame{'H', ':', 'E'}, st));
    EXPECT_TRUE(passesLogFilter(IoFrame{'H', ':', 'E', 'D'}, st));  // head and tail alone still frame

    EXPECT_FALSE(passesLogFilter(frame('T'), st));
    st.outputStatusFlag = true;
    EXPECT_TRUE(passesLogFilter(frame('T'), st));
    EXPECT_FALSE(st.outputStatusFlag);
    EXPECT_FALSE(passesLogFilter(frame('T'), st));

    st.showCommand = true;
    EXPECT_TRUE(passesLogFilter(IoFrame{0x00}, st));
    EXPECT_TRUE(passesLogFilter(frame('R'), st));
}

TEST(CommandLogAppend, PauseDropsAndLimitStartsAfresh) {
    CommandLog log(100);
    LogFilterState st{IoProtocol::Modbus, true};
    IoFrame f{1, 5, 0, 0, 0xFF, 0, 0x8C, 0x3A};
    EXPECT_EQ(logFrame(log, LogDirection::Sent, f, st, true, {}), LogAppend::Dropped);
    EXPECT_TRUE(log.text().empty());
    const auto entry = logEntryText(LogDirection::Sent, f, {});
    EXPECT_EQ(logFrame(log, LogDirection::Sent, f, st, false, {}), LogAppend::Appended);
    EXPECT_EQ(log.text(), entry);  // entries made during the pause were not kept
    // 42 characters: the Chinese and full-width ones count one each.
    EXPECT_EQ(log.lengthChars(), 42u);
    EXPECT_EQ(log.append(entry, false), LogAppend::Appended);  // 42 is not over 100 - 50
    EXPECT_EQ(log.append(entry, false), LogAppend::ClearedAndAppended);
    EXPECT_EQ(log.text(), entry);

    CommandLog roomy(200);
    for (int i = 0; i < 4; ++i) roomy.append(entry, false);
    EXPECT_EQ(roomy.lengthChars(), 168u);  // 126 was not over 150, 168 is
    EXPECT_EQ(roomy.append(entry, false), LogAppend::ClearedAndAppended);
    roomy.clear();
    EXPECT_EQ(roomy.lengthChars(), 0u);
}

TEST(ChunkQueue, TakesABoundedTurnAndDropsTheOldestBeyondItsBound) {
    ChunkQueue<int> queue;
    const int pushed = static_cast<int>(kMaxWaitingChunks) + 10;
    for (int i = 0; i < pushed; ++i) queue.push(i);
    EXPECT_EQ(queue.dropped(), 10u);
    EXPECT_EQ(queue.waiting(), kMaxWaitingChunks);
    int next = 10;  // the newest are kept, in order
    std::size_t turns = 0;
    while (!queue.empty()) {
        const std::vector<int> turn = queue.takeTurn();
        ASSERT_FALSE(turn.empty());
        EXPECT_LE(turn.size(), kChunksPerTurn);
        for (int chunk : turn) EXPECT_EQ(chunk, next++);
        ++turns;
    }
    EXPECT_EQ(next, pushed);
    EXPECT_EQ(turns, (kMaxWaitingChunks + kChunksPerTurn - 1) / kChunksPerTurn);
    EXPECT_TRUE(queue.takeTurn().empty());
    queue.clear();
    EXPECT_EQ(queue.dropped(), 0u);
}
