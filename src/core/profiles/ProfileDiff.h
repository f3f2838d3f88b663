#pragma once
// Whether a device holds a profile: the profile's entries compared with the device's, in the
// profile's own terms.
#include <string>
#include <vector>

#include "device/DeviceRecord.h"

namespace tavrel {

struct ProfileDifference {
    std::string section;  // "Info", "Device", "Port1".."Port8"
    std::string key;      // the profile key, "BitRate"
    std::string deviceValue;
    std::string profileValue;
    bool secret = false;  // a password: name it, print neither value unless asked
    bool operator==(const ProfileDifference&) const = default;
};

enum class DiffScope {
    Settings,    // what one-click writes: Device without MAC, and the ports the device has
    Everything,  // also the Info entries and the MAC, which belong to the device itself
};

// Entries that differ, in file order. Ports are compared as far as the device's port-count
// character reaches (the ports its read-out and its saves cover). A list position outside its list
// shows as "#" and the number.
std::vector<ProfileDifference> diffProfile(const DeviceRecord& profile, const DeviceRecord& device,
                                           DiffScope scope = DiffScope::Settings);

}  // namespace tavrel
