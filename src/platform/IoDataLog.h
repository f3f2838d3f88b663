#pragma once
// The IO window's data log: every change of the board's channels as a CSV row, appended to a file
// the user chose. Rows wait in memory and go out in one write at least once a second, so a busy
// board costs the window thread one write a second rather than one per change.
#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <memory>
#include <vector>

#include "iocontrol/IoHistory.h"

class QFile;
class QTimer;

namespace tavrel {

class IoDataLog : public QObject {
    Q_OBJECT
  public:
    static constexpr int kFlushIntervalMs = 1000;
    // Past this many bytes waiting, they go out at once.
    static constexpr qsizetype kMaxPendingBytes = 256 * 1024;

    explicit IoDataLog(QObject* parent = nullptr);
    ~IoDataLog() override;

    // Opens `path` for appending (a header goes into an empty file); false with the reason.
    bool start(const QString& path, QString* error);
    // Writes what waits and closes the file.
    void stop();
    bool active() const { return file_ != nullptr; }
    QString path() const { return path_; }

    // Rows stamped with this computer's local time, milliseconds included.
    void append(const std::vector<IoChange>& changes);
    qsizetype pendingBytes() const { return pending_.size(); }
    long long rowsWritten() const { return rowsWritten_; }

  signals:
    // A write failed; the log has stopped.
    void failed(const QString& reason);

  private:
    void flush();

    std::unique_ptr<QFile> file_;
    QTimer* flushTimer_ = nullptr;
    QString path_;
    QByteArray pending_;
    long long pendingRows_ = 0;
    long long rowsWritten_ = 0;
};

}  // namespace tavrel
