#include "iocontrol/IoFraming.h"

#include "iocontrol/Crc16.h"

namespace tavrel {

const char* ioStatusText(IoStatus status) {
    switch (status) {
        case IoStatus::Ok:
            return "ok";
        case IoStatus::TooShort:
            return "frame too short";
        case IoStatus::BadMarkers:
            return "frame markers missing";
        case IoStatus::BadCrc:
            return "CRC mismatch";
        case IoStatus::OtherAddress:
            return "reply from another board address";
        case IoStatus::UnknownCode:
            return "reply code not handled";
        case IoStatus::NoModelRule:
            return "board model has no layout for this reply";
        case IoStatus::BadValue:
            return "output number or count out of range";
        case IoStatus::EmptyModel:
            return "model reply without text";
    }
    return "unknown status";
}

Unwrapped unwrapCustom(Bytes frame, std::uint8_t address) {
    const std::size_t n = frame.size();
    if (n < 4) return {IoStatus::TooShort, {}};
    if (frame[0] != kCustomHead0 || frame[1] != kCustomHead1 || frame[n - 2] != kCustomTail0 ||
        frame[n - 1] != kCustomTail1) {
        return {IoStatus::BadMarkers, {}};
    }
    if (frame[2] != address) return {IoStatus::OtherAddress, {}};
    Bytes data = n >= 6 ? frame.subspan(4, n - 6) : Bytes{};
    return {IoStatus::Ok, {frame[3], data}};
}

Unwrapped unwrapRtu(Bytes frame, std::uint8_t address) {
    const std::size_t n = frame.size();
    if (n < 3) return {IoStatus::TooShort, {}};
    if (crc16Modbus(frame.first(n - 2)) != getLe16(frame.data() + n - 2)) return {IoStatus::BadCrc, {}};
    if (frame[0] != address) return {IoStatus::OtherAddress, {}};
    Bytes data = n >= 4 ? frame.subspan(2, n - 4) : Bytes{};
    return {IoStatus::Ok, {frame[1], data}};
}

Unwrapped unwrapFrame(IoProtocol protocol, Bytes frame, std::uint8_t address) {
    return protocol == IoProtocol::Custom ? unwrapCustom(frame, address) : unwrapRtu(frame, address);
}

IoFrame wrapCustom(std::uint8_t address, std::uint8_t code, const std::array<std::uint8_t, 8>& data) {
    IoFrame f{kCustomHead0, kCustomHead1, address, code};
    f.insert(f.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (std::uint8_t b : f) sum = static_cast<std::uint8_t>(sum + b);
    f.push_back(sum);
    f.push_back(kCustomTail0);
    f.push_back(kCustomTail1);
    return f;
}

IoFrame wrapRtu(std::uint8_t address, std::uint8_t function, Bytes body) {
    IoFrame f{address, function};
    f.insert(f.end(), body.begin(), body.end());
    std::uint8_t crc[2];
    putLe16(crc, crc16Modbus(f));
    f.push_back(crc[0]);
    f.push_back(crc[1]);
    return f;
}

}  // namespace tavrel
