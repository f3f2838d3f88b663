#include "protocol/Readout.h"

#include <initializer_list>

#include "device/DeviceCapabilities.h"
#include "protocol/Requests.h"

namespace tavrel {

Plan readoutPlan(const Identity& identity, const DeviceKey& key, std::uint16_t replyPort) {
    Plan plan;
    auto add = [&](std::initializer_list<std::uint8_t> subs, int gapMs = kReadoutGapMs) {
        for (auto sub : subs) {
            plan.push_back(Step{gapMs, readRequest(sub, key), Destination::BroadcastReplyPort, replyPort});
        }
    };
    const bool newFirmware = reportsHeartbeatData(identity);
    const char ports = identity.portCountChar();

    add({2, 3, 4, 5, 6, 7});
    if (identity.extraQueryFlag() == 1) add({subcode::kModbusTimeouts}, kExtraQueryGapMs);
    add({18, 19, 20});
    if (newFirmware) add({55, 56});
    add({subcode::kHeartbeatIntervals, 10});
    if (ports == '1') {
        add({21});
        return plan;
    }
    add({23, 24, 25, 32, 33});
    if (newFirmware) add({57, 58});
    if (ports == '4') {
        add({34});
        return plan;
    }
    add({36, 37, 38, 39, 40});
    if (newFirmware) add({59, 60});
    if (ports == '6') {
        add({41});
        return plan;
    }
    add({48, 49, 50, 51, 52});
    if (newFirmware) add({61, 62});
    add({54});
    return plan;
}

}  // namespace tavrel
