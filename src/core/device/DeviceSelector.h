#pragma once
// How a user names one device from a terminal: its IP address, its MAC (dashes or colons), or its
// six-hex-digit key.
#include <optional>
#include <string>
#include <variant>

#include "device/DeviceRecord.h"

namespace tavrel {

struct DeviceSelector {
    enum class Kind { Address, MacAddress, Key } kind = Kind::Address;
    Ipv4 address{};  // compared as numbers, so "01.002.3.4" names 1.2.3.4
    Mac mac{};
    DeviceKey key{};
};

// Nothing when the text is none of the three forms.
std::optional<DeviceSelector> parseDeviceSelector(const std::string& text);
// An address matches the address the device answered from or the address it reports.
bool selects(const DeviceSelector& selector, const DeviceRecord& record);

}  // namespace tavrel
