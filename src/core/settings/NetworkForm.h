#pragma once
// The network group as typed, and its checked, wire-ready form. The group is copied into the
// record only when it is saved, and only when every field reads.
#include <cstdint>
#include <string>
#include <variant>

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
    std::string user;               // as typed; the record keeps 8 bytes of it
    std::string password;           // as typed; the record keeps 8 bytes of it
    std::uint8_t outputFollow = 0;  // 0 or 1
    std::uint8_t sendStatus = 0;    // 0 or 1

    bool operator==(const NetworkGroup&) const = default;
};

// The settings, or the message naming the first field that does not read.
std::variant<NetworkGroup, SettingsMessage> readNetworkForm(const NetworkFormInput& input);

// The form as it shows the record: a save of it untouched sends what the device holds.
NetworkFormInput networkFormOf(const DeviceRecord& device);

// The record then matches what the save sends. What the form shows as the record holds it (a text
// or an option the user left alone) keeps the record's bytes as read.
void applyNetworkGroup(DeviceRecord& device, const NetworkGroup& settings);

}  // namespace tavrel
