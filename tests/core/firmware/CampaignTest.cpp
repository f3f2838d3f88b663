// Firmware campaigns: the hardware check against the first found target, the verdict after an
// upload, and report lines a spreadsheet reads back as they were.
#include <gtest/gtest.h>

#include "firmware/Campaign.h"

using namespace tavrel;

TEST(Campaign, TheFirstFoundTargetsHardwareDecides) {
    const std::vector<CampaignTarget> targets = {{"gone", false, ""},
                                                 {"a", true, "S410"},
                                                 {"b", true, "S410"},
                                                 {"c", true, "S810"},
                                                 {"d", true, "N610"}};
    EXPECT_EQ(mismatchedHardware(targets), (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(
        mismatchRefusal(targets, {3, 4}),
        "the devices' hardware differs from the first's (a: S410): c (S810), d (N610); nothing was sent. Add "
        "--mixed to upgrade them all with this image");
    EXPECT_TRUE(mismatchedHardware({targets[0], targets[1], targets[2]}).empty());

    // Each verdict with its name for scripts and its words for people.
    const struct {
        VerifyOutcome outcome;
        const char* name;
        const char* message;
    } verdicts[] = {{verifyOutcome("V143", "V145"), "upgraded", "upgraded (V143 → V145)"},
                    {verifyOutcome("V143", "V143"), "unchanged", "unchanged"},
                    {verifyOutcome("V143", std::nullopt), "did-not-come-back", "did not come back"}};
    for (const auto& v : verdicts) {
        EXPECT_EQ(verifyResultName(v.outcome), v.name);
        EXPECT_EQ(verifyMessage(v.outcome, "V143", "V145"), v.message);
    }
}
