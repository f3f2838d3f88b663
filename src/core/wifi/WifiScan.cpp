#include "wifi/WifiScan.h"

#include <algorithm>

namespace tavrel {

Frame wifiScanRequest(const DeviceKey& key) {
    return commandRequest(subcode::kWifiScan, key);
}

std::string scanDestination(bool broadcastSearch, std::string_view broadcastAddress,
                            const DeviceRecord& device) {
    return broadcastSearch ? std::string(broadcastAddress) : device.sourceAddress;
}

std::optional<std::vector<std::string>> parseScanResult(Bytes d) {
    if (d.size() < kMinScanResultSize) return std::nullopt;
    if (d[0] != 'H' || d[1] != ':' || d[2] != 'R' || d[3] != 0x9F) return std::nullopt;
    // The checksum byte ends the text, as if it were zero.
    const std::string text = textOfBytes(d.subspan(4, d.size() - 7));
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end = text.find(kScanNameEnd); end != std::string::npos;
         end = text.find(kScanNameEnd, start)) {
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::vector<std::string> mergeScanNames(std::vector<std::string>& listed,
                                        const std::vector<std::string>& names) {
    std::vector<std::string> added;
    for (const std::string& name : names) {
        if (std::find(listed.begin(), listed.end(), name) != listed.end()) continue;
        listed.push_back(name);
        added.push_back(name);
    }
    return added;
}

std::string scanCountdownHeader(const UiTexts& texts, int secondsLeft) {
    if (secondsLeft <= 0) return texts.wifiSearchTimeout;
    return texts.wifiSearching + "  " + std::to_string(secondsLeft);
}

}  // namespace tavrel
