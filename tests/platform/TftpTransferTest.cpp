// One upload against a device played by hand in the test: it answers from a fresh port, as TFTP
// servers do; what it receives, and when the transfer gives up.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>

#include "TftpTransfer.h"

using namespace tavrel;

namespace {

bool waitUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Takes the request at its listening port, then acknowledges DATA from another port until told to
// fall silent after `blocksToAcknowledge` blocks.
struct HandDevice {
    QUdpSocket listen;
    QUdpSocket transfer;
    QByteArray received;
    QHostAddress requestFrom;
    int requests = 0;
    int blocksToAcknowledge = 1 << 20;
    QUdpSocket* stranger = nullptr;  // writes an error to the uploader just before the first ACK

    HandDevice() {
        listen.bind(QHostAddress::LocalHost, 0);
        transfer.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&listen, &QUdpSocket::readyRead, [this] {
            while (listen.hasPendingDatagrams()) {
                const QNetworkDatagram d = listen.receiveDatagram();
                if (d.data().startsWith(QByteArray("\0\2", 2))) {
                    ++requests;
                    requestFrom = d.senderAddress();
                    if (stranger)
                        stranger->writeDatagram(QByteArray("\0\5\0\0stranger\0", 13), d.senderAddress(),
                                                quint16(d.senderPort()));
                    transfer.writeDatagram(QByteArray("\0\4\0\0", 4), d.senderAddress(),
                                           quint16(d.senderPort()));
                }
            }
        });
        QObject::connect(&transfer, &QUdpSocket::readyRead, [this] {
            while (transfer.hasPendingDatagrams()) {
                const QNetworkDatagram d = transfer.receiveDatagram();
                const QByteArray p = d.data();
                if (p.size() < 4 || p[1] != 3 || blocksToAcknowledge-- <= 0) continue;
                received += p.mid(4);
                transfer.writeDatagram(QByteArray("\0\4", 2) + p.mid(2, 2), d.senderAddress(),
                                       quint16(d.senderPort()));
            }
        });
    }
};

std::shared_ptr<const std::vector<std::uint8_t>> image(std::size_t size) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(size);
    for (std::size_t i = 0; i < size; ++i) (*bytes)[i] = static_cast<std::uint8_t>(i ^ (i >> 9));
    return bytes;
}

}  // namespace

TEST(TftpTransfer, UploadsToADeviceAnsweringFromAnotherPort) {
    HandDevice device;
    TftpTransfer t;
    std::optional<UploadResult> result;
    QObject::connect(&t, &TftpTransfer::finished, [&](UploadResult r) { result = r; });
    const auto bytes = image(1500);
    // The target as a user may type it: the replies still match it. The upload goes from the
    // address it was given, not from whichever the system would pick.
    t.start("fw.bin", bytes, "127.000.000.001", device.listen.localPort(), QHostAddress("127.0.0.3"));
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(*result, UploadResult::Completed);
    EXPECT_EQ(device.requests, 1);
    EXPECT_EQ(device.requestFrom, QHostAddress("127.0.0.3"));
    EXPECT_EQ(device.received, QByteArray(reinterpret_cast<const char*>(bytes->data()), 1500));
    EXPECT_FALSE(t.active());
}

// Another host on the device's port number is not the device: its error is not the upload's end,
// and the device's own answers right behind it are still taken.
TEST(TftpTransfer, ADatagramFromAnotherHostIsNotTheDevices) {
    HandDevice device;
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress("127.0.0.7"), device.transfer.localPort()));
    device.stranger = &stranger;
    TftpTransfer t;
    std::optional<UploadResult> result;
    QObject::connect(&t, &TftpTransfer::finished, [&](UploadResult r) { result = r; });
    const auto bytes = image(1500);
    t.start("fw.bin", bytes, "127.0.0.1", device.listen.localPort(), QHostAddress::LocalHost);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(*result, UploadResult::Completed);
    EXPECT_EQ(device.received, QByteArray(reinterpret_cast<const char*>(bytes->data()), 1500));
}

TEST(TftpTransfer, SilenceAfterTheFirstBlockEndsTheUpload) {
    HandDevice device;
    device.blocksToAcknowledge = 0;
    TftpTransfer t;
    std::optional<UploadResult> result;
    QObject::connect(&t, &TftpTransfer::finished, [&](UploadResult r) { result = r; });
    t.start("fw.bin", image(3000), "127.0.0.1", device.listen.localPort(), QHostAddress::LocalHost);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(*result, UploadResult::TimedOut);
    EXPECT_EQ(t.uploader().blocksSent(), 1u);
    EXPECT_EQ(t.uploader().view().barColour, BarColour::Red);
}
