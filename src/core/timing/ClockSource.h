#pragma once
// Where a device keeps the board clock the tool can read and set, if it has one at all.
#include "device/DeviceCapabilities.h"

namespace tavrel {

inline ClockSource clockSourceOf(const DeviceRecord& r) {
    return capabilitiesOf(r).clock;
}

}  // namespace tavrel
