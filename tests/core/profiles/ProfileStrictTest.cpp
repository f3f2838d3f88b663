// The strict profile reader: a value the record cannot hold refuses the file with its line.
#include <gtest/gtest.h>

#include <fstream>

#include "../TestFiles.h"
#include "profiles/ProfileFormat.h"

using namespace tavrel;

namespace {

const std::string kHead =
    "[Info]\nHardwareVersion=S410\n[*****************Device****************]\nIpType=1\n";
const std::string kPort = "[*****************Port2*****************]\n";

std::string refusal(const std::string& text, int language = 9) {
    const auto read = readProfileStrict(PrivateProfile::parse(text));
    const auto* error = std::get_if<ProfileError>(&read);
    return error ? profileErrorText(*error, language) : "read";
}

}  // namespace

TEST(ProfileStrict, RefusalsNameTheLineTheKeyAndWhatIsAllowed) {
    const struct {
        std::string text;
        const char* expected;
    } cases[] = {
        {kHead + "IpAddress=999.999.999.999\n",
         "line 5: IpAddress=999.999.999.999: not an IPv4 address (four numbers 0-255)"},
        {kHead + "NetMask=-1.-2.300.4000\n",
         "line 5: NetMask=-1.-2.300.4000: not an IPv4 address (four numbers 0-255)"},
        {kHead + "MAC=00-CA-C1-19-00\n",
         "line 5: MAC=00-CA-C1-19-00: not a MAC address (six hexadecimal pairs, e.g. 00-CA-C1-19-00-33)"},
        {kHead + "Password=LongPass123\n", "line 5: Password=…: longer than its 8 bytes"},
        {kHead + kPort + "LocalPort=99999999999999999999\n",
         "line 6: LocalPort=99999999999999999999: not a number 0-65535"},
        {kHead + kPort + "RemotePort=+80\n", "line 6: RemotePort=+80: not a number 0-65535"},
        {kHead + kPort + "Enable=abc\n", "line 6: Enable=abc: not one of 0, 1, 255"},
        {kHead + kPort + "StopBit=3\n", "line 6: StopBit=3: not one of 1, 1.5, 2"},
        {kHead + kPort + "BitRate=\nWorkMode=udp_client\nCheckBit=even\n", "read"},
        {kHead + kPort + "HeartbeatData=0123456789abcdefX\n",
         "line 6: HeartbeatData=0123456789abcdefX: longer than its 16 bytes"},
        {kHead + kPort + "HeartbeatInterval=4294967296\n",
         "line 6: HeartbeatInterval=4294967296: not a number 0-4294967295"},
        // The entry nearest the top is named, whatever the section.
        {kHead + "DNS=1.2.3\n" + kPort + "DataBit=x\n",
         "line 5: DNS=1.2.3: not an IPv4 address (four numbers 0-255)"},
        {"[Info]\nHardwareVersion=S410\n",
         "no [*****************Device****************] section: not a device profile"},
        {"", "no [*****************Device****************] section: not a device profile"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(c.text), c.expected) << c.text;
    EXPECT_EQ(refusal(kHead + "IpAddress=1.2.3.4.5\n", 4),
              "第5行：IpAddress=1.2.3.4.5：不是IPv4地址（4个0-255的数字）");

    const auto folder = test::freshTestDir("profile-strict");
    std::ofstream(folder / "big.ini") << std::string(kMaxProfileFileBytes + 1, ';');
    for (const auto& [name, expected] : {std::pair{"big.ini", "larger than 1048576 bytes: not a profile"},
                                         std::pair{"none.ini", "the file cannot be read"}}) {
        const auto read = readProfileFileStrict(folder / name);
        ASSERT_TRUE(std::holds_alternative<ProfileError>(read)) << name;
        EXPECT_EQ(profileErrorText(std::get<ProfileError>(read), 9), expected);
    }
}

TEST(ProfileStrict, WrittenProfilesReadBackAsWritten) {
    DeviceRecord r;
    r.identity.bytes = {'V', '1', '4', '3', 'S', '4', '1', '0'};
    r.ipType = 2;
    r.network = {{127, 0, 0, 5}, {255, 0, 0, 0}, {127, 0, 0, 1}, {0, 0, 0, 0}};
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    setText(r.user, "12345678");
    setText(r.password, "pw#3xyzw");
    r.ports[0] = PortRecord{17, 3, 9, 3, 4, {}, 65535, 0, 1, 2, 0, 3};
    setText(r.ports[0].remoteHost, std::string(32, 'h'));
    setText(r.ports[0].heartbeatData, std::string(16, 'd'));
    r.ports[0].heartbeatInterval = 4294967295u;
    // A port a packed board leaves unreported: zeros, out-of-list positions written empty.
    r.ports[1] = PortRecord{};
    r.ports[2] = PortRecord{1, 1, 7, 2, 1, {}, 1030, 1030, 2, 1, 0, 200};
    const auto path = test::freshTestDir("profile-strict-round") / "p.ini";
    ASSERT_EQ(writeProfile(r, path), ProfileStatus::Ok);
    const auto read = readProfileFileStrict(path);
    ASSERT_TRUE(std::holds_alternative<DeviceRecord>(read))
        << profileErrorText(std::get<ProfileError>(read), 9);
    EXPECT_EQ(profileEntries(std::get<DeviceRecord>(read), 4), profileEntries(r, 4));
    // A port section the file lacks takes the defaults, as with the lenient reader.
    EXPECT_EQ(std::get<DeviceRecord>(read).ports[5], readProfileFile(path).ports[5]);
    // Other MAC spellings the strict reader takes land as the same bytes.
    const auto colon = readProfileStrict(PrivateProfile::parse(kHead + "MAC=00:ca:c1:19:00:33\n"));
    EXPECT_EQ(std::get<DeviceRecord>(colon).mac, r.mac);
}
