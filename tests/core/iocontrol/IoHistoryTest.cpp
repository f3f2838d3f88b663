#include <gtest/gtest.h>

#include "iocontrol/IoHistory.h"

using namespace tavrel;

namespace {

void feed(IoBoardState& state, std::uint8_t code, std::array<std::uint8_t, 8> data) {
    const IoFrame frame = wrapCustom(1, code, data);
    state.receive(Bytes(frame.data(), frame.size()));
}

std::string rows(const std::vector<IoChange>& changes) {
    std::string text;
    for (const IoChange& c : changes) text += ioChangeCsvRow("t", c);
    return text;
}

}  // namespace

TEST(IoHistory, ChangesBecomeLogRowsAndLanesKeepTheirTransitions) {
    IoBoardState state;
    IoHistory history;
    feed(state, kCodeModelReply, {'K', 'B', '-', '0', '8', '-', '0', '0'});
    EXPECT_TRUE(history.observe(0, state).empty());

    feed(state, kCodeInputStates, {1, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(rows(history.observe(100, state)),
              "t,input,1,1\r\nt,input,2,0\r\nt,input,3,1\r\nt,input,4,0\r\n"
              "t,input,5,0\r\nt,input,6,0\r\nt,input,7,0\r\nt,input,8,0\r\n");
    EXPECT_TRUE(history.observe(150, state).empty());  // the same answer again changes nothing
    feed(state, kCodeOutputChanged, {3, 1, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(rows(history.observe(200, state)), "t,output,3,1\r\n");
    feed(state, kCodeInputStates, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(rows(history.observe(300, state)), "t,input,3,0\r\n");
    EXPECT_EQ(history.inputLanes(), 8);
    EXPECT_EQ(history.outputLanes(), 3);
    // The diagram reaches back to the first state, at least the minimum, at most the span.
    EXPECT_EQ(history.startMs(), 100);
    EXPECT_EQ(history.shownSpanMs(20100, 10000), 20000);
    EXPECT_EQ(history.shownSpanMs(300, 10000), 10000);
    EXPECT_EQ(history.shownSpanMs(100 + 2 * IoHistory::kSpanMs, 10000), IoHistory::kSpanMs);

    const auto input3 = history.lane(IoChannelKind::Input, 3, 0, 1000);
    ASSERT_EQ(input3.size(), 3u);
    EXPECT_EQ(input3[0].state, Indicator::Unknown);
    EXPECT_EQ(input3[1].fromMs, 100);
    EXPECT_EQ(input3[1].toMs, 300);
    EXPECT_EQ(input3[1].state, Indicator::On);
    EXPECT_EQ(input3[2].state, Indicator::Off);
    EXPECT_EQ(input3[2].toMs, 1000);
    // A window that starts after the last transition is one segment of the state then held.
    const auto late = history.lane(IoChannelKind::Input, 3, 500, 900);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].state, Indicator::Off);
    // No lane outside channels 1-32, for analog values, or for a window that ends where it starts.
    EXPECT_TRUE(history.lane(IoChannelKind::Input, 0, 0, 1000).empty());
    EXPECT_TRUE(history.lane(IoChannelKind::Output, 33, 0, 1000).empty());
    EXPECT_TRUE(history.lane(IoChannelKind::Analog, 3, 0, 1000).empty());
    EXPECT_TRUE(history.lane(IoChannelKind::Input, 3, 500, 500).empty());
    EXPECT_EQ(history.lane(IoChannelKind::Output, 32, 0, 1000).size(), 1u);

    // A forgotten board is no row of the log, but its lanes go grey from then on.
    state.forgetBoard();
    EXPECT_TRUE(history.observe(400, state).empty());
    EXPECT_EQ(history.lane(IoChannelKind::Output, 3, 0, 1000).back().state, Indicator::Unknown);

    // Minutes later the oldest transitions are gone, the state at the left edge is not.
    feed(state, kCodeModelReply, {'K', 'B', '-', '0', '8', '-', '0', '0'});
    feed(state, kCodeInputStates, {1, 0, 0, 0, 0, 0, 0, 0});
    const long long later = 400 + IoHistory::kSpanMs + 1000;
    history.observe(later, state);
    const auto kept = history.lane(IoChannelKind::Input, 1, later - IoHistory::kSpanMs, later + 10);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].state, Indicator::Unknown);
    EXPECT_EQ(kept[1].state, Indicator::On);
}

TEST(IoHistory, AnalogValuesAreRowsAndAFlappingLaneStaysBounded) {
    IoBoardState state;
    IoHistory history;
    feed(state, kCodeModelReply, {'1', 'H', 'M', 'T', 'K', '0', '8', 0});
    const IoFrame analog{0x48, 0x3A, 0x01, 0x0C, 0x04, 0xD2, 0, 0,    0, 0,    0,   0,
                         0,    0,    0,    0,    0,    0,    0, 0x01, 0, 0x45, 0x44};
    state.receive(Bytes(analog.data(), analog.size()));
    const auto first = history.observe(10, state);
    ASSERT_EQ(first.size(), 8u);
    EXPECT_EQ(ioChangeCsvRow("12:00:00.001", first[0]), "12:00:00.001,analog,1,1234\r\n");
    EXPECT_TRUE(history.observe(20, state).empty());

    IoBoardState board;
    feed(board, kCodeModelReply, {'K', 'B', '-', '0', '8', '-', '0', '0'});
    for (long long t = 0; t < 3 * static_cast<long long>(IoHistory::kMaxTransitions); ++t) {
        feed(board, kCodeOutputChanged, {1, static_cast<std::uint8_t>(t % 2), 0, 0, 0, 0, 0, 0});
        history.observe(t, board);
    }
    // The newest transitions, as many as are kept, each a segment, after the one before them.
    EXPECT_EQ(history.lane(IoChannelKind::Output, 1, 0, 1 << 20).size(), IoHistory::kMaxTransitions + 1);
}
