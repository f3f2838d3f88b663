// The profile file: sections and keys in order, the encodings, the reader's defaults and lookups.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../TestFiles.h"
#include "device/FixedLists.h"
#include "profiles/ProfileFormat.h"
#include "util/FileFilter.h"

using namespace tavrel;
using test::freshTestDir;
using test::readWholeFile;

namespace {

std::vector<std::string> linesOf(const std::string& text, bool sectionsOnly = false) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!sectionsOnly || line.starts_with('[')) out.push_back(line);
    }
    return out;
}

// Every port: enable 2, baud 5, parity 1, data 8, stop 1, work mode 2.
DeviceRecord device(char portCountChar) {
    DeviceRecord r;
    r.identity.bytes = {'V', '1', '4', '3', 'S', static_cast<std::uint8_t>(portCountChar), '1', '0'};
    r.ipType = 1;
    r.network = {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 1}, {8, 8, 4, 4}};
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    setText(r.user, "root");
    setText(r.password, "secret");
    for (std::size_t i = 0; i < kPortCount; ++i) {
        r.ports[i] = PortRecord{5, 1, 8, 1, 2, {}, static_cast<std::uint16_t>(8000 + i), 20108, 2, 1, 0, 2};
        setText(r.ports[i].remoteHost, "10.0.0." + std::to_string(i + 1));
        setText(r.ports[i].heartbeatData, "HB");
        r.ports[i].heartbeatInterval = 60;
    }
    return r;
}

std::string written(const DeviceRecord& r) {
    const auto path = freshTestDir("profile-format") / "p.ini";
    EXPECT_EQ(writeProfile(r, path), ProfileStatus::Ok);
    return readWholeFile(path);
}

std::string port(int n) {
    return "[*****************Port" + std::to_string(n) + "*****************]";
}

DeviceRecord parsed(const std::string& text) {
    return readProfile(PrivateProfile::parse(text));
}

}  // namespace

TEST(ProfileWriter, SectionsFollowThePortCountCharacter) {
    const std::vector<std::string> head = {"[Info]", "[*****************Device****************]"};
    auto with = [&](int ports) {
        auto out = head;
        for (int n = 1; n <= ports; ++n) out.push_back(port(n));
        return out;
    };
    EXPECT_EQ(linesOf(written(device('4')), true), with(4));
    EXPECT_EQ(linesOf(written(device('1')), true), with(2));
    EXPECT_EQ(linesOf(written(device('6')), true), with(6));
    for (char c : {'8', '2', 'B', '3', '\0'}) EXPECT_EQ(linesOf(written(device(c)), true), with(8)) << int(c);
}

TEST(ProfileWriter, EntriesAreEncodedInTheirOrder) {
    const auto lines = linesOf(written(device('1')));
    const std::vector<std::string> head = {"[Info]",
                                           "HardwareVersion=S110",
                                           "FirmwareVersion=V143",
                                           "[*****************Device****************]",
                                           "IpType=1",
                                           "IpAddress=192.168.1.10",
                                           "NetMask=255.255.255.0",
                                           "NetGate=192.168.1.1",
                                           "DNS=8.8.4.4",
                                           "MAC=00-CA-C1-19-00-33",
                                           "Username=root",
                                           "Password=secret",
                                           port(1),
                                           "Enable=1",
                                           "BitRate=9600",
                                           "CheckBit=NONE",
                                           "DataBit=8",
                                           "StopBit=1",
                                           "WorkMode=TCP_CLIENT",
                                           "RemoteIp=10.0.0.1",
                                           "RemotePort=8000",
                                           "LocalPort=20108",
                                           "HeartbeatData=HB",
                                           "HeartbeatInterval=60",
                                           "Modbus=1",
                                           "ModbusTimeout=2",
                                           port(2)};
    ASSERT_GE(lines.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head);
}

TEST(ProfileWriter, AnExportReplacesTheFileWholeOrNotAtAll) {
    const auto dir = freshTestDir("profile-twice");
    const auto path = dir / "twice.ini";
    ASSERT_EQ(writeProfile(device('8'), path), ProfileStatus::Ok);
    DeviceRecord one = device('1');
    one.ports[0].baudRate = 11;
    ASSERT_EQ(writeProfile(one, path), ProfileStatus::Ok);
    const std::string second = readWholeFile(path);
    EXPECT_EQ(linesOf(second, true).size(), 4u);
    EXPECT_EQ(readProfileFile(path).ports[0].baudRate, 11);

    // A device text with a line end cannot stand in the file: nothing is written.
    setText(one.ports[1].heartbeatData, "a\r\nb");
    EXPECT_EQ(writeProfile(one, path), ProfileStatus::BadValue);
    EXPECT_EQ(readWholeFile(path), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary file stays";
}

TEST(ProfileReader, ListLookupWrapsAroundAndStopBitOneComesFirst) {
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "1024000"), 17);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "600"), 1);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "9600"), 5);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "12"), 2) << "the first entry it begins";
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "31250"), 0);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, ""), 0);
    EXPECT_EQ(profileListPosition(lists::kWorkModes, "udp_client"), 4);
    for (auto [text, position] : {std::pair{"1", 1}, {"1.5", 2}, {"2", 3}, {"3", 0}})
        EXPECT_EQ(parsed(port(1) + "\nStopBit=" + text).ports[0].stopBits, position) << text;
}

