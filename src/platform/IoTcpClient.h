#pragma once
// The IO window as a TCP client of a board: a connect bounded in time, then chunks as they come.
#include <QtNetwork/QHostAddress>

#include "IoTransport.h"

class QTcpSocket;
class QTimer;

namespace tavrel {

class IoTcpClient : public IoTransport {
    Q_OBJECT
  public:
    // A board that has not accepted the connection by then is given up.
    static constexpr int kConnectTimeoutMs = 1100;

    explicit IoTcpClient(QObject* parent = nullptr);
    ~IoTcpClient() override;

    // Reports connected() or connectFailed(), never both, never before returning.
    void open(const QHostAddress& board, quint16 port);
    void send(const QByteArray& frame) override;
    void close() override;
    bool isConnected() const;

  signals:
    void connected();
    void connectFailed();

  private:
    void fail();
    void drain();

    QTcpSocket* socket_ = nullptr;
    QTimer* connectTimer_ = nullptr;
};

}  // namespace tavrel
