#pragma once
// Where a device keeps the board clock the tool can read and set, if it has one at all.
#include "device/DeviceRecord.h"

namespace tavrel {

enum class ClockSource {
    None,   // serial servers, boards without timing: nothing to calibrate
    Chain,  // 302-form boards with output timing: read and set through the pass-through chain
    Image,  // boards with a configuration image: the clock travels in the packed write
};

inline ClockSource clockSourceOf(const DeviceRecord& r) {
    if (r.form302 == 1) return r.outputTiming == 1 ? ClockSource::Chain : ClockSource::None;
    if (r.imagePresent == 1) return ClockSource::Image;
    return ClockSource::None;
}

}  // namespace tavrel
