// The session's receive path over a real loopback socket: what reaches the reply handling.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtNetwork/QUdpSocket>

#include "DeviceSession.h"
#include "HostAddress.h"

using namespace tavrel;

namespace {

QByteArray wifiScanDatagram(int length) {
    QByteArray d(length, 'n');
    d[0] = 'H';
    d[1] = ':';
    d[2] = 'R';
    d[3] = char(0x9F);
    return d;
}

}  // namespace

TEST(DeviceSession, DatagramsLongerThanTheReceiveBufferAreDroppedNotCut) {
    NetworkSettings settings;
    settings.broadcast = "127.255.255.255";
    settings.bindAddress = "127.0.0.1";
    settings.localPort = 0;
    DeviceSession session(settings);
    ASSERT_TRUE(session.openSocket());
    std::vector<int> lengths;
    QObject::connect(&session, &DeviceSession::wifiScanResult,
                     [&](const QByteArray& d) { lengths.push_back(static_cast<int>(d.size())); });

    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress::LocalHost, 0));
    const quint16 port = session.socket().localPort();
    // Cut to 1,024 bytes the first would pass for a full-sized scan result.
    for (int length : {1025, 1500, 1024, 40})
        device.writeDatagram(wifiScanDatagram(length), QHostAddress::LocalHost, port);

    QDeadlineTimer deadline(30000);
    while (lengths.size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(lengths, (std::vector<int>{1024, 40}));
}

TEST(DeviceSession, AddressTextsAreDecimalWhateverTheirLeadingZeros) {
    EXPECT_EQ(ipv4HostAddress("010.0.0.1"), QHostAddress(QStringLiteral("10.0.0.1")));
    EXPECT_EQ(ipv4HostAddress("127.000.0.010"), QHostAddress(QStringLiteral("127.0.0.10")));
    EXPECT_EQ(ipv4HostAddress("127.0.0.08"), QHostAddress(QStringLiteral("127.0.0.8")));
    for (const char* bad : {"", "127.0.0", "127.0.0.256", "::1", "host"})
        EXPECT_TRUE(ipv4HostAddress(bad).isNull()) << bad;

    // A scan host typed with a leading zero goes to the host of that decimal number.
    QUdpSocket device;
    ASSERT_TRUE(device.bind(QHostAddress(QStringLiteral("127.0.0.10")), 0));
    NetworkSettings settings;
    settings.broadcast = "127.255.255.255";
    settings.bindAddress = "127.0.0.1";
    settings.localPort = 0;
    settings.devicePort = device.localPort();
    DeviceSession session(settings);
    ASSERT_TRUE(session.openSocket());
    session.sendSearch(QStringLiteral("127.0.0.010"));
    QDeadlineTimer deadline(30000);
    while (!device.hasPendingDatagrams() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(device.hasPendingDatagrams());
}
