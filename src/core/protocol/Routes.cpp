#include "protocol/Routes.h"

namespace tavrel {

namespace {
bool startsWith(Bytes d, std::uint8_t op, std::uint8_t code) {
    return d.size() >= 4 && d[0] == 'H' && d[1] == ':' && d[2] == op && d[3] == code;
}
}  // namespace

std::vector<Route> classifyDatagram(Bytes d) {
    std::vector<Route> routes;
    const auto n = d.size();
    if (n > kMaxDatagramBytes) return routes;
    if ((n == 25 || n == 35 || n == 17) && startsWith(d, 'W', 0x03)) routes.push_back(Route::OutputTiming);
    if (startsWith(d, 'R', 0x9F)) routes.push_back(Route::WifiScan);
    if (n == 302 && startsWith(d, 'R', 'P')) routes.push_back(Route::Packed302);
    if ((n == 830 || n == 866 || n == 250) && startsWith(d, 'R', 0x01)) routes.push_back(Route::PackedImage);
    if (n == 26 && d[3] == 'P') routes.push_back(Route::SearchReply);
    if (n == 26) routes.push_back(Route::ParameterReply);
    // Opcode and block number: anything shorter is no TFTP reply.
    if (n >= 4 && d[0] == 0x00) routes.push_back(Route::Tftp);
    return routes;
}

}  // namespace tavrel
