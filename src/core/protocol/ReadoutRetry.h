#pragma once
// Completing a read-out that lost replies: which reply code each read-out request brings back,
// when to ask again, and what a missing block is called.
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "device/ReadoutProgress.h"
#include "protocol/Plan.h"

namespace tavrel {

// Re-requests after the read-out itself: the pause before each round (counted from the last
// request of the round before), and the budget of rounds and of time (from the read-out's end).
inline constexpr int kReadoutRetryDelayMs = 300;
inline constexpr int kReadoutRetryMaxRounds = 8;
inline constexpr int kReadoutRetryBudgetMs = 5000;
// Requests in a row that brought nothing back, after which a device no longer counts as answering.
inline constexpr int kUnansweredRequestsGone = 6;

// One device's re-request rounds: whether it is worth asking again.
struct RetryRounds {
    int round = 0;          // re-request rounds sent so far
    int requests = 0;       // requests of the read-out or round last sent
    int answersBefore = 0;  // the device's answers when that was sent
    int unanswered = 0;     // requests in a row with nothing from the device since
    long long readoutEndMs = 0;

    // A read-out or round of `requests` requests goes out now.
    void sent(const ReadoutProgress& progress, int requestCount);
    // Decided `kReadoutRetryDelayMs` after the last request: another round, while blocks are
    // missing, the device still answers, and the budget lasts.
    bool another(const ReadoutProgress& progress, long long nowMs);
};

// The reply code a read-out request (its sub-code) is answered with; nothing for other sub-codes.
std::optional<std::uint8_t> replyCodeOfRequest(std::uint8_t requestSubCode);
std::optional<std::uint8_t> requestOfReplyCode(std::uint8_t replyCode);

// The reply codes a read-out plan asks for.
std::bitset<256> expectedReplies(const Plan& readout);

// The 'R' requests of the missing blocks, 30 ms apart, to the device's reply port.
Plan reRequestPlan(const ReadoutProgress& progress, const DeviceKey& key, std::uint16_t replyPort);

// A person's name for the block a reply code carries ("network", "port 3 serial settings"), in the
// interface language (9 English, 4 Chinese).
std::string readoutGroupName(std::uint8_t replyCode, int languageCode = 9);
// The distinct group names of the missing blocks, in reply-code order.
std::vector<std::string> missingGroupNames(const ReadoutProgress& progress, int languageCode = 9);

}  // namespace tavrel
