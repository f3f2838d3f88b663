// The addresses a profile hands out: runs from --ip-from up to the last host address and no
// further, and no address that a listed device other than the one it goes to already holds.
#include <gtest/gtest.h>

#include "profiles/AddressPlan.h"

using namespace tavrel;

namespace {

// Entries 0-3 in use at 10.0.0.2 .. 10.0.0.5.
DeviceTable fourDevices() {
    DeviceTable table;
    for (std::uint8_t i = 0; i < 4; ++i) {
        table[i].inUse = 1;
        table[i].mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, i};
        table[i].network.ip = {10, 0, 0, static_cast<std::uint8_t>(2 + i)};
    }
    return table;
}

AddressPlanRequest from(Ipv4 first, std::vector<std::size_t> targets) {
    AddressPlanRequest r;
    r.targets = std::move(targets);
    r.profileAddress = {10, 0, 0, 99};
    r.firstAddress = first;
    return r;
}

}  // namespace

TEST(AddressPlan, RunsEndAtTheLastHostAddress) {
    const DeviceTable table = fourDevices();
    struct Case {
        Ipv4 first;
        std::size_t count;
        std::vector<Ipv4> want;  // empty: refused
    };
    const Case cases[] = {
        {{10, 0, 1, 253}, 2, {{10, 0, 1, 253}, {10, 0, 1, 254}}},
        {{10, 0, 1, 254}, 2, {}},
        {{10, 0, 1, 1}, 1, {{10, 0, 1, 1}}},
        {{10, 0, 1, 0}, 1, {}},
        {{10, 0, 0, 255}, 1, {}},
        {{255, 255, 255, 253}, 4, {}},  // past the end of the address space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ipv4Text(c.first) + " x" + std::to_string(c.count));
        std::vector<std::size_t> targets(c.count);
        for (std::size_t i = 0; i < c.count; ++i) targets[i] = i;
        const AddressPlan plan = planAddresses(table, from(c.first, targets));
        EXPECT_EQ(plan.refused(), c.want.empty());
        if (c.want.empty()) continue;
        EXPECT_EQ(plan.addresses, c.want);
    }
    EXPECT_EQ(planAddresses(table, from({255, 255, 255, 253}, {0, 1, 2, 3})).error,
              "--ip-from: not enough addresses after 255.255.255.253");
    EXPECT_EQ(planAddresses(table, from({10, 0, 1, 254}, {0, 1})).error,
              "--ip-from: the run of 2 addresses from 10.0.1.254 reaches 10.0.1.255, which is no host address");
}

TEST(AddressPlan, AnAddressHeldByAnotherListedDeviceIsRefusedUnlessItMovesAway) {
    const DeviceTable table = fourDevices();
    // Entry 3 holds 10.0.0.5 and is no target.
    EXPECT_EQ(planAddresses(table, from({10, 0, 0, 5}, {0})).error,
              "the address 10.0.0.5 belongs to the listed device 00-CA-C1-00-00-03; nothing was sent (--same-ip "
              "allows it)");
    EXPECT_TRUE(planAddresses(table, from({10, 0, 0, 5}, {0})).addresses.empty());
    // Entries 0 and 1 take 10.0.0.3 and .4: 1 leaves .3 for 0, and .4 is 2's, which is no target.
    EXPECT_TRUE(planAddresses(table, from({10, 0, 0, 3}, {0, 1})).refused());
    // Shifted down by one, each address is freed by the device moving on.
    const AddressPlan shifted = planAddresses(table, from({10, 0, 0, 1}, {0, 1, 2}));
    EXPECT_FALSE(shifted.refused()) << shifted.error;
    EXPECT_EQ(shifted.addresses, (std::vector<Ipv4>{{10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}}));
    // Shifted up, the last lands on entry 3, which stays.
    EXPECT_TRUE(planAddresses(table, from({10, 0, 0, 3}, {0, 1, 2})).refused());
    // A device keeping its own address is no conflict.
    EXPECT_FALSE(planAddresses(table, from({10, 0, 0, 2}, {0})).refused());

    AddressPlanRequest same = from({}, {0, 1});
    same.firstAddress.reset();
    EXPECT_EQ(planAddresses(table, same).error,
              "the profile would give all 2 devices the address 10.0.0.99; give --ip-from ADDR for consecutive "
              "addresses, or --same-ip to allow it");
    same.sameAllowed = true;
    EXPECT_EQ(planAddresses(table, same).addresses, (std::vector<Ipv4>{{10, 0, 0, 99}, {10, 0, 0, 99}}));
    same.dhcp = true;
    EXPECT_TRUE(planAddresses(table, same).addresses.empty());
}
