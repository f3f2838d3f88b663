// One-click configuration and the profile comparison: what is copied, what stays, the frames and
// gaps of the plan, and which differences are reported.
#include <gtest/gtest.h>

#include "profiles/OneClick.h"
#include "profiles/ProfileDiff.h"
#include "profiles/ProfileFormat.h"
#include "protocol/Commands.h"
#include "protocol/Requests.h"
#include "texts/UiTexts.h"

using namespace tavrel;

namespace {

DeviceRecord deviceWith(char portCountChar, std::uint8_t lastByte) {
    DeviceRecord r;
    r.identity.bytes = {'V', '1', '4', '3', 'S', static_cast<std::uint8_t>(portCountChar), '1', '0', 1};
    r.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, lastByte};
    r.key = {0x00, 0x00, lastByte};
    r.replyPort = 1111;
    r.ipType = 1;
    r.network = {{192, 168, 1, lastByte}, {255, 255, 255, 0}, {192, 168, 1, 1}, {192, 168, 1, 1}};
    setText(r.user, "admin");
    setText(r.password, "admin");
    for (PortRecord& p : r.ports) {
        p.enable = 2;
        p.baudRate = 5;
        p.parity = 1;
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = 1;
        p.reserved = {7, 7, 7, 7, 7};
        p.modbusTimeout = 250;
        p.portFlag = 3;
        setText(p.remoteHost, "host");
        setText(p.heartbeatData, "hb");
        p.interfaceType = 1;
    }
    r.ports[0].cloud = 1;
    setText(r.ports[0].cloudId, "cloud-id");
    return r;
}

DeviceRecord profileFrom(char portCountChar) {
    DeviceRecord p =
        readProfile(PrivateProfile::parse(std::string("[Info]\nHardwareVersion=S") + portCountChar +
                                          "10\n[*****************Device****************]\n"
                                          "IpAddress=10.0.0.5\nUsername=ops\n"
                                          "[*****************Port1*****************]\n"
                                          "BitRate=115200\nRemoteIp=example.org\n"));
    return p;
}

std::vector<std::uint8_t> subCodes(const Plan& plan) {
    std::vector<std::uint8_t> out;
    for (const Step& s : plan) out.push_back(s.bytes[3]);
    return out;
}

}  // namespace

TEST(OneClick, CopiesOnlyWhatAProfileCarries) {
    const DeviceRecord profile = profileFrom('4');
    DeviceRecord device = deviceWith('4', 7);
    const DeviceRecord before = device;
    copyProfileSettings(profile, device);
    EXPECT_EQ(device.network, profile.network);
    EXPECT_EQ(textOf(device.user), "ops");
    EXPECT_EQ(device.mac, before.mac);
    EXPECT_EQ(device.identity, before.identity);
    EXPECT_EQ(device.key, before.key);
    for (std::size_t i = 0; i < kPortCount; ++i) {
        const PortRecord& p = device.ports[i];
        EXPECT_EQ(p.baudRate, profile.ports[i].baudRate);
        EXPECT_EQ(p.remoteHost, profile.ports[i].remoteHost);
        EXPECT_EQ(p.interfaceType, 10) << "the default interface type of a profile";
        EXPECT_EQ(p.modbusTimeout, 250) << "not carried, so the device's own";
        EXPECT_EQ(p.reserved, before.ports[i].reserved);
        EXPECT_EQ(p.portFlag, 3);
    }
    EXPECT_EQ(device.ports[0].cloud, 1);
    EXPECT_EQ(textOf(device.ports[0].cloudId), "cloud-id");
}

