#include "IoTcpClient.h"

#include <QtCore/QTimer>
#include <QtNetwork/QTcpSocket>

namespace tavrel {

IoTcpClient::IoTcpClient(QObject* parent) : IoTransport(parent), connectTimer_(new QTimer(this)) {
    connectTimer_->setSingleShot(true);
    connectTimer_->setTimerType(Qt::PreciseTimer);
    connect(connectTimer_, &QTimer::timeout, this, &IoTcpClient::fail);
}

IoTcpClient::~IoTcpClient() {
    close();
}

void IoTcpClient::open(const QHostAddress& board, quint16 port) {
    close();
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        connectTimer_->stop();
        emit connected();
    });
    // A refusal ends the wait early; errors after the connection are the board's business.
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
        if (connectTimer_->isActive()) fail();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &IoTcpClient::drain);
    connectTimer_->start(kConnectTimeoutMs);
    socket_->connectToHost(board, port);
}

void IoTcpClient::fail() {
    connectTimer_->stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    emit connectFailed();
}

// Everything that is waiting is read, chunk by chunk, so a short read never strands data.
void IoTcpClient::drain() {
    while (socket_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(kReceiveChunkBytes);
        if (chunk.isEmpty()) break;
        emit chunkReceived(chunk);
    }
}

void IoTcpClient::send(const QByteArray& frame) {
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState) socket_->write(frame);
}

void IoTcpClient::close() {
    connectTimer_->stop();
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->disconnectFromHost();
    socket_->deleteLater();
    socket_ = nullptr;
}

bool IoTcpClient::isConnected() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

}  // namespace tavrel
