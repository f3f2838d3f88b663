#pragma once
// Which addresses a device can hold, judged before a save sends them. A value a device cannot hold
// leaves it unreachable; a value it can hold but that the user may not mean is a warning the front
// ends ask about (window) or pass only with --force (CLI).
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/DeviceRecord.h"
#include "settings/SettingsMessages.h"

namespace tavrel {

// The length of a mask's leading ones when the rest are zeros; nothing for a mask with a gap.
std::optional<int> maskPrefixLength(const Ipv4& mask);

// Refusals, in the form's field order (IP, mask, gateway, DNS, MAC), of the values a device cannot
// hold. Only values that differ from what the device's record holds (`held`, `heldMac`) are judged:
// a device that reports an address of its own (the simulated ones answer from 127.0.0.N) keeps it
// through any save that leaves it alone. The IP's place in its subnet is judged when the IP or the
// mask changed. Empty when everything may go out.
std::vector<SettingsFinding> addressRefusals(const NetworkBlock& network, const Mac& mac,
                                             const NetworkBlock& held, const Mac& heldMac);

// Warnings about values a device can hold: a changed gateway outside the device's subnet, and a
// changed IP that one of `otherDeviceIps` already holds. They refuse nothing.
std::vector<SettingsFinding> addressWarnings(const NetworkBlock& network, const NetworkBlock& held,
                                             std::span<const Ipv4> otherDeviceIps = {});

}  // namespace tavrel
