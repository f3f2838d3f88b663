#include "SimDevice.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "PackedRecords.h"
#include "SerialBlocks.h"
#include "SimTftp.h"
#include "SimWifi.h"

namespace tavrel::sim {

namespace {

constexpr std::uint8_t kSearch = 1;
constexpr std::uint8_t kRestart = 8;
constexpr std::uint8_t kFactoryReset = 9;
constexpr std::uint8_t kCommit = 0x49;
constexpr std::uint8_t kSearchReply = 'P';
constexpr std::uint8_t kAcknowledged = 16;
constexpr std::uint8_t kRefused = 17;
// A reordering device sends a held reply by itself when no other follows within this time.
constexpr int kReorderHoldMs = 50;

QHostAddress toQt(const Ipv4& a) {
    return QHostAddress((quint32(a[0]) << 24) | (quint32(a[1]) << 16) | (quint32(a[2]) << 8) | quint32(a[3]));
}

}  // namespace

SimDevice::SimDevice(const SimDeviceConfig& config, std::uint16_t devicePort, QObject* parent)
    : QObject(parent),
      config_(config),
      devicePort_(devicePort),
      identity_(identityOf(config)),
      factory_(factorySettings(config)),
      active_(factory_),
      staged_(factory_) {
    const DeviceKey k = keyOfMac(config.mac);
    const std::uint32_t keyNumber = (std::uint32_t(k[0]) << 16) | (std::uint32_t(k[1]) << 8) | k[2];
    const auto seed = static_cast<std::uint32_t>(config.options.lossSeed);
    for (std::uint32_t stream = 0; stream < lossState_.size(); ++stream) {
        lossState_[stream] = (keyNumber * 2654435761u + 1u) ^ (seed * 0x9E3779B9u) ^ (stream * 0x85EBCA6Bu);
        if (lossState_[stream] == 0) lossState_[stream] = 1;  // xorshift never leaves zero
    }
    startClock();
}

void SimDevice::startClock() {
    clock_.setFromBytes(factory_.board.clock);
    if (config_.options.clockFromComputer) clock_.setOffset(config_.options.clockOffset);
}

SimDevice::~SimDevice() = default;

QHostAddress SimDevice::address() const {
    return toQt(config_.address);
}

std::uint16_t SimDevice::replyPort() const {
    return config_.options.sourcePort != 0 ? config_.options.sourcePort : devicePort_;
}

std::vector<std::uint16_t> SimDevice::listeningPorts() const {
    std::vector<std::uint16_t> ports{devicePort_};
    if (replyPort() != devicePort_) ports.push_back(replyPort());
    return ports;
}

QUdpSocket* SimDevice::bindSocket(std::uint16_t port, QString* error) {
    auto* socket = new QUdpSocket(this);
    // Exclusive: two simulators claiming one device address would split its frames between them.
    if (!socket->bind(address(), port, QAbstractSocket::DontShareAddress)) {
        if (error)
            *error =
                QStringLiteral("%1:%2: %3").arg(address().toString()).arg(port).arg(socket->errorString());
        delete socket;
        return nullptr;
    }
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] { readPending(socket); });
    return socket;
}

bool SimDevice::open(QString* error) {
    if (listenSocket_) return true;
    listenSocket_ = bindSocket(devicePort_, error);
    if (!listenSocket_) return false;
    if (replyPort() != devicePort_) {
        sourceSocket_ = bindSocket(replyPort(), error);
        if (!sourceSocket_) {
            delete listenSocket_;
            listenSocket_ = nullptr;
            return false;
        }
    }
    return true;
}

bool SimDevice::openTftp(std::uint16_t port, QString* error) {
    if (!tftp_) {
        tftp_ = new SimTftp(address(), config_.options, this);
        connect(tftp_, &SimTftp::firmwareReceived, this, &SimDevice::takeFirmware);
    }
    return tftp_->open(port, error);
}

bool SimDevice::setOptions(const SimOptions& options, QString* error) {
    const std::uint16_t oldPort = replyPort();
    const std::uint16_t newPort = options.sourcePort != 0 ? options.sourcePort : devicePort_;
    if (newPort != oldPort && listenSocket_) {
        QUdpSocket* replacement = nullptr;
        if (newPort != devicePort_) {
            replacement = bindSocket(newPort, error);
            if (!replacement) return false;
        }
        delete sourceSocket_;
        sourceSocket_ = replacement;
    }
    config_.options = options;
    if (newPort != oldPort) emit listeningPortsChanged();
    return true;
}

void SimDevice::setSettings(const DeviceSettings& settings) {
    active_ = settings;
    staged_ = settings;
}

int SimDevice::framesReceived(std::uint8_t op, std::uint8_t subCode) const {
    return static_cast<int>(std::count_if(frames_.begin(), frames_.end(), [&](const ReceivedFrame& f) {
        return f.op == op && f.subCode == subCode;
    }));
}

void SimDevice::readPending(QUdpSocket* socket) {
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (datagram.isValid()) handleDatagram(datagram, socket->localPort(), false);
    }
}

