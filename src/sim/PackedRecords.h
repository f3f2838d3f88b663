#pragma once
// The packed records a board answers the search with: its whole configuration in one frame.
#include <cstdint>
#include <vector>

#include "DeviceSettings.h"

namespace tavrel::sim {

inline constexpr std::size_t kRecord302 = 302;
inline constexpr std::size_t kRecord830 = 830;
inline constexpr std::size_t kRecord866 = 866;
inline constexpr std::size_t kRecord250 = 250;

// Frame length of the board kind's search reply; 0 for a serial server.
std::size_t packedLength(SimKind kind);

// The search reply of a board: 'H' ':' 'R' 'P' for the 302 form, 'H' ':' 'R' 0x01 for the others.
std::vector<std::uint8_t> packedSearchReply(SimKind kind, const DeviceSettings& settings,
                                            const Block& identity);

// Payloads alone (offsets within them as the tool reads them), for tests that check single fields.
std::vector<std::uint8_t> payload302(const DeviceSettings& settings, const Block& identity);
std::vector<std::uint8_t> imagePayload(SimKind kind, const DeviceSettings& settings, const Block& identity);

}  // namespace tavrel::sim
