#include "profiles/ProfileDiff.h"

#include "device/DeviceCapabilities.h"
#include "profiles/ProfileFormat.h"

namespace tavrel {

namespace {

bool isIdentityEntry(const ProfileEntry& e) {
    return e.section == kProfileInfoSection || e.key == "MAC";
}

}  // namespace

std::vector<ProfileDifference> diffProfile(const DeviceRecord& profile, const DeviceRecord& device,
                                           DiffScope scope) {
    const std::size_t ports = profilePortCount(device.identity.portCountChar());
    const auto wanted = profileEntries(profile, ports, OutOfListText::Number);
    const auto held = profileEntries(device, ports, OutOfListText::Number);
    // What the device cannot report cannot differ.
    const bool heartbeat = capabilitiesOf(device).heartbeatData;
    std::vector<ProfileDifference> out;
    // Both lists come from one generator with the same port count, so entries pair by position.
    for (std::size_t i = 0; i < wanted.size() && i < held.size(); ++i) {
        if (scope == DiffScope::Settings && isIdentityEntry(wanted[i])) continue;
        if (!heartbeat && wanted[i].key == "HeartbeatData") continue;
        if (wanted[i].value != held[i].value)
            out.push_back(
                {wanted[i].section, wanted[i].key, held[i].value, wanted[i].value, wanted[i].secret});
    }
    return out;
}

}  // namespace tavrel
