#include "protocol/WriteOutcome.h"

#include <algorithm>

#include "profiles/ProfileDiff.h"
#include "texts/FixedTexts.h"
#include "timing/PackedWrite.h"

namespace tavrel {

namespace {

constexpr std::uint8_t kDhcp = 2;

bool isAddressEntry(const ProfileDifference& d) {
    return d.section == "Device" &&
           (d.key == "IpAddress" || d.key == "NetMask" || d.key == "NetGate" || d.key == "DNS");
}

bool isPortEntry(const ProfileDifference& d) {
    return d.section.rfind("Port", 0) == 0;
}

std::vector<std::string> profileScope(const DeviceRecord& expected, const DeviceRecord& now,
                                      WriteScope scope) {
    std::vector<std::string> out;
    const bool dhcp = expected.ipType == kDhcp;
    for (const ProfileDifference& d : diffProfile(expected, now, DiffScope::Settings)) {
        if (scope == WriteScope::Network && isPortEntry(d)) continue;
        if (scope == WriteScope::Ports && !isPortEntry(d)) continue;
        if (dhcp && isAddressEntry(d)) continue;
        out.push_back(d.section + " " + d.key);
    }
    // The profile leaves the MAC out (it belongs to the device); the network save writes it.
    if (scope == WriteScope::Network && expected.mac != now.mac) out.emplace_back("Device MAC");
    return out;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

}  // namespace

std::vector<std::string> heldDifferences(const DeviceRecord& expected, const DeviceRecord& now,
                                         WriteScope scope) {
    switch (scope) {
        case WriteScope::None:
            return {};
        case WriteScope::Packed:
            return packedWriteDifferences(expected, now);
        case WriteScope::Network:
        case WriteScope::Ports:
        case WriteScope::Profile:
            return profileScope(expected, now, scope);
    }
    return {};
}

std::string writeOutcomeText(const WriteOutcome& o, const UiTexts& texts) {
    switch (o.result) {
        case WriteResult::Verified:
            return texts.savedSuccessfully;
        case WriteResult::Unverified:
            return o.reason.empty() ? texts.savedSuccessfully : o.reason;
        case WriteResult::Differs: {
            std::string text = texts.writeDiffers;
            if (const auto at = text.find("%s"); at != std::string::npos)
                text.replace(at, 2, joined(o.differences));
            return text;
        }
        case WriteResult::Refused:
            return std::string(fixed::kConfigFailed);
        case WriteResult::NotBack:
            return texts.writeNotBack;
        case WriteResult::NoAnswer:
            return texts.noAnswer;
        case WriteResult::NotSent:
            return o.reason;
    }
    return {};
}

}  // namespace tavrel
