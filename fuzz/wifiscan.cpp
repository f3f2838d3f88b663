// WiFi scan results of every length: the names read lie inside the text part of the datagram, in
// order, none empty or holding '&'; a result built from names reads back as those names; merging
// keeps one row per name.
#include <algorithm>

#include "FuzzInput.h"
#include "protocol/DeviceFrame.h"
#include "wifi/WifiScan.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
std::vector<std::uint8_t> scanResult(const std::vector<std::string>& names) {
    std::vector<std::uint8_t> d = {'H', ':', 'R', 0x9F};
    for (const std::string& n : names) {
        d.insert(d.end(), n.begin(), n.end());
        d.push_back(kScanNameEnd);
    }
    d.push_back(checksum8(d));
    d.push_back('E');
    d.push_back('.');
    return d;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.byte();
    std::vector<std::string> listed;
    if (mode & 1) {
        // Names without '&' or zero bytes go out and come back whole.
        std::vector<std::string> names;
        while (!in.empty()) {
            std::string n = in.text();
            std::erase(n, kScanNameEnd);
            if (!n.empty()) names.push_back(n);
        }
        const auto parsed = parseScanResult(scanResult(names));
        FUZZ_CHECK(parsed && *parsed == names);
        return 0;
    }
    while (!in.empty()) {
        auto d = in.bytes(in.u16() % 1100);
        if (in.byte() & 1 && d.size() >= 4) d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = 0x9F;
        const auto names = parseScanResult(d);
        if (d.size() < kMinScanResultSize) FUZZ_CHECK(!names);
        if (!names) continue;
        const std::string text(d.begin() + 4, d.end() - 3);
        std::size_t at = 0;
        for (const std::string& n : *names) {
            FUZZ_CHECK(!n.empty() && n.find(kScanNameEnd) == std::string::npos);
            FUZZ_CHECK(n.find('\0') == std::string::npos);
            at = text.find(n + kScanNameEnd, at);
            FUZZ_CHECK(at != std::string::npos);
            at += n.size() + 1;
        }
        const std::size_t before = listed.size();
        const auto added = mergeScanNames(listed, *names);
        FUZZ_CHECK(listed.size() == before + added.size());
        for (const std::string& n : *names) FUZZ_CHECK(std::count(listed.begin(), listed.end(), n) == 1);
    }
    return 0;
}
