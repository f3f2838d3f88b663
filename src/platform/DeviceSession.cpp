#include "DeviceSession.h"

#include <QtCore/QDateTime>
#include <QtCore/QTimer>

#include "HostAddress.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/Requests.h"

namespace tavrel {

DeviceSession::DeviceSession(const NetworkSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), socket_(this), sequencer_(socket_, this) {
    sequencer_.setTarget(ipv4HostAddress(settings_.broadcast), settings_.devicePort);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &DeviceSession::onTimer);
    connect(&socket_, &ProtocolSocket::datagramReceived, this, &DeviceSession::onDatagram);
    clock_.start();
}

bool DeviceSession::openSocket(const QHostAddress& address) {
    QHostAddress where = address;
    if (where.isNull() && !settings_.bindAddress.empty()) {
        where = ipv4HostAddress(settings_.bindAddress);
    }
    return socket_.open(where, settings_.localPort);
}

void DeviceSession::startBroadcastSearch(const QString& broadcastAddress) {
    table_.clear();
    readoutChain_.fill(-1);
    emit tableCleared();
    schedule_.startBroadcast(broadcastAddress.toStdString());
    timer_->start(kFirstSearchDelayMs);
}

void DeviceSession::startSubnetScan(const QString& broadcastAddress, int passes) {
    table_.clear();
    readoutChain_.fill(-1);
    emit tableCleared();
    schedule_.startScan(broadcastAddress.toStdString(), passes);
    timer_->start(kScanTickMs);
}

void DeviceSession::stopSearch() {
    schedule_.stop();
    timer_->stop();
}

void DeviceSession::sendSearch(const QString& address) {
    socket_.send(searchRequest(), ipv4HostAddress(address.toStdString()), settings_.devicePort);
}

void DeviceSession::onTimer() {
    auto tick = schedule_.tick(pendingReadouts_ > 0);
    if (!tick) return;
    const QString destination = QString::fromStdString(tick->destination);
    if (!destination.isEmpty()) sendSearch(destination);
    emit searchTick(destination, tick->host);
    if (tick->nextDelayMs >= 0) timer_->start(tick->nextDelayMs);
    if (tick->timedOut) emit searchTimedOut();
    if (tick->scanFinished) emit scanFinished();
}

QString DeviceSession::laneOf(std::size_t entry) const {
    return QString::fromStdString(keyText(table_[entry].key));
}

void DeviceSession::play(std::size_t entry, Plan plan, std::function<void()> done) {
    sequencer_.play(laneOf(entry), std::move(plan), std::move(done));
}

void DeviceSession::startReadout(std::size_t entry, Plan readout) {
    const int chain = nextChain_++;
    readStartedAt_[entry] = QDateTime::currentMSecsSinceEpoch();
    readoutChain_[entry] = chain;
    ++pendingReadouts_;
    RetryRounds& rounds = retryRounds_[entry];
    rounds = RetryRounds{};
    rounds.sent(table_.progress(entry), static_cast<int>(readout.size()));
    play(entry, std::move(readout), [this, entry, chain] {
        if (readoutChain_[entry] == chain) retryRounds_[entry].readoutEndMs = clock_.elapsed();
        emit readoutSent(static_cast<int>(entry));
        afterReadoutRound(entry, chain);
    });
}

// Lost replies are asked for again: 'R' requests change nothing on a device, so a device that
// answered everything sees no difference.
void DeviceSession::afterReadoutRound(std::size_t entry, int chain) {
    QTimer::singleShot(kReadoutRetryDelayMs, Qt::PreciseTimer, this, [this, entry, chain] {
        ReadoutProgress& progress = table_.progress(entry);
        if (readoutChain_[entry] != chain) {
            --pendingReadouts_;
            return;
        }
        RetryRounds& rounds = retryRounds_[entry];
        if (!rounds.another(progress, clock_.elapsed())) {
            --pendingReadouts_;
            progress.reading = false;
            emit readoutSettled(static_cast<int>(entry));
            return;
        }
        const DeviceRecord& r = table_[entry];
        Plan plan = reRequestPlan(progress, r.key, r.replyPort);
        rounds.sent(progress, static_cast<int>(plan.size()));
        play(entry, std::move(plan), [this, entry, chain] { afterReadoutRound(entry, chain); });
    });
}

void DeviceSession::onDatagram(const QByteArray& data, const QHostAddress& sender, quint16 senderPort) {
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                      static_cast<std::size_t>(data.size()));
    // Replies from IPv4-mapped IPv6 sockets still show as dotted IPv4.
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    const QString address = isV4 ? QHostAddress(v4).toString() : sender.toString();
    ReplyEffects fx = handleDatagram(table_, bytes, address.toStdString(), senderPort);

    if (fx.stopBroadcastSearch && schedule_.running()) {
        // The first broadcast reply brings the next broadcast forward; a scan only notes its host.
        if (auto next = schedule_.replyReceived(address.toStdString())) timer_->start(*next);
    }
    if (fx.addRow) {
        // A search reply starts what is known of the device (a board's reply is its whole record).
        readStartedAt_[*fx.addRow] = QDateTime::currentMSecsSinceEpoch();
        emit rowAdded(static_cast<int>(*fx.addRow));
    }
    if (fx.readoutEntry && !fx.readout.empty()) startReadout(*fx.readoutEntry, std::move(fx.readout));
    if (fx.part0 != StatusMessage::None) emit statusMessage(0, fx.part0);
    if (fx.part2 != StatusMessage::None) emit statusMessage(2, fx.part2);
    if (fx.answerKey)
        emit writeAnswered(QString::fromStdString(keyText(*fx.answerKey)), fx.part2 == StatusMessage::Saved);
    if (fx.showDevice) emit deviceReady(static_cast<int>(*fx.showDevice));
    if (fx.deviceUpdated) emit deviceUpdated(static_cast<int>(*fx.deviceUpdated));
    if (!fx.outputTimingFrame.empty()) {
        const QByteArray boardFrame(reinterpret_cast<const char*>(fx.outputTimingFrame.data()),
                                    static_cast<qsizetype>(fx.outputTimingFrame.size()));
        emit outputTimingReply(boardFrame);
        if (fx.outputTimingEntry)
            emit outputTimingReplyFor(static_cast<int>(*fx.outputTimingEntry), boardFrame);
    }
    if (!fx.wifiScanResult.empty()) emit wifiScanResult(data);
    if (!fx.tftpReply.empty()) emit tftpReply(data, sender, senderPort);
}

}  // namespace tavrel
