#include "BoardSide.h"

#include <algorithm>
#include <charconv>

#include "SimWifi.h"
#include "SimWire.h"
#include "device/FixedLists.h"
#include "protocol/DeviceFrame.h"

namespace tavrel::sim {

namespace {

constexpr std::size_t kScheduleBytes = 18;
constexpr std::size_t kInnerAt = 4;

std::uint8_t sum(Bytes b) {
    return checksum8(b);
}

template <std::size_t N>
void take(std::array<std::uint8_t, N>& field, Bytes from) {
    std::copy_n(from.begin(), N, field.begin());
}

// The schedule table keeps image order (16-bit values little-endian); the wire is big-endian.
void swapWords(std::uint8_t* schedule) {
    std::swap(schedule[12], schedule[13]);
    std::swap(schedule[14], schedule[15]);
}

std::vector<std::uint8_t> innerFrame(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> f = {'H', ':', 0x01, code};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(sum(f));
    f.push_back('E');
    f.push_back('D');
    return f;
}

std::vector<std::uint8_t> clockPayload(const SimClock& clock) {
    const QDateTime t = clock.now();
    const QDate d = t.date();
    const QTime h = t.time();
    return {static_cast<std::uint8_t>(d.year() - 2000), static_cast<std::uint8_t>(d.month()),
            static_cast<std::uint8_t>(d.day()),         static_cast<std::uint8_t>(h.hour()),
            static_cast<std::uint8_t>(h.minute()),      static_cast<std::uint8_t>(h.second()),
            static_cast<std::uint8_t>(d.dayOfWeek()),   0};
}

std::uint8_t baudIndexOf(std::uint32_t rate) {
    for (std::size_t i = 0; i < lists::kBaudRates.size(); ++i) {
        std::uint32_t v = 0;
        const auto text = lists::kBaudRates[i];
        std::from_chars(text.data(), text.data() + text.size(), v);
        if (v == rate) return static_cast<std::uint8_t>(i + 1);
    }
    return 0;
}

void setPorts(SimPort& port, std::uint16_t remote, std::uint16_t local) {
    putBe16(port.serial.data() + 9, remote);
    putBe16(port.serial.data() + 11, local);
}

void takeImage(SimKind kind, Bytes p, DeviceSettings& s, SimClock& clock) {
    SimPort& port = s.ports[0];
    port.serial[0] = baudIndexOf(getLe32(&p[0]));
    s.board.baudNumber = port.serial[0] == 0 ? getLe32(&p[0]) : 0;
    port.serial[2] = p[4];
    port.serial[1] = p[5];
    port.serial[3] = p[6];
    port.serial[4] = p[8];
    setPorts(port, getLe16(&p[10]), getLe16(&p[16]));
    port.serial[14] = p[18];
    take(port.host, p.subspan(19, 32));
    std::copy_n(p.begin() + 52, 4, s.network.begin());       // address
    std::copy_n(p.begin() + 56, 4, s.network.begin() + 8);   // gateway
    std::copy_n(p.begin() + 60, 4, s.network.begin() + 4);   // mask
    std::copy_n(p.begin() + 64, 4, s.network.begin() + 12);  // DNS
    s.ipType = p[68];
    take(s.mac, p.subspan(72, 6));
    take(s.account, p.subspan(94, 16));
    s.board.rs485Address = p[125];
    s.board.timingMarker = p[159];
    s.board.channelCount = p[164];
    take(port.heartbeat, p.subspan(167, 16));
    port.heartbeatInterval = getLe16(&p[184]);
    s.ioOptions = {p[191], p[192]};
    port.modbusTimeout = getLe16(&p[200]);
    take(s.board.schedules, p.subspan(204, s.board.schedules.size()));
    if (p[787] == 1) {
        std::array<std::uint8_t, 7> c{};
        take(c, p.subspan(780, 7));
        clock.setFromBytes(c);
    }
    if (kind == SimKind::Board866) {
        s.board.cloud = p[788];
        take(s.board.cloudId, p.subspan(789, 20));
        take(s.board.cloudPassword, p.subspan(809, 8));
    }
}

void take302(Bytes p, DeviceSettings& s) {
    auto& b = s.board;
    takeWifiFields(b, p);
    take(s.network, p.subspan(98, 16));
    take(s.mac, p.subspan(114, 6));
    s.ipType = p[120];
    take(s.account, p.subspan(121, 16));
    SimPort& port = s.ports[0];
    std::copy_n(p.begin() + 154, 5, port.serial.begin());
    setPorts(port, getLe16(&p[160]), getLe16(&p[162]));
    take(port.host, p.subspan(168, 32));
    take(port.heartbeat, p.subspan(200, 16));
    port.heartbeatInterval = getLe16(&p[216]);
    port.serial[14] = p[218];
    port.modbusTimeout = getLe16(&p[220]);
    b.rs485Address = p[228];
    b.cloud = p[251];
    take(b.cloudId, p.subspan(252, 20));
    take(b.cloudPassword, p.subspan(272, 8));
}

}  // namespace

void SimClock::setFromBytes(const std::array<std::uint8_t, 7>& c) {
    const QDateTime t(QDate(2000 + c[6], c[5], c[4]), QTime(c[2], c[1], c[0]));
    if (t.isValid()) set(t);
}

void SimClock::set(const QDateTime& boardTime) {
    offsetMs_ = QDateTime::currentDateTime().msecsTo(boardTime);
}

QDateTime SimClock::now() const {
    return QDateTime::currentDateTime().addMSecs(offsetMs_);
}

std::array<std::uint8_t, 7> SimClock::bytes() const {
    const auto p = clockPayload(*this);
    return {p[5], p[4], p[3], p[6], p[2], p[1], p[0]};
}

BoardAnswer answerTimingRequest(Bytes d, DeviceSettings& s, SimClock& clock, const DeviceKey& key) {
    BoardAnswer answer;
    const std::size_t innerSize = d.size() - 10;
    if ((d.size() != 25 && d.size() != 35) || d[2] != 'W' || d[3] != 0x03) return answer;
    const Bytes inner = d.subspan(kInnerAt, innerSize);
    if (inner[0] != 'H' || inner[1] != ':' || inner[2] != 0x01 || inner[innerSize - 2] != 'E' ||
        inner[innerSize - 1] != 'D' || sum(inner.first(innerSize - 3)) != inner[innerSize - 3])
        return answer;
    const std::uint8_t code = inner[3];
    const Bytes payload = inner.subspan(4, innerSize - 7);
    std::vector<std::uint8_t> reply;
    if (code == 0x66) {
        reply = innerFrame(0x67, {'R', 'T', 'C', '-', '8', 'C', 'H', 0});
    } else if (code == 0x6C || code == 0x6E) {
        if (code == 0x6E) s.ioOptions = {payload[0], payload[1]};
        reply = innerFrame(0x6D, {s.ioOptions[0], s.ioOptions[1], 0, 0, 0, 0, 0, 0});
    } else if (code == 0x80 || code == 0x82) {
        if (code == 0x82) {
            const QDateTime t(QDate(2000 + payload[0], payload[1], payload[2]),
                              QTime(payload[3], payload[4], payload[5]));
            if (!t.isValid()) return answer;  // a clock the board cannot hold is ignored
            clock.set(t);
        }
        reply = innerFrame(0x81, clockPayload(clock));
    } else if ((code >= 0x83 && code <= 0x8A) || (code >= 0xC3 && code <= 0xCA)) {
        const bool write = code >= 0xC3;
        const std::size_t n = code - (write ? 0xC3 : 0x83);
        std::uint8_t* entry = s.board.schedules.data() + n * kScheduleBytes;
        if (write) {
            if (payload.size() < kScheduleBytes) return answer;
            std::copy_n(payload.begin(), kScheduleBytes, entry);
            swapWords(entry);
        }
        std::vector<std::uint8_t> wire(entry, entry + kScheduleBytes);
        swapWords(wire.data());
        reply = innerFrame(static_cast<std::uint8_t>(0xA3 + n), wire);
    } else {
        return answer;
    }
    answer.reply = makeFrame(reply.size() + 10, 'W', 0x03, reply, key);
    return answer;
}

BoardAnswer takePackedWrite(SimKind kind, Bytes d, DeviceSettings& s, SimClock& clock) {
    BoardAnswer answer;
    if (d.size() < 10 || d[2] != 'W') return answer;
    const Bytes payload = d.subspan(kInnerAt, d.size() - 10);
    if (kind == SimKind::Board302 && d.size() == 302 && d[3] == 0x02 && payload[0] == 0x55) {
        take302(payload, s);
        answer.taken = true;
    } else if (((kind == SimKind::Board830 && d.size() == 830) ||
                (kind == SimKind::Board866 && d.size() == 866)) &&
               d[3] == 0x00) {
        takeImage(kind, payload, s, clock);
        answer.taken = true;
    }
    return answer;
}

}  // namespace tavrel::sim
