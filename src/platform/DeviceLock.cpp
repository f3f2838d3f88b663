#include "DeviceLock.h"

#include <unistd.h>
#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLockFile>
#include <QtCore/QSaveFile>

namespace tavrel {

DeviceLock::DeviceLock(const Mac& mac) : stem_(folder() + '/' + QString::fromStdString(macText(mac))) {}

DeviceLock::~DeviceLock() = default;

QString DeviceLock::folder() {
    if (qEnvironmentVariableIsSet("TAVREL_HOME")) return qEnvironmentVariable("TAVREL_HOME") + "/locks";
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/tavrel-locks";
    return QDir::tempPath() + "/tavrel-locks-" + QString::number(getuid());
}

bool DeviceLock::tryLock() {
    // Without a folder for locks no other copy can be told apart; the write is not held up for it.
    if (!QDir().mkpath(folder())) return true;
    QFile::setPermissions(folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    lock_ = std::make_unique<QLockFile>(stem_ + ".lock");
    // A copy that died while writing leaves its lock behind; its process is gone, so it is taken.
    return lock_->tryLock(0);
}

qint64 DeviceLock::lastWrittenAt() const {
    QFile file(stem_ + ".written");
    if (!file.open(QIODevice::ReadOnly)) return 0;
    // "ms pid": this process knows its own writes.
    const QList<QByteArray> parts = file.readAll().trimmed().split(' ');
    if (parts.size() == 2 && parts[1].toLongLong() == QCoreApplication::applicationPid()) return 0;
    return parts.value(0).toLongLong();
}

void DeviceLock::markWritten() {
    QSaveFile file(stem_ + ".written");
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ' +
               QByteArray::number(QCoreApplication::applicationPid()));
    file.commit();
}

}  // namespace tavrel
