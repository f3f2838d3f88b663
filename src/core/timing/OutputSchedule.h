#pragma once
// The schedule of one switched output: when the board opens and closes it, by date, by strobe times
// or by weekday. Its 16-bit strobe times are big-endian on the wire and little-endian in the images.
#include <array>
#include <cstdint>
#include <optional>

#include "util/Bytes.h"

namespace tavrel {

inline constexpr std::size_t kScheduleSize = 18;
inline constexpr std::size_t kScheduleChannels = 8;
// A date or time field of this value matches any value.
inline constexpr std::uint8_t kAnyValue = 255;

enum class ScheduleMode : std::uint8_t { Timer = 1, Strobe = 2, Week = 3 };

struct OutputSchedule {
    // Year − 2000, month, day, hour, minute, second.
    std::array<std::uint8_t, 6> open{};
    std::array<std::uint8_t, 6> close{};
    std::uint16_t strobeOpen = 0;
    std::uint16_t strobeClose = 0;
    std::uint8_t weekdays = 0;  // high nibble opens, low nibble closes; 1 Monday … 7 Sunday
    std::uint8_t mode = 0;      // ScheduleMode, or whatever the board holds

    std::uint8_t openWeekday() const { return static_cast<std::uint8_t>(weekdays >> 4); }
    std::uint8_t closeWeekday() const { return static_cast<std::uint8_t>(weekdays & 0x0F); }
    bool operator==(const OutputSchedule&) const = default;
};

using ScheduleBytes = std::array<std::uint8_t, kScheduleSize>;

ScheduleBytes wireBytes(const OutputSchedule& schedule);
ScheduleBytes imageBytes(const OutputSchedule& schedule);
// Nothing when fewer than 18 bytes are given.
std::optional<OutputSchedule> scheduleFromWire(Bytes bytes);
std::optional<OutputSchedule> scheduleFromImage(Bytes bytes);

}  // namespace tavrel
