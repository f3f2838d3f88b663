#include "TftpTransfer.h"

#include <QtCore/QTimer>
#include <QtNetwork/QUdpSocket>
#include <array>

namespace tavrel {

namespace {
// A reply longer than any TFTP reply the upload reads is cut here; only its first bytes count.
constexpr qint64 kReceiveBufferBytes = 1024;
// A device on a fast link answers before the next look at the socket; after this many datagrams the
// event loop gets its turn (window repaints, a click on Close), and the socket's next notice resumes.
constexpr int kDatagramsPerTurn = 64;

std::string senderText(const QHostAddress& sender) {
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    return (isV4 ? QHostAddress(v4).toString() : sender.toString()).toStdString();
}
}  // namespace

TftpTransfer::TftpTransfer(QObject* parent) : QObject(parent) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TftpTransfer::onTimer);
    clock_.start();
}

TftpTransfer::~TftpTransfer() = default;

UploadResult TftpTransfer::start(const QString& firmwarePath,
                                 std::shared_ptr<const std::vector<std::uint8_t>> image,
                                 const QString& target, quint16 tftpPort, const QHostAddress& localAddress) {
    if (socket_) {
        socket_->disconnect(this);
        socket_->deleteLater();
    }
    socket_ = new QUdpSocket(this);
    // A fresh port per upload: the device's answers of an abandoned upload cannot reach a new one.
    socket_->bind(localAddress.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : localAddress, 0);
    connect(socket_, &QUdpSocket::readyRead, this, &TftpTransfer::readPending);
    // Replies are matched by their sender's address as the socket reports it, so the target is
    // written the same way ("127.000.000.001" is 127.0.0.1).
    const QHostAddress parsed(target);
    const QString canonical = parsed.isNull() ? target : parsed.toString();
    const UploadStep step = uploader_.start(firmwarePath.toStdString(), std::move(image),
                                            TftpEndpoint{canonical.toStdString(), tftpPort});
    apply(step);
    return step.ended;
}

void TftpTransfer::stop() {
    apply(uploader_.stop());
}

void TftpTransfer::readPending() {
    std::array<char, kReceiveBufferBytes> buffer{};
    QHostAddress sender;
    quint16 port = 0;
    for (int turn = 0; turn < kDatagramsPerTurn && socket_ && socket_->hasPendingDatagrams(); ++turn) {
        const qint64 n = socket_->readDatagram(buffer.data(), buffer.size(), &sender, &port);
        if (n < 0) break;
        if (senderText_.empty() || sender != senderAddress_) {
            senderAddress_ = sender;
            senderText_ = senderText(sender);
        }
        const Bytes bytes(reinterpret_cast<const std::uint8_t*>(buffer.data()), static_cast<std::size_t>(n));
        apply(uploader_.receive(bytes, TftpEndpoint{senderText_, port}));
    }
}

void TftpTransfer::onTimer() {
    const qint64 left = deadlineMs_ - clock_.elapsed();
    if (left > 0) {
        timer_->start(static_cast<int>(left));
        return;
    }
    apply(uploader_.timeout());
}

const QHostAddress& TftpTransfer::addressOf(const std::string& text) {
    if (text != cachedText_) {
        cachedText_ = text;
        cachedAddress_ = QHostAddress(QString::fromStdString(text));
    }
    return cachedAddress_;
}

void TftpTransfer::apply(const UploadStep& step) {
    if (!step.send.empty() && socket_) {
        // Send errors are not reported: the time-out covers a datagram that never arrives.
        socket_->writeDatagram(reinterpret_cast<const char*>(step.send.data()),
                               static_cast<qint64>(step.send.size()), addressOf(step.to.address),
                               step.to.port);
    }
    switch (step.timer) {
        case TimerCommand::Arm:
            deadlineMs_ = clock_.elapsed() + step.timerMs;
            if (!timer_->isActive() || timer_->remainingTime() > step.timerMs) timer_->start(step.timerMs);
            break;
        case TimerCommand::Stop:
            timer_->stop();
            break;
        case TimerCommand::Keep:
            break;
    }
    if (uploader_.view() != shown_) {
        shown_ = uploader_.view();
        emit viewChanged(shown_);
    }
    if (!step.message.empty()) {
        QString text = QString::fromUtf8(step.message.data(), static_cast<qsizetype>(step.message.size()));
        if (!step.detail.empty()) text += QLatin1Char('\n') + QString::fromStdString(step.detail);
        emit message(text);
    }
    if (step.ended != UploadResult::Running) {
        if (socket_) {
            socket_->disconnect(this);
            socket_->deleteLater();
            socket_ = nullptr;
        }
        emit finished(step.ended);
    }
}

}  // namespace tavrel
