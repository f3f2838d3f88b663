#include "device/DeviceRecord.h"

#include <cstdio>

namespace tavrel {

int Identity::versionNumber() const {
    auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9' ? c - '0' : -1; };
    int tens = digit(bytes[2]);
    int ones = digit(bytes[3]);
    if (tens < 0 || ones < 0) return -1;
    return tens * 10 + ones;
}

int displayedPortCount(char c) {
    if (c == '1' || c == 'B') return 2;
    if (c >= '2' && c <= '8') return c - '0';
    return 1;  // an unknown count still shows port 1
}

int protocolPortCount(char c) {
    if (c == 'B') return 8;
    if (c >= '1' && c <= '8') return c - '0';
    return 0;
}

std::string macText(const Mac& mac) {
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return buf;
}

std::string ipv4Text(const Ipv4& ip) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]);
    return buf;
}

std::string keyText(const DeviceKey& key) {
    char buf[7];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", key[0], key[1], key[2]);
    return buf;
}

}  // namespace tavrel
