#pragma once
// A device record as the CLI prints it: JSON for scripts, plain lines for people.
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include "device/DeviceRecord.h"

namespace tavrel::cli {

QJsonObject deviceJson(const DeviceRecord& record);
// "serial", "302", "830", "866", "250".
QString formName(const DeviceRecord& record);
// One line of the search table: IP, MAC, firmware, hardware.
QString deviceRow(const DeviceRecord& record);
// Everything the record holds, one field a line.
QString deviceDetails(const DeviceRecord& record);

}  // namespace tavrel::cli
