#include "DeviceDescription.h"

#include <charconv>
#include <set>

#include "SimTftp.h"

namespace tavrel::sim {

namespace {

constexpr int kMaxCount = 60000;

std::optional<long> number(std::string_view text, long low, long high) {
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size() || v < low || v > high) return std::nullopt;
    return v;
}

std::optional<Mac> parseMac(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c != '-' && c != ':') digits += c;
    if (digits.size() != 12) return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        unsigned v = 0;
        const char* first = digits.data() + 2 * i;
        const auto [end, ec] = std::from_chars(first, first + 2, v, 16);
        if (ec != std::errc{} || end != first + 2) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(v);
    }
    return mac;
}

// "alien=KKKKKK:N": from reply N on, replies carry the key KKKKKK (six hexadecimal digits).
bool parseAlien(std::string_view value, SimOptions& o) {
    const std::size_t colon = value.find(':');
    if (colon != 6) return false;
    const auto mac = parseMac("000000" + std::string(value.substr(0, 6)));
    const auto reply = number(value.substr(colon + 1), 1, 1000000);
    if (!mac || !reply) return false;
    o.alienKey = {(*mac)[3], (*mac)[4], (*mac)[5]};
    o.alienReply = static_cast<int>(*reply);
    return true;
}

std::optional<SimKind> parseKind(std::string_view text) {
    if (text == "serial") return SimKind::SerialServer;
    if (text == "302") return SimKind::Board302;
    if (text == "830") return SimKind::Board830;
    if (text == "866") return SimKind::Board866;
    if (text == "250") return SimKind::Board250;
    return std::nullopt;
}

// A switch item: "silent" alone or "silent=0"/"silent=1".
std::optional<bool> switchValue(std::string_view value, bool hasValue) {
    if (!hasValue) return true;
    if (value == "1") return true;
    if (value == "0") return false;
    return std::nullopt;
}

// "Office-WiFi:-48/Lab:-67": names, each with an optional signal in dBm; empty for none. A name
// cannot hold '&', which ends names on the wire.
std::optional<std::vector<SimWifiNetwork>> parseNetworks(std::string_view text) {
    std::vector<SimWifiNetwork> networks;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t slash = text.find('/', start);
        if (slash == std::string_view::npos) slash = text.size();
        std::string_view item = text.substr(start, slash - start);
        start = slash + 1;
        SimWifiNetwork network;
        if (const std::size_t colon = item.rfind(':'); colon != std::string_view::npos) {
            const auto signal = number(item.substr(colon + 1), -128, 0);
            if (!signal) return std::nullopt;
            network.signal = static_cast<int>(*signal);
            item = item.substr(0, colon);
        }
        if (item.empty() || item.find('&') != std::string_view::npos) return std::nullopt;
        network.ssid = std::string(item);
        networks.push_back(network);
    }
    return networks;
}

template <typename T, typename V>
bool assign(T& to, const std::optional<V>& value) {
    if (value) to = static_cast<T>(*value);
    return value.has_value();
}

bool applyItem(DeviceDescription& description, std::string_view key, std::string_view value, bool hasValue,
               AddressRange range) {
    auto& c = description.config;
    auto& o = c.options;
    if (key == "kind") {
        const auto kind = parseKind(value);
        if (kind) c.kind = *kind;
        return kind.has_value();
    }
    if (key == "ports") {
        if (value.size() != 1 || std::string_view("1468Bb").find(value[0]) == std::string_view::npos)
            return false;
        c.portCountChar = value[0] == 'b' ? 'B' : value[0];
        return true;
    }
    if (key == "ip") {
        const auto ip = parseDeviceAddress(value, range);
        if (ip) c.address = *ip;
        description.hasAddress = ip.has_value();
        return ip.has_value();
    }
    if (key == "mac") {
        const auto mac = parseMac(value);
        if (mac) c.mac = *mac;
        description.hasMac = mac.has_value();
        return mac.has_value();
    }
    if (key == "version") return assign(c.version, number(value, 0, 99));
    if (key == "version-after") return assign(c.versionAfter, number(value, 0, 99));
    if (key == "no-return") return assign(o.noReturn, switchValue(value, hasValue));
    if (key == "flag") return assign(c.extraQueryFlag, number(value, 0, 255));
    if (key == "drop") return assign(o.dropEvery, number(value, 0, 1000000));
    if (key == "source-port") return assign(o.sourcePort, number(value, 1, 65535));
    if (key == "count") return assign(description.count, number(value, 1, kMaxCount));
    if (key == "silent") return assign(o.silent, switchValue(value, hasValue));
    if (key == "twice") return assign(o.answerTwice, switchValue(value, hasValue));
    if (key == "refuse") return assign(o.refuse, switchValue(value, hasValue));
    if (key == "ignore-writes") return assign(o.ignoreWrites, switchValue(value, hasValue));
    if (key == "timing") return assign(c.outputTiming, switchValue(value, hasValue));
    if (key == "loopback-network") return assign(c.loopbackNetwork, switchValue(value, hasValue));
    if (key == "networks") return hasValue && assign(c.wifiNetworks, parseNetworks(value));
    if (key == "scan-delay") return assign(c.scanDelayMs, number(value, 0, 60000));
    if (key == "loss") return assign(o.lossPercent, number(value, 0, 100));
    if (key == "seed") return assign(o.lossSeed, number(value, 0, 1000000000));
    if (key == "reorder") return assign(o.reorder, switchValue(value, hasValue));
    if (key == "alien") return parseAlien(value, o);
    if (key == "noack") return assign(o.noAck, switchValue(value, hasValue));
    if (key == "clock-offset") {
        // Signed seconds; the board clock then runs that far from the computer's.
        const bool negative = !value.empty() && value[0] == '-';
        const auto seconds = number(negative ? value.substr(1) : value, 0, 10000000);
        if (seconds) o.clockOffset = negative ? -*seconds : *seconds;
        o.clockFromComputer = seconds.has_value();
        return seconds.has_value();
    }
    if (key == "tftp") {
        for (auto b : {TftpBehaviour::Normal, TftpBehaviour::OptionAck, TftpBehaviour::Error,
                       TftpBehaviour::WrongBlock, TftpBehaviour::Silent, TftpBehaviour::Stall})
            if (value == tftpBehaviourName(b)) {
                o.tftp = b;
                return true;
            }
        return false;
    }
    return false;
}

}  // namespace

