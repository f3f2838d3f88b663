#include "IoBoardLink.h"

#include <QtCore/QTime>
#include <QtCore/QTimer>
#include <utility>

#include "IoTcpClient.h"
#include "IoTcpServer.h"
#include "IoUdpLink.h"

namespace tavrel {

namespace {
Bytes bytesOf(const QByteArray& data) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                 static_cast<std::size_t>(data.size()));
}
QByteArray byteArrayOf(const IoFrame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}
}  // namespace

IoBoardLink::IoBoardLink(QObject* parent)
    : QObject(parent),
      pollTimer_(new QTimer(this)),
      modelTimer_(new QTimer(this)),
      turnTimer_(new QTimer(this)) {
    modelTimer_->setSingleShot(true);
    pollTimer_->setTimerType(Qt::PreciseTimer);
    modelTimer_->setTimerType(Qt::PreciseTimer);
    turnTimer_->setSingleShot(true);
    turnTimer_->setInterval(0);
    connect(pollTimer_, &QTimer::timeout, this, &IoBoardLink::onPollTick);
    connect(modelTimer_, &QTimer::timeout, this, &IoBoardLink::onModelQueryTick);
    connect(turnTimer_, &QTimer::timeout, this, &IoBoardLink::handleTurn);
}

IoBoardLink::~IoBoardLink() {
    // The transports are children; they go without reporting to a half-destroyed link.
    if (transport_) transport_->disconnect(this);
}

void IoBoardLink::attach(IoTransport* transport, IoConnectionType type) {
    transport_ = transport;
    type_ = type;
    connect(transport, &IoTransport::chunkReceived, this, &IoBoardLink::onChunk);
}

void IoBoardLink::openTcpClient(const QHostAddress& board, quint16 port) {
    close();
    client_ = new IoTcpClient(this);
    attach(client_, IoConnectionType::TcpClient);
    connect(client_, &IoTcpClient::connected, this, [this] {
        emit openedChanged(true);
        startModelQuery();
    });
    connect(client_, &IoTcpClient::connectFailed, this, [this] {
        close();
        setStatus(Status::ConnectFailed);
        emit openedChanged(false);
    });
    setStatus(Status::Connecting);
    client_->open(board, port);
}

IoBoardLink::OpenResult IoBoardLink::openTcpServer(const QHostAddress& local, quint16 port) {
    close();
    auto* server = new IoTcpServer(this);
    const auto result = server->listen(local, port);
    if (result != IoTcpServer::ListenResult::Listening) {
        delete server;
        return result == IoTcpServer::ListenResult::BindFailed ? OpenResult::BindFailed
                                                               : OpenResult::ListenFailed;
    }
    server_ = server;
    attach(server_, IoConnectionType::TcpServer);
    connect(server_, &IoTcpServer::clientListed, this, &IoBoardLink::clientListed);
    connect(server_, &IoTcpServer::clientRefused, this, &IoBoardLink::clientRefused);
    connect(server_, &IoTcpServer::clientReady, this, [this] { startModelQuery(); });
    setStatus(Status::Listening);
    emit openedChanged(true);
    return OpenResult::Opened;
}

IoBoardLink::OpenResult IoBoardLink::openUdp(const QHostAddress& local, quint16 localPort,
                                             const QHostAddress& board, quint16 boardPort,
                                             bool modelQueryTries) {
    close();
    auto* udp = new IoUdpLink(this);
    if (!udp->open(local, localPort, board, boardPort)) {
        delete udp;
        return OpenResult::BindFailed;
    }
    udp_ = udp;
    attach(udp_, IoConnectionType::Udp);
    emit openedChanged(true);
    if (modelQueryTries)
        startModelQuery();
    else
        send(state_.modelQuery());
    return OpenResult::Opened;
}

void IoBoardLink::close() {
    pollTimer_->stop();
    modelTimer_->stop();
    turnTimer_->stop();
    waiting_.clear();
    const bool wasOpen = transport_ != nullptr;
    if (transport_) {
        transport_->disconnect(this);
        transport_->close();
        transport_->deleteLater();
    }
    transport_ = nullptr;
    client_ = nullptr;
    server_ = nullptr;
    udp_ = nullptr;
    type_ = IoConnectionType::None;
    state_.forgetBoard();
    status_ = Status::Empty;
    if (wasOpen) emit closed();
}

quint16 IoBoardLink::serverPort() const {
    return server_ ? server_->serverPort() : 0;
}
quint16 IoBoardLink::udpPort() const {
    return udp_ ? udp_->localPort() : 0;
}
QStringList IoBoardLink::clientTexts() const {
    return server_ ? server_->clientTexts() : QStringList();
}
int IoBoardLink::selectedClient() const {
    return server_ ? server_->selectedClient() : -1;
}

