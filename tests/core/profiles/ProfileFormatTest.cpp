// The profile file: sections and keys in order, the encodings, the reader's defaults and lookups.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../TestFiles.h"
#include "device/FixedLists.h"
#include "profiles/ProfileFormat.h"
#include "util/FileFilter.h"

using namespace tavrel;

namespace {

using test::freshTestDir;

std::string readAll(const std::filesystem::path& p) {
    return test::readWholeFile(p);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> sectionsOf(const std::string& text) {
    std::vector<std::string> out;
    for (const auto& line : linesOf(text))
        if (!line.empty() && line.front() == '[') out.push_back(line);
    return out;
}

// A device as its read-out leaves it: 9600 8N1, TCP_CLIENT, enabled.
DeviceRecord device(char portCountChar) {
    DeviceRecord r;
    r.identity.bytes = {'V', '1', '4', '3', 'S', static_cast<std::uint8_t>(portCountChar), '1', '0'};
    r.ipType = 1;
    r.network = {{192, 168, 1, 10}, {255, 255, 255, 0}, {192, 168, 1, 1}, {8, 8, 4, 4}};
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    setText(r.user, "root");
    setText(r.password, "secret");
    for (std::size_t i = 0; i < kPortCount; ++i) {
        PortRecord& p = r.ports[i];
        p.enable = 2;
        p.baudRate = 5;
        p.parity = 1;
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = 2;
        setText(p.remoteHost, "10.0.0." + std::to_string(i + 1));
        p.remotePort = static_cast<std::uint16_t>(8000 + i);
        p.localPort = static_cast<std::uint16_t>(20108 + i);
        setText(p.heartbeatData, "HB");
        p.heartbeatInterval = 60;
        p.modbus = 1;
        p.interfaceType = 2;
    }
    return r;
}

std::string written(const DeviceRecord& r, const char* dirName = "profile-format") {
    const auto path = freshTestDir(dirName) / "p.ini";
    EXPECT_EQ(writeProfile(r, path), ProfileStatus::Ok);
    return readAll(path);
}

std::string port(int n) {
    return "[*****************Port" + std::to_string(n) + "*****************]";
}

}  // namespace

TEST(ProfileWriter, SectionsFollowThePortCountCharacter) {
    const std::string info = "[Info]";
    const std::string dev = "[*****************Device****************]";
    EXPECT_EQ(sectionsOf(written(device('4'))),
              (std::vector<std::string>{info, dev, port(1), port(2), port(3), port(4)}));
    EXPECT_EQ(sectionsOf(written(device('1'))), (std::vector<std::string>{info, dev, port(1), port(2)}));
    EXPECT_EQ(sectionsOf(written(device('6'))).size(), 8u);
    for (char c : {'8', '2', 'B', '3', '\0'}) EXPECT_EQ(sectionsOf(written(device(c))).size(), 10u) << int(c);
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

TEST(ProfileWriter, ASecondExportReplacesTheFirstWhole) {
    const auto dir = freshTestDir("profile-twice");
    const auto path = dir / "twice.ini";
    DeviceRecord eight = device('8');
    ASSERT_EQ(writeProfile(eight, path), ProfileStatus::Ok);
    DeviceRecord one = device('1');
    one.ports[0].baudRate = 11;
    ASSERT_EQ(writeProfile(one, path), ProfileStatus::Ok);
    const std::string text = readAll(path);
    EXPECT_EQ(sectionsOf(text).size(), 4u);
    EXPECT_EQ(readProfileFile(path).ports[0].baudRate, 11);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary file stays";
}

TEST(ProfileWriter, ATextWithALineEndIsRefusedAndTheOldFileStays) {
    const auto path = freshTestDir("profile-line-end") / "p.ini";
    ASSERT_EQ(writeProfile(device('4'), path), ProfileStatus::Ok);
    const std::string before = readAll(path);
    DeviceRecord bad = device('1');
    setText(bad.ports[1].heartbeatData, "a\r\nb");
    EXPECT_EQ(writeProfile(bad, path), ProfileStatus::BadValue);
    EXPECT_EQ(readAll(path), before);
}

TEST(ProfileReader, ListLookupWrapsAroundAndIgnoresCase) {
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "1024000"), 17);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "600"), 1);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "9600"), 5);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "12"), 2) << "a prefix finds the first entry it begins";
    EXPECT_EQ(profileListPosition(lists::kBaudRates, "31250"), 0);
    EXPECT_EQ(profileListPosition(lists::kBaudRates, ""), 0);
    EXPECT_EQ(profileListPosition(lists::kWorkModes, "udp_client"), 4);
    EXPECT_EQ(profileListPosition(lists::kParities, "Odd"), 3);
}

