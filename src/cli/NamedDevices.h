#pragma once
// Finding the devices a command names, by one search for all of them.
#include <vector>

#include "Commands.h"
#include "WriteRun.h"
#include "device/DeviceSelector.h"

namespace tavrel::cli {

// One search finds every named device; its table entry per selector (-1: not found). It ends early
// once every named device is read out, unless `everyone`: then every device of the LAN has its say
// (a command that hands out addresses must know them all). A device that lost replies is read again
// through the write workflow until whole, rather than refused as incomplete.
std::vector<int> findNamedDevices(Context& ctx, DeviceSession& session, CliWriter& writer,
                                  const std::vector<DeviceSelector>& selectors, bool everyone);

}  // namespace tavrel::cli
