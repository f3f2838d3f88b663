#pragma once
// The tool's UDP socket of the device protocol (local port 4601): sends frames, reports datagrams.
#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtNetwork/QHostAddress>
#include <cstdint>
#include <span>

class QUdpSocket;

namespace tavrel {

class ProtocolSocket : public QObject {
    Q_OBJECT
  public:
    explicit ProtocolSocket(QObject* parent = nullptr);
    ~ProtocolSocket() override;

    // (Re)creates the socket on the port, on all addresses when `address` is null. The port is not
    // shared: a second copy of the tool would otherwise bind it too and take half of the replies.
    bool open(const QHostAddress& address, quint16 port);
    void close();
    bool isBound() const;
    // The last open failed because another socket holds the port.
    bool addressInUse() const { return addressInUse_; }
    // The system's reason for the last failed open.
    const QString& openError() const { return openError_; }
    QHostAddress localAddress() const;
    quint16 localPort() const;

    // False, with sendFailed() giving the system's reason, when the datagram could not be sent.
    bool send(std::span<const std::uint8_t> bytes, const QHostAddress& to, quint16 port);

  signals:
    // Whole datagrams, whatever their length; the reply handling decides what is too long.
    void datagramReceived(const QByteArray& data, const QHostAddress& sender, quint16 senderPort);
    void sent(const QByteArray& data, const QHostAddress& to, quint16 port);
    void sendFailed(const QString& reason, const QHostAddress& to, quint16 port);

  private:
    void drain();

    QUdpSocket* socket_ = nullptr;
    bool addressInUse_ = false;
    QString openError_;
};

}  // namespace tavrel
