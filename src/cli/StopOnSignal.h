#pragma once
// Turns Ctrl-C (SIGINT) into a Qt signal on the event loop's own turn: the handler only writes a byte
// to a socket pair, so nothing unsafe runs inside it. While one exists, Ctrl-C asks for a stop instead
// of ending the process. POSIX only; elsewhere it never fires.
#include <QtCore/QObject>

class QSocketNotifier;

namespace tavrel::cli {

class StopOnSignal : public QObject {
    Q_OBJECT
  public:
    explicit StopOnSignal(QObject* parent = nullptr);
    ~StopOnSignal() override;

  signals:
    void stopRequested();

  private:
    void onSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tavrel::cli
