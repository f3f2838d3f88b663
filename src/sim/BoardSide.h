#pragma once
// The IO boards' side of output timing and of the packed record write: a real-time clock that
// runs, the board requests carried in pass-through frames, and whole-record writes taken into the
// settings. Written from the board's point of view, apart from the tool's builders.
#include <QtCore/QDateTime>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "DeviceSettings.h"

namespace tavrel::sim {

// The board's clock, kept as an offset from the computer's so that it runs.
class SimClock {
  public:
    // Starts at the given clock bytes (second, minute, hour, weekday, day, month, year − 2000).
    void setFromBytes(const std::array<std::uint8_t, 7>& bytes);
    void set(const QDateTime& boardTime);
    void setOffset(qint64 seconds) { offsetMs_ = seconds * 1000; }
    QDateTime now() const;
    std::array<std::uint8_t, 7> bytes() const;  // in the order of the image

  private:
    // In ms: a board set to a whole second holds it from that moment, not from the computer's last tick.
    qint64 offsetMs_ = 0;
};

// A datagram from the tool that this board takes beyond the 26-byte frames.
struct BoardAnswer {
    std::vector<std::uint8_t> reply;  // empty: no answer
    bool taken = false;               // a packed write changed the settings
};

// A pass-through request of output timing ('W' 0x03, 25 or 35 bytes) for a 302 board.
BoardAnswer answerTimingRequest(Bytes datagram, DeviceSettings& settings, SimClock& clock,
                                const DeviceKey& key);
// A packed write of the board's own form ('W' 0x00 with 830 or 866 bytes, 'W' 0x02 with 302).
BoardAnswer takePackedWrite(SimKind kind, Bytes datagram, DeviceSettings& settings, SimClock& clock);

}  // namespace tavrel::sim
