// The IO board connections against boards played by plain sockets of the test, on loopback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QTcpSocket>
#include <QtNetwork/QUdpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "IoBoardLink.h"
#include "IoTcpServer.h"
#include "IoUdpLink.h"

using namespace tavrel;

namespace {

const QHostAddress kLocal(QStringLiteral("127.0.0.1"));

bool waitUntil(const std::function<bool()>& done, int ms = 30000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out += char(v);
    return out;
}

// A custom-protocol model reply of board 1: "H:" 01 'g' text, padded to 8, sum, "ED".
QByteArray customModelReply(const QByteArray& text) {
    QByteArray frame("H:");
    frame += char(1);
    frame += 'g';
    frame += text;
    if (text.size() < 8) frame += QByteArray(8 - text.size(), '\0');
    frame += char(0);
    frame += "ED";
    return frame;
}

// A port that was free a moment ago and has nothing listening now.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(kLocal, 0);
    return probe.serverPort();
}

// One board connected to the window's server, answering the identity query as told; from a local
// port of its own when given one.
struct BoardSocket {
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
    QByteArray received;
    BoardSocket(quint16 port, QByteArray identity, quint16 fromPort = 0) {
        if (fromPort != 0) socket->bind(kLocal, fromPort, QAbstractSocket::ReuseAddressHint);
        QObject::connect(socket.get(), &QTcpSocket::readyRead, [this, identity] {
            const bool first = received.isEmpty();
            received += socket->readAll();
            if (first && received.startsWith("H:E.") && !identity.isNull()) socket->write(identity);
        });
        socket->connectToHost(kLocal, port);
    }
};

}  // namespace

TEST(IoTcpClientLink, NothingListeningIsConnectingThenConnectFailed) {
    IoBoardLink link;
    std::vector<IoBoardLink::Status> seen;
    std::vector<bool> looks;
    QObject::connect(&link, &IoBoardLink::statusChanged, [&](IoBoardLink::Status s) { seen.push_back(s); });
    QObject::connect(&link, &IoBoardLink::openedChanged, [&](bool open) { looks.push_back(open); });
    link.openTcpClient(kLocal, closedPort());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), IoBoardLink::Status::Connecting);
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen.back(), IoBoardLink::Status::ConnectFailed);
    EXPECT_EQ(looks, std::vector<bool>{false});
    EXPECT_FALSE(link.isOpen());
}

// A board that never completes the connection (its accept queue full: the handshake goes unanswered)
// is given up after the connect timeout, not left connecting.
TEST(IoTcpClientLink, AConnectionThatIsNeverCompletedFails) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
    const quint16 port = ntohs(at.sin_port);
    QTcpSocket filler;  // takes the one place in the queue
    filler.connectToHost(kLocal, port);
    ASSERT_TRUE(waitUntil([&] { return filler.state() == QAbstractSocket::ConnectedState; }));

    IoBoardLink link;
    std::vector<IoBoardLink::Status> seen;
    QObject::connect(&link, &IoBoardLink::statusChanged, [&](IoBoardLink::Status s) { seen.push_back(s); });
    link.openTcpClient(kLocal, port);
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen.back(), IoBoardLink::Status::ConnectFailed);
    ::close(listener);
}

TEST(IoTcpClientLink, ModelReplyStartsPollingUnlessIntervalIsOff) {
    for (unsigned interval : {0u, 50u}) {
        QTcpServer board;
        ASSERT_TRUE(board.listen(kLocal, 0));
        QTcpSocket* peer = nullptr;
        QByteArray received;
        QObject::connect(&board, &QTcpServer::newConnection, [&] {
            peer = board.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [&] {
                const QByteArray data = peer->readAll();
                received += data;
                if (data.size() >= 4 && data.at(3) == 'f') peer->write(customModelReply("1HWTK04"));
            });
        });
        IoBoardLink link;
        link.setPollInterval(interval);
        link.openTcpClient(kLocal, board.serverPort());
        ASSERT_TRUE(waitUntil([&] { return link.status() == IoBoardLink::Status::Connected; }));
        EXPECT_EQ(link.state().reportedModel(), "1HWTK04");
        EXPECT_EQ(link.state().model(), "KB-04-00");
        EXPECT_FALSE(link.askingModel());
        EXPECT_EQ(link.polling(), interval != 0);
        if (interval != 0) {
            // The input query goes at once, then outputs and inputs in turn.
            ASSERT_TRUE(
                waitUntil([&] { return received.count("H:\x01S") >= 1 && received.count("H:\x01R") >= 2; }));
        }
    }
}

