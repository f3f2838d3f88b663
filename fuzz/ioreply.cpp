// IO board replies in both protocols: any chunk decodes safely for any board model, and unwrapping
// a wrapped frame gives back its address, code and data.
#include <algorithm>
#include <array>

#include "FuzzInput.h"
#include "iocontrol/IoCodec.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
const std::array<std::string_view, 8> kModels = {"",           "KB-04-00",   "KB-32-00", "1HMTK08",
                                                 "MV-I16-O16", "MV-I00-O02", "1GWTK16",  "unknown"};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const std::uint8_t address = in.byte();
    const std::string_view model = kModels[flags % kModels.size()];
    const std::uint8_t code = in.byte();
    std::array<std::uint8_t, kCustomDataBytes> fields{};
    for (auto& b : fields) b = in.byte();
    const auto chunk = in.rest();

    for (IoProtocol protocol : {IoProtocol::Custom, IoProtocol::Modbus}) {
        const IoDecoded decoded = decodeReply(protocol, address, model, chunk);
        FUZZ_CHECK(decoded.status == IoStatus::Ok || std::holds_alternative<std::monostate>(decoded.reply));
    }

    const IoFrame custom = wrapCustom(address, code, fields);
    const Unwrapped c = unwrapCustom(custom, address);
    FUZZ_CHECK(c.status == IoStatus::Ok && c.pdu.code == code);
    FUZZ_CHECK(c.pdu.data.size() >= fields.size() &&
               std::equal(fields.begin(), fields.end(), c.pdu.data.begin()));

    const IoFrame rtu = wrapRtu(address, code, chunk);
    const Unwrapped m = unwrapRtu(rtu, address);
    FUZZ_CHECK(m.status == IoStatus::Ok && m.pdu.code == code);
    FUZZ_CHECK(std::equal(m.pdu.data.begin(), m.pdu.data.end(), chunk.begin(), chunk.end()));
    return 0;
}
