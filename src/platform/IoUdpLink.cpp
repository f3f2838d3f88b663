#include "IoUdpLink.h"

#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

namespace tavrel {

IoUdpLink::IoUdpLink(QObject* parent) : IoTransport(parent) {}

IoUdpLink::~IoUdpLink() {
    close();
}

bool IoUdpLink::open(const QHostAddress& local, quint16 localPort, const QHostAddress& board,
                     quint16 boardPort) {
    close();
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(local, localPort)) {
        delete socket_;
        socket_ = nullptr;
        return false;
    }
    board_ = board;
    boardPort_ = boardPort;
    connect(socket_, &QUdpSocket::readyRead, this, &IoUdpLink::drain);
    return true;
}

// Each datagram is one chunk, whoever sent it; an empty one carries nothing and is passed over
// rather than ending the reception. Datagrams may arrive as fast as they are read: after a bounded
// number the event loop gets its turn, and the rest is read in the next.
void IoUdpLink::drain() {
    for (int n = 0; n < kMaxReadsPerTurn; ++n) {
        if (!socket_ || !socket_->hasPendingDatagrams()) return;
        const QNetworkDatagram datagram = socket_->receiveDatagram(kReceiveChunkBytes);
        if (!datagram.isValid()) return;
        if (datagram.data().isEmpty()) continue;
        emit chunkReceived(datagram.data());
    }
    if (socket_ && socket_->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &IoUdpLink::drain, Qt::QueuedConnection);
}

void IoUdpLink::send(const QByteArray& frame) {
    if (socket_) socket_->writeDatagram(frame, board_, boardPort_);
}

void IoUdpLink::close() {
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->close();
    socket_->deleteLater();
    socket_ = nullptr;
}

bool IoUdpLink::isBound() const {
    return socket_ != nullptr;
}

quint16 IoUdpLink::localPort() const {
    return socket_ ? socket_->localPort() : 0;
}

}  // namespace tavrel
