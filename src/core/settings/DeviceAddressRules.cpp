#include "settings/DeviceAddressRules.h"

#include <algorithm>
#include <string>

namespace tavrel {

namespace {

constexpr int kFullMaskBits = 32;
// From /31 on a subnet has no network and broadcast address of its own (point-to-point links).
constexpr int kPointToPointBits = 31;

std::uint32_t valueOf(const Ipv4& a) {
    return (std::uint32_t{a[0]} << 24) | (std::uint32_t{a[1]} << 16) | (std::uint32_t{a[2]} << 8) | a[3];
}

Ipv4 addressOf(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// What no host address may be, wherever it is used (gateway and DNS included).
std::optional<SettingsMessage> sharedProblem(const Ipv4& ip) {
    if (ip == Ipv4{255, 255, 255, 255}) return SettingsMessage::AddressBroadcast;
    if (ip[0] >= 224 && ip[0] <= 239) return SettingsMessage::AddressMulticast;
    if (ip[0] >= 240) return SettingsMessage::AddressReserved;
    if (ip[0] == 0) return SettingsMessage::AddressZeroNetwork;
    return std::nullopt;
}

std::optional<SettingsMessage> deviceIpProblem(const Ipv4& ip) {
    if (ip == Ipv4{}) return SettingsMessage::AddressUnspecified;
    if (auto shared = sharedProblem(ip)) return shared;
    if (ip[0] == 127) return SettingsMessage::AddressLoopback;
    return std::nullopt;
}

// A /32 is refused: the device could reach no neighbour, not even a gateway.
std::optional<SettingsMessage> maskProblem(const Ipv4& mask) {
    const auto bits = maskPrefixLength(mask);
    if (!bits) return SettingsMessage::MaskNotContiguous;
    if (*bits == 0) return SettingsMessage::MaskEmpty;
    if (*bits == kFullMaskBits) return SettingsMessage::MaskHostOnly;
    return std::nullopt;
}

// Whether the mask leaves a usable subnet, so that the IP's place in it can be judged.
bool usableMask(const Ipv4& mask) {
    return !maskProblem(mask).has_value();
}

std::optional<SettingsMessage> subnetPlaceProblem(const Ipv4& ip, const Ipv4& mask) {
    if (maskPrefixLength(mask).value_or(0) >= kPointToPointBits) return std::nullopt;
    const std::uint32_t host = valueOf(ip) & ~valueOf(mask);
    if (host == 0) return SettingsMessage::AddressSubnetNetwork;
    if (host == ~valueOf(mask)) return SettingsMessage::AddressSubnetBroadcast;
    return std::nullopt;
}

SettingsFinding finding(SettingsMessage message, SettingsField field, const Ipv4& value,
                        std::string detail = {}) {
    return {message, field, ipv4Text(value), std::move(detail)};
}

std::string subnetText(const Ipv4& ip, const Ipv4& mask) {
    return ipv4Text(addressOf(valueOf(ip) & valueOf(mask))) + "/" + std::to_string(*maskPrefixLength(mask));
}

}  // namespace

std::optional<int> maskPrefixLength(const Ipv4& mask) {
    const std::uint32_t v = valueOf(mask);
    const std::uint32_t zeros = ~v;
    // The zeros form one run at the low end exactly when zeros + 1 is a power of two.
    if ((zeros & (zeros + 1)) != 0) return std::nullopt;
    int bits = 0;
    for (std::uint32_t m = v; m & 0x80000000u; m <<= 1) ++bits;
    return bits;
}

std::vector<SettingsFinding> addressRefusals(const NetworkBlock& network, const Mac& mac,
                                             const NetworkBlock& held, const Mac& heldMac) {
    std::vector<SettingsFinding> out;
    const bool ipChanged = network.ip != held.ip;
    const bool maskChanged = network.mask != held.mask;
    std::optional<SettingsMessage> ipProblem = deviceIpProblem(network.ip);
    if (ipChanged && ipProblem) out.push_back(finding(*ipProblem, SettingsField::IpAddress, network.ip));
    if (maskChanged) {
        if (auto problem = maskProblem(network.mask))
            out.push_back(finding(*problem, SettingsField::SubnetMask, network.mask));
    }
    if ((ipChanged || maskChanged) && !ipProblem && usableMask(network.mask)) {
        if (auto problem = subnetPlaceProblem(network.ip, network.mask))
            out.push_back(finding(*problem, SettingsField::IpAddress, network.ip, ipv4Text(network.mask)));
    }
    // 0.0.0.0 means "none" for the gateway and the DNS server.
    struct Router {
        const Ipv4& now;
        const Ipv4& before;
        SettingsField field;
    };
    const Router routers[] = {{network.gateway, held.gateway, SettingsField::Gateway},
                              {network.dns, held.dns, SettingsField::Dns}};
    for (const Router& r : routers) {
        if (r.now == r.before || r.now == Ipv4{}) continue;
        if (auto problem = sharedProblem(r.now)) out.push_back(finding(*problem, r.field, r.now));
    }
    if (mac != heldMac) {
        if (mac[0] & 0x01)
            out.push_back({SettingsMessage::MacMulticast, SettingsField::Mac, macText(mac), {}});
        else if (mac == Mac{})
            out.push_back({SettingsMessage::MacZero, SettingsField::Mac, macText(mac), {}});
    }
    return out;
}

std::vector<SettingsFinding> addressWarnings(const NetworkBlock& network, const NetworkBlock& held,
                                             std::span<const Ipv4> otherDeviceIps) {
    std::vector<SettingsFinding> out;
    const bool ipChanged = network.ip != held.ip;
    // Only a gateway the user typed: a device moved to another subnet (the doctor's remedy) keeps its
    // old one unasked, as before.
    const bool changed = network.gateway != held.gateway;
    if (changed && network.gateway != Ipv4{} && usableMask(network.mask) &&
        (valueOf(network.gateway) & valueOf(network.mask)) != (valueOf(network.ip) & valueOf(network.mask)))
        out.push_back(finding(SettingsMessage::GatewayOutsideSubnet, SettingsField::Gateway, network.gateway,
                              subnetText(network.ip, network.mask)));
    if (ipChanged &&
        std::find(otherDeviceIps.begin(), otherDeviceIps.end(), network.ip) != otherDeviceIps.end())
        out.push_back(finding(SettingsMessage::AddressInUse, SettingsField::IpAddress, network.ip));
    return out;
}

}  // namespace tavrel
