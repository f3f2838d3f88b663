#pragma once
// A simulated network IO board on loopback: a TCP server the window connects to, a TCP client that
// connects to the window's server (answering its "H:E." with an identity), or a UDP endpoint.
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtNetwork/QHostAddress>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "DeviceDescription.h"
#include "IoBoardLogic.h"
#include "SimConfig.h"

class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace tavrel::sim {

enum class IoBoardTransport : std::uint8_t { TcpServer, TcpClient, Udp };

struct IoBoardConfig {
    std::string model = "KB-08-00";  // the text the board reports
    std::optional<std::string> reports;  // a model text no tool knows, for a board that works as `model`
    IoBoardProtocol protocol = IoBoardProtocol::Custom;
    IoBoardTransport transport = IoBoardTransport::TcpServer;
    std::string ip = "127.0.0.1";
    std::uint16_t port = 0;  // server and UDP: 0 takes any free port
    std::string peerIp;      // client: the window's server
    std::uint16_t peerPort = 0;
    std::uint8_t address = 1;
    std::optional<std::string> identity;  // client: default the model text; "none" keeps it silent
    bool identityGiven = false;
    std::optional<std::uint32_t> inputs;  // fixed inputs, bit i = input i+1
    int changeMs = 1000;                  // the inputs move on this often; 0 never
    bool silent = false;                  // takes everything, answers nothing
    int floodPerSecond = 0;               // unasked copies of the last answer, sent this often; 0 none
    int loopbackMs = -1;                  // input n follows output n after this delay; -1 not wired
    std::uint32_t unwired = 0;            // with loopback: inputs left unwired, bit i = input i+1
    IoSwitchReply switchReply = IoSwitchReply::Echo;
    std::uint32_t stuck = 0;  // outputs whose relay never moves, bit i = output i+1
    int loseEvery = 0;  // every n-th frame the board sends is lost on the way; 0 none
};

// "model=KB-08-00,reports=TEXT,protocol=custom|modbus,transport=tcp-server|tcp-client|udp,ip=127.0.0.5,
// port=N,peer=127.0.0.1:N,address=N,identity=TEXT|none,inputs=HEX,change=MS,silent,flood=N,
// loopback-io=10ms,unwired=N,switch-reply=echo|states|old-states-first,stuck=N,lose=N".
std::optional<IoBoardConfig> parseIoBoardDescription(std::string_view text, std::string& error,
                                                     AddressRange range = AddressRange::Loopback);

// A board of the default model serving TCP where the device's port 1 listens, at the device's address,
// its outputs wired back to its inputs.
IoBoardConfig demoIoBoardFor(const SimDeviceConfig& device);

class SimIoBoard : public QObject {
    Q_OBJECT
  public:
    explicit SimIoBoard(const IoBoardConfig& config, QObject* parent = nullptr);
    ~SimIoBoard() override;

    // Binds or starts connecting; false with the reason when the address or port is taken.
    bool start(QString* error = nullptr);
    // The bound port (server, UDP) or the local port of the connection (client).
    quint16 port() const;
    std::string describe() const;
    IoBoardLogic& logic() { return logic_; }
    const IoBoardConfig& config() const { return config_; }
    // Requests received, whole or not.
    int requestsSeen() const { return requestsSeen_; }
    // Unasked frames sent by the flood.
    long long floodSent() const { return floodSent_; }

  signals:
    void outputsChanged();

  private:
    void serve(QTcpSocket* socket);
    void reply(QTcpSocket* socket, const QByteArray& bytes);
    void connectToPeer();
    void timeOutputs();
    void floodAfter(const QByteArray& answer, QTcpSocket* socket, const QHostAddress& peer, quint16 port);
    void floodTick();
    void followOutputs();
    bool lost();

    IoBoardConfig config_;
    IoBoardLogic logic_;
    QTcpServer* server_ = nullptr;
    QTcpSocket* client_ = nullptr;
    QUdpSocket* udp_ = nullptr;
    QTimer* inputTimer_ = nullptr;
    int requestsSeen_ = 0;
    QTimer* floodTimer_ = nullptr;
    QByteArray floodFrame_;
    QPointer<QTcpSocket> floodSocket_;
    QHostAddress floodPeer_;
    quint16 floodPort_ = 0;
    long long floodSent_ = 0;
    long long framesSent_ = 0;        // lost ones included
    std::uint32_t wiredOutputs_ = 0;  // the outputs the inputs are on their way to follow
};

}  // namespace tavrel::sim
