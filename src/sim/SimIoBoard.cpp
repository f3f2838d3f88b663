#include "SimIoBoard.h"

#include <QtCore/QTimer>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>
#include <QtNetwork/QUdpSocket>
#include <algorithm>
#include <charconv>

#include "DeviceDescription.h"
#include "DeviceSettings.h"

namespace tavrel::sim {

namespace {

constexpr int kReconnectMs = 1000;
// A board sends one frame at a time: frames written back to back would reach the reader as one piece.
constexpr int kFrameGapMs = 20;
constexpr int kTenthMs = 100;

constexpr int kMaxFloodPerSecond = 100000;
constexpr int kMaxLoopbackMs = 60000;
constexpr int kDemoLoopbackMs = 20;
constexpr int kMsPerSecond = 1000;

template <class T>
bool number(std::string_view text, T& out, int base = 10) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool endpoint(std::string_view text, std::string& ip, std::uint16_t& port, AddressRange range) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return false;
    ip = std::string(text.substr(0, colon));
    return parseDeviceAddress(ip, range) && number(text.substr(colon + 1), port) && port != 0;
}

Bytes bytesOf(const QByteArray& data) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                 static_cast<std::size_t>(data.size()));
}
QByteArray arrayOf(const ByteVector& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

IoBoardConfig demoIoBoardFor(const SimDeviceConfig& device) {
    IoBoardConfig board;
    const auto& a = device.address;
    board.ip = std::to_string(a[0]) + '.' + std::to_string(a[1]) + '.' + std::to_string(a[2]) + '.' +
               std::to_string(a[3]);
    board.port = localPortOf(factorySettings(device).ports[0]);
    // Its outputs are wired back to its inputs, so that a commissioning script has something to prove.
    board.loopbackMs = kDemoLoopbackMs;
    board.inputs = 0;
    board.changeMs = 0;
    return board;
}

std::optional<IoBoardConfig> parseIoBoardDescription(std::string_view text, std::string& error,
                                                     AddressRange range) {
    IoBoardConfig config;
    bool changeGiven = false;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const auto equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
        bool ok = true;
        if (key == "model") {
            config.model = std::string(value);
            ok = ioBoardKind(value).has_value();
            if (!ok) error = "unknown IO board model '" + config.model + "'; known: " + knownIoBoardModels();
        } else if (key == "reports") {
            ok = !value.empty();
            config.reports = std::string(value);
        } else if (key == "protocol") {
            ok = value == "custom" || value == "modbus";
            config.protocol = value == "modbus" ? IoBoardProtocol::Modbus : IoBoardProtocol::Custom;
        } else if (key == "transport") {
            ok = value == "tcp-server" || value == "tcp-client" || value == "udp";
            config.transport = value == "udp"          ? IoBoardTransport::Udp
                               : value == "tcp-client" ? IoBoardTransport::TcpClient
                                                       : IoBoardTransport::TcpServer;
        } else if (key == "ip") {
            config.ip = std::string(value);
            ok = parseDeviceAddress(value, range).has_value();
        } else if (key == "port") {
            ok = number(value, config.port);
        } else if (key == "peer") {
            ok = endpoint(value, config.peerIp, config.peerPort, range);
        } else if (key == "address") {
            unsigned address = 0;
            ok = number(value, address) && address >= 1 && address <= 255;
            config.address = static_cast<std::uint8_t>(address);
        } else if (key == "identity") {
            config.identityGiven = true;
            if (value != "none") config.identity = std::string(value);
        } else if (key == "inputs") {
            std::uint32_t bits = 0;
            ok = number(value, bits, 16);
            config.inputs = bits;
        } else if (key == "change") {
            ok = number(value, config.changeMs) && config.changeMs >= 0;
            changeGiven = true;
        } else if (key == "flood") {
            ok = number(value, config.floodPerSecond) && config.floodPerSecond >= 1 &&
                 config.floodPerSecond <= kMaxFloodPerSecond;
        } else if (key == "loopback-io") {
            const std::string_view ms = value.size() > 2 && value.substr(value.size() - 2) == "ms"
                                            ? value.substr(0, value.size() - 2)
                                            : value;
            ok = number(ms, config.loopbackMs) && config.loopbackMs >= 0 &&
                 config.loopbackMs <= kMaxLoopbackMs;
        } else if (key == "unwired") {
            int channel = 0;
            ok = number(value, channel) && channel >= 1 && channel <= 32;
            if (ok) config.unwired |= 1u << (channel - 1);
        } else if (key == "stuck") {
            int output = 0;
            ok = number(value, output) && output >= 1 && output <= 32;
            if (ok) config.stuck |= 1u << (output - 1);
        } else if (key == "switch-reply") {
            ok = value == "echo" || value == "states" || value == "old-states-first";
            config.switchReply = value == "states"             ? IoSwitchReply::States
                                 : value == "old-states-first" ? IoSwitchReply::OldStatesFirst
                                                               : IoSwitchReply::Echo;
        } else if (key == "lose") {
            ok = number(value, config.loseEvery) && config.loseEvery >= 2;
        } else if (key == "silent" && equals == std::string_view::npos) {
            config.silent = true;
        } else {
            ok = false;
        }
        if (!ok) {
            if (error.empty()) error = "bad IO board item '" + std::string(item) + "'";
            return std::nullopt;
        }
    }
    if (config.transport == IoBoardTransport::TcpClient && config.peerPort == 0) {
        error = "a tcp-client board needs peer=127.x.y.z:PORT";
        return std::nullopt;
    }
    if (!config.identityGiven) config.identity = config.model;
    if ((config.inputs || config.loopbackMs >= 0) && !changeGiven) config.changeMs = 0;
    if (config.loopbackMs >= 0 && !config.inputs) config.inputs = 0;
    return config;
}

