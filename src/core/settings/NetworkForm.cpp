#include "settings/NetworkForm.h"

#include "settings/DeviceView.h"

#include "settings/AddressText.h"
#include "util/TextBytes.h"

namespace tavrel {

std::variant<NetworkGroup, SettingsMessage> readNetworkForm(const NetworkFormInput& in) {
    NetworkGroup s;
    if (in.ipTypeSelection < 0 || in.ipTypeSelection > 1) return SettingsMessage::InvalidIpType;
    s.ipType = static_cast<std::uint8_t>(in.ipTypeSelection + 1);

    struct AddressField {
        const std::string& text;
        Ipv4& out;
        SettingsMessage error;
    };
    const AddressField fields[] = {
        {in.ip, s.network.ip, SettingsMessage::InvalidIpAddress},
        {in.mask, s.network.mask, SettingsMessage::InvalidSubnetMask},
        {in.gateway, s.network.gateway, SettingsMessage::InvalidGateway},
        {in.dns, s.network.dns, SettingsMessage::InvalidDns},
    };
    for (const auto& f : fields) {
        auto ip = parseIpv4(f.text);
        if (!ip) return f.error;
        f.out = *ip;
    }

    auto mac = parseMac(in.mac);
    if (!mac) return SettingsMessage::InvalidMac;
    s.mac = *mac;

    s.user = in.user;
    s.password = in.password;
    s.outputFollow = in.outputFollow ? 1 : 0;
    s.sendStatus = in.sendStatus ? 1 : 0;
    return s;
}

void applyNetworkGroup(DeviceRecord& device, const NetworkGroup& s) {
    device.ipType = s.ipType;
    device.network = s.network;
    device.mac = s.mac;
    storeEdited(device.user, s.user);
    storeEdited(device.password, s.password);
    auto keptOption = [](std::uint8_t held, std::uint8_t now) { return (held == 1) == (now == 1) ? held : now; };
    // The input options go into the record too, like every other field the save sends: left out,
    // showing the device again would put back the old options, and the next save would send them
    // to the device without the user having touched them.
    device.ioOptions = {keptOption(device.ioOptions[0], s.outputFollow),
                        keptOption(device.ioOptions[1], s.sendStatus)};
}

NetworkFormInput networkFormOf(const DeviceRecord& r) {
    const DeviceView view = showDevice(r, 0);
    NetworkFormInput in;
    in.ipTypeSelection = view.ipTypeSelection;
    in.ip = view.ip;
    in.mask = view.mask;
    in.gateway = view.gateway;
    in.dns = view.dns;
    in.mac = view.mac;
    in.user = view.user;
    in.password = view.password;
    in.outputFollow = view.outputFollow;
    in.sendStatus = view.sendStatus;
    return in;
}

}  // namespace tavrel
