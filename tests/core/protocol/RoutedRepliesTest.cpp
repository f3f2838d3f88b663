// Datagrams that the reply handling hands on to other features: what they receive, and what is
// never handed on.
#include <gtest/gtest.h>

#include "protocol/ReplyHandler.h"

using namespace tavrel;

namespace {

using Datagram = std::vector<std::uint8_t>;

// An output timing reply: 'H' ':' 'W' 3, the board frame, key, sum, 'E' '.'.
Datagram timingReply(const Datagram& boardFrame) {
    Datagram d{'H', ':', 'W', 3};
    d.insert(d.end(), boardFrame.begin(), boardFrame.end());
    d.insert(d.end(), {0x19, 0x00, 0x33, 0x00, 'E', '.'});
    return d;
}

Datagram counting(std::size_t n, std::uint8_t first) {
    Datagram d(n);
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(first + i);
    return d;
}

}  // namespace

TEST(RoutedReplies, OutputTimingRepliesOfEveryLengthCarryTheirBoardFrame) {
    for (std::size_t inner : {15u, 25u, 7u}) {  // datagrams of 25, 35 and 17 bytes
        SCOPED_TRACE(inner);
        DeviceTable table;
        const Datagram board = counting(inner, 0x30);
        ReplyEffects fx = handleDatagram(table, timingReply(board), "127.0.0.2", 1111);
        EXPECT_EQ(fx.outputTimingFrame, board);
        EXPECT_EQ(fx.routes, std::vector<Route>{Route::OutputTiming});
        EXPECT_EQ(table.usedCount(), 0u);
    }
    // Any other length is no timing reply.
    DeviceTable table;
    EXPECT_TRUE(
        handleDatagram(table, timingReply(counting(8, 0)), "127.0.0.2", 1111).outputTimingFrame.empty());
}

TEST(RoutedReplies, OverlongDatagramsReachNoHandler) {
    DeviceTable table;
    Datagram wifi(kMaxDatagramBytes + 1, 'x');
    wifi[0] = 'H', wifi[1] = ':', wifi[2] = 'R', wifi[3] = 0x9F;
    ReplyEffects fx = handleDatagram(table, wifi, "127.0.0.2", 1111);
    EXPECT_TRUE(fx.routes.empty());
    EXPECT_TRUE(fx.wifiScanResult.empty());
    Datagram tftp(kMaxDatagramBytes + 1, 0);
    tftp[1] = 4;
    EXPECT_TRUE(handleDatagram(table, tftp, "127.0.0.2", 69).tftpReply.empty());

    wifi.resize(kMaxDatagramBytes);
    EXPECT_EQ(handleDatagram(table, wifi, "127.0.0.2", 1111).wifiScanResult, wifi);
    tftp.resize(kMaxDatagramBytes);
    EXPECT_EQ(handleDatagram(table, tftp, "127.0.0.2", 69).tftpReply, tftp);
}
