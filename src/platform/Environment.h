#pragma once
// The process environment as the core sees it.
#include <optional>
#include <string>

#include "protocol/NetworkSettings.h"

namespace tavrel {

EnvLookup processEnvironment();
// Network settings from TAVREL_* variables; problems go to the warning log.
NetworkSettings networkSettingsFromEnvironment();
// The first TAVREL_* network variable that does not read, named with its value. The programs stop on
// it: falling back to a default could send to the limited broadcast.
std::optional<std::string> environmentProblem();

}  // namespace tavrel
