#pragma once
// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
#include <cstdint>

#include "util/Bytes.h"

namespace tavrel {

std::uint16_t crc16Modbus(Bytes bytes);

}  // namespace tavrel
