#pragma once
// One IO board conversation: the connection of the chosen type, the model query and polling timers,
// and the board state of the core that decides what to send and what a reply shows. The IO control
// window paints what it reports; the command line drives it the same way.
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>

#include "iocontrol/ChunkQueue.h"
#include "iocontrol/IoBoardState.h"

class QTimer;

namespace tavrel {

class IoTransport;
class IoTcpClient;
class IoTcpServer;
class IoUdpLink;

class IoBoardLink : public QObject {
    Q_OBJECT
  public:
    // The status line's texts, by meaning.
    enum class Status { Empty, Connecting, ConnectFailed, Listening, Connected };
    // Why an open did not happen; each has its own message.
    enum class OpenResult { Opened, BindFailed, ListenFailed };

    explicit IoBoardLink(QObject* parent = nullptr);
    ~IoBoardLink() override;

    IoBoardState& state() { return state_; }
    const IoBoardState& state() const { return state_; }
    IoConnectionType type() const { return type_; }
    bool isOpen() const { return transport_ != nullptr; }
    Status status() const { return status_; }

    // Reports connected or failed later, through statusChanged and openedChanged.
    void openTcpClient(const QHostAddress& board, quint16 port);
    OpenResult openTcpServer(const QHostAddress& local, quint16 port);
    // UDP sends one model query at once unless `modelQueryTries` asks for the full series.
    OpenResult openUdp(const QHostAddress& local, quint16 localPort, const QHostAddress& board,
                       quint16 boardPort, bool modelQueryTries = false);
    // Closes whatever is open; the board is forgotten and both timers stop.
    void close();

    // The TCP server's listening port, 0 when none.
    quint16 serverPort() const;
    // The UDP socket's local port, 0 when none.
    quint16 udpPort() const;
    QStringList clientTexts() const;
    int selectedClient() const;

    // The interval list: 0 stops polling, anything else (re)starts it with that period.
    void setPollInterval(unsigned intervalMs);
    // The period polling will use once it starts; a running poll is left as it is.
    void presetPollInterval(unsigned intervalMs) { pollIntervalMs_ = intervalMs; }
    unsigned pollInterval() const { return pollIntervalMs_; }
    bool polling() const;
    bool askingModel() const;

    // Another board of the server's list: forget the shown one and ask the new one for its model.
    void selectClient(int position);
    void clickOutput(int output, const QString& timeText);
    void clickAllOutputs();
    // Starts the model-query series afresh (first try after 200 ms).
    void startModelQuery();
    // Logs the frame as sent, then sends it.
    void send(const IoFrame& frame);

  signals:
    void statusChanged(tavrel::IoBoardLink::Status status);
    // The connected look (true) or the disconnected one (false, after a failed client connect).
    void openedChanged(bool open);
    void panelChanged();
    // Entries went into the command log (those of one turn together); `cleared` when the log was
    // emptied first.
    void logAppended(const QString& entry, bool cleared);
    void clientListed(int position, const QString& text);
    void clientRefused(const QString& peer);
    // Every chunk after it was handled, with the decoder's verdict.
    void chunkHandled(const tavrel::ChunkOutcome& outcome);
    // One event-loop turn handled `chunks` waiting chunks (never more than kChunksPerTurn).
    void turnHandled(int chunks);
    // Chunks that arrived faster than they could be handled were dropped, oldest first: the total.
    void chunksDropped(quint64 total);
    void frameSent(const QByteArray& frame);
    // An open connection was closed (disconnect, a new open, a failed connect).
    void closed();

  private:
    void attach(IoTransport* transport, IoConnectionType type);
    void onChunk(const QByteArray& chunk);
    void handleTurn();
    void handleChunk(const QByteArray& chunk);
    void flushLog();
    void onModelArrived();
    void onPollTick();
    void onModelQueryTick();
    void setStatus(Status status);
    void logFrame(LogDirection direction, const QByteArray& frame);

    IoBoardState state_;
    IoConnectionType type_ = IoConnectionType::None;
    IoTransport* transport_ = nullptr;
    IoTcpClient* client_ = nullptr;
    IoTcpServer* server_ = nullptr;
    IoUdpLink* udp_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QTimer* modelTimer_ = nullptr;
    QTimer* turnTimer_ = nullptr;  // the next turn of waiting chunks, after the event loop's own
    ChunkQueue<QByteArray> waiting_;
    // Log entries of the turn under way, shown at its end in one piece.
    QString pendingLog_;
    bool pendingLogCleared_ = false;
    bool inTurn_ = false;
    unsigned pollIntervalMs_ = 200;
    Status status_ = Status::Empty;
};

}  // namespace tavrel
