// Addresses a device cannot hold are refused only where the user changed them; the unusual but
// valid ones are warnings.
#include "settings/DeviceAddressRules.h"

#include <gtest/gtest.h>

#include "protocol/Commands.h"
#include "settings/AddressText.h"

using namespace tavrel;

namespace {

struct Addresses {
    const char* ip;
    const char* mask;
    const char* gateway;
    const char* dns;
    const char* mac;
};

constexpr Addresses kHeld = {"127.0.0.5", "255.0.0.0", "127.0.0.1", "127.0.0.1", "00-CA-C1-19-00-05"};

NetworkFormInput formOf(const Addresses& a) {
    NetworkFormInput f;
    f.ip = a.ip;
    f.mask = a.mask;
    f.gateway = a.gateway;
    f.dns = a.dns;
    f.mac = a.mac;
    f.user = "admin";
    return f;
}

DeviceRecord heldRecord() {
    DeviceRecord d;
    d.ipType = 1;
    d.network = {*parseIpv4(kHeld.ip), *parseIpv4(kHeld.mask), *parseIpv4(kHeld.gateway),
                 *parseIpv4(kHeld.dns)};
    d.mac = *parseMac(kHeld.mac);
    setText(d.user, "admin");
    setText(d.password, "pw");
    d.identity.bytes[5] = '4';
    return d;
}

}  // namespace

TEST(DeviceAddressRules, RefusedAllowedKeptAndWarned) {
    struct Case {
        Addresses form;
        const char* refusal;  // English text, or "" when the save goes out
        const char* warning = "";
    };
    const Case cases[] = {
        // Kept as the device reports them: loopback and a gateway outside the subnet pass unasked.
        {kHeld, ""},
        {{"0.0.0.0", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 0.0.0.0 is the unspecified address; a device cannot hold it."},
        {{"255.255.255.255", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 255.255.255.255 is the broadcast address; a device cannot hold it."},
        {{"224.0.0.1", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 224.0.0.1 is a multicast address; a device cannot hold it."},
        {{"250.1.1.1", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 250.1.1.1 is in the reserved"},
        {{"127.0.0.9", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 127.0.0.9 is a loopback address; a device cannot hold it."},
        {{"0.1.2.3", "255.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 0.1.2.3 is in 0.0.0.0/8"},
        {{"192.168.1.0", "255.255.255.0", "192.168.1.1", "127.0.0.1", kHeld.mac},
         "IP address: 192.168.1.0 is the network address of its subnet (mask 255.255.255.0); a device cannot "
         "hold it."},
        {{"10.1.255.255", "255.255.0.0", "10.1.0.1", "127.0.0.1", kHeld.mac},
         "IP address: 10.1.255.255 is the broadcast address of its subnet (mask 255.255.0.0)"},
        // /31 has no network or broadcast address of its own; /32 leaves no neighbour.
        {{"10.0.0.0", "255.255.255.254", "0.0.0.0", "127.0.0.1", kHeld.mac}, ""},
        {{"10.0.0.1", "255.255.255.255", "0.0.0.0", "127.0.0.1", kHeld.mac},
         "Subnet mask: 255.255.255.255 leaves no"},
        {{"127.0.0.5", "255.0.255.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "Subnet mask: 255.0.255.0 is not a mask"},
        {{"127.0.0.5", "0.0.0.0", "127.0.0.1", "127.0.0.1", kHeld.mac},
         "Subnet mask: 0.0.0.0 leaves no network"},
        {{"127.0.0.5", "255.0.0.0", "224.0.0.9", "127.0.0.1", kHeld.mac},
         "Gateway: 224.0.0.9 is a multicast"},
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1", "0.0.0.7", kHeld.mac},
         "DNS server: 0.0.0.7 is in 0.0.0.0/8"},
        {{"127.0.0.5", "255.0.0.0", "0.0.0.0", "0.0.0.0", kHeld.mac}, ""},  // none is allowed
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1", "127.0.0.1", "FF-FF-FF-FF-FF-FF"},
         "MAC address: FF-FF-FF-FF-FF-FF is a group (multicast) address"},
        {{"127.0.0.5", "255.0.0.0", "127.0.0.1", "127.0.0.1", "00-00-00-00-00-00"},
         "MAC address: 00-00-00-00-00-00 is all"},
        {{"192.168.1.20", "255.255.255.0", "192.168.1.1", "8.8.8.8", "02-00-00-00-00-01"}, ""},
        // Valid, but asked about first.
        {{"192.168.1.20", "255.255.255.0", "10.0.0.1", "8.8.8.8", kHeld.mac},
         "",
         "Gateway: 10.0.0.1 is outside the device's subnet 192.168.1.0/24; the device cannot reach it "
         "directly."},
        {{"192.168.1.30", "255.255.255.0", "192.168.1.1", "8.8.8.8", kHeld.mac},
         "",
         "IP address: 192.168.1.30 is already held by another device in the list."},
    };
    const Ipv4 others[] = {{192, 168, 1, 30}, {127, 0, 0, 5}};
    for (const Case& c : cases) {
        DeviceRecord d = heldRecord();
        const DeviceRecord before = d;
        const NetworkFormInput form = formOf(c.form);
        std::string warnings;
        for (const auto& w : networkFormWarnings(form, d, others)) warnings += settingsMessage(w, 9);
        EXPECT_EQ(warnings, c.warning) << c.form.ip;
        const CommandOutcome out = saveNetworkCommand(&d, form, 9);
        if (*c.refusal == '\0') {
            EXPECT_EQ(out.status, CommandStatus::Ready)
                << c.form.ip << " " << c.form.mask << ": " << out.message;
            continue;
        }
        EXPECT_EQ(out.status, CommandStatus::Refused) << c.refusal;
        EXPECT_EQ(out.message.rfind(c.refusal, 0), 0u) << out.message;
        EXPECT_TRUE(out.plan.empty());
        EXPECT_EQ(d, before);
    }
}

TEST(DeviceAddressRules, AccountTextsOverTheirFieldAreRefusedNotCut) {
    DeviceRecord d = heldRecord();
    NetworkFormInput form = formOf(kHeld);
    form.password = "LongPass123";
    EXPECT_EQ(saveNetworkCommand(&d, form, 9).message, "Password: at most 8 bytes; the text has 11.");
    EXPECT_EQ(saveNetworkCommand(&d, form, 4).message, "密码：最多 8 个字节，输入的有 11 个。");
    form.password = "pw";
    form.user = "administrator";
    EXPECT_EQ(saveNetworkCommand(&d, form, 9).message, "User name: at most 8 bytes; the text has 13.");
    // A full field the device holds without a zero goes back as read.
    setText(d.user, "12345678");
    form.user = "12345678";
    EXPECT_EQ(saveNetworkCommand(&d, form, 9).status, CommandStatus::Ready);
    // Chinese message, field named in Chinese.
    form.ip = "224.0.0.1";
    EXPECT_EQ(saveNetworkCommand(&d, form, 4).message, "IP地址：224.0.0.1 是组播地址，设备不能使用。");
}
