#include "ProtocolSocket.h"

#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

namespace tavrel {

ProtocolSocket::ProtocolSocket(QObject* parent) : QObject(parent) {}

ProtocolSocket::~ProtocolSocket() = default;

bool ProtocolSocket::open(const QHostAddress& address, quint16 port) {
    close();
    socket_ = new QUdpSocket(this);
    connect(socket_, &QUdpSocket::readyRead, this, &ProtocolSocket::drain);
    const QHostAddress where = address.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : address;
    // No reuse either: a rebind to another adapter closes the old socket first, and UDP leaves no
    // lingering state behind that would need it.
    const bool ok = socket_->bind(where, port, QUdpSocket::DontShareAddress);
    addressInUse_ = !ok && socket_->error() == QAbstractSocket::AddressInUseError;
    openError_ = ok ? QString() : socket_->errorString();
    return ok;
}

void ProtocolSocket::close() {
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->close();
    socket_->deleteLater();
    socket_ = nullptr;
}

bool ProtocolSocket::isBound() const {
    return socket_ && socket_->state() == QAbstractSocket::BoundState;
}

QHostAddress ProtocolSocket::localAddress() const {
    return socket_ ? socket_->localAddress() : QHostAddress();
}

quint16 ProtocolSocket::localPort() const {
    return socket_ ? socket_->localPort() : 0;
}

bool ProtocolSocket::send(std::span<const std::uint8_t> bytes, const QHostAddress& to, quint16 port) {
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    bool ok = true;
    if (socket_) {
        // An unbound socket still sends (from an ephemeral port), like the original unbound case.
        ok = socket_->writeDatagram(data, to, port) == data.size();
        if (!ok) emit sendFailed(socket_->errorString(), to, port);
    }
    emit sent(data, to, port);
    return ok;
}

void ProtocolSocket::drain() {
    while (socket_ && socket_->hasPendingDatagrams()) {
        QNetworkDatagram d = socket_->receiveDatagram();
        if (!d.isValid()) break;
        emit datagramReceived(d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()));
    }
}

}  // namespace tavrel
