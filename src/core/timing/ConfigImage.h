#pragma once
// The configuration images of the boards that answer with a whole record: image A (792 bytes, the
// 830-byte form) and image B (828 bytes, the 866-byte form). Both share these offsets; image B adds
// the cloud fields. Values are little-endian, addresses first octet first.
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/DeviceRecord.h"
#include "timing/BoardClock.h"
#include "timing/OutputSchedule.h"

namespace tavrel::image {

inline constexpr std::size_t kBaudRate = 0;  // 4 bytes, the rate itself
inline constexpr std::size_t kDataBits = 4;
inline constexpr std::size_t kParity = 5;
inline constexpr std::size_t kStopBits = 6;
inline constexpr std::size_t kWorkMode = 8;
inline constexpr std::size_t kRemotePort = 10;
inline constexpr std::size_t kLocalPort = 16;
inline constexpr std::size_t kModbus = 18;
inline constexpr std::size_t kRemoteHost = 19;  // 32 bytes
inline constexpr std::size_t kIpAddress = 52;
inline constexpr std::size_t kGateway = 56;
inline constexpr std::size_t kSubnetMask = 60;
inline constexpr std::size_t kDns = 64;
inline constexpr std::size_t kIpType = 68;
inline constexpr std::size_t kMac = 72;
inline constexpr std::size_t kUser = 94;       // 8 bytes
inline constexpr std::size_t kPassword = 102;  // 8 bytes
inline constexpr std::size_t kRs485Address = 125;
inline constexpr std::size_t kTimingMarker = 159;
inline constexpr std::size_t kChannelCount = 164;
inline constexpr std::size_t kHeartbeatData = 167;  // 16 bytes
inline constexpr std::size_t kHeartbeatInterval = 184;
inline constexpr std::size_t kOutputFollow = 191;
inline constexpr std::size_t kSendStatus = 192;
inline constexpr std::size_t kModbusTimeout = 200;
inline constexpr std::size_t kSchedules = 204;  // 8 × 18 bytes
inline constexpr std::size_t kClock = 780;      // second, minute, hour, weekday, day, month, year − 2000
inline constexpr std::size_t kSetClockFlag = 787;
inline constexpr std::size_t kCloud = 788;          // image B only
inline constexpr std::size_t kCloudId = 789;        // image B only, 20 bytes
inline constexpr std::size_t kCloudPassword = 809;  // image B only, 8 bytes

inline constexpr std::uint8_t kTimingMarkerValue = 'D';
inline constexpr std::uint8_t kEightChannels = '8';

}  // namespace tavrel::image

namespace tavrel {

// The image that holds a board's schedules and clock: image B for a board of the 866-byte form,
// image A for every other (the 302-byte boards keep their schedules read over the pass-through there).
std::span<std::uint8_t> timingImage(DeviceRecord& device);
std::span<const std::uint8_t> timingImage(const DeviceRecord& device);

bool hasTimingMarker(const DeviceRecord& device);
// What a board text reply tells: the board has schedules, on eight channels.
void markTimingSupport(DeviceRecord& device);
// Rows the schedule list shows: the channel count digit, never more than the table holds.
int scheduleRowCount(const DeviceRecord& device);

OutputSchedule scheduleOf(const DeviceRecord& device, std::size_t channel);
void setSchedule(DeviceRecord& device, std::size_t channel, const OutputSchedule& schedule);

BoardClock clockOf(const DeviceRecord& device);
void setClock(DeviceRecord& device, const BoardClock& clock);

}  // namespace tavrel
