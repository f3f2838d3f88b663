#include "protocol/SerialBlock.h"

#include <algorithm>

namespace tavrel {

SerialBlock encodeSerialBlock(const PortRecord& p) {
    SerialBlock b{};
    b[0] = p.baudRate;
    b[1] = p.parity;
    b[2] = p.dataBits;
    b[3] = p.stopBits;
    b[4] = p.workMode;
    std::copy_n(p.reserved.begin(), 4, b.begin() + 5);
    putBe16(&b[9], p.remotePort);
    putBe16(&b[11], p.localPort);
    b[13] = p.enable;
    b[14] = p.modbus;
    b[15] = p.interfaceType;
    return b;
}

bool decodeSerialBlock(Bytes b, PortRecord& p) {
    if (b.size() < 16) return false;
    p.baudRate = b[0];
    p.parity = b[1];
    p.dataBits = b[2];
    p.stopBits = b[3];
    p.workMode = b[4];
    // Bytes 5-8 fill the first four reserved bytes; the fifth is not on the wire.
    std::copy_n(b.begin() + 5, 4, p.reserved.begin());
    p.remotePort = getBe16(&b[9]);
    p.localPort = getBe16(&b[11]);
    p.enable = b[13];
    p.modbus = b[14];
    p.interfaceType = b[15];
    return true;
}

}  // namespace tavrel
