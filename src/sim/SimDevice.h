#pragma once
// One simulated device on its own loopback address: answers the search and the read-out, takes
// writes, and keeps a log of every frame addressed to it.
#include <QHostAddress>
#include <QObject>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BoardSide.h"
#include "DeviceSettings.h"
#include "SimConfig.h"

class QNetworkDatagram;
class QUdpSocket;

namespace tavrel::sim {

class SimTftp;

// A frame the device took as addressed to it.
struct ReceivedFrame {
    std::uint8_t op = 0;
    std::uint8_t subCode = 0;
    std::chrono::steady_clock::time_point at;
    std::uint16_t localPort = 0;  // the port it arrived at
    bool broadcast = false;       // arrived at the broadcast address
    std::vector<std::uint8_t> bytes;
};

class SimDevice : public QObject {
    Q_OBJECT
  public:
    SimDevice(const SimDeviceConfig& config, std::uint16_t devicePort, QObject* parent = nullptr);
    ~SimDevice() override;

    // Binds the device's own address at the device port (and the source port); false with a reason.
    bool open(QString* error = nullptr);

    const SimDeviceConfig& config() const { return config_; }
    QHostAddress address() const;
    std::uint16_t devicePort() const { return devicePort_; }
    std::uint16_t replyPort() const;
    // Ports the device takes datagrams at: the device port, and its source port when it has one.
    std::vector<std::uint16_t> listeningPorts() const;
    DeviceKey key() const { return keyOfMac(active_.mac); }
    const Block& identity() const { return identity_; }

    const DeviceSettings& settings() const { return active_; }
    const DeviceSettings& staged() const { return staged_; }
    bool hasStagedChanges() const { return staged_ != active_; }
    const SimPort& port(int number) const { return active_.ports.at(static_cast<std::size_t>(number - 1)); }
    void setSettings(const DeviceSettings& settings);

    const SimOptions& options() const { return config_.options; }
    // False when the new source port cannot be bound; the device keeps its old sockets then.
    bool setOptions(const SimOptions& options, QString* error = nullptr);

    const std::vector<ReceivedFrame>& frames() const { return frames_; }
    int framesReceived(std::uint8_t op, std::uint8_t subCode) const;
    void clearLog() { frames_.clear(); }
    int rejectedFrames() const { return rejected_; }
    int repliesSent() const { return repliesSent_; }
    int repliesDropped() const { return repliesDropped_; }
    int restarts() const { return restarts_; }
    int packedWrites() const { return packedWrites_; }
    // The board's real-time clock now.
    QDateTime boardClock() const { return clock_.now(); }
    int factoryResets() const { return factoryResets_; }

    // Delay of the answer to a broadcast search, so that many devices do not answer in one burst.
    void setSearchReplyDelay(int ms) { searchReplyDelayMs_ = ms; }
    int searchReplyDelay() const { return searchReplyDelayMs_; }

    // Starts the TFTP receiver at the device's address and `port`; false with a reason.
    bool openTftp(std::uint16_t port, QString* error = nullptr);
    // Null until openTftp succeeded.
    const SimTftp* tftp() const { return tftp_; }

    // One line for the listing: address, kind, identity, MAC and options.
    std::string describe() const;

    // Handles a datagram that reached one of the device's ports (own address or broadcast).
    void handleDatagram(const QNetworkDatagram& datagram, std::uint16_t localPort, bool broadcast);

  private:
    void takeFirmware();

  signals:
    void frameReceived(const tavrel::sim::ReceivedFrame& frame);
    void listeningPortsChanged();

  private:
    struct Sender {
        QHostAddress address;
        std::uint16_t port = 0;
    };

    void readPending(QUdpSocket* socket);
    bool isForMe(std::uint8_t op, std::uint8_t sub, const DeviceKey& key) const;
    void answerSearch(const std::vector<std::uint8_t>& bytes, const Sender& to, bool broadcast);
    void answerSerial(const IncomingFrame& frame, const Sender& to, bool broadcast);
    void answerWifiScan(const Sender& to);
    void answerWrite(std::uint8_t sub, const std::vector<std::uint8_t>& payload, const Sender& to);
    void acknowledge(bool taken, const Sender& to);
    void reply(const std::vector<std::uint8_t>& bytes, const Sender& to, bool searchReply = false);
    void send(const std::vector<std::uint8_t>& bytes, const Sender& to);
    bool loseThisReply(bool searchReply);
    void applyStaged();
    void answerLongFrame(const IncomingFrame& frame, Bytes bytes, const Sender& to);
    void startClock();
    QUdpSocket* bindSocket(std::uint16_t port, QString* error);

    SimDeviceConfig config_;
    std::uint16_t devicePort_ = 0;
    Block identity_{};
    DeviceSettings factory_;
    DeviceSettings active_;
    DeviceSettings staged_;
    QUdpSocket* listenSocket_ = nullptr;
    QUdpSocket* sourceSocket_ = nullptr;  // only when answering from another port
    SimTftp* tftp_ = nullptr;
    std::vector<ReceivedFrame> frames_;
    int rejected_ = 0;
    int replyCount_ = 0;
    int repliesSent_ = 0;
    int repliesDropped_ = 0;
    int restarts_ = 0;
    int factoryResets_ = 0;
    int packedWrites_ = 0;
    SimClock clock_;
    int searchReplyDelayMs_ = 0;
    int readReplyCount_ = 0;  // replies other than search replies, which `drop` and `alien` count
    // Xorshift states for search replies and for the others, seeded from the key and the loss seed
    // so that runs repeat, whenever the repeated searches fall among the other replies.
    std::array<std::uint32_t, 2> lossState_{};
    struct Held {
        std::vector<std::uint8_t> bytes;
        Sender to;
    };
    std::optional<Held> held_;  // the reply a reordering device holds back
};

}  // namespace tavrel::sim
