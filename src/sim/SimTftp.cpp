#include "SimTftp.h"

#include <QCryptographicHash>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>

namespace tavrel::sim {

namespace {

constexpr int kBlock = 512;
constexpr int kIdleMs = 10000;  // a transfer the sender abandoned is dropped after this
constexpr std::size_t kStorageBytes = 64u * 1024 * 1024;
constexpr quint16 kStallAfterBlocks = 2;

quint16 be16(const QByteArray& d, int at) {
    return static_cast<quint16>((quint8(d[at]) << 8) | quint8(d[at + 1]));
}

QByteArray packet(quint16 opcode, quint16 value) {
    QByteArray p(4, '\0');
    p[0] = char(opcode >> 8);
    p[1] = char(opcode);
    p[2] = char(value >> 8);
    p[3] = char(value);
    return p;
}

QByteArray errorPacket(quint16 code, const char* text) {
    return packet(5, code) + QByteArray(text) + QByteArray(1, '\0');
}

// The zero-terminated strings after the opcode: name, mode, then option names and values.
QList<QByteArray> requestFields(const QByteArray& request) {
    QList<QByteArray> fields = request.mid(2).split('\0');
    if (!fields.isEmpty() && fields.last().isEmpty()) fields.removeLast();
    return fields;
}

}  // namespace

std::string tftpBehaviourName(TftpBehaviour behaviour) {
    switch (behaviour) {
        case TftpBehaviour::Normal:
            return "normal";
        case TftpBehaviour::OptionAck:
            return "oack";
        case TftpBehaviour::Error:
            return "error";
        case TftpBehaviour::WrongBlock:
            return "wrong-block";
        case TftpBehaviour::Silent:
            return "silent";
        case TftpBehaviour::Stall:
            return "stall";
    }
    return "?";
}

SimTftp::SimTftp(const QHostAddress& address, const SimOptions& options, QObject* parent)
    : QObject(parent), address_(address), options_(options) {
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    connect(idle_, &QTimer::timeout, this, &SimTftp::endTransfer);
}

SimTftp::~SimTftp() = default;

bool SimTftp::open(std::uint16_t port, QString* error) {
    delete listen_;
    listen_ = new QUdpSocket(this);
    if (!listen_->bind(address_, port, QAbstractSocket::DontShareAddress)) {
        if (error)
            *error =
                QStringLiteral("%1:%2: %3").arg(address_.toString()).arg(port).arg(listen_->errorString());
        delete listen_;
        listen_ = nullptr;
        return false;
    }
    connect(listen_, &QUdpSocket::readyRead, this, &SimTftp::readRequests);
    return true;
}

std::uint16_t SimTftp::port() const {
    return listen_ ? listen_->localPort() : 0;
}

void SimTftp::readRequests() {
    while (listen_ && listen_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = listen_->receiveDatagram();
        const QByteArray d = datagram.data();
        const QHostAddress from = datagram.senderAddress();
        const auto port = static_cast<quint16>(datagram.senderPort());
        if (d.size() < 4) continue;
        if (be16(d, 0) != 2) {
            // Reads are not served: this is a device taking firmware.
            listen_->writeDatagram(errorPacket(4, "write only"), from, port);
            continue;
        }
        if (requests_++ == 0) firstRequestAt_ = std::chrono::steady_clock::now();
        startTransfer(d, from, port);
    }
}

void SimTftp::startTransfer(const QByteArray& request, const QHostAddress& from, std::uint16_t port) {
    const QList<QByteArray> fields = requestFields(request);
    requestedFrom_ = from;
    if (options_.tftp == TftpBehaviour::Silent) return;
    endTransfer();
    transfer_ = new QUdpSocket(this);
    transfer_->bind(address_, 0);
    connect(transfer_, &QUdpSocket::readyRead, this, &SimTftp::readTransfer);
    client_ = from;
    clientPort_ = port;
    if (fields.size() < 2 || fields[1].toLower() != "octet") {
        sendFromTransfer(errorPacket(0, "octet mode only"));
        return endTransfer();
    }
    if (options_.tftp == TftpBehaviour::Error) {
        sendFromTransfer(errorPacket(2, "access violation"));
        return endTransfer();
    }
    name_ = fields[0].toStdString();
    received_.clear();
    expected_ = 1;
    idle_->start(kIdleMs);
    QByteArray tsize;
    for (int i = 2; i + 1 < fields.size(); i += 2)
        if (fields[i].toLower() == "tsize") tsize = fields[i + 1];
    if (options_.tftp == TftpBehaviour::OptionAck && !tsize.isEmpty()) {
        QByteArray oack("\0\6", 2);
        oack += "tsize" + QByteArray(1, '\0') + tsize + QByteArray(1, '\0');
        sendFromTransfer(oack);
    } else {
        sendFromTransfer(packet(4, 0));
    }
}

void SimTftp::readTransfer() {
    QUdpSocket* socket = transfer_;
    while (socket && socket == transfer_ && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!datagram.isValid()) break;
        const QByteArray d = datagram.data();
        const QHostAddress from = datagram.senderAddress();
        const auto port = static_cast<quint16>(datagram.senderPort());
        const qsizetype n = d.size();
        if (from != client_ || port != clientPort_) {
            socket->writeDatagram(errorPacket(5, "unknown transfer ID"), from, port);
            continue;
        }
        if (n < 4 || be16(d, 0) != 3) continue;
        const quint16 block = be16(d, 2);
        if (block == quint16(expected_ - 1)) {
            sendFromTransfer(packet(4, block));  // our acknowledgement was lost: say it again
            continue;
        }
        if (block != expected_) continue;
        if (options_.tftp == TftpBehaviour::Stall && block > kStallAfterBlocks) continue;
        idle_->start(kIdleMs);
        const int payload = static_cast<int>(n) - 4;
        if (received_.size() + static_cast<std::size_t>(payload) > kStorageBytes) {
            sendFromTransfer(errorPacket(3, "image too large"));
            return endTransfer();
        }
        received_.insert(received_.end(), d.begin() + 4, d.end());
        const bool wrong = options_.tftp == TftpBehaviour::WrongBlock && block == 3;
        sendFromTransfer(packet(4, wrong ? quint16(block - 1) : block));
        ++expected_;
        if (payload < kBlock) {
            firmware_.name = name_;
            firmware_.bytes = std::move(received_);
            received_.clear();
            firmware_.sha256 =
                QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(firmware_.bytes.data()),
                                                        static_cast<qsizetype>(firmware_.bytes.size())),
                                         QCryptographicHash::Sha256)
                    .toHex()
                    .toStdString();
            ++completed_;
            endTransfer();
            emit firmwareReceived();
            return;
        }
    }
}

void SimTftp::sendFromTransfer(const QByteArray& p) {
    if (transfer_) transfer_->writeDatagram(p, client_, clientPort_);
}

void SimTftp::endTransfer() {
    idle_->stop();
    if (!transfer_) return;
    transfer_->disconnect(this);
    transfer_->deleteLater();
    transfer_ = nullptr;
}

}  // namespace tavrel::sim
