#pragma once
// A timed sequence of frames: what the tool sends, to whom, and how long it waits before each one.
// The core returns plans; the platform's Sequencer plays them with timers so the window never blocks.
#include <cstdint>
#include <string>
#include <vector>

namespace tavrel {

enum class Destination {
    BroadcastDevicePort,  // broadcast address, port 1111
    BroadcastReplyPort,   // broadcast address, the device's reply port
};

struct Step {
    int gapMs = 0;  // pause before this frame is sent
    std::vector<std::uint8_t> bytes;
    Destination destination = Destination::BroadcastDevicePort;
    std::uint16_t replyPort = 0;  // used with BroadcastReplyPort

    bool operator==(const Step&) const = default;
};

using Plan = std::vector<Step>;

}  // namespace tavrel