TEST(IoTcpClientLink, SilentBoardGetsSixModelQueriesOnEveryConnection) {
    QTcpServer board;
    ASSERT_TRUE(board.listen(kLocal, 0));
    std::vector<QTcpSocket*> peers;
    QByteArray received;
    QObject::connect(&board, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = board.nextPendingConnection();
        peers.push_back(peer);
        QObject::connect(peer, &QTcpSocket::readyRead, [&received, peer] { received += peer->readAll(); });
    });
    IoBoardLink link;
    for (int connection = 1; connection <= 2; ++connection) {
        received.clear();
        link.openTcpClient(kLocal, board.serverPort());
        ASSERT_TRUE(waitUntil([&] { return link.askingModel(); }));
        ASSERT_TRUE(waitUntil([&] { return !link.askingModel(); }));
        ASSERT_TRUE(waitUntil([&] { return received.size() >= 6 * 15; }));
        EXPECT_EQ(received.count("H:\x01"
                                 "f"),
                  6)
            << "connection " << connection;
        EXPECT_EQ(link.status(), IoBoardLink::Status::Connecting);
        link.close();
    }
}

TEST(IoTcpServerLink, BoardsAreListedWithTheirIdentityAndFramesGoToTheSelectedOne) {
    IoTcpServer server;
    ASSERT_EQ(server.listen(kLocal, 0), IoTcpServer::ListenResult::Listening);
    std::vector<QString> listed;
    QObject::connect(&server, &IoTcpServer::clientListed,
                     [&](int, const QString& text) { listed.push_back(text); });

    BoardSocket named(server.serverPort(), QByteArray("KB8\0junk", 8));
    ASSERT_TRUE(waitUntil([&] { return listed.size() == 1; }));
    BoardSocket silent(server.serverPort(), QByteArray());
    ASSERT_TRUE(waitUntil([&] { return listed.size() == 2; }));

    const QString namedKey = QStringLiteral("127.0.0.1:%1").arg(named.socket->localPort());
    const QString silentKey = QStringLiteral("127.0.0.1:%1").arg(silent.socket->localPort());
    EXPECT_EQ(listed[0], namedKey + " [KB8]");
    EXPECT_EQ(listed[1], silentKey + " [null]");
    EXPECT_EQ(server.selectedClient(), 0);

    server.send("first");
    server.selectClient(1);
    server.send("second");
    ASSERT_TRUE(
        waitUntil([&] { return named.received.endsWith("first") && silent.received.endsWith("second"); }));
    EXPECT_FALSE(named.received.contains("second"));
    EXPECT_FALSE(silent.received.contains("first"));

    // Chunks of every board reach the window, whichever is selected; the identity reply never does.
    std::vector<QByteArray> chunks;
    QObject::connect(&server, &IoTransport::chunkReceived, [&](const QByteArray& c) { chunks.push_back(c); });
    named.socket->write("abc");
    ASSERT_TRUE(waitUntil([&] { return !chunks.empty(); }));
    EXPECT_EQ(chunks.front(), QByteArray("abc"));

    // No selection, or one no list can have, is the first board.
    for (int position : {-1, IoTcpServer::kMaxBoards}) {
        server.selectClient(1);
        server.selectClient(position);
        EXPECT_EQ(server.selectedClient(), 0) << position;
    }

    // A board that hangs up keeps its row and sends to it are harmless.
    named.socket->disconnectFromHost();
    server.selectClient(0);
    server.send("nobody");
    QCoreApplication::processEvents();
    EXPECT_EQ(server.clientCount(), 2);
    EXPECT_TRUE(server.isListening());
    // A selection past the last row sends nowhere.
    server.selectClient(2);
    server.send("beyond");
    QCoreApplication::processEvents();
    EXPECT_FALSE(silent.received.contains("beyond"));

    // Closed, it lists nobody and has nobody selected.
    server.close();
    EXPECT_FALSE(server.isListening());
    EXPECT_EQ(server.clientCount(), 0);
    EXPECT_EQ(server.selectedClient(), -1);
}

