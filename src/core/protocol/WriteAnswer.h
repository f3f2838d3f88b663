#pragma once
// A device's answer to a write: acknowledged (reply code 16) or refused (17), told apart by device.
#include <optional>

#include "device/DeviceRecord.h"
#include "util/Bytes.h"

namespace tavrel {

enum class WriteAnswer { Acknowledged, Refused };

// The answer the datagram carries from the device with this key; nothing for any other datagram.
std::optional<WriteAnswer> writeAnswerFrom(Bytes datagram, const DeviceKey& key);

}  // namespace tavrel
