#include "profiles/AddressPlan.h"

#include <algorithm>

namespace tavrel {

namespace {

std::uint32_t toNumber(const Ipv4& ip) {
    return std::uint32_t{ip[0]} << 24 | std::uint32_t{ip[1]} << 16 | std::uint32_t{ip[2]} << 8 | ip[3];
}

Ipv4 fromNumber(std::uint32_t n) {
    return Ipv4{static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

}  // namespace

std::vector<std::size_t> devicesHolding(const DeviceTable& table, const Ipv4& ip, std::size_t self) {
    std::vector<std::size_t> holders;
    for (std::size_t i = 0; i < table.usedCount(); ++i)
        if (i != self && table[i].network.ip == ip) holders.push_back(i);
    return holders;
}

AddressPlan planAddresses(const DeviceTable& table, const AddressPlanRequest& request) {
    AddressPlan plan;
    if (request.dhcp && !request.firstAddress) return plan;
    const std::size_t count = request.targets.size();
    if (request.firstAddress) {
        const std::uint32_t first = toNumber(*request.firstAddress);
        // The last address of the run must stay inside the address space and off the .255 host.
        if (count > 0 && std::uint64_t{first} + (count - 1) > 0xFFFFFFFFull) {
            plan.error = "--ip-from: not enough addresses after " + ipv4Text(*request.firstAddress);
            return plan;
        }
        for (std::size_t n = 0; n < count; ++n) {
            const Ipv4 ip = fromNumber(first + static_cast<std::uint32_t>(n));
            if (ip[3] == 0 || ip[3] == 255) {
                plan.error = "--ip-from: the run of " + std::to_string(count) + " addresses from " +
                             ipv4Text(*request.firstAddress) + " reaches " + ipv4Text(ip) +
                             ", which is no host address";
                return plan;
            }
            plan.addresses.push_back(ip);
        }
    } else {
        if (count > 1 && !request.sameAllowed) {
            plan.error = "the profile would give all " + std::to_string(count) + " devices the address " +
                         ipv4Text(request.profileAddress) +
                         "; give --ip-from ADDR for consecutive addresses, or --same-ip to allow it";
            return plan;
        }
        plan.addresses.assign(count, request.profileAddress);
    }
    if (request.sameAllowed) return plan;
    for (std::size_t n = 0; n < count; ++n) {
        for (std::size_t holder : devicesHolding(table, plan.addresses[n], request.targets[n])) {
            // A target that moves away frees its address for another one of the run.
            const auto it = std::find(request.targets.begin(), request.targets.end(), holder);
            if (it != request.targets.end() &&
                plan.addresses[static_cast<std::size_t>(it - request.targets.begin())] != plan.addresses[n])
                continue;
            plan.error = "the address " + ipv4Text(plan.addresses[n]) + " belongs to the listed device " +
                         macText(table[holder].mac) + "; nothing was sent (--same-ip allows it)";
            plan.addresses.clear();
            return plan;
        }
    }
    return plan;
}

}  // namespace tavrel
