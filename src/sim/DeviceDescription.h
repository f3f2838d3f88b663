#pragma once
// Device descriptions as given on the command line, e.g.
// "kind=serial,ports=4,version=43,flag=1,ip=127.0.0.5,drop=3,silent,twice,source-port=2000,refuse,ignore-writes",
// "kind=302,timing,networks=Office:-48/Lab:-67,scan-delay=1500",
// and for fault tests "loss=30,seed=7" (percent of replies lost, reproducibly), "reorder", "alien=000003:5"
// (from the fifth reply other than a search reply on, replies carry the key 000003).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SimConfig.h"

namespace tavrel::sim {

struct DeviceDescription {
    SimDeviceConfig config;
    bool hasAddress = false;
    bool hasMac = false;
    int count = 1;  // that many devices on consecutive addresses
};

// Where simulated devices may sit: on loopback, or (inside a network namespace of their own) at any
// unicast IPv4 address of a virtual LAN.
enum class AddressRange { Loopback, Lan };

// Nothing, with a message naming the bad item, when the text is not a valid description.
std::optional<DeviceDescription> parseDeviceDescription(std::string_view text, std::string& error,
                                                        AddressRange range = AddressRange::Loopback);

// One configuration per device. A device without an address takes the one after the previous
// device (the first 127.0.0.2); a device without a MAC gets 00-CA-C1 and its address's last three
// octets, so its key is unique. Fails on a repeated address or key, or past the loopback range.
std::optional<std::vector<SimDeviceConfig>> expandDescriptions(
    const std::vector<DeviceDescription>& descriptions, std::string& error);

// One-, four- and eight-port serial servers, a 302 board with WiFi and output timing, an 830 board.
std::vector<DeviceDescription> demoDescriptions();

std::optional<Ipv4> parseLoopbackAddress(std::string_view text);
// A host address of the range: never x.x.x.0, x.x.x.255, 0.x.x.x or a multicast address.
std::optional<Ipv4> parseDeviceAddress(std::string_view text, AddressRange range);
// The next loopback address whose last octet is neither 0 nor 255; nothing past 127.255.255.254.
std::optional<Ipv4> nextAddress(const Ipv4& address);
Mac macForAddress(const Ipv4& address);

}  // namespace tavrel::sim