SimIoBoard::SimIoBoard(const IoBoardConfig& config, QObject* parent)
    : QObject(parent),
      config_(config),
      logic_(config.reports.value_or(config.model), ioBoardKind(config.model).value_or(IoBoardKind{}),
             config.protocol, config.address),
      inputTimer_(new QTimer(this)) {
    logic_.setIdentity(config.identity);
    logic_.setSwitchReply(config.switchReply);
    logic_.setStuck(config.stuck);
    if (config.inputs) logic_.setInputs(*config.inputs);
    connect(inputTimer_, &QTimer::timeout, this, [this] { logic_.stepInputs(); });
    if (config.loopbackMs >= 0) connect(this, &SimIoBoard::outputsChanged, this, &SimIoBoard::followOutputs);
}

// Outputs wired back to inputs: each change reaches the inputs after the wire's delay, in order.
void SimIoBoard::followOutputs() {
    std::uint32_t outputs = 0;
    for (int k = 1; k <= logic_.kind().outputs; ++k)
        if (logic_.output(k)) outputs |= 1u << (k - 1);
    if (outputs == wiredOutputs_) return;
    wiredOutputs_ = outputs;
    QTimer::singleShot(config_.loopbackMs, Qt::PreciseTimer, this, [this, outputs] {
        const int wired = std::min(logic_.kind().inputs, logic_.kind().outputs);
        for (int k = 1; k <= wired; ++k)
            if (!((config_.unwired >> (k - 1)) & 1u)) logic_.setInput(k, (outputs >> (k - 1)) & 1u);
    });
}

SimIoBoard::~SimIoBoard() = default;

bool SimIoBoard::start(QString* error) {
    const QHostAddress ip(QString::fromStdString(config_.ip));
    if (config_.changeMs > 0) inputTimer_->start(config_.changeMs);
    switch (config_.transport) {
        case IoBoardTransport::TcpServer:
            server_ = new QTcpServer(this);
            if (!server_->listen(ip, config_.port)) {
                if (error)
                    *error = QStringLiteral("%1:%2: %3")
                                 .arg(ip.toString())
                                 .arg(config_.port)
                                 .arg(server_->errorString());
                return false;
            }
            connect(server_, &QTcpServer::newConnection, this, [this] {
                while (server_->hasPendingConnections()) serve(server_->nextPendingConnection());
            });
            return true;
        case IoBoardTransport::TcpClient:
            connectToPeer();
            return true;
        case IoBoardTransport::Udp:
            udp_ = new QUdpSocket(this);
            if (!udp_->bind(ip, config_.port)) {
                if (error)
                    *error = QStringLiteral("%1:%2: %3")
                                 .arg(ip.toString())
                                 .arg(config_.port)
                                 .arg(udp_->errorString());
                return false;
            }
            connect(udp_, &QUdpSocket::readyRead, this, [this] {
                while (udp_->hasPendingDatagrams()) {
                    const QNetworkDatagram datagram = udp_->receiveDatagram();
                    if (!datagram.isValid()) break;
                    ++requestsSeen_;
                    if (config_.silent) continue;
                    const auto answers = logic_.answers(bytesOf(datagram.data()));
                    for (const ByteVector& answer : answers)
                        if (!lost())
                            udp_->writeDatagram(arrayOf(answer), datagram.senderAddress(),
                                                static_cast<quint16>(datagram.senderPort()));
                    if (answers.empty()) continue;
                    timeOutputs();
                    emit outputsChanged();
                    floodAfter(arrayOf(answers.back()), nullptr, datagram.senderAddress(),
                               static_cast<quint16>(datagram.senderPort()));
                }
            });
            return true;
    }
    return false;
}

