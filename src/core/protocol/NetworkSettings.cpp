#include "protocol/NetworkSettings.h"

#include <algorithm>
#include <charconv>

namespace tavrel {

std::optional<std::uint16_t> parsePort(const std::string& text) {
    unsigned value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || ptr != text.data() + text.size() || text.empty() || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool isDottedIpv4(const std::string& text) {
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 4) {
        std::size_t end = text.find('.', pos);
        std::string part = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (part.empty() || part.size() > 3) return false;
        unsigned v = 0;
        auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (ec != std::errc{} || ptr != part.data() + part.size() || v > 255) return false;
        ++parts;
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return parts == 4 && std::count(text.begin(), text.end(), '.') == 3;
}

NetworkSettings networkSettingsFrom(const EnvLookup& env, std::vector<std::string>* problems) {
    NetworkSettings s;
    auto note = [&](const std::string& what) {
        if (problems) problems->push_back(what);
    };
    auto address = [&](const char* name, std::string& into) {
        if (auto v = env(name); v && !v->empty()) {
            if (isDottedIpv4(*v))
                into = *v;
            else
                note(std::string(name) + " is not an IPv4 address: " + *v);
        }
    };
    auto port = [&](const char* name, std::uint16_t& into) {
        if (auto v = env(name); v && !v->empty()) {
            if (auto p = parsePort(*v))
                into = *p;
            else
                note(std::string(name) + " is not a port number: " + *v);
        }
    };
    address("TAVREL_BROADCAST", s.broadcast);
    address("TAVREL_BIND", s.bindAddress);
    port("TAVREL_DEVICE_PORT", s.devicePort);
    port("TAVREL_LOCAL_PORT", s.localPort);
    port("TAVREL_TFTP_PORT", s.tftpPort);
    return s;
}

}  // namespace tavrel