// A board that comes back from the address and port it had is the board of its row: the row stays as
// it was listed, and frames go to the new connection.
TEST(IoTcpServerLink, ABoardBackFromItsOwnPortKeepsItsRow) {
    IoTcpServer server;
    ASSERT_EQ(server.listen(kLocal, 0), IoTcpServer::ListenResult::Listening);
    std::vector<QString> listed;
    std::vector<int> ready;
    QObject::connect(&server, &IoTcpServer::clientListed,
                     [&](int, const QString& text) { listed.push_back(text); });
    QObject::connect(&server, &IoTcpServer::clientReady, [&](int position) { ready.push_back(position); });
    BoardSocket first(server.serverPort(), QByteArray("ONE"));
    ASSERT_TRUE(waitUntil([&] { return ready.size() == 1; }));
    auto second = std::make_unique<BoardSocket>(server.serverPort(), QByteArray("TWO"));
    ASSERT_TRUE(waitUntil([&] { return ready.size() == 2; }));
    const quint16 port = second->socket->localPort();
    const QString key = QStringLiteral("127.0.0.1:%1").arg(port);

    // Reset, not closed: a close would hold the port in TIME_WAIT.
    const linger reset{1, 0};
    ::setsockopt(int(second->socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    second->socket->abort();
    BoardSocket back(server.serverPort(), QByteArray("AGAIN"), port);
    ASSERT_EQ(back.socket->localPort(), port) << back.socket->errorString().toStdString();
    ASSERT_TRUE(waitUntil([&] { return ready.size() == 3; }));
    EXPECT_EQ(ready, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(listed,
              (std::vector<QString>{QStringLiteral("127.0.0.1:%1 [ONE]").arg(first.socket->localPort()),
                                    key + " [TWO]"}));
    EXPECT_EQ(server.clientTexts(), QStringList(listed.begin(), listed.end()));

    server.selectClient(1);
    server.send("to-two");
    ASSERT_TRUE(waitUntil([&] { return back.received.endsWith("to-two"); }));
    EXPECT_FALSE(first.received.contains("to-two"));
    // The connection it replaced is not kept.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(server.findChildren<QTcpSocket*>().size(), 2);
}

// A board that sends a frame right behind its identity: the frame is not left waiting for more traffic.
TEST(IoTcpServerLink, WhatFollowsTheIdentityInOneWriteIsPassedOn) {
    IoTcpServer server;
    ASSERT_EQ(server.listen(kLocal, 0), IoTcpServer::ListenResult::Listening);
    std::vector<QString> listed;
    std::vector<QByteArray> chunks;
    QObject::connect(&server, &IoTcpServer::clientListed, [&](int, const QString& text) { listed.push_back(text); });
    QObject::connect(&server, &IoTransport::chunkReceived, [&](const QByteArray& c) { chunks.push_back(c); });
    const QByteArray identity(IoTcpServer::kIdentityMaxBytes, 'I');
    BoardSocket board(server.serverPort(), identity + "after");
    ASSERT_TRUE(waitUntil([&] { return !chunks.empty(); }));
    EXPECT_EQ(chunks, std::vector<QByteArray>{"after"});
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].endsWith(" [" + QString(identity) + "]")) << listed[0].toStdString();
}

// Another board chosen while the first is polled: the first board's panel is forgotten and nothing
// is polled until the new board has named its model.
TEST(IoTcpServerLink, ChoosingAnotherBoardAsksItsModelBeforeAnyPoll) {
    IoBoardLink link;
    link.presetPollInterval(50);
    ASSERT_EQ(link.openTcpServer(kLocal, 0), IoBoardLink::OpenResult::Opened);
    BoardSocket first(link.serverPort(), QByteArray("KB4", 3));
    const QByteArray modelQuery(
        "H:\x01"
        "f");
    ASSERT_TRUE(waitUntil([&] { return first.received.contains(modelQuery); }));
    first.socket->write(customModelReply("1HWTK04"));
    ASSERT_TRUE(waitUntil([&] { return link.polling(); }));
    EXPECT_EQ(link.state().model(), "KB-04-00");
    BoardSocket second(link.serverPort(), QByteArray("KB8", 3));
    ASSERT_TRUE(waitUntil([&] { return link.clientTexts().size() == 2; }));

    link.selectClient(1);
    EXPECT_EQ(link.selectedClient(), 1);
    EXPECT_FALSE(link.polling());
    EXPECT_TRUE(link.state().reportedModel().empty());
    ASSERT_TRUE(waitUntil([&] { return second.received.contains(modelQuery); }));
}

TEST(IoTcpServerLink, TheBoardBeyondAHundredIsTurnedAway) {
    IoTcpServer server;
    ASSERT_EQ(server.listen(kLocal, 0), IoTcpServer::ListenResult::Listening);
    int refused = 0;
    QObject::connect(&server, &IoTcpServer::clientRefused, [&] { ++refused; });
    std::vector<std::unique_ptr<BoardSocket>> boards;
    // One after another: the listen backlog is short, as the boards' own servers expect.
    for (int i = 1; i <= IoTcpServer::kMaxBoards; ++i) {
        boards.push_back(std::make_unique<BoardSocket>(server.serverPort(), QByteArray("ok")));
        ASSERT_TRUE(waitUntil([&] { return server.clientCount() == i; })) << i;
    }

    BoardSocket extra(server.serverPort(), QByteArray("late"));
    ASSERT_TRUE(waitUntil([&] { return refused == 1; }));
    ASSERT_TRUE(waitUntil([&] { return extra.socket->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server.clientCount(), IoTcpServer::kMaxBoards);
    EXPECT_TRUE(extra.received.isEmpty());  // never asked who it is
    // Nor kept: a board that keeps trying must not pile up sockets.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(server.findChildren<QTcpSocket*>().size(), IoTcpServer::kMaxBoards);
}

TEST(IoTcpServerLink, PortInUseIsABindFailure) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(kLocal, 0));
    IoBoardLink link;
    EXPECT_EQ(link.openTcpServer(kLocal, other.serverPort()), IoBoardLink::OpenResult::BindFailed);
    EXPECT_FALSE(link.isOpen());
}

// Listening again (the window's reconnect) first lets go of the port it held; closing frees it.
TEST(IoTcpServerLink, ListeningAgainOnTheSamePortReplacesTheFirstListener) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(kLocal, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    IoBoardLink link;
    ASSERT_EQ(link.openTcpServer(kLocal, port), IoBoardLink::OpenResult::Opened);
    EXPECT_EQ(link.openTcpServer(kLocal, port), IoBoardLink::OpenResult::Opened);
    link.close();
    QTcpServer after;
    EXPECT_TRUE(after.listen(kLocal, port));
}

// The same for a UDP link: its port is let go at once, not when the old socket is deleted later.
TEST(IoUdpLinkBind, OpeningAgainOnTheSamePortReplacesTheFirstSocket) {
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(kLocal, 0));
    const quint16 port = probe.localPort();
    probe.close();
    IoBoardLink link;
    ASSERT_EQ(link.openUdp(kLocal, port, kLocal, 9), IoBoardLink::OpenResult::Opened);
    EXPECT_EQ(link.openUdp(kLocal, port, kLocal, 9), IoBoardLink::OpenResult::Opened);
    EXPECT_EQ(link.type(), IoConnectionType::Udp);
    link.close();
    EXPECT_EQ(link.type(), IoConnectionType::None) << "a closed link is of no kind";
    QUdpSocket after;
    EXPECT_TRUE(after.bind(kLocal, port));
}

