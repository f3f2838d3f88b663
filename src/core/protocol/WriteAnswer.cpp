#include "protocol/WriteAnswer.h"

#include "protocol/DeviceFrame.h"

namespace tavrel {

namespace {
constexpr std::uint8_t kAcknowledgedCode = 16;
constexpr std::uint8_t kRefusedCode = 17;
}  // namespace

std::optional<WriteAnswer> writeAnswerFrom(Bytes d, const DeviceKey& key) {
    if (d.size() != kStandardFrameSize || !isValidStandardFrame(d) || frameKey(d) != key) return std::nullopt;
    if (d[3] == kAcknowledgedCode) return WriteAnswer::Acknowledged;
    if (d[3] == kRefusedCode) return WriteAnswer::Refused;
    return std::nullopt;
}

}  // namespace tavrel
