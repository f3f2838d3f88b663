#include "Environment.h"

#include <QtCore/QDebug>
#include <QtCore/QtGlobal>

namespace tavrel {

EnvLookup processEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
        return qEnvironmentVariable(name).toStdString();
    };
}

NetworkSettings networkSettingsFromEnvironment() {
    std::vector<std::string> problems;
    NetworkSettings s = networkSettingsFrom(processEnvironment(), &problems);
    for (const auto& p : problems) qWarning("%s", p.c_str());
    return s;
}

std::optional<std::string> environmentProblem() {
    std::vector<std::string> problems;
    networkSettingsFrom(processEnvironment(), &problems);
    if (problems.empty()) return std::nullopt;
    return problems.front();
}

}  // namespace tavrel