void IoBoardLink::setPollInterval(unsigned intervalMs) {
    pollIntervalMs_ = intervalMs;
    if (intervalMs == 0)
        pollTimer_->stop();
    else
        pollTimer_->start(static_cast<int>(intervalMs));
}

bool IoBoardLink::polling() const {
    return pollTimer_->isActive();
}
bool IoBoardLink::askingModel() const {
    return modelTimer_->isActive();
}

void IoBoardLink::selectClient(int position) {
    pollTimer_->stop();
    state_.forgetBoard();
    emit panelChanged();
    if (server_) server_->selectClient(position);
    send(state_.modelQuery());
}

void IoBoardLink::clickOutput(int output, const QString& timeText) {
    if (auto frame = state_.clickOutput(output, timeText.toStdString())) send(*frame);
}

void IoBoardLink::clickAllOutputs() {
    if (auto frame = state_.clickAllOutputs()) send(*frame);
}

void IoBoardLink::startModelQuery() {
    state_.startModelQueries();
    modelTimer_->start(kFirstModelQueryMs);
}

void IoBoardLink::onModelQueryTick() {
    const auto tick = state_.modelQueryTick();
    send(tick.frame);
    if (tick.more) modelTimer_->start(kModelQueryRepeatMs);
}

void IoBoardLink::onPollTick() {
    if (auto frame = state_.pollTick()) send(*frame);
}

// With nothing open (the interval list restarts polling even then) a frame would go nowhere, and
// logging it would only suggest it went somewhere.
void IoBoardLink::send(const IoFrame& frame) {
    if (!transport_) return;
    const QByteArray bytes = byteArrayOf(frame);
    logFrame(LogDirection::Sent, bytes);
    transport_->send(bytes);
    emit frameSent(bytes);
}

// Chunks wait for the next turn, so that however fast they come the event loop runs in between.
void IoBoardLink::onChunk(const QByteArray& chunk) {
    const quint64 droppedBefore = waiting_.dropped();
    waiting_.push(chunk);
    if (waiting_.dropped() != droppedBefore) emit chunksDropped(waiting_.dropped());
    if (!turnTimer_->isActive()) turnTimer_->start();
}

void IoBoardLink::handleTurn() {
    const std::vector<QByteArray> turn = waiting_.takeTurn();
    inTurn_ = true;
    for (const QByteArray& chunk : turn) {
        handleChunk(chunk);
        if (!transport_) break;  // a handler closed the link
    }
    inTurn_ = false;
    flushLog();
    emit turnHandled(static_cast<int>(turn.size()));
    if (!waiting_.empty()) turnTimer_->start();
}

void IoBoardLink::handleChunk(const QByteArray& chunk) {
    if (static_cast<std::size_t>(chunk.size()) <= kMaxDecodedChunk) logFrame(LogDirection::Received, chunk);
    const ChunkOutcome outcome = state_.receive(bytesOf(chunk));
    if (outcome.modelArrived) onModelArrived();
    if (outcome.panelChanged) emit panelChanged();
    emit chunkHandled(outcome);
}

void IoBoardLink::onModelArrived() {
    pollTimer_->stop();
    setStatus(Status::Connected);
    if (pollIntervalMs_ != 0) {
        if (auto frame = state_.inputQuery()) send(*frame);
        pollTimer_->start(static_cast<int>(pollIntervalMs_));
    }
    modelTimer_->stop();
}

void IoBoardLink::setStatus(Status status) {
    status_ = status;
    emit statusChanged(status);
}

void IoBoardLink::logFrame(LogDirection direction, const QByteArray& frame) {
    const QTime now = QTime::currentTime();
    const LogAppend result =
        state_.log(direction, bytesOf(frame), LogClock{now.hour(), now.minute(), now.second()});
    if (result == LogAppend::Dropped) return;
    // A log that started afresh shows only what came after.
    if (result == LogAppend::ClearedAndAppended) {
        pendingLog_.clear();
        pendingLogCleared_ = true;
    }
    pendingLog_ += QString::fromStdString(state_.lastLogEntry());
    if (!inTurn_) flushLog();
}

void IoBoardLink::flushLog() {
    if (pendingLog_.isEmpty() && !pendingLogCleared_) return;
    const QString text = std::exchange(pendingLog_, QString());
    emit logAppended(text, std::exchange(pendingLogCleared_, false));
}

}  // namespace tavrel
