#pragma once
// The device list as CSV: every field the JSON of a device carries, flattened ("network.ip",
// "port1.baud"), one row a device, so that whatever the JSON shows or hides the CSV does too.
#include <string>
#include <vector>

#include "device/DeviceTable.h"
#include "device/Secrets.h"

namespace tavrel {

// Entries 0 .. count-1 of the table.
std::string devicesCsv(const DeviceTable& table, std::size_t count, SecretDisplay secrets);
// One entry.
std::string deviceCsv(const DeviceTable& table, std::size_t index, SecretDisplay secrets);

}  // namespace tavrel
