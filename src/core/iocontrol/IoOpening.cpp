#include "iocontrol/IoOpening.h"

namespace tavrel {

std::string subnetPrefix(const Ipv4& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) +
           ".";
}

std::string cutAfterLastDot(std::string_view address) {
    const auto dot = address.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(address.substr(0, dot + 1));
}

std::optional<std::string> localAddressFor(const Ipv4& device,
                                           const std::vector<std::string>& adapterAddresses,
                                           std::optional<std::size_t> chosenAdapter) {
    const std::string prefix = subnetPrefix(device);
    if (chosenAdapter) {
        if (*chosenAdapter >= adapterAddresses.size()) return std::nullopt;
        const std::string& chosen = adapterAddresses[*chosenAdapter];
        if (cutAfterLastDot(chosen) == prefix) return chosen;
        return std::nullopt;
    }
    for (const std::string& address : adapterAddresses)
        if (cutAfterLastDot(address) == prefix) return address;
    return std::nullopt;
}

IoWindowSetup ioWindowSetupFor(const DeviceRecord& device, std::string localIp) {
    const PortRecord& port = device.ports[0];
    IoWindowSetup setup;
    setup.boardIp = device.network.ip;
    setup.boardPort = port.localPort;
    setup.localPort = port.remotePort;
    setup.localIp = std::move(localIp);
    setup.preset = presetConnectionType(port.workMode);
    return setup;
}

}  // namespace tavrel
