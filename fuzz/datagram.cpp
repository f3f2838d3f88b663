// Datagrams of every length from a few senders through the routing and the reply handler on one
// device table: a datagram changes at most the entry its key names, entries in use stay contiguous,
// and every entry the effects name is one in use.
#include <array>
#include <optional>

#include "FuzzInput.h"
#include "protocol/DeviceFrame.h"
#include "protocol/ReplyHandler.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
const std::array<std::string, 4> kSenders = {"127.0.0.2", "127.0.0.3", "127.0.0.4", ""};
constexpr std::size_t kMaxDatagram = 1100;  // past the 1024-byte receive buffer

bool inUseEntry(const DeviceTable& table, std::optional<std::size_t> entry) {
    return !entry || (*entry < table.usedCount());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    static DeviceTable table;  // 450 KiB: cleared per input rather than allocated
    table.clear();
    while (!in.empty()) {
        const std::string& sender = kSenders[in.byte() % kSenders.size()];
        const auto datagram = in.bytes(in.u16() % kMaxDatagram);
        const std::size_t used = table.usedCount();
        std::vector<DeviceRecord> before;
        for (std::size_t i = 0; i < used; ++i) before.push_back(table[i]);
        const auto key = frameKey(datagram);

        const ReplyEffects fx = handleDatagram(table, datagram, sender, 1111);

        const std::size_t nowUsed = table.usedCount();
        FUZZ_CHECK(nowUsed == used || nowUsed == used + 1);
        for (std::size_t i = nowUsed; i < table.size(); ++i) FUZZ_CHECK(table[i].inUse == 0);
        for (std::size_t i = 0; i < used; ++i)
            if (!key || before[i].key != *key) FUZZ_CHECK(table[i] == before[i]);
        FUZZ_CHECK(inUseEntry(table, fx.addRow));
        FUZZ_CHECK(inUseEntry(table, fx.showDevice));
        FUZZ_CHECK(inUseEntry(table, fx.readoutEntry));
        FUZZ_CHECK(inUseEntry(table, fx.deviceUpdated));
        for (std::size_t i = nowUsed; i < table.size(); ++i) FUZZ_CHECK(table.progress(i).complete());
        if (fx.answerKey) FUZZ_CHECK(datagram.size() == 26 && (datagram[3] == 16 || datagram[3] == 17));
    }
    return 0;
}
