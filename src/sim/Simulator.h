#pragma once
// A set of simulated devices sharing one device port, and the broadcast sockets that feed them.
#include <QHostAddress>
#include <QObject>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "SimDevice.h"

class QUdpSocket;

namespace tavrel::sim {

inline constexpr std::uint16_t kDefaultDevicePort = 1111;
// Device i answers a broadcast search after (i modulo this) ms.
inline constexpr std::size_t kSearchSpreadMs = 500;

class Simulator : public QObject {
    Q_OBJECT
  public:
    // Takes the device port from TAVREL_DEVICE_PORT and the broadcast address from TAVREL_BROADCAST
    // when they are set (a broadcast address off loopback is replaced by 127.255.255.255).
    explicit Simulator(QObject* parent = nullptr);
    ~Simulator() override;

    // Both apply to devices added afterwards.
    void setDevicePort(std::uint16_t port) { devicePort_ = port; }
    std::uint16_t devicePort() const { return devicePort_; }
    bool setBroadcastAddress(const QHostAddress& address, QString* error = nullptr);
    // On a virtual LAN (a network namespace of the simulator's own): devices hear the limited
    // broadcast 255.255.255.255, and any IPv4 broadcast address may be chosen.
    void useLan();
    // TFTP receivers at this port on every device, those there already too; 0 (the default) leaves
    // them off, so that simulators of parallel tests never claim one port on the same addresses.
    bool setTftpPort(std::uint16_t port, QString* error = nullptr);
    std::uint16_t tftpPort() const { return tftpPort_; }
    QHostAddress broadcastAddress() const { return broadcast_; }

    // Creates and binds a device; nothing (with the reason) when an address or port is taken.
    SimDevice* addDevice(const SimDeviceConfig& config, QString* error = nullptr);

    std::size_t deviceCount() const { return devices_.size(); }
    SimDevice* device(std::size_t index) const { return devices_.at(index).get(); }
    SimDevice* deviceAt(const QHostAddress& address) const;
    const std::vector<std::unique_ptr<SimDevice>>& devices() const { return devices_; }

  private:
    bool listenForBroadcasts(std::uint16_t port, QString* error);
    void readBroadcasts(QUdpSocket* socket, std::uint16_t port);

    std::uint16_t devicePort_ = kDefaultDevicePort;
    std::uint16_t tftpPort_ = 0;
    QHostAddress broadcast_{QStringLiteral("127.255.255.255")};
    bool lan_ = false;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::map<std::uint16_t, QUdpSocket*> broadcastSockets_;
};

// Reads TAVREL_DEVICE_PORT; the default when unset, nothing when it is not a port number.
std::optional<std::uint16_t> devicePortFromEnvironment();

// True when this process runs in a network namespace other than the first process's, so that what
// it binds and answers cannot reach the machine's own network; otherwise false with the reason.
bool inPrivateNetworkNamespace(QString* why);

}  // namespace tavrel::sim