void SimIoBoard::connectToPeer() {
    client_ = new QTcpSocket(this);
    // A board bound to its own loopback address, as a real one has its own IP.
    client_->bind(QHostAddress(QString::fromStdString(config_.ip)), 0);
    serve(client_);
    connect(client_, &QTcpSocket::disconnected, this, [this] {
        client_->deleteLater();
        client_ = nullptr;
        QTimer::singleShot(kReconnectMs, this, &SimIoBoard::connectToPeer);
    });
    connect(client_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (client_ && client_->state() == QAbstractSocket::UnconnectedState) {
            client_->deleteLater();
            client_ = nullptr;
            QTimer::singleShot(kReconnectMs, this, &SimIoBoard::connectToPeer);
        }
    });
    client_->connectToHost(QHostAddress(QString::fromStdString(config_.peerIp)), config_.peerPort);
}

// Each connection is a stream: requests are taken whole however the bytes arrive.
void SimIoBoard::serve(QTcpSocket* socket) {
    auto pending = std::make_shared<ByteVector>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending] {
        const QByteArray data = socket->readAll();
        ++requestsSeen_;
        if (config_.silent) return;
        const auto answers = logic_.feed(*pending, bytesOf(data));
        if (!answers.empty()) reply(socket, arrayOf(answers.front()));
        for (std::size_t i = 1; i < answers.size(); ++i)
            QTimer::singleShot(static_cast<int>(i) * kFrameGapMs, socket,
                               [this, socket, frame = arrayOf(answers[i])] { reply(socket, frame); });
    });
    if (server_) connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

// The board acts on the request all the same; only its answer goes missing.
bool SimIoBoard::lost() {
    ++framesSent_;
    return config_.loseEvery > 0 && framesSent_ % config_.loseEvery == 0;
}

void SimIoBoard::reply(QTcpSocket* socket, const QByteArray& bytes) {
    if (!lost()) socket->write(bytes);
    timeOutputs();
    floodAfter(bytes, socket, {}, 0);
    emit outputsChanged();
}

// A board gone wild: once it has answered, the answer comes again and again, unasked, to whoever it
// answered last.
void SimIoBoard::floodAfter(const QByteArray& answer, QTcpSocket* socket, const QHostAddress& peer,
                            quint16 port) {
    if (config_.floodPerSecond <= 0) return;
    floodFrame_ = answer;
    floodSocket_ = socket;
    floodPeer_ = peer;
    floodPort_ = port;
    if (floodTimer_) return;
    floodTimer_ = new QTimer(this);
    floodTimer_->setTimerType(Qt::PreciseTimer);
    floodTimer_->setInterval(std::max(1, kMsPerSecond / config_.floodPerSecond));
    connect(floodTimer_, &QTimer::timeout, this, &SimIoBoard::floodTick);
    floodTimer_->start();
}

void SimIoBoard::floodTick() {
    const int perTick = std::max(1, config_.floodPerSecond / kMsPerSecond);
    for (int i = 0; i < perTick; ++i) {
        if (floodSocket_ && floodSocket_->state() == QAbstractSocket::ConnectedState)
            floodSocket_->write(floodFrame_);
        else if (udp_ && floodPort_ != 0)
            udp_->writeDatagram(floodFrame_, floodPeer_, floodPort_);
        else
            return;
        ++floodSent_;
    }
}

void SimIoBoard::timeOutputs() {
    if (auto timed = logic_.takeTimedOutput()) {
        const int output = timed->output;
        QTimer::singleShot(static_cast<int>(timed->tenths) * kTenthMs, this, [this, output] {
            logic_.release(output);
            emit outputsChanged();
        });
    }
}

quint16 SimIoBoard::port() const {
    if (server_) return server_->serverPort();
    if (udp_) return udp_->localPort();
    if (client_) return client_->localPort();
    return 0;
}

std::string SimIoBoard::describe() const {
    const char* transport = config_.transport == IoBoardTransport::Udp         ? "udp"
                            : config_.transport == IoBoardTransport::TcpClient ? "tcp-client"
                                                                               : "tcp-server";
    std::string text = "io " + config_.model + " " +
                       (config_.protocol == IoBoardProtocol::Modbus ? "modbus" : "custom") + " " + transport +
                       " address " + std::to_string(config_.address);
    if (config_.loopbackMs >= 0) text += " loopback-io " + std::to_string(config_.loopbackMs) + "ms";
    if (config_.switchReply == IoSwitchReply::States) text += " switch-reply states";
    if (config_.switchReply == IoSwitchReply::OldStatesFirst) text += " switch-reply old-states-first";
    for (int k = 1; k <= 32; ++k)
        if ((config_.stuck >> (k - 1)) & 1u) text += " output " + std::to_string(k) + " stuck";
    if (config_.loseEvery > 0) text += " loses 1 frame in " + std::to_string(config_.loseEvery);
    if (config_.transport == IoBoardTransport::TcpClient)
        text += " to " + config_.peerIp + ":" + std::to_string(config_.peerPort);
    else
        text += " at " + config_.ip + ":" + std::to_string(port());
    return text;
}

}  // namespace tavrel::sim