TEST(ProfileReader, MissingKeysTakeTheirDefaults) {
    const DeviceRecord r =
        parsed("[INFO]\nhardwareversion=S410\n" + port(1) + "\nEnable=0\n" + port(2) + "\nEnable=1\n");
    EXPECT_EQ(r.identity.hardwareText(), "S410");
    EXPECT_EQ(r.ipType, 1);
    EXPECT_EQ(ipv4Text(r.network.ip) + " " + ipv4Text(r.network.mask) + " " + ipv4Text(r.network.gateway) +
                  " " + ipv4Text(r.network.dns),
              "192.168.1.253 255.255.255.0 192.168.1.1 208.67.222.222");
    EXPECT_EQ(macText(r.mac), "00-CA-C1-19-00-33");
    EXPECT_EQ(textOf(r.user), "admin");
    EXPECT_EQ(textOf(r.password), "tovin");
    EXPECT_EQ(r.ports[0].enable, kSwitchOff);
    EXPECT_EQ(r.ports[1].enable, kSwitchOn);
    // Ports 3 to 8 have no section at all.
    PortRecord expected{5, 1, 8, 1, 1, {}, 1030, 1030, kSwitchOn, 0, 0, 10};
    setText(expected.remoteHost, "192.168.1.253");
    setText(expected.heartbeatData, "123");
    for (std::size_t i = 2; i < kPortCount; ++i) EXPECT_EQ(r.ports[i], expected) << i;

    for (char c : std::string("12468"))
        EXPECT_TRUE(isUsableProfile(parsed("[Info]\nHardwareVersion=S" + std::string(1, c))));
    for (char c : std::string("357B "))
        EXPECT_FALSE(isUsableProfile(parsed("[Info]\nHardwareVersion=S" + std::string(1, c))));
    EXPECT_FALSE(isUsableProfile(readProfileFile(freshTestDir("profile-missing") / "none.ini")));
    const auto big = freshTestDir("profile-big") / "big.ini";
    std::ofstream(big, std::ios::binary)
        << "[Info]\nHardwareVersion=S410\n;" << std::string(kMaxProfileFileBytes, 'x');
    EXPECT_FALSE(isUsableProfile(readProfileFile(big))) << "an oversized file is not read";
}

TEST(ProfileReader, MalformedNumbersAreReadLeniently) {
    const DeviceRecord r = parsed(
        "[*****************Device****************]\nIpAddress=10.1\nNetMask=300.-1.2.3.4\nNetGate=x\n"
        "DNS=1.2.3.4567890123456789\nMAC=a-0b-C-ddd-1\nIpType=258\n" +
        port(1) + "\nRemotePort=65537\nEnable=-1\nDataBit=2147483647\nHeartbeatInterval=-1\n");
    EXPECT_EQ(ipv4Text(r.network.ip), "10.1.0.0");
    EXPECT_EQ(ipv4Text(r.network.mask), "44.255.2.3");
    EXPECT_EQ(ipv4Text(r.network.gateway), "0.0.0.0");
    // Nineteen characters are read: the last number is 4567890123456, kept to its low 8 bits.
    EXPECT_EQ(ipv4Text(r.network.dns), "1.2.3.192");
    EXPECT_EQ(macText(r.mac), "0A-0B-0C-DD-00-00");
    EXPECT_EQ(macText(parsed("[*****************Device****************]\nMAC=1-2-3-4-5-6-7-8\n" + port(1)).mac),
              "01-02-03-04-05-06");
    EXPECT_EQ(r.ipType, 2);
    EXPECT_EQ(r.ports[0].remotePort, 1);
    EXPECT_EQ(r.ports[0].enable, 0);
    EXPECT_EQ(r.ports[0].dataBits, 0xFF);
    EXPECT_EQ(r.ports[0].heartbeatInterval, 0xFFFFFFFFu);
}

