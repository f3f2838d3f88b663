#include "timing/ConfigImage.h"

#include <algorithm>

namespace tavrel {

std::span<std::uint8_t> timingImage(DeviceRecord& d) {
    if (d.form302 != 1 && d.form866 == 1) return d.imageB;
    return d.imageA;
}

std::span<const std::uint8_t> timingImage(const DeviceRecord& d) {
    if (d.form302 != 1 && d.form866 == 1) return d.imageB;
    return d.imageA;
}

bool hasTimingMarker(const DeviceRecord& d) {
    return timingImage(d)[image::kTimingMarker] == image::kTimingMarkerValue;
}

void markTimingSupport(DeviceRecord& d) {
    auto img = timingImage(d);
    img[image::kTimingMarker] = image::kTimingMarkerValue;
    img[image::kChannelCount] = image::kEightChannels;
}

int scheduleRowCount(const DeviceRecord& d) {
    const int digit = timingImage(d)[image::kChannelCount] - '0';
    return std::clamp(digit, 0, static_cast<int>(kScheduleChannels));
}

OutputSchedule scheduleOf(const DeviceRecord& d, std::size_t channel) {
    if (channel >= kScheduleChannels) return {};
    return *scheduleFromImage(
        timingImage(d).subspan(image::kSchedules + channel * kScheduleSize, kScheduleSize));
}

void setSchedule(DeviceRecord& d, std::size_t channel, const OutputSchedule& s) {
    if (channel >= kScheduleChannels) return;
    const ScheduleBytes bytes = imageBytes(s);
    std::copy(bytes.begin(), bytes.end(),
              timingImage(d).begin() + image::kSchedules + channel * kScheduleSize);
}

BoardClock clockOf(const DeviceRecord& d) {
    auto c = timingImage(d).subspan(image::kClock, 7);
    return BoardClock{c[6], c[5], c[4], c[2], c[1], c[0], c[3]};
}

void setClock(DeviceRecord& d, const BoardClock& clock) {
    auto c = timingImage(d).subspan(image::kClock, 7);
    c[0] = clock.second;
    c[1] = clock.minute;
    c[2] = clock.hour;
    c[3] = clock.weekday;
    c[4] = clock.day;
    c[5] = clock.month;
    c[6] = clock.year;
}

}  // namespace tavrel
