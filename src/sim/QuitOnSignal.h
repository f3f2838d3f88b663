#pragma once
// Ends the event loop on SIGINT and SIGTERM (on Windows: the console's Ctrl+C and Ctrl+Break), on the
// event loop's own turn: the POSIX handler only writes to a pipe that a socket notifier reads.
#include <QObject>

class QSocketNotifier;

namespace tavrel::sim {

class QuitOnSignal : public QObject {
    Q_OBJECT
  public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;
    bool isActive() const { return active_; }

  private:
    void onSignal();
    QSocketNotifier* notifier_ = nullptr;
    bool active_ = false;
};

}  // namespace tavrel::sim
