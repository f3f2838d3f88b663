#include "profiles/OneClick.h"

#include "device/FixedLists.h"
#include "protocol/Commands.h"
#include "settings/DeviceView.h"

namespace tavrel {

namespace {

// The network save of a device that takes no commit ends with this pause after its account frame.
constexpr int kTrailingAccountGapMs = 10;

}  // namespace

void copyProfileSettings(const DeviceRecord& profile, DeviceRecord& device) {
    device.network = profile.network;
    device.ipType = profile.ipType;
    device.user = profile.user;
    device.password = profile.password;
    for (std::size_t i = 0; i < kPortCount; ++i) {
        const PortRecord& from = profile.ports[i];
        PortRecord& to = device.ports[i];
        to.enable = from.enable;
        // A list entry the profile left empty (a rate outside the list) keeps the device's own.
        auto copyListed = [](std::uint8_t& into, std::uint8_t value, int first, std::size_t size) {
            if (value >= first && value < first + static_cast<int>(size)) into = value;
        };
        copyListed(to.baudRate, from.baudRate, 1, lists::kBaudRates.size());
        copyListed(to.parity, from.parity, 1, lists::kParities.size());
        copyListed(to.dataBits, from.dataBits, 7, lists::kDataBits.size());
        copyListed(to.stopBits, from.stopBits, 1, lists::kStopBits.size());
        copyListed(to.workMode, from.workMode, 1, lists::kWorkModes.size());
        to.remoteHost = from.remoteHost;
        to.remotePort = from.remotePort;
        to.localPort = from.localPort;
        to.heartbeatData = from.heartbeatData;
        to.heartbeatInterval = from.heartbeatInterval;
        to.modbus = from.modbus;
        to.interfaceType = from.interfaceType;
    }
}

Plan networkThenPorts(Plan network, Plan ports, char portCountChar) {
    if (!ports.empty()) {
        ports.front().gapMs += kOneClickGapMs;
        if (portCountChar == '1') ports.front().gapMs += kTrailingAccountGapMs;
    }
    network.insert(network.end(), std::make_move_iterator(ports.begin()),
                   std::make_move_iterator(ports.end()));
    return network;
}

OneClickOutcome oneClickCommand(DeviceRecord* selected, const DeviceRecord* profile, int languageCode) {
    OneClickOutcome out;
    if (selected == nullptr) {
        out.status = OneClickStatus::NoDevice;
        return out;
    }
    if (profile == nullptr) {
        out.status = OneClickStatus::NoProfile;
        return out;
    }
    // Compared as bytes: a profile with as many ports as the device, or more, is accepted.
    if (static_cast<std::uint8_t>(profile->identity.portCountChar()) <
        static_cast<std::uint8_t>(selected->identity.portCountChar())) {
        out.status = OneClickStatus::PortCountMismatch;
        return out;
    }

    DeviceRecord device = *selected;
    copyProfileSettings(*profile, device);
    CommandOutcome network = saveNetworkCommand(&device, networkFormOf(device), languageCode);
    if (network.status != CommandStatus::Ready) {
        out.status = OneClickStatus::Refused;
        out.message = network.message;
        return out;
    }
    CommandOutcome ports = savePortsCommand(&device);
    if (ports.status != CommandStatus::Ready) {  // cannot happen: the record's hosts fit their field
        out.status = OneClickStatus::Refused;
        out.message = ports.message;
        return out;
    }
    out.plan =
        networkThenPorts(std::move(network.plan), std::move(ports.plan), device.identity.portCountChar());
    *selected = device;
    return out;
}

}  // namespace tavrel
