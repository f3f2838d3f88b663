#include "HostAddress.h"

#include "settings/AddressText.h"

namespace tavrel {

QHostAddress ipv4HostAddress(const std::string& text) {
    const auto ip = parseIpv4(text);
    if (!ip) return QHostAddress();
    return QHostAddress((quint32((*ip)[0]) << 24) | (quint32((*ip)[1]) << 16) | (quint32((*ip)[2]) << 8) |
                        quint32((*ip)[3]));
}

}  // namespace tavrel
