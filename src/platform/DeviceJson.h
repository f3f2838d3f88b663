#pragma once
// A device record as the CLI prints it: JSON for scripts, plain lines for people.
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include "device/DeviceRecord.h"
#include "device/ReadoutProgress.h"
#include "device/Secrets.h"

namespace tavrel {

// "complete" tells whether every block of the read-out arrived; "missing" lists the reply codes of
// those that did not. The passwords are masked unless `secrets` says Shown; every printed form of a
// device is built from this object, so none can print one unasked.
QJsonObject deviceJson(const DeviceRecord& record, const ReadoutProgress& progress, SecretDisplay secrets);
// One line of the search table: IP, MAC, firmware, hardware, and what was not read, if anything.
QString deviceRow(const DeviceRecord& record, const ReadoutProgress& progress);
// Everything the record holds, one field a line.
QString deviceDetails(const DeviceRecord& record, const ReadoutProgress& progress, SecretDisplay secrets);

}  // namespace tavrel
