#pragma once
// Sorting a received datagram into the handlers it goes to. One datagram may take several routes;
// they are listed in the order the receive step tries them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/Bytes.h"

namespace tavrel {

enum class Route {
    OutputTiming,    // 25, 35 or 17 bytes, 'H' ':' 'W' 0x03
    WifiScan,        // 'H' ':' 'R' 0x9F, any length
    Packed302,       // 302 bytes, 'H' ':' 'R' 'P'
    PackedImage,     // 830, 866 or 250 bytes, 'H' ':' 'R' 0x01
    SearchReply,     // 26 bytes, byte 3 'P'
    ParameterReply,  // 26 bytes (the frame check comes in its handler)
    Tftp,            // byte 0 is 0x00
};

// The receive buffer of the protocol socket. A longer datagram does not fit it and is dropped whole:
// routed cut short, its tail would be lost and its length would read as another kind of reply.
inline constexpr std::size_t kMaxDatagramBytes = 1024;

// No route for a datagram longer than kMaxDatagramBytes.
std::vector<Route> classifyDatagram(Bytes datagram);

}  // namespace tavrel