std::optional<Ipv4> parseLoopbackAddress(std::string_view text) {
    return parseDeviceAddress(text, AddressRange::Loopback);
}

std::optional<Ipv4> parseDeviceAddress(std::string_view text, AddressRange range) {
    Ipv4 ip{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.', start) : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const auto octet = number(text.substr(start, dot - start), 0, 255);
        if (!octet) return std::nullopt;
        ip[i] = static_cast<std::uint8_t>(*octet);
        start = dot + 1;
    }
    if (ip[3] == 0 || ip[3] == 255) return std::nullopt;
    if (range == AddressRange::Loopback && ip[0] != 127) return std::nullopt;
    if (range == AddressRange::Lan && (ip[0] == 0 || ip[0] >= 224)) return std::nullopt;
    return ip;
}

std::optional<Ipv4> nextAddress(const Ipv4& address) {
    std::uint32_t v = (std::uint32_t(address[1]) << 16) | (std::uint32_t(address[2]) << 8) | address[3];
    do {
        ++v;
    } while ((v & 0xFF) == 0 || (v & 0xFF) == 0xFF);
    if (v > 0xFFFFFE) return std::nullopt;
    return Ipv4{127, std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

Mac macForAddress(const Ipv4& address) {
    return {0x00, 0xCA, 0xC1, address[1], address[2], address[3]};
}

std::optional<DeviceDescription> parseDeviceDescription(std::string_view text, std::string& error,
                                                        AddressRange range) {
    DeviceDescription description;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string_view item = text.substr(start, comma - start);
        start = comma + 1;
        if (item.empty()) continue;
        const std::size_t eq = item.find('=');
        const bool hasValue = eq != std::string_view::npos;
        const std::string_view key = item.substr(0, eq);
        const std::string_view value = hasValue ? item.substr(eq + 1) : std::string_view{};
        if (!applyItem(description, key, value, hasValue, range)) {
            error = "bad device item \"" + std::string(item) + "\"";
            return std::nullopt;
        }
    }
    if (description.count > 1 && description.hasMac) {
        error = "mac= names one device and cannot go with count=";
        return std::nullopt;
    }
    if (!isSerialServer(description.config.kind)) description.config.portCountChar = '1';
    return description;
}

std::optional<std::vector<SimDeviceConfig>> expandDescriptions(
    const std::vector<DeviceDescription>& descriptions, std::string& error) {
    std::vector<SimDeviceConfig> out;
    std::set<Ipv4> addresses;
    std::set<DeviceKey> keys;
    std::optional<Ipv4> next = Ipv4{127, 0, 0, 2};
    for (const auto& description : descriptions) {
        for (int i = 0; i < description.count; ++i) {
            SimDeviceConfig c = description.config;
            if (!(description.hasAddress && i == 0)) {
                if (!next) {
                    error = "no loopback address left for another device";
                    return std::nullopt;
                }
                c.address = *next;
            }
            if (!description.hasMac) c.mac = macForAddress(c.address);
            if (!addresses.insert(c.address).second) {
                error = "two devices on " + std::to_string(c.address[0]) + "." +
                        std::to_string(c.address[1]) + "." + std::to_string(c.address[2]) + "." +
                        std::to_string(c.address[3]);
                return std::nullopt;
            }
            if (!keys.insert(DeviceKey{c.mac[3], c.mac[4], c.mac[5]}).second) {
                error = "two devices with one key (the last three MAC bytes)";
                return std::nullopt;
            }
            next = nextAddress(c.address);
            out.push_back(c);
        }
    }
    return out;
}

std::vector<DeviceDescription> demoDescriptions() {
    std::vector<DeviceDescription> descriptions;
    std::string error;
    for (const char* text : {"kind=serial,ports=1,version=42,flag=0", "kind=serial,ports=4,version=43,flag=1",
                             "kind=serial,ports=8,version=43,flag=1", "kind=302,timing,scan-delay=1500",
                             "kind=830", "kind=serial,ports=1,version=43,loopback-network"})
        descriptions.push_back(*parseDeviceDescription(text, error));
    return descriptions;
}

}  // namespace tavrel::sim
