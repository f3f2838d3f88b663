#include "protocol/DeviceFrame.h"

#include <algorithm>
#include <cassert>

namespace tavrel {

std::uint8_t checksum8(Bytes bytes) {
    std::uint8_t sum = 0;
    for (auto b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

DeviceFrame::DeviceFrame(std::size_t length) : bytes_(std::max(length, kFrameOverhead), 0) {
    bytes_[0] = 'H';
    bytes_[1] = ':';
    bytes_[bytes_.size() - 2] = 'E';
    bytes_[bytes_.size() - 1] = '.';
}

void DeviceFrame::setKey(const DeviceKey& key) {
    std::copy(key.begin(), key.end(), bytes_.end() - 6);
}

void DeviceFrame::setPayload(Bytes data, std::uint8_t filler) {
    auto* p = payload();
    std::fill(p, p + payloadSize(), filler);
    std::copy_n(data.begin(), std::min(data.size(), payloadSize()), p);
}

void DeviceFrame::finish() {
    const std::size_t l = bytes_.size();
    bytes_[l - 3] = checksum8(Bytes(bytes_).first(l - 3));
}

std::vector<std::uint8_t> buildFrame(std::uint8_t op, std::uint8_t sub, Bytes payload, std::uint8_t filler,
                                     const DeviceKey& key, std::size_t length) {
    DeviceFrame frame(length);
    frame.setOperation(op);
    frame.setSubCode(sub);
    frame.setPayload(payload, filler);
    frame.setKey(key);
    frame.finish();
    return frame.bytes();
}

bool isValidStandardFrame(Bytes f) {
    if (f.size() != kStandardFrameSize) return false;
    return f[0] == 'H' && f[1] == ':' && f[24] == 'E' && f[25] == '.' && checksum8(f.first(23)) == f[23];
}

std::optional<DeviceKey> frameKey(Bytes f) {
    if (f.size() < kFrameOverhead) return std::nullopt;
    const std::size_t l = f.size();
    return DeviceKey{f[l - 6], f[l - 5], f[l - 4]};
}

}  // namespace tavrel
