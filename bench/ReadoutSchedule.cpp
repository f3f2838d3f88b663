// The read-out schedule as if devices were read one after another: the sum of every read-out
// plan's gaps for the devices a simulator description yields. Discovery is measured against it.
//   bench-schedule DESCRIPTION...   (the same descriptions tavrel-sim takes with --device)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "DeviceDescription.h"
#include "DeviceSettings.h"
#include "protocol/Readout.h"
#include "protocol/Search.h"

int main(int argc, char* argv[]) {
    using namespace tavrel;
    std::vector<sim::DeviceDescription> descriptions;
    std::string error;
    for (int i = 1; i < argc; ++i) {
        auto description = sim::parseDeviceDescription(argv[i], error);
        if (!description) {
            std::fprintf(stderr, "bench-schedule: %s\n", error.c_str());
            return 2;
        }
        descriptions.push_back(*description);
    }
    const auto configs = sim::expandDescriptions(descriptions, error);
    if (!configs || configs->empty()) {
        std::fprintf(stderr, "bench-schedule: %s\n", error.empty() ? "no devices" : error.c_str());
        return 2;
    }
    long long totalMs = kFirstSearchDelayMs;
    std::size_t steps = 0;
    for (const auto& config : *configs) {
        Identity identity;
        const sim::Block block = sim::identityOf(config);
        std::copy_n(block.begin(), identity.bytes.size(), identity.bytes.begin());
        const Plan plan = readoutPlan(identity, DeviceKey{}, 0);
        steps += plan.size();
        for (const Step& step : plan) totalMs += step.gapMs;
    }
    std::printf("devices %zu requests %zu serial_ms %lld\n", configs->size(), steps, totalMs);
    return 0;
}
