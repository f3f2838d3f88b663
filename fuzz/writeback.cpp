// Arbitrary device bytes of every record form, read and written back as the window's saves write
// them: unedited, every byte the write carries is the device's own; with one edit, only that field's.
#include "../tests/core/support/WriteBack.h"

#include "FuzzInput.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;
using namespace tavrel::writeback;

namespace {

void check(const std::vector<Difference>& diffs, Edit edit, bool packed, bool form302) {
    for (const Difference& d : diffs) FUZZ_CHECK(editMayChange(edit, packed, form302, d));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::size_t kForms[] = {0, kPacked302Size, kPacked830Size, kPacked866Size};
    FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const Edit edit = kEdits[(choice >> 2) % std::size(kEdits)];
    const std::size_t length = kForms[choice % std::size(kForms)];
    if (length == 0) {
        std::map<std::uint8_t, std::array<std::uint8_t, 16>> blocks;
        for (int request = 0; request < 256; ++request) {
            const auto reply = replyCodeOfRequest(static_cast<std::uint8_t>(request));
            if (!reply || *reply == 85) continue;
            const auto bytes = in.bytes(16);
            std::array<std::uint8_t, 16> payload{};
            std::copy(bytes.begin(), bytes.end(), payload.begin());
            blocks[*reply] = payload;
        }
        // Only a listed address type can be saved without choosing one.
        blocks[82][6] = static_cast<std::uint8_t>(1 + (blocks[82][6] & 1));
        check(serialWriteBack(blocks, edit), edit, false, false);
        return 0;
    }
    std::vector<std::uint8_t> d = in.bytes(length);
    d.resize(length, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = length == kPacked302Size ? 'P' : 0x01;
    auto& type = d[4 + (length == kPacked302Size ? 120 : 68)];
    type = static_cast<std::uint8_t>(1 + (type & 1));
    const auto diffs = packedWriteBack(d, edit);
    // A record refused as a whole (an RS485 address cannot be refused here: it is a byte) is a fault.
    for (const Difference& x : diffs) FUZZ_CHECK(x.block >= -1);
    check(diffs, edit, true, length == kPacked302Size);
    return 0;
}
