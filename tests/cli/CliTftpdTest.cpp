// tavrel-cli's upload against Debian's tftpd-hpa, a TFTP server written by others: the files it
// stores must be byte for byte the files sent.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtNetwork/QUdpSocket>

#include "CliHarness.h"

using namespace clitest;

namespace {

const QString kServer = QStringLiteral("/usr/sbin/in.tftpd");
const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The server answers a read request for a file it does not have with an ERROR once it listens.
bool answersAt(quint16 port) {
    QUdpSocket probe;
    probe.bind(kLoopback, 0);
    const QByteArray request("\0\1no-such-file\0octet\0", 21);
    bool answered = false;
    QObject::connect(&probe, &QUdpSocket::readyRead, [&] { answered = true; });
    for (int i = 0; i < 20 && !answered; ++i) {
        probe.writeDatagram(request, kLoopback, port);
        waitFor([&] { return answered; }, 250);
    }
    return answered;
}

// in.tftpd in the foreground on a free loopback port, serving a throw-away folder; killed at the end.
struct TftpServer {
    TftpServer() {
        // Started as root, the server drops to an unprivileged user that must be able to write here.
        QFile::setPermissions(root.path(), QFileDevice::Permissions(0x7777));
        for (int attempt = 0; attempt < 8 && !ready; ++attempt) {
            port = freeUdpPort();
            process.start(kServer,
                          {"-L", "-c", "-s", root.path(), "-a", "127.0.0.1:" + QString::number(port)});
            ready = process.waitForStarted(5000) && answersAt(port);
            if (!ready) stop();
        }
    }
    ~TftpServer() { stop(); }
    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(5000);
    }
    QTemporaryDir root;
    QProcess process;
    quint16 port = 0;
    bool ready = false;
};

}  // namespace

TEST(CliTftpd, FilesStoredByTheServerMatchWhatWasSent) {
    if (!QFileInfo::exists(kServer)) GTEST_SKIP() << "tftpd-hpa is not installed (./dev.sh test installs it)";
    TftpServer server;
    ASSERT_TRUE(server.ready) << server.process.readAllStandardError().toStdString();
    QTemporaryDir source;
    for (qsizetype size : {qsizetype(1000), qsizetype(1024), qsizetype(1024 * 1024)}) {
        QByteArray image(size, '\0');
        for (qsizetype i = 0; i < size; ++i) image[i] = char((i * 131 + i / 512) & 0xFF);
        const QString name = QStringLiteral("fw-%1.bin").arg(size);
        QFile f(source.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();

        const CliRun run = runCli(freeUdpPort(), {"--tftp-port", QString::number(server.port), "upgrade",
                                                  source.filePath(name), "--target", "127.0.0.1"});
        EXPECT_EQ(run.exitCode, 0) << size << ": " << run.err.toStdString();
        // The server may still be closing the file as its last acknowledgement arrives.
        const QString stored = server.root.filePath(name);
        EXPECT_TRUE(waitFor([&] { return fileBytes(stored) == image; }, 30000)) << size;
    }
}
