#include "Simulator.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtGlobal>

#include <algorithm>

namespace tavrel::sim {

// Linux hands a datagram sent to 127.255.255.255 only to sockets bound to the wildcard address or to
// 127.255.255.255 itself, never to one bound to 127.0.0.N. So each device binds its own address
// exclusively (unicasts of a subnet scan, and the source address of its replies), and one shared
// socket per port bound to the broadcast address passes broadcasts on to every device. Binding the
// broadcast address rather than the wildcard keeps other loopback addresses free, and the shared
// flag lets several simulators on one machine all hear a search, as devices on one LAN would.

std::optional<std::uint16_t> devicePortFromEnvironment() {
    const QByteArray text = qgetenv("TAVREL_DEVICE_PORT");
    if (text.isEmpty()) return kDefaultDevicePort;
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

namespace {
QString linkTarget(const char* path) {
    char target[256] = {};
    const ssize_t n = ::readlink(path, target, sizeof target - 1);
    return n > 0 ? QString::fromLatin1(target, static_cast<qsizetype>(n)) : QString();
}

// A namespace made by "ip netns add" is kept as a file in /run/netns.
bool isNamedNamespace(const struct stat& own) {
    QDirIterator names(QStringLiteral("/run/netns"), QDir::Files);
    while (names.hasNext()) {
        struct stat named {};
        if (::stat(QFile::encodeName(names.next()).constData(), &named) == 0 && named.st_dev == own.st_dev &&
            named.st_ino == own.st_ino)
            return true;
    }
    return false;
}
}  // namespace

bool inPrivateNetworkNamespace(QString* why) {
    struct stat own {};
    if (::stat("/proc/self/ns/net", &own) != 0) {
        *why = QStringLiteral("cannot tell the network namespace (/proc/self/ns/net)");
        return false;
    }
    if (isNamedNamespace(own)) return true;
    // An unnamed one (unshare -n) differs from the first process's, where that can be read.
    const QString first = linkTarget("/proc/1/ns/net");
    if (!first.isEmpty() && first != linkTarget("/proc/self/ns/net")) return true;
    *why = QStringLiteral("not in a network namespace of its own; run it with 'ip netns exec'");
    return false;
}

Simulator::Simulator(QObject* parent) : QObject(parent) {
    if (const auto port = devicePortFromEnvironment()) devicePort_ = *port;
    const QHostAddress fromEnv(QString::fromLocal8Bit(qgetenv("TAVREL_BROADCAST")));
    if (fromEnv.isLoopback()) broadcast_ = fromEnv;
}

bool Simulator::setTftpPort(std::uint16_t port, QString* error) {
    tftpPort_ = port;
    if (port == 0) return true;
    for (const auto& d : devices_)
        if (!d->openTftp(port, error)) return false;
    return true;
}

Simulator::~Simulator() = default;

void Simulator::useLan() {
    lan_ = true;
    broadcast_ = QHostAddress(QStringLiteral("255.255.255.255"));
}

// Linux lets a socket bind 255.255.255.255 and hands it every limited broadcast at that port, so the
// device sockets keep their exclusive own addresses on the LAN too.
bool Simulator::setBroadcastAddress(const QHostAddress& address, QString* error) {
    if (address.protocol() != QAbstractSocket::IPv4Protocol || (!lan_ && !address.isLoopback())) {
        if (error) *error = QStringLiteral("%1 is not an IPv4 loopback address").arg(address.toString());
        return false;
    }
    broadcast_ = address;
    return true;
}

SimDevice* Simulator::deviceAt(const QHostAddress& address) const {
    for (const auto& d : devices_)
        if (d->address().isEqual(address)) return d.get();
    return nullptr;
}

SimDevice* Simulator::addDevice(const SimDeviceConfig& config, QString* error) {
    auto device = std::make_unique<SimDevice>(config, devicePort_);
    if (!device->open(error)) return nullptr;
    if (tftpPort_ != 0 && !device->openTftp(tftpPort_, error)) return nullptr;
    for (auto port : device->listeningPorts())
        if (!listenForBroadcasts(port, error)) return nullptr;
    SimDevice* raw = device.get();
    // Devices on a LAN answer a broadcast at their own pace; 257 replies in one burst would overrun
    // the receive buffer of the tool's socket.
    raw->setSearchReplyDelay(static_cast<int>(devices_.size() % kSearchSpreadMs));
    connect(raw, &SimDevice::listeningPortsChanged, this, [this, raw] {
        for (auto port : raw->listeningPorts()) listenForBroadcasts(port, nullptr);
    });
    devices_.push_back(std::move(device));
    return raw;
}

bool Simulator::listenForBroadcasts(std::uint16_t port, QString* error) {
    if (broadcastSockets_.count(port)) return true;
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(broadcast_, port, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        if (error)
            *error =
                QStringLiteral("%1:%2: %3").arg(broadcast_.toString()).arg(port).arg(socket->errorString());
        delete socket;
        return false;
    }
    connect(socket, &QUdpSocket::readyRead, this, [this, socket, port] { readBroadcasts(socket, port); });
    broadcastSockets_[port] = socket;
    return true;
}

void Simulator::readBroadcasts(QUdpSocket* socket, std::uint16_t port) {
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!datagram.isValid()) continue;
        // By index: a handler may add devices while the loop runs.
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            SimDevice* d = devices_[i].get();
            const auto ports = d->listeningPorts();
            if (std::find(ports.begin(), ports.end(), port) != ports.end())
                d->handleDatagram(datagram, port, true);
        }
    }
}

}  // namespace tavrel::sim
