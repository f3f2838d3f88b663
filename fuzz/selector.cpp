// Device selectors typed on the command line: any text is safe, and a selector printed the way the
// tool prints that field selects the same thing again.
#include "FuzzInput.h"
#include "device/DeviceSelector.h"
#include "settings/AddressText.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto selector = parseDeviceSelector(text);
    if (!selector) return 0;
    switch (selector->kind) {
        case DeviceSelector::Kind::MacAddress: {
            const auto again = parseDeviceSelector(macText(selector->mac));
            FUZZ_CHECK(again && again->kind == DeviceSelector::Kind::MacAddress &&
                       again->mac == selector->mac);
            break;
        }
        case DeviceSelector::Kind::Key: {
            const auto again = parseDeviceSelector(keyText(selector->key));
            FUZZ_CHECK(again && again->kind == DeviceSelector::Kind::Key && again->key == selector->key);
            break;
        }
        case DeviceSelector::Kind::Address: {
            const auto again = parseDeviceSelector(ipv4Text(selector->address));
            FUZZ_CHECK(again && again->kind == DeviceSelector::Kind::Address &&
                       again->address == selector->address);
            // The device's address as the tool stores it, from the same numbers.
            DeviceRecord r;
            r.inUse = 1;
            r.sourceAddress = ipv4Text(selector->address);
            FUZZ_CHECK(selects(*selector, r));
            break;
        }
    }
    return 0;
}
