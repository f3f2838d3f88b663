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
    // A port that does not read only falls back to its default; an address could fall back to the
    // limited broadcast.
    for (const std::string& p : problems)
        if (p.rfind("TAVREL_BROADCAST", 0) == 0 || p.rfind("TAVREL_BIND", 0) == 0) return p;
    return std::nullopt;
}

}  // namespace tavrel
