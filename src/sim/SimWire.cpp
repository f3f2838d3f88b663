#include "SimWire.h"

#include <algorithm>

#include "protocol/DeviceFrame.h"

namespace tavrel::sim {

namespace {
constexpr std::size_t kOverhead = 10;
}

std::optional<IncomingFrame> readIncoming(Bytes datagram) {
    const std::size_t l = datagram.size();
    if (l < kOverhead) return std::nullopt;
    if (datagram[0] != 'H' || datagram[1] != ':' || datagram[l - 2] != 'E' || datagram[l - 1] != '.')
        return std::nullopt;
    if (checksum8(datagram.first(l - 3)) != datagram[l - 3]) return std::nullopt;
    IncomingFrame frame;
    frame.op = datagram[2];
    frame.sub = datagram[3];
    std::copy_n(datagram.begin() + static_cast<std::ptrdiff_t>(l - 6), 3, frame.key.begin());
    frame.payload.assign(datagram.begin() + 4, datagram.begin() + static_cast<std::ptrdiff_t>(l - 6));
    return frame;
}

std::vector<std::uint8_t> makeFrame(std::size_t length, std::uint8_t op, std::uint8_t code, Bytes payload,
                                    const DeviceKey& key) {
    length = std::max(length, kOverhead);
    std::vector<std::uint8_t> out(length, 0);
    out[0] = 'H';
    out[1] = ':';
    out[2] = op;
    out[3] = code;
    std::copy_n(payload.begin(), std::min(payload.size(), length - kOverhead), out.begin() + 4);
    std::copy(key.begin(), key.end(), out.end() - 6);
    out[length - 3] = checksum8(Bytes(out).first(length - 3));
    out[length - 2] = 'E';
    out[length - 1] = '.';
    return out;
}

}  // namespace tavrel::sim