TEST(ProfileReader, StopBitsOneIsTakenBeforeTheLookup) {
    for (auto [text, position] : {std::pair{"1", 1}, {"1.5", 2}, {"2", 3}, {"3", 0}}) {
        const DeviceRecord r = readProfile(PrivateProfile::parse(port(1) + "\nStopBit=" + text + "\n"));
        EXPECT_EQ(r.ports[0].stopBits, position) << text;
    }
}

TEST(ProfileReader, MissingKeysTakeTheirDefaults) {
    const DeviceRecord r = readProfile(PrivateProfile::parse("[INFO]\nhardwareversion=S410\n" + port(1) +
                                                             "\nEnable=0\n" + port(2) + "\nEnable=1\n"));
    EXPECT_EQ(r.identity.hardwareText(), "S410");
    EXPECT_EQ(r.identity.firmwareText(), "");
    EXPECT_TRUE(isUsableProfile(r));
    EXPECT_EQ(r.ipType, 1);
    EXPECT_EQ(ipv4Text(r.network.ip), "192.168.1.253");
    EXPECT_EQ(ipv4Text(r.network.mask), "255.255.255.0");
    EXPECT_EQ(ipv4Text(r.network.gateway), "192.168.1.1");
    EXPECT_EQ(ipv4Text(r.network.dns), "208.67.222.222");
    EXPECT_EQ(macText(r.mac), "00-CA-C1-19-00-33");
    EXPECT_EQ(textOf(r.user), "admin");
    EXPECT_EQ(textOf(r.password), "tovin");
    EXPECT_EQ(r.ports[0].enable, kSwitchOff);
    EXPECT_EQ(r.ports[1].enable, kSwitchOn);
    // Ports 3 to 8 have no section at all.
    for (std::size_t i = 2; i < kPortCount; ++i) {
        const PortRecord& p = r.ports[i];
        EXPECT_EQ(p.enable, kSwitchOn);
        EXPECT_EQ(p.baudRate, 5);
        EXPECT_EQ(p.parity, 1);
        EXPECT_EQ(p.dataBits, 8);
        EXPECT_EQ(p.stopBits, 1);
        EXPECT_EQ(p.workMode, 1);
        EXPECT_EQ(textOf(p.remoteHost), "192.168.1.253");
        EXPECT_EQ(p.remotePort, 1030);
        EXPECT_EQ(p.localPort, 1030);
        EXPECT_EQ(textOf(p.heartbeatData), "123");
        EXPECT_EQ(p.heartbeatInterval, 0u);
        EXPECT_EQ(p.modbus, 0);
        EXPECT_EQ(p.interfaceType, 10);
    }
}

TEST(ProfileReader, UsableOnlyWithAKnownPortCountCharacter) {
    for (char c : {'1', '2', '4', '6', '8'})
        EXPECT_TRUE(isUsableProfile(
            readProfile(PrivateProfile::parse(std::string("[Info]\nHardwareVersion=S") + c))));
    for (char c : {'3', '5', '7', 'B', ' '})
        EXPECT_FALSE(isUsableProfile(
            readProfile(PrivateProfile::parse(std::string("[Info]\nHardwareVersion=S") + c))));
    EXPECT_FALSE(isUsableProfile(readProfileFile(freshTestDir("profile-missing") / "none.ini")));
}

TEST(ProfileReader, AnOversizedFileIsNotAProfile) {
    const auto path = freshTestDir("profile-big") / "big.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Info]\nHardwareVersion=S410\n;" << std::string(kMaxProfileFileBytes, 'x') << '\n';
    }
    EXPECT_FALSE(isUsableProfile(readProfileFile(path)));
}

