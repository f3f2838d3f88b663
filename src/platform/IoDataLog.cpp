#include "IoDataLog.h"

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QTimer>

namespace tavrel {

IoDataLog::IoDataLog(QObject* parent) : QObject(parent), flushTimer_(new QTimer(this)) {
    connect(flushTimer_, &QTimer::timeout, this, &IoDataLog::flush);
}

IoDataLog::~IoDataLog() {
    stop();
}

bool IoDataLog::start(const QString& path, QString* error) {
    stop();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error) *error = file->errorString();
        return false;
    }
    if (file->size() == 0 && file->write(kIoChangeCsvHeader) < 0) {
        if (error) *error = file->errorString();
        return false;
    }
    file->flush();
    file_ = std::move(file);
    path_ = path;
    flushTimer_->start(kFlushIntervalMs);
    return true;
}

void IoDataLog::stop() {
    if (!file_) return;
    flush();
    flushTimer_->stop();
    if (file_) file_->close();
    file_.reset();
}

void IoDataLog::append(const std::vector<IoChange>& changes) {
    if (!file_ || changes.empty()) return;
    const std::string time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString();
    for (const IoChange& change : changes)
        pending_ += QByteArray::fromStdString(ioChangeCsvRow(time, change));
    pendingRows_ += static_cast<long long>(changes.size());
    if (pending_.size() >= kMaxPendingBytes) flush();
}

void IoDataLog::flush() {
    if (!file_ || pending_.isEmpty()) return;
    const bool ok = file_->write(pending_) == pending_.size() && file_->flush();
    pending_.clear();
    if (!ok) {
        const QString reason = file_->errorString();
        flushTimer_->stop();
        file_->close();
        file_.reset();
        emit failed(reason);
        return;
    }
    rowsWritten_ += pendingRows_;
    pendingRows_ = 0;
}

}  // namespace tavrel
