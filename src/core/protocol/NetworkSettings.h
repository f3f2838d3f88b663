#pragma once
// Where the tool sends and listens. The defaults are the devices'; every value can be overridden
// (TAVREL_* variables or CLI options) so that tests and demos stay on loopback.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

inline constexpr const char* kLimitedBroadcast = "255.255.255.255";

struct NetworkSettings {
    std::string broadcast = kLimitedBroadcast;
    std::uint16_t devicePort = 1111;
    std::uint16_t localPort = 4601;
    std::string bindAddress;  // empty: all local addresses
    std::uint16_t tftpPort = 69;
};

using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

// Applies TAVREL_BROADCAST, TAVREL_DEVICE_PORT, TAVREL_LOCAL_PORT, TAVREL_BIND, TAVREL_TFTP_PORT.
// Malformed values are reported in `problems` and leave the default in place.
NetworkSettings networkSettingsFrom(const EnvLookup& env, std::vector<std::string>* problems = nullptr);

std::optional<std::uint16_t> parsePort(const std::string& text);
// Four numbers 0-255 separated by dots, nothing else.
bool isDottedIpv4(const std::string& text);

}  // namespace tavrel
