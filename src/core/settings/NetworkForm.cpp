#include "settings/NetworkForm.h"

#include <optional>
#include "settings/DeviceView.h"

#include "settings/AddressText.h"
#include "settings/DeviceAddressRules.h"
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

namespace {

SettingsField fieldOf(SettingsMessage parseError) {
    switch (parseError) {
        case SettingsMessage::InvalidSubnetMask:
            return SettingsField::SubnetMask;
        case SettingsMessage::InvalidGateway:
            return SettingsField::Gateway;
        case SettingsMessage::InvalidDns:
            return SettingsField::Dns;
        case SettingsMessage::InvalidMac:
            return SettingsField::Mac;
        default:
            return SettingsField::IpAddress;
    }
}

// A cut text would set another password than the one typed, so an over-long edit is refused.
template <std::size_t N>
std::optional<SettingsFinding> lengthRefusal(const FixedText<N>& field, const std::string& text,
                                             SettingsField name) {
    if (text.size() <= N || isUnedited(field, text)) return std::nullopt;
    return SettingsFinding{SettingsMessage::TextTooLong, name, std::to_string(text.size()),
                           std::to_string(N)};
}

}  // namespace

std::variant<NetworkGroup, SettingsFinding> readNetworkForm(const NetworkFormInput& in,
                                                            const DeviceRecord& asRead) {
    auto read = readNetworkForm(in);
    if (auto* error = std::get_if<SettingsMessage>(&read))
        return SettingsFinding{*error, fieldOf(*error), {}, {}};
    const auto& s = std::get<NetworkGroup>(read);
    auto refusals = addressRefusals(s.network, s.mac, asRead.network, asRead.mac);
    if (!refusals.empty()) return refusals.front();
    if (auto tooLong = lengthRefusal(asRead.user, s.user, SettingsField::User)) return *tooLong;
    if (auto tooLong = lengthRefusal(asRead.password, s.password, SettingsField::Password)) return *tooLong;
    return s;
}

std::vector<SettingsFinding> networkFormWarnings(const NetworkFormInput& input, const DeviceRecord& asRead,
                                                 std::span<const Ipv4> otherDeviceIps) {
    auto read = readNetworkForm(input, asRead);
    const auto* s = std::get_if<NetworkGroup>(&read);
    if (s == nullptr) return {};
    return addressWarnings(s->network, asRead.network, otherDeviceIps);
}

void applyNetworkGroup(DeviceRecord& device, const NetworkGroup& s) {
    device.ipType = s.ipType;
    device.network = s.network;
    device.mac = s.mac;
    storeEdited(device.user, s.user);
    storeEdited(device.password, s.password);
    auto keptOption = [](std::uint8_t held, std::uint8_t now) {
        return (held == 1) == (now == 1) ? held : now;
    };
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
