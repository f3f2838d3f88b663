#pragma once
// A firmware campaign over many devices: which targets fit the first one's hardware, what a device
// that answered again after its upload is reported as, and the report's CSV lines.
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

struct CampaignTarget {
    std::string name;  // as the user named it
    bool found = false;
    std::string hardware;  // the hardware text the device reports
};

// The targets whose hardware differs from the first found target's, in order; empty when they agree.
std::vector<std::size_t> mismatchedHardware(const std::vector<CampaignTarget>& targets);
// "the devices' hardware differs from the first's (A: S410): B (S810), C (N610); ..."
std::string mismatchRefusal(const std::vector<CampaignTarget>& targets,
                            const std::vector<std::size_t>& mismatched);

enum class VerifyOutcome { Upgraded, Unchanged, DidNotComeBack };

// After an upload: the firmware text the device reports now, or nothing when it never answered.
VerifyOutcome verifyOutcome(const std::string& before, const std::optional<std::string>& after);
// "upgraded", "unchanged", "did-not-come-back"
std::string verifyResultName(VerifyOutcome outcome);
// "upgraded (V143 → V145)", "unchanged", "did not come back"
std::string verifyMessage(VerifyOutcome outcome, const std::string& before, const std::string& after);

}  // namespace tavrel
