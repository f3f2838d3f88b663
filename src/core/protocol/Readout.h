#pragma once
// The read-out that follows a serial server's search reply: one 'R' request per parameter block.
#include <cstdint>

#include "device/DeviceRecord.h"
#include "protocol/Plan.h"

namespace tavrel {

inline constexpr int kReadoutGapMs = 30;
inline constexpr int kExtraQueryGapMs = 100;

// Requests go to the broadcast address at `replyPort`, the port the device answered from.
Plan readoutPlan(const Identity& identity, const DeviceKey& key, std::uint16_t replyPort);

}  // namespace tavrel