TEST(ProfileReader, MalformedNumbersAreReadLeniently) {
    const DeviceRecord r = readProfile(PrivateProfile::parse(
        "[*****************Device****************]\nIpAddress=10.1\nNetMask=300.-1.2.3.4\nNetGate=x\n"
        "DNS=1.2.3.4567890123456789\nMAC=a-0b-C-ddd-1\nIpType=258\n" +
        port(1) + "\nRemotePort=65537\nEnable=-1\nDataBit=2147483647\nHeartbeatInterval=-1\n"));
    EXPECT_EQ(ipv4Text(r.network.ip), "10.1.0.0");
    EXPECT_EQ(ipv4Text(r.network.mask), "44.255.2.3");
    EXPECT_EQ(ipv4Text(r.network.gateway), "0.0.0.0");
    // Nineteen characters are read: the last number is 4567890123456, kept to its low 8 bits.
    EXPECT_EQ(ipv4Text(r.network.dns), "1.2.3.192");
    EXPECT_EQ(macText(r.mac), "0A-0B-0C-DD-00-00");
    EXPECT_EQ(r.ipType, 2);
    EXPECT_EQ(r.ports[0].remotePort, 1);
    EXPECT_EQ(r.ports[0].enable, 0);
    EXPECT_EQ(r.ports[0].dataBits, 0xFF);
    EXPECT_EQ(r.ports[0].heartbeatInterval, 0xFFFFFFFFu);
}

TEST(ProfileFile, CarriedFieldsRoundTrip) {
    DeviceRecord r = device('8');
    r.ports[3].baudRate = 17;
    r.ports[4].parity = 3;
    r.ports[5].stopBits = 2;
    r.ports[6].workMode = 4;
    r.ports[7].enable = 1;
    r.ipType = 2;
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
    EXPECT_EQ(std::vector<std::uint8_t>(back.identity.bytes.begin(), back.identity.bytes.begin() + 8),
              std::vector<std::uint8_t>(r.identity.bytes.begin(), r.identity.bytes.begin() + 8));
    EXPECT_EQ(back.ports, r.ports);
}

TEST(ProfileFile, PositionsOutsideTheirListReadBackAsNoEntry) {
    DeviceRecord r = device('1');
    r.ports[0].baudRate = 0;
    r.ports[0].parity = 4;
    r.ports[1].stopBits = 200;
    r.ports[1].workMode = 5;
    r.ports[1].enable = 0;
    const std::string text = written(r, "profile-out-of-list");
    EXPECT_NE(text.find("BitRate=\r\n"), std::string::npos);
    const DeviceRecord back = readProfile(PrivateProfile::parse(text));
    EXPECT_EQ(back.ports[0].baudRate, 0);
    EXPECT_EQ(back.ports[0].parity, 0);
    EXPECT_EQ(back.ports[1].stopBits, 0);
    EXPECT_EQ(back.ports[1].workMode, 0);
    EXPECT_EQ(back.ports[1].enable, 0);
}

TEST(ProfileNames, ProposedNameAndCompletedExtension) {
    Identity id;
    id.bytes = {'V', '1', '4', '3', 'S', '4', '1', '0', 'T', 'C', 'P', '2', '3', 'x'};
    EXPECT_EQ(proposedProfileName(id), "TCP23-V1.ini");
    id.bytes[10] = 0;
    EXPECT_EQ(proposedProfileName(id), "TC.ini");
    id.bytes[8] = 0;
    EXPECT_EQ(proposedProfileName(id), ".ini");
    id.bytes[8] = 1;  // the extra-query flag of most devices
    EXPECT_EQ(proposedProfileName(id), ".ini");
    id.bytes = {'V', '1', 0, 0, 0, 0, 0, 0, 'a', '/', 'b'};
    EXPECT_EQ(proposedProfileName(id), "a.ini");

    EXPECT_EQ(withProfileExtension("/p/office"), std::filesystem::path("/p/office.ini"));
    EXPECT_EQ(withProfileExtension("/p/office.txt"), std::filesystem::path("/p/office.txt"));
    EXPECT_EQ(withProfileExtension("/p/.ini"), std::filesystem::path("/p/.ini"));
}

TEST(ProfileNames, DialogFiltersInQtForm) {
    EXPECT_EQ(qtFileFilter("文件 (*.ini)|*.ini||"), "文件 (*.ini)");
    EXPECT_EQ(qtFileFilter("(*.ini)|*.ini|所有文件(*.*)|*.*|"), "(*.ini);;所有文件(*.*)");
    EXPECT_EQ(qtFileFilter("Profiles|*.ini|"), "Profiles (*.ini)");
    EXPECT_EQ(qtFileFilter(""), "");
}