TEST(OneClick, RefusalsSendNothingAndChangeNothing) {
    const DeviceRecord profile = profileFrom('4');
    EXPECT_EQ(oneClickCommand(nullptr, &profile, kEnglishLanguageCode).status, OneClickStatus::NoDevice);
    DeviceRecord device = deviceWith('4', 7);
    EXPECT_EQ(oneClickCommand(&device, nullptr, kEnglishLanguageCode).status, OneClickStatus::NoProfile);

    DeviceRecord eight = deviceWith('8', 8);
    const DeviceRecord before = eight;
    const OneClickOutcome mismatch = oneClickCommand(&eight, &profile, kEnglishLanguageCode);
    EXPECT_EQ(mismatch.status, OneClickStatus::PortCountMismatch);
    EXPECT_TRUE(mismatch.plan.empty());
    EXPECT_EQ(eight, before);

    DeviceRecord badType = profileFrom('8');
    badType.ipType = 0;
    const OneClickOutcome refused = oneClickCommand(&eight, &badType, kEnglishLanguageCode);
    EXPECT_EQ(refused.status, OneClickStatus::Refused);
    EXPECT_FALSE(refused.message.empty());
    EXPECT_TRUE(refused.plan.empty());
    EXPECT_EQ(eight, before);
}

TEST(OneClick, PlaysTheNetworkSaveThenThePortSave600MsLater) {
    const DeviceRecord profile = profileFrom('4');
    for (char c : {'4', '1'}) {
        DeviceRecord device = deviceWith(c, 9);
        const OneClickOutcome out = oneClickCommand(&device, &profile, kEnglishLanguageCode);
        ASSERT_EQ(out.status, OneClickStatus::Ready) << c;
        EXPECT_EQ(device.network, profile.network) << "the record holds what was sent";

        // The network save as the form would send it, then the ports as far as the device reaches.
        const bool commits = c != '1';
        std::vector<std::uint8_t> expected = {subcode::kNetwork, subcode::kMacMode, subcode::kIoOptions,
                                              subcode::kAccount};
        if (commits) expected.push_back(subcode::kCommit);
        const std::size_t networkFrames = expected.size();
        const std::size_t ports = c == '1' ? 2 : 4;
        for (std::size_t port = 0; port < ports; ++port) {
            // Every host is shorter than 16 characters, so it takes one frame.
            expected.push_back(subcode::kRemoteHostFirst[port]);
            expected.push_back(subcode::kSerialBlock[port]);
            expected.push_back(subcode::kHeartbeatData[port]);
            if (port == 1) {
                expected.push_back(subcode::kModbusTimeouts);
                expected.push_back(subcode::kHeartbeatIntervals);
            }
        }
        if (commits) expected.push_back(subcode::kCommit);
        ASSERT_EQ(subCodes(out.plan), expected) << c;

        EXPECT_EQ(out.plan.front().gapMs, kSaveStartGapMs);
        const int trailing = commits ? 0 : 10;
        EXPECT_EQ(out.plan[networkFrames].gapMs, trailing + kOneClickGapMs + kSaveStartGapMs) << c;
        // The MAC frame carries the device's own MAC, the network frame the profile's address.
        EXPECT_EQ(out.plan[1].bytes[4 + 5], 9);
        EXPECT_EQ(std::vector<std::uint8_t>(out.plan[0].bytes.begin() + 4, out.plan[0].bytes.begin() + 8),
                  (std::vector<std::uint8_t>{10, 0, 0, 5}));
        for (const Step& s : out.plan) EXPECT_EQ(s.destination, Destination::BroadcastReplyPort);
    }
}

TEST(ProfileDiff, ReportsDifferencesInProfileTerms) {
    const DeviceRecord profile = profileFrom('4');
    DeviceRecord device = deviceWith('4', 7);
    copyProfileSettings(profile, device);
    EXPECT_TRUE(diffProfile(profile, device).empty());
    EXPECT_FALSE(diffProfile(profile, device, DiffScope::Everything).empty()) << "MAC and versions differ";

    device.ports[0].baudRate = 5;
    device.ports[3].stopBits = 9;
    device.ports[4].baudRate = 1;  // beyond the device's four ports
    setText(device.password, "other");
    const auto d = diffProfile(profile, device);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0], (ProfileDifference{"Device", "Password", "other", "tovin"}));
    EXPECT_EQ(d[1], (ProfileDifference{"Port1", "BitRate", "9600", "115200"}));
    EXPECT_EQ(d[2], (ProfileDifference{"Port4", "StopBit", "#9", "1"}));
}
