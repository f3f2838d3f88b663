// Packed records of every form (302, 830, 866, 250 bytes), with valid and invalid heads: applying
// one never changes who the entry is (key, addresses, reply port) and is the same the second time.
#include <array>

#include "FuzzInput.h"
#include "protocol/PackedRecords.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::size_t, 4> kForms = {302, 830, 866, 250};
    FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const std::size_t length = kForms[choice % kForms.size()];
    std::vector<std::uint8_t> d = in.bytes(length);
    d.resize(length, 0);
    if (choice & 0x10) {  // a valid head most of the time, so the layouts get read
        d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = length == 302 ? 'P' : 0x01;
    }
    DeviceRecord r;
    r.key = {1, 2, 3};
    r.sourceAddress = "127.0.0.2";
    r.sourcePort = 1111;
    r.replyPort = 1111;
    r.inUse = 1;
    const DeviceRecord original = r;
    const bool applied = length == 302 ? applyPacked302(d, r) : applyPackedImage(d, r);
    FUZZ_CHECK(r.key == (DeviceKey{1, 2, 3}) && r.sourceAddress == "127.0.0.2" && r.replyPort == 1111 &&
               r.inUse == 1);
    if (!applied) FUZZ_CHECK(r == original);
    if (applied) {
        const DeviceRecord once = r;
        length == 302 ? applyPacked302(d, r) : applyPackedImage(d, r);
        FUZZ_CHECK(r == once);
    }
    return 0;
}
