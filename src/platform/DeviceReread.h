#pragma once
// Reads a device again after it changed itself (a restart, a factory reset, a save, a firmware
// upload): its search goes out each second until it has answered and been read whole, for 30 s at
// most, so that nothing the tool shows of it is what it was before the change.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <map>

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

    // Forgets what was read of the entry and asks it again each second. `broadcast`: the device may
    // answer from another address (a factory reset), so the search goes to every device.
    void start(int entry, bool broadcast = false);
    bool pending(int entry) const { return waits_.count(entry) != 0; }
    // A new search empties the table: every wait ends without a word.
    void cancelAll();

  signals:
    void started(int entry);
    void back(int entry);     // read whole again
    void notBack(int entry);  // no whole read-out within the limit

  private:
    struct Wait {
        QTimer* timer = nullptr;
        QElapsedTimer since;
        bool broadcast = false;
    };
    void tick(int entry);
    void check(int entry);
    void finish(int entry);

    DeviceSession& session_;
    std::map<int, Wait> waits_;
};

}  // namespace tavrel
