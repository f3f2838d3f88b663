#include "IoTcpServer.h"

#include <QtCore/QTimer>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>
#include <algorithm>

namespace tavrel {

namespace {
const QByteArray kIdentityQuery("H:E.");

QString peerKey(const QTcpSocket& socket) {
    bool isV4 = false;
    const quint32 v4 = socket.peerAddress().toIPv4Address(&isV4);
    const QString ip = isV4 ? QHostAddress(v4).toString() : socket.peerAddress().toString();
    return ip + QLatin1Char(':') + QString::number(socket.peerPort());
}
}  // namespace

IoTcpServer::IoTcpServer(QObject* parent) : IoTransport(parent) {}

IoTcpServer::~IoTcpServer() {
    close();
}

IoTcpServer::ListenResult IoTcpServer::listen(const QHostAddress& local, quint16 port) {
    close();
    server_ = new QTcpServer(this);
    server_->setListenBacklogSize(kListenBacklog);
    if (!server_->listen(local, port)) {
        const auto error = server_->serverError();
        delete server_;
        server_ = nullptr;
        const bool bindProblem = error == QAbstractSocket::AddressInUseError ||
                                 error == QAbstractSocket::SocketAddressNotAvailableError ||
                                 error == QAbstractSocket::SocketAccessError;
        return bindProblem ? ListenResult::BindFailed : ListenResult::ListenFailed;
    }
    connect(server_, &QTcpServer::newConnection, this, &IoTcpServer::accept);
    return ListenResult::Listening;
}

quint16 IoTcpServer::serverPort() const {
    return server_ ? server_->serverPort() : 0;
}

bool IoTcpServer::isListening() const {
    return server_ && server_->isListening();
}

void IoTcpServer::accept() {
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        const QString key = peerKey(*socket);
        const bool known =
            std::any_of(clients_.begin(), clients_.end(), [&](const Client& c) { return c.key == key; });
        // The table has room for kMaxBoards; a board beyond it is not kept half-listed.
        if (!known && clients_.size() + pending_.size() >= static_cast<std::size_t>(kMaxBoards)) {
            socket->abort();
            socket->deleteLater();
            emit clientRefused(key);
            continue;
        }
        socket->setParent(this);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, socket] { finishIdentity(socket, QString(), false); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray reply = socket->read(kIdentityMaxBytes);
            const qsizetype zero = reply.indexOf('\0');
            finishIdentity(socket, QString::fromLatin1(zero < 0 ? reply : reply.left(zero)), true);
        });
        pending_.push_back({key, socket, timer});
        socket->write(kIdentityQuery);
        timer->start(kIdentityTimeoutMs);
    }
}

void IoTcpServer::finishIdentity(QTcpSocket* socket, const QString& identity, bool answered) {
    auto it =
        std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.socket == socket; });
    if (it == pending_.end()) return;
    const QString key = it->key;
    it->timer->stop();
    pending_.erase(it);
    socket->disconnect(this);

    auto existing =
        std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) { return c.key == key; });
    int position = 0;
    if (existing != clients_.end()) {
        // The same address and port again: the old connection is replaced, its row stays as it was.
        dropSocket(existing->socket);
        existing->socket = socket;
        position = static_cast<int>(existing - clients_.begin());
    } else {
        const QString suffix =
            answered ? QStringLiteral(" [") + identity + QLatin1Char(']') : QStringLiteral(" [null]");
        clients_.push_back({key, key + suffix, socket});
        position = static_cast<int>(clients_.size()) - 1;
        emit clientListed(position, clients_.back().text);
    }
    if (selected_ < 0) selected_ = 0;
    watch(socket);
    emit clientReady(position);
    drain(socket);
}

void IoTcpServer::watch(QTcpSocket* socket) {
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { drain(socket); });
}

// A board that hangs up keeps its row; frames sent to it go nowhere until it comes back.
void IoTcpServer::drain(QTcpSocket* socket) {
    while (socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->read(kReceiveChunkBytes);
        if (chunk.isEmpty()) break;
        emit chunkReceived(chunk);
    }
}

void IoTcpServer::dropSocket(QTcpSocket* socket) {
    if (!socket) return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void IoTcpServer::send(const QByteArray& frame) {
    if (selected_ < 0 || selected_ >= clientCount()) return;
    QTcpSocket* socket = clients_[static_cast<std::size_t>(selected_)].socket;
    if (socket && socket->state() == QAbstractSocket::ConnectedState) socket->write(frame);
}

void IoTcpServer::selectClient(int position) {
    if (position < 0 || position >= kMaxBoards) position = 0;
    selected_ = position;
}

QStringList IoTcpServer::clientTexts() const {
    QStringList texts;
    for (const Client& client : clients_) texts << client.text;
    return texts;
}

void IoTcpServer::close() {
    if (server_) {
        server_->close();
        server_->deleteLater();
        server_ = nullptr;
    }
    for (const Pending& pending : pending_) dropSocket(pending.socket);
    for (const Client& client : clients_) dropSocket(client.socket);
    pending_.clear();
    clients_.clear();
    selected_ = -1;
}

}  // namespace tavrel
