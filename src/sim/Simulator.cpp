#include "Simulator.h"

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

bool Simulator::setBroadcastAddress(const QHostAddress& address, QString* error) {
    if (!address.isLoopback() || address.protocol() != QAbstractSocket::IPv4Protocol) {
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
