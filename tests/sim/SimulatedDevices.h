#pragma once
// Simulators built in the test process from device descriptions, on a device port of their own.
#include <QtGlobal>
#include <initializer_list>
#include <memory>

#include "DeviceDescription.h"
#include "SimTestSupport.h"
#include "Simulator.h"

namespace simtest {

// A simulator on a port of its own with the devices described; a bad description ends the test run.
inline std::unique_ptr<tavrel::sim::Simulator> simulate(std::initializer_list<const char*> texts) {
    auto sim = std::make_unique<tavrel::sim::Simulator>();
    sim->setDevicePort(freePort());
    std::vector<tavrel::sim::DeviceDescription> descriptions;
    std::string error;
    for (const char* text : texts) {
        auto description = tavrel::sim::parseDeviceDescription(text, error);
        if (!description) qFatal("%s: %s", text, error.c_str());
        descriptions.push_back(*description);
    }
    const auto configs = tavrel::sim::expandDescriptions(descriptions, error);
    if (!configs) qFatal("%s", error.c_str());
    QString bindError;
    for (const auto& config : *configs)
        if (!sim->addDevice(config, &bindError)) qFatal("%s", qPrintable(bindError));
    return sim;
}

}  // namespace simtest