// A handler may close the link on any chunk, the last one a turn reads included: nothing of the
// closed socket is touched after that, and what was not read yet is not passed on.
TEST(IoUdpLinkBind, ClosedByAHandlerOnTheLastChunkOfATurn) {
    IoUdpLink link;
    ASSERT_TRUE(link.open(kLocal, 0, kLocal, 9));
    int chunks = 0;
    QObject::connect(&link, &IoTransport::chunkReceived, [&](const QByteArray&) {
        if (++chunks == IoUdpLink::kMaxReadsPerTurn) link.close();
    });
    QUdpSocket board;
    for (int i = 0; i < IoUdpLink::kMaxReadsPerTurn + 10; ++i)
        ASSERT_EQ(board.writeDatagram(QByteArray(8, char(i)), kLocal, link.localPort()), 8);
    ASSERT_TRUE(waitUntil([&] { return !link.isBound(); }));
    for (int turn = 0; turn < 10; ++turn) QCoreApplication::processEvents();
    EXPECT_EQ(chunks, IoUdpLink::kMaxReadsPerTurn);
}

TEST(IoLinkChunks, LongChunkIsNeitherLoggedNorDecodedAndShortOnesAre) {
    // The board at an address of its own: a question sent to no address in particular lands on 127.0.0.1.
    const QHostAddress boardAt(QStringLiteral("127.0.0.6"));
    QUdpSocket board;
    ASSERT_TRUE(board.bind(boardAt, 0));
    IoBoardLink link;
    link.state().setShowCommand(true);
    ASSERT_EQ(link.openUdp(kLocal, 0, boardAt, board.localPort()), IoBoardLink::OpenResult::Opened);
    // UDP asks once, at once, and the question reaches the destination.
    ASSERT_TRUE(waitUntil([&] { return board.hasPendingDatagrams(); }));
    EXPECT_EQ(board.receiveDatagram().data().left(4), bytes({'H', ':', 1, 'f'}));

    QStringList logged;
    std::vector<ChunkOutcome> outcomes;
    QObject::connect(&link, &IoBoardLink::logAppended, [&](const QString& entry, bool) { logged << entry; });
    QObject::connect(&link, &IoBoardLink::chunkHandled,
                     [&](const ChunkOutcome& o) { outcomes.push_back(o); });
    // A turn runs only for chunks that wait: an idle link must not keep waking the event loop.
    std::vector<int> turns;
    QObject::connect(&link, &IoBoardLink::turnHandled, [&](int chunks) { turns.push_back(chunks); });

    QByteArray longChunk = customModelReply("KB-08-00");
    longChunk.insert(4, QByteArray(40 - longChunk.size(), 'x'));
    ASSERT_EQ(longChunk.size(), 40);
    // Any sender is heard, not only the destination.
    QUdpSocket stranger;
    stranger.writeDatagram(longChunk, kLocal, link.udpPort());
    ASSERT_TRUE(waitUntil([&] { return outcomes.size() == 1; }));
    EXPECT_TRUE(outcomes[0].dropped);
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_TRUE(link.state().model().empty());

    stranger.writeDatagram(customModelReply("KB-08-00"), kLocal, link.udpPort());
    ASSERT_TRUE(waitUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(link.state().model(), "KB-08-00");
    ASSERT_GE(logged.size(), 1);
    EXPECT_TRUE(logged[0].startsWith(QStringLiteral("RX：48 3A 01 67 ")));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(turns, (std::vector<int>{1, 1}));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
