#include "timing/OutputSchedule.h"

namespace tavrel {

namespace {

constexpr std::size_t kStrobeOpenAt = 12;
constexpr std::size_t kStrobeCloseAt = 14;
constexpr std::size_t kWeekdaysAt = 16;
constexpr std::size_t kModeAt = 17;

enum class Order { Big, Little };

ScheduleBytes encode(const OutputSchedule& s, Order order) {
    ScheduleBytes b{};
    std::copy(s.open.begin(), s.open.end(), b.begin());
    std::copy(s.close.begin(), s.close.end(), b.begin() + 6);
    auto put = order == Order::Big ? putBe16 : putLe16;
    put(&b[kStrobeOpenAt], s.strobeOpen);
    put(&b[kStrobeCloseAt], s.strobeClose);
    b[kWeekdaysAt] = s.weekdays;
    b[kModeAt] = s.mode;
    return b;
}

std::optional<OutputSchedule> decode(Bytes b, Order order) {
    if (b.size() < kScheduleSize) return std::nullopt;
    OutputSchedule s;
    std::copy_n(b.begin(), 6, s.open.begin());
    std::copy_n(b.begin() + 6, 6, s.close.begin());
    auto get = order == Order::Big ? getBe16 : getLe16;
    s.strobeOpen = get(&b[kStrobeOpenAt]);
    s.strobeClose = get(&b[kStrobeCloseAt]);
    s.weekdays = b[kWeekdaysAt];
    s.mode = b[kModeAt];
    return s;
}

}  // namespace

ScheduleBytes wireBytes(const OutputSchedule& s) {
    return encode(s, Order::Big);
}

ScheduleBytes imageBytes(const OutputSchedule& s) {
    return encode(s, Order::Little);
}

std::optional<OutputSchedule> scheduleFromWire(Bytes b) {
    return decode(b, Order::Big);
}

std::optional<OutputSchedule> scheduleFromImage(Bytes b) {
    return decode(b, Order::Little);
}

}  // namespace tavrel
