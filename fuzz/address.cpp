// MAC and IPv4 address texts of the network group: any text is safe, and an address printed the way
// the window prints it reads back as the same address.
#include "FuzzInput.h"
#include "settings/AddressText.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto mac = parseMac(text)) FUZZ_CHECK(parseMac(macText(*mac)) == mac);
    if (const auto ip = parseIpv4(text)) FUZZ_CHECK(parseIpv4(ipv4Text(*ip)) == ip);
    // Every address prints as a text that reads back.
    if (size >= 6) {
        const Mac mac{data[0], data[1], data[2], data[3], data[4], data[5]};
        FUZZ_CHECK(parseMac(macText(mac)) == mac);
        const Ipv4 ip{data[0], data[1], data[2], data[3]};
        FUZZ_CHECK(parseIpv4(ipv4Text(ip)) == ip);
    }
    return 0;
}
