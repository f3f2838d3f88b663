#pragma once
// The 16-byte serial block of one port, the same in a port write and in the reply that reads it.
#include <array>
#include <cstdint>

#include "device/DeviceRecord.h"
#include "util/Bytes.h"

namespace tavrel {

using SerialBlock = std::array<std::uint8_t, 16>;

SerialBlock encodeSerialBlock(const PortRecord& port);
// Stores a block read from a device into the port; needs 16 bytes, else leaves the port alone.
bool decodeSerialBlock(Bytes block, PortRecord& port);

}  // namespace tavrel
