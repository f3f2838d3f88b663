#pragma once
// The process environment as the core sees it.
#include "protocol/NetworkSettings.h"

namespace tavrel {

EnvLookup processEnvironment();
// Network settings from TAVREL_* variables; problems go to the warning log.
NetworkSettings networkSettingsFromEnvironment();

}  // namespace tavrel
