// The private-profile reader and writer: any text parses; writing it out and reading it back gives
// the same text; a value written under a name is read back under it.
#include "FuzzInput.h"
#include "profiles/PrivateProfile.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;
using tavrel::fuzz::hasOuterBlanks;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string section = in.text();
    const std::string key = in.text();
    const std::string value = in.text();
    const auto rest = in.rest();
    const std::string text(rest.begin(), rest.end());

    PrivateProfile profile = PrivateProfile::parse(text);
    const std::string written = profile.text();
    FUZZ_CHECK(PrivateProfile::parse(written).text() == written);
    (void)profile.readString(section, key, value, 16);
    (void)profile.readInt(section, key, 7);

    if (profile.writeString(section, key, value) != ProfileStatus::Ok) return 0;
    if (hasOuterBlanks(section) || hasOuterBlanks(key) || hasOuterBlanks(value)) return 0;
    const PrivateProfile reread = PrivateProfile::parse(profile.text());
    FUZZ_CHECK(profile.find(section, key) == value);
    FUZZ_CHECK(reread.find(section, key) == value);
    return 0;
}