bool SimDevice::isForMe(std::uint8_t op, std::uint8_t sub, const DeviceKey& key) const {
    if (key == this->key()) return true;
    return op == 'R' && sub == kSearch && key == DeviceKey{0, 0, 0};
}

void SimDevice::handleDatagram(const QNetworkDatagram& datagram, std::uint16_t localPort, bool broadcast) {
    const QByteArray data = datagram.data();
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                      static_cast<std::size_t>(data.size()));
    const auto frame = readIncoming(bytes);
    if (!frame) {
        ++rejected_;
        return;
    }
    if (!isForMe(frame->op, frame->sub, frame->key)) return;

    ReceivedFrame entry{frame->op, frame->sub, std::chrono::steady_clock::now(),
                        localPort, broadcast,  std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
    frames_.push_back(entry);
    emit frameReceived(entry);

    const Sender to{datagram.senderAddress(), static_cast<std::uint16_t>(datagram.senderPort())};
    if (bytes.size() != kShortFrame) return answerLongFrame(*frame, bytes, to);
    if (isSerialServer(config_.kind))
        answerSerial(*frame, to, broadcast);
    else if (config_.kind == SimKind::Board302 && frame->op == 'W' && frame->sub == kWifiScanRequest)
        answerWifiScan(to);
    else if (frame->op == 'R' && frame->sub == kSearch) {
        active_.board.clock = clock_.bytes();  // the record shows the clock as it runs
        answerSearch(packedSearchReply(config_.kind, active_, identity_), to, broadcast);
    }
}

void SimDevice::answerLongFrame(const IncomingFrame& frame, Bytes bytes, const Sender& to) {
    if (isSerialServer(config_.kind) || frame.op != 'W') return;
    if (frame.sub == 0x03) {
        if (config_.kind != SimKind::Board302 || !config_.outputTiming) return;
        const BoardAnswer answer = answerTimingRequest(bytes, active_, clock_, key());
        staged_ = active_;
        if (!answer.reply.empty()) reply(answer.reply, to);
        return;
    }
    if (config_.options.ignoreWrites) return;  // neither taken nor answered
    if (config_.options.refuse) return acknowledge(false, to);
    const DeviceKey before = key();
    if (!takePackedWrite(config_.kind, bytes, active_, clock_).taken) return;
    staged_ = active_;
    ++packedWrites_;
    // The answer still carries the key the write was addressed to.
    if (!config_.options.noAck) {
        const Block none{};
        reply(makeFrame(kShortFrame, 'W', kAcknowledged, none, before), to);
    }
}

void SimDevice::answerSearch(const std::vector<std::uint8_t>& bytes, const Sender& to, bool broadcast) {
    if (!broadcast || searchReplyDelayMs_ <= 0) return reply(bytes, to, true);
    QTimer::singleShot(searchReplyDelayMs_, this, [this, bytes, to] { reply(bytes, to, true); });
}

// A real scan takes the board a moment; the answer goes to whoever asked.
void SimDevice::answerWifiScan(const Sender& to) {
    auto bytes = wifiScanReply(config_.wifiNetworks, key());
    if (config_.scanDelayMs <= 0) return reply(bytes, to);
    QTimer::singleShot(config_.scanDelayMs, this, [this, bytes, to] { reply(bytes, to); });
}

void SimDevice::answerSerial(const IncomingFrame& frame, const Sender& to, bool broadcast) {
    const std::uint8_t sub = frame.sub;
    if (frame.op == 'W') {
        if (!config_.options.ignoreWrites) answerWrite(sub, frame.payload, to);
        return;
    }
    if (frame.op != 'R') return;
    if (sub == kSearch) {
        answerSearch(makeFrame(kShortFrame, 'R', kSearchReply, identity_, key()), to, broadcast);
        return;
    }
    const auto entry = blockForSubCode(sub);
    if (!entry || !deviceKnows(config_, *entry)) return;
    reply(makeFrame(kShortFrame, 'R', entry->replyCode, readBlock(active_, identity_, *entry), key()), to);
}

void SimDevice::answerWrite(std::uint8_t sub, const std::vector<std::uint8_t>& payload, const Sender& to) {
    const bool refuse = config_.options.refuse;
    switch (sub) {
        case kCommit:
            if (!refuse) applyStaged();
            acknowledge(!refuse, to);
            return;
        case kRestart:  // a restart loses what was staged and is not answered
            if (refuse) return acknowledge(false, to);
            staged_ = active_;
            ++restarts_;
            return;
        case kFactoryReset:
            if (refuse) return acknowledge(false, to);
            active_ = factory_;
            staged_ = factory_;
            startClock();
            ++factoryResets_;
            return;
        default:
            break;
    }
    const auto entry = blockForSubCode(sub);
    if (!entry || !isWritable(*entry) || !deviceKnows(config_, *entry)) return;
    if (refuse) return acknowledge(false, to);
    writeBlock(staged_, *entry, payload);
    // The tool sends a one-port device no commit, so it takes each block at once.
    if (config_.portCountChar == '1') applyStaged();
    acknowledge(true, to);
}

void SimDevice::applyStaged() {
    active_ = staged_;
}

