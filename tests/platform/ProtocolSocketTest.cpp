#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtNetwork/QUdpSocket>
#include <memory>

#include "PortHolder.h"
#include "ProtocolSocket.h"

using namespace tavrel;

namespace {

bool waitUntil(const std::function<bool()>& done, int deadlineMs = 30000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace

TEST(ProtocolSocketBind, SecondCopyIsToldThePortIsTaken) {
    ProtocolSocket first;
    ASSERT_TRUE(first.open(QHostAddress(), 0));
    const quint16 port = first.localPort();
    EXPECT_FALSE(first.addressInUse());

    ProtocolSocket second;
    EXPECT_FALSE(second.open(QHostAddress(), port));
    EXPECT_TRUE(second.addressInUse());
    EXPECT_FALSE(second.isBound());
    // Not on one address of the same port either: it would take the replies sent to that address.
    EXPECT_FALSE(second.open(QHostAddress::LocalHost, port));
    EXPECT_TRUE(second.addressInUse());

    // Every reply still reaches the first copy.
    int received = 0;
    QObject::connect(&first, &ProtocolSocket::datagramReceived, [&] { ++received; });
    QUdpSocket device;
    for (int i = 0; i < 5; ++i) device.writeDatagram("H:R", QHostAddress::LocalHost, port);
    EXPECT_TRUE(waitUntil([&] { return received == 5; }));

    // Once the first lets go, the port is free again without any reuse option.
    first.close();
    EXPECT_TRUE(second.open(QHostAddress(), port));
    EXPECT_FALSE(second.addressInUse());
}

TEST(ProtocolSocketBind, RebindToAnAdapterAndBack) {
    ProtocolSocket socket;
    ASSERT_TRUE(socket.open(QHostAddress(), 0));
    const quint16 port = socket.localPort();
    ASSERT_TRUE(socket.open(QHostAddress::LocalHost, port));
    EXPECT_EQ(socket.localAddress(), QHostAddress(QHostAddress::LocalHost));
    ASSERT_TRUE(socket.open(QHostAddress(), port));
    EXPECT_EQ(socket.localPort(), port);
}

TEST(ProtocolSocketBind, AnOlderSharingCopyDoesNotLetUsIn) {
    QUdpSocket sharing;
    ASSERT_TRUE(
        sharing.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    ProtocolSocket socket;
    EXPECT_FALSE(socket.open(QHostAddress(), sharing.localPort()));
    EXPECT_TRUE(socket.addressInUse());
}

// Who holds a port: this very process while its socket is bound, nobody once it is closed, whatever
// else stays bound beside it.
TEST(PortHolder, TheHolderIsNamedWhileItHoldsThePort) {
    QUdpSocket neighbour;
    ASSERT_TRUE(neighbour.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    auto socket = std::make_unique<QUdpSocket>();
    ASSERT_TRUE(socket->bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const quint16 port = socket->localPort();
    const PortState held = udpPortState(port);
    EXPECT_EQ(held.port, port);
    EXPECT_FALSE(held.free);
    if (QFile::exists(QStringLiteral("/proc/net/udp"))) {
        EXPECT_EQ(held.pid, QCoreApplication::applicationPid());
        EXPECT_EQ(held.program, QCoreApplication::applicationName().left(15).toStdString());
    }
    socket.reset();
    const PortState free = udpPortState(port);
    EXPECT_TRUE(free.free);
    EXPECT_EQ(free.pid, 0);
    EXPECT_TRUE(free.program.empty());
}
