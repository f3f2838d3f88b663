// Saving a device unedited gives it back its own bytes, whatever they are (texts that are not UTF-8,
// rates and list values outside the lists, bytes after a text's end); one edit changes only the bytes
// of the edited field.
#include <gtest/gtest.h>

#include <random>

#include "../support/WriteBack.h"

using namespace tavrel;
using namespace tavrel::writeback;

namespace {

constexpr int kRecordsPerForm = 100;

// Bytes a device may hold: mostly printable, with zeros, high bytes and stray UTF-8 lead bytes.
std::uint8_t deviceByte(std::mt19937& rng) {
    switch (rng() % 6) {
        case 0:
            return 0;
        case 1:
            return static_cast<std::uint8_t>(0x80 + rng() % 0x80);
        default:
            return static_cast<std::uint8_t>(0x20 + rng() % 0x5F);
    }
}

std::map<std::uint8_t, std::array<std::uint8_t, 16>> serialBlocks(std::mt19937& rng) {
    std::map<std::uint8_t, std::array<std::uint8_t, 16>> blocks;
    for (int request = 0; request < 256; ++request) {
        const auto reply = replyCodeOfRequest(static_cast<std::uint8_t>(request));
        if (!reply || *reply == 85) continue;  // the identity is the server's own
        std::array<std::uint8_t, 16> payload{};
        for (auto& b : payload) b = deviceByte(rng);
        blocks[*reply] = payload;
    }
    // An address type the form can show (another one must be chosen before a save).
    blocks[82][6] = static_cast<std::uint8_t>(1 + rng() % 2);
    return blocks;
}

std::vector<std::uint8_t> packedRecord(std::mt19937& rng, std::size_t length) {
    std::vector<std::uint8_t> d(length);
    for (auto& b : d) b = deviceByte(rng);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = length == kPacked302Size ? 'P' : 0x01;
    d[4 + (length == kPacked302Size ? 120 : 68)] = static_cast<std::uint8_t>(1 + rng() % 2);
    if (length != kPacked302Size) {
        // A rate that is sometimes in the list and sometimes not (300, or noise).
        const std::uint32_t rates[] = {300, 9600, 115200, static_cast<std::uint32_t>(rng())};
        putLe32(&d[4 + image::kBaudRate], rates[rng() % 4]);
    }
    return d;
}

void expectOnlyTheEditedField(const std::vector<Difference>& diffs, Edit edit, bool packed, bool form302,
                              const std::string& what) {
    for (const Difference& d : diffs) {
        ASSERT_TRUE(editMayChange(edit, packed, form302, d))
            << what << ": edit " << static_cast<int>(edit) << " changed block " << d.block << " byte " << d.at;
    }
    if (edit == Edit::None) return;
    EXPECT_FALSE(diffs.empty()) << what << ": edit " << static_cast<int>(edit) << " sent nothing new";
}

}  // namespace

TEST(WriteBack, EveryFormGoesBackAsReadAndAnEditChangesOnlyItsField) {
    std::mt19937 rng(20261207);
    for (int n = 0; n < kRecordsPerForm; ++n) {
        const auto blocks = serialBlocks(rng);
        for (Edit edit : kEdits)
            expectOnlyTheEditedField(serialWriteBack(blocks, edit), edit, false, false, "serial blocks");
        for (std::size_t length : {kPacked302Size, kPacked830Size, kPacked866Size}) {
            const auto record = packedRecord(rng, length);
            for (Edit edit : kEdits)
                expectOnlyTheEditedField(packedWriteBack(record, edit), edit, true, length == kPacked302Size,
                                         std::to_string(length) + " bytes");
        }
    }
}