TEST(ProfileFile, CarriedFieldsRoundTripAndUnlistedPositionsReadAsNone) {
    DeviceRecord r = device('8');
    r.ipType = 2;
    r.ports[3] = {17, 3, 7, 2, 4, {}, 1, 2, 1, 2, 0, 3};
    setText(r.ports[2].remoteHost, std::string(32, 'h'));
    setText(r.ports[1].heartbeatData, "0123456789ABCDEF");
    const auto path = freshTestDir("profile-round-trip") / "r.ini";
    ASSERT_EQ(writeProfile(r, path), ProfileStatus::Ok);
    const DeviceRecord back = readProfileFile(path);
    EXPECT_EQ(back.network, r.network);
    EXPECT_EQ(back.ipType, r.ipType);
    EXPECT_EQ(back.mac, r.mac);
    EXPECT_EQ(back.user, r.user);
    EXPECT_EQ(back.password, r.password);
    EXPECT_TRUE(
        std::equal(r.identity.bytes.begin(), r.identity.bytes.begin() + 8, back.identity.bytes.begin()));
    EXPECT_EQ(back.ports, r.ports);

    r.ports[0] = {0, 4, 8, 200, 5, {}, 1, 2, 0, 2, 0, 3};
    const std::string text = written(r);
    EXPECT_NE(text.find("BitRate=\r\n"), std::string::npos);
    const PortRecord p = parsed(text).ports[0];
    EXPECT_EQ(std::vector<int>({p.baudRate, p.parity, p.stopBits, p.workMode, p.enable}),
              std::vector<int>({0, 0, 0, 0, 0}));
}

// Found by fuzzing: an interval above 2147483647 (the form takes up to 4294967295, and "-7" in a file
// reads as 4294967289) was written whole but read back as 2147483647.
TEST(ProfileFile, HeartbeatIntervalsOfTheWholeRangeSurviveExportAndImport) {
    for (std::uint32_t interval : {0u, 65535u, 2147483647u, 2147483648u, 4294967289u, 4294967295u}) {
        DeviceRecord r = device('1');
        r.ports[0].heartbeatInterval = interval;
        EXPECT_EQ(parsed(written(r)).ports[0].heartbeatInterval, interval) << interval;
    }
    const auto intervalOf = [](const std::string& value) {
        return parsed(port(1) + "\nHeartbeatInterval=" + value + "\n").ports[0].heartbeatInterval;
    };
    EXPECT_EQ(intervalOf("-7"), 4294967289u);
    EXPECT_EQ(intervalOf("99999999999"), 4294967295u);
    EXPECT_EQ(intervalOf("+12x"), 12u);
    EXPECT_EQ(intervalOf("x"), 0u);
}

// Found by fuzzing: a value holding a zero byte left the bytes after it in the field, where an export
// dropped them and a save would have sent them.
TEST(ProfileReader, TextFieldsEndAtAZeroByte) {
    const std::string text = "[*****************Device****************]\nUsername=ad" + std::string(1, '\0') +
                             "xyz\nPassword=tov" + std::string(3, '\0') + "[ab\n" + port(1) +
                             "\nRemoteIp=host" + std::string(1, '\0') +
                             "tail\nHeartbeatData=" + std::string(1, '\0') + "hb\n";
    const DeviceRecord r = parsed(text);
    EXPECT_EQ(r.user, (FixedText<8>{'a', 'd'}));
    EXPECT_EQ(r.password, (FixedText<8>{'t', 'o', 'v'}));
    FixedText<32> host{};
    setText(host, "host");
    EXPECT_EQ(r.ports[0].remoteHost, host);
    EXPECT_EQ(r.ports[0].heartbeatData, FixedText<16>{});
    EXPECT_EQ(parsed(written(r)).password, r.password);

    const DeviceRecord v = parsed("[Info]\nFirmwareVersion=1" + std::string(2, '\0') +
                                  "9\nHardwareVersion=S" + std::string(1, '\0') + "8\n");
    EXPECT_EQ(std::vector<std::uint8_t>(v.identity.bytes.begin(), v.identity.bytes.begin() + 8),
              (std::vector<std::uint8_t>{'1', 0, 0, 0, 'S', 0, 0, 0}));
    EXPECT_EQ(parsed(written(v)).identity, v.identity);
}

TEST(ProfileNames, ProposedNameCompletedExtensionAndFilters) {
    Identity id;
    id.bytes = {'V', '1', '4', '3', 'S', '4', '1', '0', 'T', 'C', 'P', '2', '3', 'x'};
    EXPECT_EQ(proposedProfileName(id), "TCP23-V1.ini");
    id.bytes[10] = 0;
    EXPECT_EQ(proposedProfileName(id), "TC.ini");
    for (int first : {0, 1, int('/')}) {
        id.bytes[8] = static_cast<std::uint8_t>(first);  // 1: the extra-query flag most devices carry there
        EXPECT_EQ(proposedProfileName(id), ".ini") << int(first);
    }
    EXPECT_EQ(withProfileExtension("/p/office"), std::filesystem::path("/p/office.ini"));
    EXPECT_EQ(withProfileExtension("/p/office.txt"), std::filesystem::path("/p/office.txt"));
    EXPECT_EQ(withProfileExtension("/p/.ini"), std::filesystem::path("/p/.ini"));

    EXPECT_EQ(qtFileFilter("文件 (*.ini)|*.ini||"), "文件 (*.ini)");
    EXPECT_EQ(qtFileFilter("(*.ini)|*.ini|所有文件(*.*)|*.*|"), "(*.ini);;所有文件(*.*)");
    EXPECT_EQ(qtFileFilter("Profiles|*.ini|"), "Profiles (*.ini)");
}
