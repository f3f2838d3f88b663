#pragma once
// Reads a device again after it changed itself (a restart, a factory reset, a save, a firmware
// upload): its search goes out each second until it has answered and been read whole, for 30 s at
// most, so that nothing the tool shows of it is what it was before the change.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <map>
#include <optional>

#include "device/DeviceRecord.h"

class QTimer;

namespace tavrel {

class DeviceSession;

class DeviceReread : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 1000;
    static constexpr int kLimitMs = 30000;

    explicit DeviceReread(DeviceSession& session, QObject* parent = nullptr);
    ~DeviceReread() override;

    // Tests shorten the waits; the programs keep the defaults.
    void setTimings(int intervalMs, int limitMs);
    int limitMs() const { return limitMs_; }

    // Forgets what was read of the entry and asks it again each second. `broadcast`: the device may
    // answer from another address (a factory reset, a new IP), so the search goes to every device.
    // `newKey`: a write changed the MAC, so the device answers under another key (and entry).
    void start(int entry, bool broadcast = false, std::optional<DeviceKey> newKey = std::nullopt);
    bool pending(int entry) const { return waits_.count(entry) != 0; }
    // A new search empties the table: every wait ends without a word.
    void cancelAll();

  signals:
    void started(int entry);
    void back(int entry);       // read whole again, at this entry (another one when the key changed)
    void notBack(int entry);    // no whole read-out within the limit
    void cancelled(int entry);  // a new search ended the wait

  private:
    struct Wait {
        QTimer* timer = nullptr;
        QElapsedTimer since;
        bool broadcast = false;
        DeviceKey key{};
    };
    void tick(int entry);
    void check(int entry);
    void finish(int entry);

    DeviceSession& session_;
    std::map<int, Wait> waits_;
    int intervalMs_ = kIntervalMs;
    int limitMs_ = kLimitMs;
};

}  // namespace tavrel
