#pragma once
// The IO window over UDP: a bound local address, one destination board, datagrams from anyone.
#include <QtNetwork/QHostAddress>

#include "IoTransport.h"

class QUdpSocket;

namespace tavrel {

class IoUdpLink : public IoTransport {
    Q_OBJECT
  public:
    explicit IoUdpLink(QObject* parent = nullptr);
    ~IoUdpLink() override;

    // False when the local address cannot be bound.
    bool open(const QHostAddress& local, quint16 localPort, const QHostAddress& board, quint16 boardPort);
    void send(const QByteArray& frame) override;
    void close() override;
    bool isBound() const;
    quint16 localPort() const;

    // Datagrams read in one turn of the event loop; the rest waits for the next.
    static constexpr int kMaxReadsPerTurn = 256;

  private:
    void drain();

    QUdpSocket* socket_ = nullptr;
    QHostAddress board_;
    quint16 boardPort_ = 0;
};

}  // namespace tavrel
