#pragma once
// Which program holds a local UDP port: the doctor's answer to "why does the tool hear nothing".
#include <cstdint>

#include "doctor/Doctor.h"

namespace tavrel {

// Free, or held (by the program and process found in /proc where the system has it).
PortState udpPortState(std::uint16_t port);

}  // namespace tavrel
