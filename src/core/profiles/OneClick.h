#pragma once
// One-click configuration: an imported profile's settings copied into a device's record and written
// to it with the two save commands, 600 ms apart, as one plan.
#include <string>

#include "device/DeviceRecord.h"
#include "protocol/Plan.h"

namespace tavrel {

// Between the end of the network save and the start of the port save.
inline constexpr int kOneClickGapMs = 600;

// Copies what a profile carries: the network block, the address type, the account and, of every
// port, the fields the profile has keys for. The device's MAC, identity and the port fields a
// profile does not carry (Modbus response timeout, cloud fields, reserved bytes) stay the device's.
void copyProfileSettings(const DeviceRecord& profile, DeviceRecord& device);

enum class OneClickStatus {
    Ready,              // show the device, then play the plan
    NoDevice,           // status field 0: "Please select a device"
    NoProfile,          // message box: no usable profile was imported
    PortCountMismatch,  // message box: the profile has fewer ports than the device
    Refused,            // message box `message`: the copied settings do not pass the save's checks
};

struct OneClickOutcome {
    OneClickStatus status = OneClickStatus::Ready;
    Plan plan;
    std::string message;
};

// The network save's plan followed by the port save's, as one plan: one-click's order and gaps.
Plan networkThenPorts(Plan network, Plan ports, char portCountChar);

// `profile` is null when no usable profile has been imported. The device's record takes the
// profile's settings only when the outcome is Ready; otherwise it is left as it was.
OneClickOutcome oneClickCommand(DeviceRecord* selected, const DeviceRecord* profile, int languageCode);

}  // namespace tavrel
