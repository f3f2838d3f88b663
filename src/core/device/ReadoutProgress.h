#pragma once
// Which parameter blocks of a device's read-out have arrived, by reply code, so that lost replies
// can be asked for again and a device that stays incomplete is never saved unawares.
#include <bitset>
#include <cstdint>
#include <vector>

namespace tavrel {

struct ReadoutProgress {
    std::bitset<256> expected;  // reply codes the read-out asks for
    std::bitset<256> received;
    bool shown = false;  // the device was shown after its last block
    // False from a change the device made to itself (restart, reset, save) until it answers its search
    // again: what was read before is not what it holds now.
    bool answered = true;

    bool complete() const { return answered && (expected & ~received).none(); }
    // Expected reply codes that have not arrived, in ascending order.
    std::vector<std::uint8_t> missing() const {
        std::vector<std::uint8_t> out;
        const auto gap = expected & ~received;
        for (std::size_t code = 0; code < gap.size(); ++code)
            if (gap.test(code)) out.push_back(static_cast<std::uint8_t>(code));
        return out;
    }
    // Marks a reply code as arrived; true when it was expected and had not arrived yet.
    bool receive(std::uint8_t code) {
        if (!expected.test(code) || received.test(code)) return false;
        received.set(code);
        return true;
    }
};

}  // namespace tavrel
