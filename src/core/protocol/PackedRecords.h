#pragma once
// The whole-record search replies of IO boards: 302 bytes ('H' ':' 'R' 'P') and 830, 866 or 250 bytes
// ('H' ':' 'R' 0x01). They are accepted on length and first bytes alone.
#include <cstdint>

#include "device/DeviceRecord.h"
#include "util/Bytes.h"

namespace tavrel {

inline constexpr std::size_t kPacked302Size = 302;
inline constexpr std::size_t kPacked830Size = 830;
inline constexpr std::size_t kPacked866Size = 866;
inline constexpr std::size_t kPacked250Size = 250;

// 1-based position of a baud rate number in the baud list; 0 for a rate not in it.
std::uint8_t baudPositionOf(std::uint32_t baud);

// Store the fields of a packed reply into the record. Each returns false, changing nothing, when the
// datagram is not of its form.
bool applyPacked302(Bytes datagram, DeviceRecord& record);
bool applyPackedImage(Bytes datagram, DeviceRecord& record);

}  // namespace tavrel
