#pragma once
// What the main window hands an IO control window it opens for a device, and the subnet check
// that refuses a board the computer cannot reach directly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceRecord.h"
#include "iocontrol/IoBoardState.h"

namespace tavrel {

struct IoWindowSetup {
    Ipv4 boardIp{};               // TCP client and UDP destination
    std::uint16_t boardPort = 0;  // the device's port-1 local port
    std::uint16_t localPort = 0;  // the device's port-1 remote port: where the window listens
    std::string localIp;          // the computer's address in the board's subnet
    IoConnectionType preset = IoConnectionType::None;
};

// "a.b.c." of a device address.
std::string subnetPrefix(const Ipv4& address);
// An address text up to and including its last dot ("192.168.1.7" gives "192.168.1.").
std::string cutAfterLastDot(std::string_view address);

// The local address to use for the device: the chosen adapter's when one is chosen, otherwise the
// first adapter address in the device's subnet. Nothing when that address is in another subnet.
std::optional<std::string> localAddressFor(const Ipv4& device,
                                           const std::vector<std::string>& adapterAddresses,
                                           std::optional<std::size_t> chosenAdapter);

IoWindowSetup ioWindowSetupFor(const DeviceRecord& device, std::string localIp);

}  // namespace tavrel
