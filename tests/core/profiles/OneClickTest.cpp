// One-click configuration and the profile comparison: what is copied, what stays, the frames and
// gaps of the plan, and which differences are reported.
#include <gtest/gtest.h>

#include <algorithm>

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
    r.ipType = 1;
    // Every field a profile carries differs from the profile's, so a field left uncopied shows.
    for (PortRecord& p : r.ports) {
        p = PortRecord{5, 2, 7, 2, 3, {7, 7, 7, 7, 7}, 4001, 4002, 1, 2, 0, 1};
        setText(p.remoteHost, "device.lan");
        setText(p.heartbeatData, "dev-beat");
        p.heartbeatInterval = 77;
        p.modbusTimeout = 250;
        p.portFlag = 3;
    }
    r.ports[0].cloud = 1;
    setText(r.ports[0].cloudId, "cloud-id");
    return r;
}

// Port 1 at 115200 with a host and a heartbeat interval; everything else the defaults.
DeviceRecord profileFrom(char portCountChar, const std::string& more = "") {
    return readProfile(
        PrivateProfile::parse(more + "[Info]\nHardwareVersion=S" + portCountChar +
                              "\n[*****************Device****************]\nIpAddress=10.0.0.5\n"
                              "[*****************Port1*****************]\nBitRate=115200\n"
                              "RemoteIp=example.org\nHeartbeatInterval=45\n"));
}

}  // namespace

TEST(OneClick, CopiesOnlyWhatAProfileCarries) {
    // Data bits one past the list (a file can hold any number) and the list's last.
    const DeviceRecord profile = profileFrom(
        '4', "[" + profilePortSection(1) + "]\nDataBit=10\n[" + profilePortSection(2) + "]\nDataBit=9\n");
    ASSERT_EQ(profile.ports[1].dataBits, 10);
    ASSERT_EQ(profile.ports[2].dataBits, 9);
    DeviceRecord device = deviceWith('4', 7);
    const DeviceRecord before = device;
    copyProfileSettings(profile, device);
    EXPECT_EQ(device.network, profile.network);
    EXPECT_EQ(textOf(device.user), "admin");
    EXPECT_EQ(device.mac, before.mac);
    EXPECT_EQ(device.identity, before.identity);
    for (std::size_t i = 0; i < kPortCount; ++i) {
        PortRecord expected = profile.ports[i];        // what the profile carries...
        expected.reserved = before.ports[i].reserved;  // ...and what it does not, kept
        expected.modbusTimeout = 250;
        expected.portFlag = 3;
        expected.cloud = before.ports[i].cloud;
        expected.cloudId = before.ports[i].cloudId;
        if (i == 1) expected.dataBits = before.ports[i].dataBits;  // off the list: the device's own stays
        EXPECT_EQ(device.ports[i], expected) << i;
    }
}

TEST(OneClick, RefusalsSendNothingAndChangeNothing) {
    const DeviceRecord profile = profileFrom('4');
    EXPECT_EQ(oneClickCommand(nullptr, &profile, kEnglishLanguageCode).status, OneClickStatus::NoDevice);
    DeviceRecord eight = deviceWith('8', 8);
    EXPECT_EQ(oneClickCommand(&eight, nullptr, kEnglishLanguageCode).status, OneClickStatus::NoProfile);
    const DeviceRecord before = eight;
    const OneClickOutcome mismatch = oneClickCommand(&eight, &profile, kEnglishLanguageCode);
    EXPECT_EQ(mismatch.status, OneClickStatus::PortCountMismatch);
    EXPECT_TRUE(mismatch.plan.empty());

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
        device.ioOptions = {2, 1};  // a profile carries no input options: the device's go back unchanged
        const OneClickOutcome out = oneClickCommand(&device, &profile, kEnglishLanguageCode);
        ASSERT_EQ(out.status, OneClickStatus::Ready) << c;
        EXPECT_EQ(device.ioOptions, (std::array<std::uint8_t, 2>{2, 1}));
        ASSERT_GT(out.plan.size(), 2u);
        EXPECT_EQ(out.plan[2].bytes[3], 10);  // the input options frame
        EXPECT_EQ(std::vector<std::uint8_t>(out.plan[2].bytes.begin() + 4, out.plan[2].bytes.begin() + 6),
                  (std::vector<std::uint8_t>{2, 1}));
        EXPECT_EQ(std::count(out.plan[2].bytes.begin() + 6, out.plan[2].bytes.begin() + 20, 0), 14)
            << "the rest of its data is zeros";
        EXPECT_EQ(device.network, profile.network) << "the record holds what was sent";
        std::vector<std::uint8_t> subs;
        for (const Step& s : out.plan) subs.push_back(s.bytes[3]);

        // The network save (with its commit unless the device is '1'), then port 1's host.
        const bool commits = c != '1';
        const std::size_t portStart = commits ? 5 : 4;
        ASSERT_GT(subs.size(), portStart);
        EXPECT_EQ(subs[3], subcode::kAccount);
        EXPECT_EQ(subs[portStart], subcode::kRemoteHostFirst[0]);
        EXPECT_EQ(std::count(subs.begin(), subs.end(), subcode::kCommit), commits ? 2 : 0) << c;
        EXPECT_EQ(subs.back(), commits ? subcode::kCommit : subcode::kHeartbeatIntervals) << c;
        EXPECT_EQ(out.plan.front().gapMs, kSaveStartGapMs);
        EXPECT_EQ(out.plan[portStart].gapMs, (commits ? 0 : 10) + kOneClickGapMs + kSaveStartGapMs) << c;
        // The MAC frame carries the device's own MAC, the network frame the profile's address.
        EXPECT_EQ(out.plan[1].bytes[4 + 5], 9);
        EXPECT_EQ(std::vector<int>(out.plan[0].bytes.begin() + 4, out.plan[0].bytes.begin() + 8),
                  (std::vector<int>{10, 0, 0, 5}));
    }
}

TEST(ProfileDiff, ReportsDifferencesInProfileTerms) {
    // An eight-port profile against a four-port device: only the device's ports are compared.
    const DeviceRecord profile = profileFrom('8');
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
    EXPECT_EQ(d[0], (ProfileDifference{"Device", "Password", "other", "tovin", true}));
    EXPECT_EQ(d[1], (ProfileDifference{"Port1", "BitRate", "9600", "115200"}));
    EXPECT_EQ(d[2], (ProfileDifference{"Port4", "StopBit", "#9", "1"}));
}
