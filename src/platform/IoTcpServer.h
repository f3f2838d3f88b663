#pragma once
// The IO window as a TCP server that boards connect to: a table of up to 100 boards, each asked who
// it is ("H:E.") before it is listed, and one selected board that the frames go to.
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <vector>

#include "IoTransport.h"

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace tavrel {

class IoTcpServer : public IoTransport {
    Q_OBJECT
  public:
    static constexpr int kMaxBoards = 100;
    // A board that has not said who it is by then is listed as " [null]".
    static constexpr int kIdentityTimeoutMs = 2000;
    static constexpr qint64 kIdentityMaxBytes = 32;
    static constexpr int kListenBacklog = 6;

    enum class ListenResult { Listening, BindFailed, ListenFailed };

    explicit IoTcpServer(QObject* parent = nullptr);
    ~IoTcpServer() override;

    ListenResult listen(const QHostAddress& local, quint16 port);
    quint16 serverPort() const;
    bool isListening() const;

    void send(const QByteArray& frame) override;
    void close() override;

    // Frames go to this board from now on; positions outside the table mean the first board.
    void selectClient(int position);
    int selectedClient() const { return selected_; }
    // Client list texts: "ip:port [identity]", in table order.
    QStringList clientTexts() const;
    int clientCount() const { return static_cast<int>(clients_.size()); }

  signals:
    // A board joined (a new row) or came back on a known address and port (`position` existing).
    void clientListed(int position, const QString& text);
    // A board's identity query is done and it is now the target of frames if selected.
    void clientReady(int position);
    // A board beyond the table was turned away.
    void clientRefused(const QString& peer);

  private:
    struct Client {
        QString key;  // "ip:port"
        QString text;
        QTcpSocket* socket = nullptr;
    };
    struct Pending {
        QString key;
        QTcpSocket* socket = nullptr;
        QTimer* timer = nullptr;
    };

    void accept();
    void finishIdentity(QTcpSocket* socket, const QString& identity, bool answered);
    void watch(QTcpSocket* socket);
    void drain(QTcpSocket* socket);
    void dropSocket(QTcpSocket* socket);

    QTcpServer* server_ = nullptr;
    std::vector<Client> clients_;
    std::vector<Pending> pending_;
    int selected_ = -1;
};

}  // namespace tavrel
