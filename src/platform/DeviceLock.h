#pragma once
// Keeps two copies of the tool on one computer from writing one device at once, and tells a write
// planned from an older read-out that another copy has written the device since.
#include <QtCore/QString>
#include <memory>
#include <optional>

#include "device/DeviceRecord.h"

class QLockFile;

namespace tavrel {

class DeviceLock {
  public:
    explicit DeviceLock(const Mac& mac);
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // False when another process holds the device.
    bool tryLock();
    // When another process last finished a write to the device (ms since the epoch); 0 if never.
    qint64 lastWrittenAt() const;
    // Called by the holder once its frames went out.
    void markWritten();

    // $TAVREL_HOME/locks when set (tests), else the user's runtime folder.
    static QString folder();

  private:
    QString stem_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tavrel