void SimDevice::acknowledge(bool taken, const Sender& to) {
    const Block none{};
    reply(makeFrame(kShortFrame, 'W', taken ? kAcknowledged : kRefused, none, key()), to);
}

bool SimDevice::loseThisReply(bool searchReply) {
    std::uint32_t& state = lossState_[searchReply ? 0 : 1];
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<int>(state % 100) < config_.options.lossPercent;
}

void SimDevice::reply(const std::vector<std::uint8_t>& bytes, const Sender& to, bool searchReply) {
    const SimOptions& o = config_.options;
    if (o.silent) return;
    ++replyCount_;
    if (!searchReply) ++readReplyCount_;
    const bool dropped = !searchReply && o.dropEvery > 0 && readReplyCount_ % o.dropEvery == 0;
    if (dropped || (o.lossPercent > 0 && loseThisReply(searchReply))) {
        ++repliesDropped_;
        return;
    }
    std::vector<std::uint8_t> out = bytes;
    if (o.alienReply > 0 && readReplyCount_ >= o.alienReply && out.size() >= 10) {
        const std::size_t at = out.size() - 6;
        std::copy(o.alienKey.begin(), o.alienKey.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 3 < out.size(); ++i) sum = static_cast<std::uint8_t>(sum + out[i]);
        out[out.size() - 3] = sum;
    }
    if (!o.reorder) return send(out, to);
    if (!held_) {
        held_ = Held{std::move(out), to};
        QTimer::singleShot(kReorderHoldMs, this, [this] {
            if (!held_) return;
            send(held_->bytes, held_->to);
            held_.reset();
        });
        return;
    }
    send(out, to);
    send(held_->bytes, held_->to);
    held_.reset();
}

void SimDevice::send(const std::vector<std::uint8_t>& bytes, const Sender& to) {
    QUdpSocket* socket = sourceSocket_ ? sourceSocket_ : listenSocket_;
    if (!socket) return;
    const QByteArray datagram(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size()));
    const int copies = config_.options.answerTwice ? 2 : 1;
    for (int i = 0; i < copies; ++i)
        if (socket->writeDatagram(datagram, to.address, to.port) == datagram.size()) ++repliesSent_;
}

// The new firmware runs at once: the search and the read-out report its version from now on.
void SimDevice::takeFirmware() {
    if (config_.options.noReturn) {
        config_.options.silent = true;
        return;
    }
    int version = config_.versionAfter;
    const std::string& name = tftp_->firmware().name;
    for (std::size_t i = 0; version < 0 && i + 3 < name.size(); ++i)
        if ((name[i] == 'V' || name[i] == 'v') && name[i + 1] == '1' &&
            std::isdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isdigit(static_cast<unsigned char>(name[i + 3])))
            version = (name[i + 2] - '0') * 10 + (name[i + 3] - '0');
    if (version < 0) return;
    // What the new version knows (the heartbeat blocks from 43 on) comes with it.
    config_.version = version;
    identity_[2] = static_cast<std::uint8_t>('0' + version / 10);
    identity_[3] = static_cast<std::uint8_t>('0' + version % 10);
}

std::string SimDevice::describe() const {
    std::ostringstream out;
    out << address().toString().toStdString() << ':' << devicePort_ << "  ";
    if (isSerialServer(config_.kind))
        out << "serial server, port count '" << config_.portCountChar << "'";
    else
        out << kindName(config_.kind) << "-byte record board"
            << (config_.kind == SimKind::Board302 && config_.outputTiming ? " with output timing" : "");
    out << "  " << fieldText(Bytes(identity_).first(4)) << ' ' << fieldText(Bytes(identity_).subspan(4, 4))
        << "  flag " << int(identity_[8]) << "  MAC " << macText(active_.mac) << "  key " << keyText(key());
    const auto& o = config_.options;
    if (replyPort() != devicePort_) out << "  source-port=" << replyPort();
    if (o.silent) out << "  silent";
    if (o.dropEvery > 0) out << "  drop=" << o.dropEvery;
    if (o.answerTwice) out << "  twice";
    if (o.refuse) out << "  refuse";
    if (o.ignoreWrites) out << "  ignore-writes";
    if (o.lossPercent > 0) out << "  loss=" << o.lossPercent;
    if (o.lossSeed > 0) out << "  seed=" << o.lossSeed;
    if (o.reorder) out << "  reorder";
    if (o.alienReply > 0) out << "  alien=" << keyText(o.alienKey) << ':' << o.alienReply;
    if (o.noAck) out << "  noack";
    if (o.clockFromComputer) out << "  clock-offset=" << o.clockOffset;
    if (o.tftp != TftpBehaviour::Normal) out << "  tftp=" << tftpBehaviourName(o.tftp);
    if (config_.versionAfter >= 0) out << "  version-after=" << config_.versionAfter;
    if (o.noReturn) out << "  no-return";
    if (tftp_ && tftp_->hasFirmware())
        out << "  firmware " << tftp_->firmware().name << ' ' << tftp_->firmware().bytes.size()
            << " bytes sha256 " << tftp_->firmware().sha256;
    return out.str();
}

}  // namespace tavrel::sim
