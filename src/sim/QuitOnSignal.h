#pragma once
// Ends the event loop on SIGINT and SIGTERM: the handler only writes to a pipe, and a socket
// notifier on the other end quits the application on the event loop's own turn.
#include <QObject>

class QSocketNotifier;

namespace tavrel::sim {

class QuitOnSignal : public QObject {
    Q_OBJECT
  public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;
    bool isActive() const { return notifier_ != nullptr; }

  private:
    void onSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tavrel::sim
