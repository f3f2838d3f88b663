// The TAVREL_* overrides that keep tests and demos on loopback: each value at its limits, and a bad
// one reported and left at the default rather than half taken.
#include <gtest/gtest.h>

#include <map>

#include "protocol/NetworkSettings.h"

using namespace tavrel;

namespace {

NetworkSettings settingsFrom(const std::map<std::string, std::string>& env,
                             std::vector<std::string>* problems) {
    return networkSettingsFrom(
        [&](const char* name) -> std::optional<std::string> {
            auto it = env.find(name);
            if (it == env.end()) return std::nullopt;
            return it->second;
        },
        problems);
}

}  // namespace

TEST(NetworkSettings, ValuesAtTheirLimitsAreTakenAndOnePastIsReported) {
    std::vector<std::string> problems;
    const NetworkSettings s = settingsFrom({{"TAVREL_BROADCAST", "127.255.255.255"},
                                            {"TAVREL_BIND", "127.0.0.1"},
                                            {"TAVREL_DEVICE_PORT", "65535"},
                                            {"TAVREL_LOCAL_PORT", "0"},
                                            {"TAVREL_TFTP_PORT", "6969"}},
                                           &problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(s.broadcast, "127.255.255.255");
    EXPECT_EQ(s.bindAddress, "127.0.0.1");
    EXPECT_EQ(s.devicePort, 65535);
    EXPECT_EQ(s.localPort, 0);
    EXPECT_EQ(s.tftpPort, 6969);

    const NetworkSettings bad = settingsFrom({{"TAVREL_BROADCAST", "127.255.255.256"},
                                              {"TAVREL_BIND", ""},  // empty: not set
                                              {"TAVREL_DEVICE_PORT", "65536"},
                                              {"TAVREL_LOCAL_PORT", "-1"},
                                              {"TAVREL_TFTP_PORT", "69x"}},
                                             &problems);
    EXPECT_EQ(problems, (std::vector<std::string>{"TAVREL_BROADCAST is not an IPv4 address: 127.255.255.256",
                                                  "TAVREL_DEVICE_PORT is not a port number: 65536",
                                                  "TAVREL_LOCAL_PORT is not a port number: -1",
                                                  "TAVREL_TFTP_PORT is not a port number: 69x"}));
    EXPECT_EQ(bad.broadcast, NetworkSettings{}.broadcast);
    EXPECT_EQ(bad.devicePort, 1111);
    EXPECT_EQ(bad.localPort, 4601);
    EXPECT_EQ(bad.tftpPort, 69);
}

TEST(NetworkSettings, AnAddressIsFourNumbersOfUpToThreeDigits) {
    for (const char* good : {"0.0.0.0", "255.255.255.255", "127.000.0.001"})
        EXPECT_TRUE(isDottedIpv4(good)) << good;
    for (const char* bad : {"127.0.0", "127.0.0.1.", "127.0.0.1.1", "127..0.1", "0127.0.0.1", "127.0.0.-1",
                            "127.0.0.1 ", "256.0.0.1", ""})
        EXPECT_FALSE(isDottedIpv4(bad)) << bad;
}
