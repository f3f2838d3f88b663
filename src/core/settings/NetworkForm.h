#pragma once
// The network group as typed, and its checked, wire-ready form. The group is copied into the
// record only when it is saved, and only when every field reads.
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "device/DeviceRecord.h"
#include "settings/SettingsMessages.h"

namespace tavrel {

// Widget values of the network group.
struct NetworkFormInput {
    int ipTypeSelection = 0;  // 0 static, 1 DHCP, -1 none chosen (refused)
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    std::string mac;
    std::string user;
    std::string password;
    bool outputFollow = false;
    bool sendStatus = false;
};

struct NetworkGroup {
    std::uint8_t ipType = 1;  // 1 static, 2 DHCP
    NetworkBlock network{};
    Mac mac{};
    std::string user;               // as typed; never longer than the record's field unless unedited
    std::string password;           // as typed; never longer than the record's field unless unedited
    std::uint8_t outputFollow = 0;  // 0 or 1
    std::uint8_t sendStatus = 0;    // 0 or 1

    bool operator==(const NetworkGroup&) const = default;
};

// The settings, or the message naming the first field that does not read. Judges nothing beyond
// the syntax; the saves use the overload below.
std::variant<NetworkGroup, SettingsMessage> readNetworkForm(const NetworkFormInput& input);

// The form as it shows the record: a save of it untouched sends what the device holds.
NetworkFormInput networkFormOf(const DeviceRecord& device);
// The settings as a save of `asRead` (the device's record as it stands) would send them, or the
// first refusal: a field that does not read (the message above, without places), then a changed
// address, mask or MAC the device cannot hold (addressRefusals), then a user name or password longer
// than its record field (never cut). What the record already holds is never refused.
std::variant<NetworkGroup, SettingsFinding> readNetworkForm(const NetworkFormInput& input,
                                                            const DeviceRecord& asRead);

// The warnings a front end asks about before it saves the form to `asRead` (addressWarnings); empty
// when the form is refused anyway. `otherDeviceIps` are the addresses of the other listed devices.
std::vector<SettingsFinding> networkFormWarnings(const NetworkFormInput& input, const DeviceRecord& asRead,
                                                 std::span<const Ipv4> otherDeviceIps = {});

// The record then matches what the save sends. What the form shows as the record holds it (a text
// or an option the user left alone) keeps the record's bytes as read.
void applyNetworkGroup(DeviceRecord& device, const NetworkGroup& settings);

}  // namespace tavrel
