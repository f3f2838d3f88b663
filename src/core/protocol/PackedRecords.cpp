#include "protocol/PackedRecords.h"

#include <algorithm>
#include <charconv>

#include "device/FixedLists.h"

namespace tavrel {

namespace {

constexpr std::size_t kPayloadOffset = 4;

Ipv4 ipv4At(Bytes p, std::size_t at) {
    return Ipv4{p[at], p[at + 1], p[at + 2], p[at + 3]};
}

void copyAccount(Bytes p, std::size_t at, DeviceRecord& r) {
    copyInto(r.user, p.subspan(at, 8));
    copyInto(r.password, p.subspan(at + 8, 8));
}

// Fields shared by the 830, 866 and 250-byte forms; the payload is at least 204 bytes.
void applyImageFields(Bytes p, std::size_t formLength, DeviceRecord& r) {
    PortRecord& port = r.ports[0];
    port.baudNumber = getLe32(&p[0]);
    port.baudRate = baudPositionOf(port.baudNumber);
    port.dataBits = p[4];
    port.parity = p[5];
    port.stopBits = p[6];
    port.workMode = p[8];
    port.remotePort = getLe16(&p[10]);
    port.localPort = getLe16(&p[16]);
    port.modbus = p[18];
    copyInto(port.remoteHost, p.subspan(19, 32));
    r.network.ip = ipv4At(p, 52);
    r.network.gateway = ipv4At(p, 56);
    r.network.mask = ipv4At(p, 60);
    r.network.dns = ipv4At(p, 64);
    r.ipType = p[68];
    std::copy_n(p.begin() + 72, 6, r.mac.begin());
    copyInto(r.identity.bytes, p.subspan(78, 16));
    copyAccount(p, 94, r);
    if (formLength != kPacked250Size) r.rs485Address = p[125];
    copyInto(port.heartbeatData, p.subspan(167, 16));
    port.heartbeatInterval = getLe16(&p[184]);
    r.ioOptions = {p[191], p[192]};
    port.modbusTimeout = getLe16(&p[200]);
    if (formLength == kPacked866Size) {
        port.cloud = p[788];
        copyInto(port.cloudId, p.subspan(789, 20));
        copyInto(port.cloudPassword, p.subspan(809, 8));
        copyInto(port.lastFour, p.subspan(817, 4));
    }
    port.enable = kSwitchOn;
    r.kindFlag = 1;
}

}  // namespace

std::uint8_t baudPositionOf(std::uint32_t baud) {
    for (std::size_t i = 0; i < lists::kBaudRates.size(); ++i) {
        std::uint32_t value = 0;
        auto text = lists::kBaudRates[i];
        std::from_chars(text.data(), text.data() + text.size(), value);
        if (value == baud) return static_cast<std::uint8_t>(i + 1);
    }
    return 0;
}

bool applyPacked302(Bytes d, DeviceRecord& r) {
    if (d.size() != kPacked302Size || d[0] != 'H' || d[1] != ':' || d[2] != 'R' || d[3] != 'P') return false;
    Bytes p = d.subspan(kPayloadOffset, kPacked302Size - 10);
    r.imagePresent = 1;
    r.form302 = 1;
    r.imageA.fill(0);
    r.wifiMode = p[1];
    copyInto(r.apSsid, p.subspan(2, 32));
    copyInto(r.apPassword, p.subspan(34, 16));
    copyInto(r.staPassword, p.subspan(50, 16));
    copyInto(r.staSsid, p.subspan(66, 32));
    r.network = NetworkBlock{ipv4At(p, 98), ipv4At(p, 102), ipv4At(p, 106), ipv4At(p, 110)};
    std::copy_n(p.begin() + 114, 6, r.mac.begin());
    r.ipType = p[120];
    copyAccount(p, 121, r);
    copyInto(r.identity.bytes, p.subspan(137, 16));
    PortRecord& port = r.ports[0];
    port.baudRate = p[154];
    port.parity = p[155];
    port.dataBits = p[156];
    port.stopBits = p[157];
    port.workMode = p[158];
    port.remotePort = getLe16(&p[160]);
    port.localPort = getLe16(&p[162]);
    port.portFlag = p[164];
    port.portValue = getLe16(&p[166]);
    copyInto(port.remoteHost, p.subspan(168, 32));
    copyInto(port.heartbeatData, p.subspan(200, 16));
    port.heartbeatInterval = getLe16(&p[216]);
    port.modbus = p[218];
    port.modbusTimeout = getLe16(&p[220]);
    r.signal = p[224];
    r.outputTiming = p[227];
    r.rs485Address = p[228];
    port.cloud = p[251];
    copyInto(port.cloudId, p.subspan(252, 20));
    copyInto(port.cloudPassword, p.subspan(272, 8));
    copyInto(port.lastFour, p.subspan(280, 4));
    r.ioOptions = {0, 0};
    port.enable = kSwitchOn;
    r.kindFlag = 1;
    return true;
}

bool applyPackedImage(Bytes d, DeviceRecord& r) {
    const std::size_t n = d.size();
    if ((n != kPacked830Size && n != kPacked866Size && n != kPacked250Size) || d[0] != 'H' || d[1] != ':' ||
        d[2] != 'R' || d[3] != 0x01)
        return false;
    Bytes p = d.subspan(kPayloadOffset, n - 10);
    r.form302 = 0;
    if (n == kPacked830Size) {
        r.form866 = 0;
        r.imagePresent = 1;
        copyInto(r.imageA, p);
    } else if (n == kPacked866Size) {
        r.imagePresent = 1;
        copyInto(r.imageB, p);
        r.form866 = 1;
    } else {
        r.imagePresent = 0;
        r.imageA.fill(0);
    }
    applyImageFields(p, n, r);
    return true;
}

}  // namespace tavrel
