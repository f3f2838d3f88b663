#include "device/DeviceSelector.h"

#include <cctype>

#include "protocol/NetworkSettings.h"
#include "settings/AddressText.h"

namespace tavrel {

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> hexBytes(const std::string& digits) {
    if (digits.size() != 2 * N) return std::nullopt;
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        int hi = hexValue(digits[2 * i]);
        int lo = hexValue(digits[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}
}  // namespace

std::optional<DeviceSelector> parseDeviceSelector(const std::string& text) {
    DeviceSelector s;
    if (isDottedIpv4(text)) {
        s.kind = DeviceSelector::Kind::Address;
        // Written as the tool writes addresses, so that "192.168.001.005" finds 192.168.1.5.
        const auto ip = parseIpv4(text);
        s.address = ip ? ipv4Text(*ip) : text;
        return s;
    }
    if (auto key = hexBytes<3>(text)) {
        s.kind = DeviceSelector::Kind::Key;
        s.key = *key;
        return s;
    }
    if (text.find_first_of("-:") != std::string::npos) {
        if (auto mac = parseMac(text)) {
            s.kind = DeviceSelector::Kind::MacAddress;
            s.mac = *mac;
            return s;
        }
    }
    return std::nullopt;
}

bool selects(const DeviceSelector& s, const DeviceRecord& r) {
    if (r.inUse != 1) return false;
    switch (s.kind) {
        case DeviceSelector::Kind::Address:
            return r.sourceAddress == s.address || ipv4Text(r.network.ip) == s.address;
        case DeviceSelector::Kind::MacAddress:
            // A serial server's MAC comes with its read-out; its key is known from the search reply.
            return r.mac == s.mac || (r.mac == Mac{} && DeviceKey{s.mac[3], s.mac[4], s.mac[5]} == r.key);
        case DeviceSelector::Kind::Key:
            return r.key == s.key;
    }
    return false;
}

}  // namespace tavrel
