#include "PortHolder.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtNetwork/QUdpSocket>
#include <set>

namespace tavrel {

namespace {

// Socket inodes bound to the port, from the kernel's tables ("0100007F:11F9 ... inode").
std::set<QString> socketInodes(std::uint16_t port) {
    std::set<QString> inodes;
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly)) continue;
        file.readLine();  // the heading
        while (!file.atEnd()) {
            const QStringList fields = QString::fromLatin1(file.readLine()).simplified().split(' ');
            if (fields.size() < 10) continue;
            const QString local = fields[1];
            bool ok = false;
            const uint localPort = local.mid(local.lastIndexOf(':') + 1).toUInt(&ok, 16);
            if (ok && localPort == port) inodes.insert(fields[9]);
        }
    }
    return inodes;
}

void findHolder(const std::set<QString>& inodes, PortState& state) {
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const int number = pid.toInt(&isPid);
        if (!isPid) continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = fd.symLinkTarget();
            const QString name = target.mid(target.lastIndexOf('/') + 1);
            if (!name.startsWith(QStringLiteral("socket:["))) continue;
            if (!inodes.count(name.mid(8, name.size() - 9))) continue;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            if (comm.open(QIODevice::ReadOnly))
                state.program = QString::fromLocal8Bit(comm.readAll()).trimmed().toStdString();
            state.pid = number;
            return;
        }
    }
}

}  // namespace

PortState udpPortState(std::uint16_t port) {
    PortState state;
    state.port = port;
    const std::set<QString> inodes = socketInodes(port);
    if (!inodes.empty()) {
        state.free = false;
        findHolder(inodes, state);
        return state;
    }
    // No table to read (another system): a bind that fails for want of the port says it is held.
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress))
        state.free = probe.error() != QAbstractSocket::AddressInUseError;
    return state;
}

}  // namespace tavrel
