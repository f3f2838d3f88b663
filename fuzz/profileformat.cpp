// Profile reading from any text: a profile read, written out by the writer and read again gives the
// same record, so an export of an imported profile loses nothing; the file name a profile proposes
// holds only characters a file name may.
#include "profiles/ProfileFormat.h"
#include "FuzzInput.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;
using tavrel::fuzz::hasOuterBlanks;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const auto bytes = in.rest();
    const DeviceRecord first = readProfile(PrivateProfile::parse(std::string(bytes.begin(), bytes.end())));
    (void)isUsableProfile(first);
    const std::string name = proposedProfileName(first.identity);
    FUZZ_CHECK(name.ends_with(".ini") && name.find_first_of("\\/:*?\"<>|\r\n") == std::string::npos);

    PrivateProfile written;
    for (const ProfileEntry& e : profileEntries(first, kPortCount)) {
        // Texts with outer blanks or line ends cannot stand in a file as they are; that is known.
        if (hasOuterBlanks(e.value)) return 0;
        if (written.writeString(profileFileSection(e.section), e.key, e.value) != ProfileStatus::Ok) return 0;
    }
    const DeviceRecord second = readProfile(PrivateProfile::parse(written.text()));
    FUZZ_CHECK(second.identity == first.identity && second.network == first.network);
    FUZZ_CHECK(second.mac == first.mac && second.ipType == first.ipType);
    FUZZ_CHECK(second.user == first.user && second.password == first.password);
    for (std::size_t port = 0; port < kPortCount; ++port) FUZZ_CHECK(second.ports[port] == first.ports[port]);
    return 0;
}
