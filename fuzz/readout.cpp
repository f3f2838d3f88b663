// Read-out replies: any identity gives a plan whose every request has its own reply code, and the
// re-requests of a read-out that lost everything are that plan again; any 26-byte reply applied
// twice leaves the record as applying it once did.
#include <set>

#include "FuzzInput.h"
#include "protocol/Readout.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/ReplyHandler.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    Identity identity;
    const auto head = in.bytes(identity.bytes.size());
    std::copy(head.begin(), head.end(), identity.bytes.begin());
    const DeviceKey key{in.byte(), in.byte(), in.byte()};
    const Plan plan = readoutPlan(identity, key, 1111);

    ReadoutProgress progress;
    progress.expected = expectedReplies(plan);
    FUZZ_CHECK(progress.expected.count() == plan.size());
    std::multiset<int> asked, askedAgain;
    for (const Step& s : plan) asked.insert(s.bytes.at(3));
    for (const Step& s : reRequestPlan(progress, key, 1111)) askedAgain.insert(s.bytes.at(3));
    FUZZ_CHECK(asked == askedAgain);
    for (std::uint8_t code : progress.missing()) FUZZ_CHECK(!readoutGroupName(code).empty());

    DeviceRecord record;
    while (!in.empty()) {
        const auto frame = in.bytes(26);
        applyParameterReply(frame, record);
        const DeviceRecord once = record;
        applyParameterReply(frame, record);
        FUZZ_CHECK(record == once);
    }
    return 0;
}
