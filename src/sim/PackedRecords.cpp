#include "PackedRecords.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "device/FixedLists.h"

namespace tavrel::sim {

namespace {

constexpr std::size_t kOverhead = 10;

template <typename Field>
void place(std::vector<std::uint8_t>& out, std::size_t at, const Field& field) {
    if (at >= out.size()) return;
    const std::size_t n = std::min<std::size_t>(field.size(), out.size() - at);
    std::copy_n(field.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(at));
}

void placeLe16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    if (at + 2 <= out.size()) putLe16(out.data() + at, v);
}

// A baud list position as the rate itself; 0 when the position names no rate.
std::uint32_t baudRateOf(int position) {
    const std::string_view text = lists::textAt(lists::kBaudRates, position);
    std::uint32_t rate = 0;
    std::from_chars(text.data(), text.data() + text.size(), rate);
    return rate;
}

}  // namespace

std::size_t packedLength(SimKind kind) {
    switch (kind) {
        case SimKind::Board302:
            return kRecord302;
        case SimKind::Board830:
            return kRecord830;
        case SimKind::Board866:
            return kRecord866;
        case SimKind::Board250:
            return kRecord250;
        case SimKind::SerialServer:
            return 0;
    }
    return 0;
}

std::vector<std::uint8_t> payload302(const DeviceSettings& s, const Block& identity) {
    std::vector<std::uint8_t> p(kRecord302 - kOverhead, 0);
    const auto& b = s.board;
    const auto& port = s.ports[0];
    p[0] = 0x55;
    p[1] = b.wifiMode;
    place(p, 2, b.apSsid);
    place(p, 34, b.apPassword);
    place(p, 50, b.staPassword);
    place(p, 66, b.staSsid);
    place(p, 98, s.network);
    place(p, 114, s.mac);
    p[120] = s.ipType;
    place(p, 121, s.account);
    place(p, 137, identity);
    std::copy_n(port.serial.begin(), 5, p.begin() + 154);
    placeLe16(p, 160, remotePortOf(port));
    placeLe16(p, 162, localPortOf(port));
    place(p, 168, port.host);
    place(p, 200, port.heartbeat);
    placeLe16(p, 216, port.heartbeatInterval);
    p[218] = port.serial[14];
    placeLe16(p, 220, port.modbusTimeout);
    p[222] = 2;
    p[224] = static_cast<std::uint8_t>(b.signal);
    p[225] = 2;
    p[227] = b.outputTiming;
    p[228] = b.rs485Address;
    p[251] = b.cloud;
    place(p, 252, b.cloudId);
    place(p, 272, b.cloudPassword);
    return p;
}

std::vector<std::uint8_t> imagePayload(SimKind kind, const DeviceSettings& s, const Block& identity) {
    const std::size_t length = packedLength(kind);
    if (length == 0 || kind == SimKind::Board302) return {};
    // The image fills the frame but for 28 zero bytes before the key.
    const std::size_t size = kind == SimKind::Board250 ? 204 : length - kOverhead - 28;
    std::vector<std::uint8_t> p(size, 0);
    const auto& b = s.board;
    const auto& port = s.ports[0];
    std::array<std::uint8_t, 4> rate{};
    putLe32(rate.data(), b.baudNumber != 0 ? b.baudNumber : baudRateOf(port.serial[0]));
    place(p, 0, rate);
    p[4] = port.serial[2];
    p[5] = port.serial[1];
    p[6] = port.serial[3];
    p[8] = port.serial[4];
    placeLe16(p, 10, remotePortOf(port));
    placeLe16(p, 16, localPortOf(port));
    p[18] = port.serial[14];
    place(p, 19, port.host);
    place(p, 52, std::span(s.network).subspan(0, 4));   // address
    place(p, 56, std::span(s.network).subspan(8, 4));   // gateway
    place(p, 60, std::span(s.network).subspan(4, 4));   // mask
    place(p, 64, std::span(s.network).subspan(12, 4));  // DNS
    p[68] = s.ipType;
    place(p, 72, s.mac);
    place(p, 78, identity);
    place(p, 94, s.account);
    if (kind != SimKind::Board250) p[125] = b.rs485Address;
    p[159] = b.timingMarker;
    p[164] = b.channelCount;
    place(p, 167, port.heartbeat);
    placeLe16(p, 184, port.heartbeatInterval);
    p[191] = s.ioOptions[0];
    p[192] = s.ioOptions[1];
    placeLe16(p, 200, port.modbusTimeout);
    place(p, 204, b.schedules);
    place(p, 780, b.clock);
    if (kind == SimKind::Board866) {
        p[788] = b.cloud;
        place(p, 789, b.cloudId);
        place(p, 809, b.cloudPassword);
    }
    return p;
}

std::vector<std::uint8_t> packedSearchReply(SimKind kind, const DeviceSettings& s, const Block& identity) {
    const std::size_t length = packedLength(kind);
    if (length == 0) return {};
    const DeviceKey key = keyOfMac(s.mac);
    if (kind == SimKind::Board302) return makeFrame(length, 'R', 'P', payload302(s, identity), key);
    return makeFrame(length, 'R', 0x01, imagePayload(kind, s, identity), key);
}

}  // namespace tavrel::sim
