#include <gtest/gtest.h>

#include <map>

#include "timing/ConfigImage.h"
#include "timing/TimingChain.h"

namespace tavrel {
namespace {

const DeviceKey kKey{0x19, 0x00, 0x33};

// A board written from its side: unwraps the pass-through frame and answers by request code.
struct FakeBoard {
    std::array<std::array<std::uint8_t, 18>, 8> schedules{};
    std::array<std::uint8_t, 2> options{1, 0};
    std::vector<std::uint8_t> requests;

    std::vector<std::uint8_t> inner(std::uint8_t code, std::vector<std::uint8_t> payload) {
        std::vector<std::uint8_t> f = {'H', ':', 1, code};
        f.insert(f.end(), payload.begin(), payload.end());
        unsigned sum = 0;
        for (auto b : f) sum += b;
        f.push_back(static_cast<std::uint8_t>(sum));
        f.push_back('E');
        f.push_back('D');
        return f;
    }

    std::vector<std::uint8_t> answer(const Frame& request) {
        const std::uint8_t code = request.at(7);
        requests.push_back(code);
        if (code == 0x66) return inner(0x67, {'B', 'O', 'A', 'R', 'D', 0, 0, 0});
        // The bytes after the two options are the board's own: none of them is an option.
        if (code == 0x6C) return inner(0x6D, {options[0], options[1], 1, 1, 1, 1, 1, 1});
        if (code == 0x6E) {
            options = {request[8], request[9]};
            return inner(0x6D, {options[0], options[1], 0, 0, 0, 0, 0, 0});
        }
        if (code == 0x80 || code == 0x82) return inner(0x81, {31, 4, 27, 13, 42, 5, 7, 0});
        if (code >= 0x83 && code <= 0x8A) {
            auto& s = schedules[code - 0x83];
            return inner(static_cast<std::uint8_t>(code + 0x20), {s.begin(), s.end()});
        }
        if (code >= 0xC3 && code <= 0xCA) {
            auto& s = schedules[code - 0xC3];
            std::copy(request.begin() + 8, request.begin() + 26, s.begin());
            return inner(static_cast<std::uint8_t>(code - 0x20), {s.begin(), s.end()});
        }
        return {};
    }
};

DeviceRecord board302() {
    DeviceRecord d;
    d.key = kKey;
    d.form302 = 1;
    d.imagePresent = 1;
    return d;
}

// Plays a chain against the board until nothing more is sent; returns the last action.
TimingAction run(TimingChain& chain, DeviceRecord& device, FakeBoard& board, TimingAction a, int& pairs) {
    TimingAction last = a;
    while (!a.send.empty()) {
        auto reply = board.answer(a.send);
        ++pairs;
        a = chain.onReply(device, reply);
        if (a.status != TimingStatus::None || a.finished) last = a;
    }
    return last;
}

TEST(TimingChain, FullReadIsElevenPairsAndStoresEverySchedule) {
    FakeBoard board;
    for (std::uint8_t n = 0; n < 8; ++n)
        board.schedules[n] = {31, 4, 27, 13, 42, n, 32, 11, 3, 18, 7, 59, 0x01, 0x2C, 0x02, n, 0x17, 3};
    DeviceRecord device = board302();
    TimingChain chain;
    TimingAction start = chain.startRead(kKey);
    EXPECT_EQ(start.status, TimingStatus::Reading);
    EXPECT_TRUE(start.clearList);
    EXPECT_TRUE(start.startResendTimer);
    int pairs = 0;
    TimingAction last = run(chain, device, board, start, pairs);
    EXPECT_EQ(pairs, 11);
    EXPECT_EQ(board.requests,
              (std::vector<std::uint8_t>{0x66, 0x6C, 0x80, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A}));
    EXPECT_TRUE(last.finished);
    EXPECT_TRUE(last.refillList);
    EXPECT_EQ(last.status, TimingStatus::Read);
    EXPECT_TRUE(chain.onResendTimer().send.empty());
    EXPECT_TRUE(hasTimingMarker(device));
    EXPECT_EQ(scheduleRowCount(device), 8);
    for (std::uint8_t n = 0; n < 8; ++n) {
        const OutputSchedule s = scheduleOf(device, n);
        EXPECT_EQ(s.open, (std::array<std::uint8_t, 6>{31, 4, 27, 13, 42, n}));
        EXPECT_EQ(s.close, (std::array<std::uint8_t, 6>{32, 11, 3, 18, 7, 59}));
        EXPECT_EQ(s.strobeOpen, 300);
        EXPECT_EQ(s.strobeClose, 0x0200 + n);
        EXPECT_EQ(s.weekdays, 0x17);
        EXPECT_EQ(s.mode, 3);
        // The image holds the 16-bit values little-endian, 18 bytes a channel from byte 204.
        const auto at = device.imageA.begin() + 204 + 18 * n;
        EXPECT_EQ((std::vector<std::uint8_t>(at, at + 18)),
                  (std::vector<std::uint8_t>{31, 4, 27, 13, 42, n, 32, 11, 3, 18, 7, 59, 0x2C, 0x01, n, 0x02,
                                             0x17, 3}));
    }
    // There is no ninth channel, whatever the image holds after the eighth.
    device.imageA[204 + 18 * 8] = 0x5A;
    EXPECT_EQ(scheduleOf(device, 8), OutputSchedule{});
}

TEST(TimingChain, ReadReportsTextOptionsAndClockOnTheWay) {
    FakeBoard board;
    DeviceRecord device = board302();
    TimingChain chain;
    TimingAction a = chain.startRead(kKey);
    a = chain.onReply(device, board.answer(a.send));
    EXPECT_EQ(a.boardText, "BOARD");
    a = chain.onReply(device, board.answer(a.send));
    EXPECT_EQ(a.options, (std::array<bool, 2>{true, false}));
    a = chain.onReply(device, board.answer(a.send));
    ASSERT_TRUE(a.clock);
    EXPECT_EQ(*a.clock, (BoardClock{31, 4, 27, 13, 42, 5, 7}));
    // The other way round: each option from its own byte.
    board.options = {0, 1};
    a = chain.startRead(kKey);
    a = chain.onReply(device, board.answer(a.send));
    a = chain.onReply(device, board.answer(a.send));
    EXPECT_EQ(a.options, (std::array<bool, 2>{false, true}));
}

TEST(TimingChain, FullSaveIsNinePairsAndSendsTheTable) {
    FakeBoard board;
    DeviceRecord device = board302();
    markTimingSupport(device);
    for (std::uint8_t n = 0; n < 8; ++n) {
        OutputSchedule s;
        s.mode = 2;
        s.open = {31, 4, 27, 13, 42, n};
        s.strobeOpen = static_cast<std::uint16_t>(0x0A00 + n);
        s.strobeClose = static_cast<std::uint16_t>(0x0B10 + n);
        s.weekdays = 0x26;
        setSchedule(device, n, s);
    }
    TimingChain chain;
    EXPECT_EQ(chain.startSave(kKey, false, true, false).status, TimingStatus::ReadFirst);
    EXPECT_TRUE(chain.startSave(kKey, false, true, false).send.empty());
    TimingAction start = chain.startSave(kKey, false, true, true);
    EXPECT_EQ(start.status, TimingStatus::Saving);
    EXPECT_FALSE(start.startResendTimer);  // the options frame is not resent
    EXPECT_TRUE(start.stopResendTimer);    // nor is a frame of the chain before
    int pairs = 0;
    TimingAction last = run(chain, device, board, start, pairs);
    EXPECT_EQ(pairs, 9);
    EXPECT_EQ(last.status, TimingStatus::Saved);
    EXPECT_FALSE(last.refillList);
    EXPECT_EQ(board.options, (std::array<std::uint8_t, 2>{0, 1}));
    // On the wire the 16-bit values are big-endian.
    for (std::uint8_t n = 0; n < 8; ++n)
        EXPECT_EQ(board.schedules[n],
                  (std::array<std::uint8_t, 18>{31, 4, 27, 13, 42, n, 0, 0, 0, 0, 0, 0, 0x0A, n, 0x0B,
                                                std::uint8_t(0x10 + n), 0x26, 2}))
            << int(n);
}

TEST(TimingChain, ResendsTheLastRequestThreeTimesThenGivesUp) {
    DeviceRecord device = board302();
    TimingChain chain;
    const TimingAction start = chain.startRead(kKey);
    for (int i = 1; i <= 3; ++i) {
        TimingAction a = chain.onResendTimer();
        EXPECT_EQ(a.send, start.send);
        EXPECT_EQ(a.status, TimingStatus::Resending);
        EXPECT_TRUE(a.startResendTimer);
        EXPECT_EQ(chain.resends(), i);
    }
    TimingAction last = chain.onResendTimer();
    EXPECT_TRUE(last.send.empty());
    EXPECT_TRUE(last.gaveUp);
    EXPECT_EQ(last.status, TimingStatus::None);  // the status text stays
    EXPECT_FALSE(chain.onResendTimer().gaveUp) << "given up once, not again at every tick";
    // A reply after giving up no longer moves the chain.
    FakeBoard board;
    EXPECT_TRUE(chain.onReply(device, board.answer(start.send)).send.empty());
}

TEST(TimingChain, AReplyResetsTheResendCountAndStrayRepliesChangeNothing) {
    FakeBoard board;
    DeviceRecord device = board302();
    TimingChain chain;
    TimingAction a = chain.startRead(kKey);
    chain.onResendTimer();
    chain.onResendTimer();
    TimingAction next = chain.onReply(device, board.answer(a.send));
    EXPECT_TRUE(next.stopResendTimer == false && next.startResendTimer);
    EXPECT_EQ(chain.resends(), 0);
    // The same text reply again (a board that answered twice) does not start a second chain.
    EXPECT_TRUE(chain.onReply(device, board.inner(0x67, {'B', 0, 0, 0, 0, 0, 0, 0})).send.empty());
    // A schedule reply too short to hold a schedule is left to the resend.
    FakeBoard b2;
    TimingChain c2;
    TimingAction r = c2.startRead(kKey);
    r = c2.onReply(device, b2.answer(r.send));
    r = c2.onReply(device, b2.answer(r.send));
    r = c2.onReply(device, b2.answer(r.send));
    ASSERT_EQ(r.send.at(7), 0x83);
    EXPECT_TRUE(c2.onReply(device, b2.inner(0xA3, {1, 2, 3, 4, 5, 6, 7, 8})).send.empty());
    EXPECT_EQ(c2.onResendTimer().send, r.send);
    // So is an options reply that holds one option, not two.
    FakeBoard b3;
    TimingChain c3;
    TimingAction o = c3.startRead(kKey);
    o = c3.onReply(device, b3.answer(o.send));
    ASSERT_EQ(o.send.at(7), 0x6C);
    const TimingAction half = c3.onReply(device, b3.inner(0x6D, {1}));
    EXPECT_TRUE(half.send.empty());
    EXPECT_FALSE(half.options);
    EXPECT_EQ(c3.onResendTimer().send, o.send);
}

TEST(TimingChain, CalibrateSendsOnceAndEndsOnTheClockReply) {
    FakeBoard board;
    DeviceRecord device = board302();
    TimingChain chain;
    chain.startRead(kKey);  // left unanswered: calibrating replaces it
    TimingAction a = chain.calibrate(kKey, boardClockOf({2029, 11, 3, 21, 8, 57}));
    EXPECT_EQ(a.status, TimingStatus::Calibrating);
    EXPECT_EQ((std::vector<std::uint8_t>(a.send.begin() + 7, a.send.begin() + 15)),
              (std::vector<std::uint8_t>{0x82, 29, 11, 3, 21, 8, 57, 6}));
    EXPECT_FALSE(a.startResendTimer);
    EXPECT_TRUE(a.stopResendTimer) << "the read's resend timer must not fire into the calibration";
    EXPECT_TRUE(chain.onResendTimer().send.empty());
    TimingAction done = chain.onReply(device, board.answer(a.send));
    EXPECT_EQ(done.status, TimingStatus::Calibrated);
    EXPECT_TRUE(done.clock);
    EXPECT_TRUE(done.send.empty());
    // A late copy of the clock reply finds the chain over.
    const TimingAction late = chain.onReply(device, board.answer(a.send));
    EXPECT_EQ(late.status, TimingStatus::None);
    EXPECT_FALSE(late.finished || late.clock);
    EXPECT_TRUE(chain.onResendTimer().send.empty());  // and nothing is sent again
}

TEST(TimingChain, AClockReadIsResentAndEndsQuietly) {
    FakeBoard board;
    DeviceRecord device = board302();
    TimingChain chain;
    chain.startRead(kKey);  // left unanswered: the clock read replaces it, it does not go on with it
    TimingAction a = chain.readClock(kKey);
    EXPECT_EQ(a.send.at(7), 0x80);
    EXPECT_EQ(chain.onResendTimer().send, a.send);
    TimingAction done = chain.onReply(device, board.answer(a.send));
    EXPECT_TRUE(done.finished);
    EXPECT_TRUE(done.send.empty());
    EXPECT_EQ(done.status, TimingStatus::None);
    ASSERT_TRUE(done.clock);
    EXPECT_EQ(*done.clock, (BoardClock{31, 4, 27, 13, 42, 5, 7}));
    EXPECT_EQ(clockOf(device), *done.clock);
    // The image keeps it second first, the year last.
    EXPECT_EQ((std::vector<std::uint8_t>(device.imageA.begin() + 780, device.imageA.begin() + 787)),
              (std::vector<std::uint8_t>{5, 42, 13, 7, 27, 4, 31}));
}

TEST(TimingChain, StatusTextsFollowTheLanguageOnlyWhereTheyDiffer) {
    UiTexts en, zh;
    en.load(Language::English);
    zh.load(Language::Chinese);
    EXPECT_EQ(timingStatusText(TimingStatus::ReadFirst, en), "please read  parameter first");
    EXPECT_EQ(timingStatusText(TimingStatus::ReadFirst, zh), "请先读取参数");
    EXPECT_EQ(timingStatusText(TimingStatus::Resending, en), "重发中...");
    // The others are the board dialog's own, whatever the language.
    const std::vector<std::pair<TimingStatus, std::string>> fixedTexts = {
        {TimingStatus::None, ""},
        {TimingStatus::Reading, "正在读取参数..."},
        {TimingStatus::Saving, "保存参数中..."},
        {TimingStatus::Calibrating, "校正中..."},
        {TimingStatus::Read, "参数读取成功"},
        {TimingStatus::Saved, "参数保存成功"},
        {TimingStatus::Calibrated, "校正成功"},
    };
    for (const auto& [status, text] : fixedTexts) {
        EXPECT_EQ(timingStatusText(status, en), text);
        EXPECT_EQ(timingStatusText(status, zh), text);
    }
}

}  // namespace
}  // namespace tavrel
