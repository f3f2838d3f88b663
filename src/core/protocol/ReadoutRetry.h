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

// Rounds of re-requests after the read-out itself, and the pause before each one (counted from
// the last request of the round before).
inline constexpr int kReadoutRetryRounds = 2;
inline constexpr int kReadoutRetryDelayMs = 300;

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
