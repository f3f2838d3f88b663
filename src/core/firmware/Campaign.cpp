#include "firmware/Campaign.h"

namespace tavrel {

std::vector<std::size_t> mismatchedHardware(const std::vector<CampaignTarget>& targets) {
    std::vector<std::size_t> out;
    const CampaignTarget* first = nullptr;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i].found) continue;
        if (first == nullptr)
            first = &targets[i];
        else if (targets[i].hardware != first->hardware)
            out.push_back(i);
    }
    return out;
}

std::string mismatchRefusal(const std::vector<CampaignTarget>& targets,
                            const std::vector<std::size_t>& mismatched) {
    std::string text;
    for (const CampaignTarget& t : targets)
        if (t.found) {
            text = "the devices' hardware differs from the first's (" + t.name + ": " + t.hardware + "): ";
            break;
        }
    for (std::size_t n = 0; n < mismatched.size(); ++n) {
        const CampaignTarget& t = targets[mismatched[n]];
        text += (n ? ", " : "") + t.name + " (" + t.hardware + ")";
    }
    return text + "; nothing was sent. Add --mixed to upgrade them all with this image";
}

VerifyOutcome verifyOutcome(const std::string& before, const std::optional<std::string>& after) {
    if (!after) return VerifyOutcome::DidNotComeBack;
    return *after == before ? VerifyOutcome::Unchanged : VerifyOutcome::Upgraded;
}

std::string verifyResultName(VerifyOutcome outcome) {
    switch (outcome) {
        case VerifyOutcome::Upgraded:
            return "upgraded";
        case VerifyOutcome::Unchanged:
            return "unchanged";
        case VerifyOutcome::DidNotComeBack:
            break;
    }
    return "did-not-come-back";
}

std::string verifyMessage(VerifyOutcome outcome, const std::string& before, const std::string& after) {
    switch (outcome) {
        case VerifyOutcome::Upgraded:
            return "upgraded (" + before + " → " + after + ")";
        case VerifyOutcome::Unchanged:
            return "unchanged";
        case VerifyOutcome::DidNotComeBack:
            break;
    }
    return "did not come back";
}

}  // namespace tavrel
