#pragma once
// Which address a profile gives each device it is applied to, so that one profile never leaves two
// devices of the list on one IP address unasked.
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceTable.h"

namespace tavrel {

struct AddressPlanRequest {
    std::vector<std::size_t> targets;  // table entries, in the order the addresses are given
    Ipv4 profileAddress{};
    bool dhcp = false;               // the profile takes its address from a server: nothing to plan
    std::optional<Ipv4> firstAddress;  // consecutive addresses from here instead of the profile's
    bool sameAllowed = false;        // the user accepts one address on several devices
};

struct AddressPlan {
    std::vector<Ipv4> addresses;  // one per target; empty for a DHCP profile
    std::string error;            // why the plan is refused; nothing may be sent then
    bool refused() const { return !error.empty(); }
};

AddressPlan planAddresses(const DeviceTable& table, const AddressPlanRequest& request);

// Listed devices other than `self` whose address is `ip`.
std::vector<std::size_t> devicesHolding(const DeviceTable& table, const Ipv4& ip, std::size_t self);

}  // namespace tavrel
