// tavrel-cli upgrade against simulated devices: the upgrade-mode frame, the upload, what each device
// holds afterwards, and what a script is told when a device misbehaves or a file is refused.
#include <gtest/gtest.h>

#include <QtCore/QCryptographicHash>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>

#include "CliHarness.h"
#include "SimTftp.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

constexpr std::uint8_t kEnterUpgrade = 22;

QByteArray patternBytes(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) bytes[i] = char((i * 31 + seed + i / 509) & 0xFF);
    return bytes;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QByteArray heldImage(const SimDevice& d) {
    if (!d.tftp() || !d.tftp()->hasFirmware()) return {};
    const auto& b = d.tftp()->firmware().bytes;
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// Simulated devices that take firmware at a TFTP port of their own.
struct UpgradeBench {
    explicit UpgradeBench(const std::vector<std::string>& devices) : sim(simulate(devices)) {
        QString error;
        for (int attempt = 0; attempt < 8 && !sim->setTftpPort(freeUdpPort(), &error); ++attempt) {
        }
        EXPECT_NE(sim->device(0)->tftp(), nullptr) << error.toStdString();
    }
    CliRun upgrade(const QStringList& args) {
        return runCli(sim->devicePort(), QStringList{"--tftp-port", QString::number(sim->tftpPort())} +
                                             QStringList{"upgrade"} + args);
    }
    // On a terminal, `drawn` receives the progress it drew.
    QJsonArray upgradeJson(const QStringList& args, int expectedExit, QString* drawn = nullptr) {
        const QStringList all =
            QStringList{"--json", "--tftp-port", QString::number(sim->tftpPort()), "upgrade"} + args;
        const CliRun run = drawn ? runCliOnTerminal(sim->devicePort(), all) : runCli(sim->devicePort(), all);
        if (drawn) *drawn = run.err;
        EXPECT_EQ(run.exitCode, expectedExit) << run.err.toStdString();
        QString error;
        QJsonArray a = jsonArrayOf(run.out, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return a;
    }
    std::unique_ptr<tavrel::sim::Simulator> sim;
    QTemporaryDir dir;
};

}  // namespace

TEST(CliUpgrade, ParallelUploadsLeaveTheExactImageOnEachDevice) {
    UpgradeBench b({"kind=serial,ports=1", "kind=serial,ports=4", "kind=302"});
    const QByteArray image = patternBytes(200 * 1024 + 77, 1);
    const QString file = writeFile(b.dir, "fw-1.bin", image);
    const QJsonArray results =
        b.upgradeJson({file, "127.0.0.2", "127.0.0.3", "--parallel", "2", "--wait", "1600", "--mixed"}, 0);
    ASSERT_EQ(results.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const SimDevice& d = *b.sim->device(static_cast<std::size_t>(i));
        // The upload begins no sooner than --wait after the device was told to get ready.
        for (const auto& f : d.frames())
            if (f.op == 'W' && f.subCode == kEnterUpgrade)
                EXPECT_GE(d.tftp()->firstRequestAt() - f.at, std::chrono::milliseconds(1600)) << i;
        EXPECT_EQ(heldImage(d), image) << i;
        EXPECT_EQ(d.tftp()->firmware().name, "fw-1.bin");
        EXPECT_EQ(d.tftp()->firmware().sha256,
                  QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex().toStdString());
        EXPECT_EQ(d.framesReceived('W', kEnterUpgrade), 1) << i;
        const QJsonObject o = results[i].toObject();
        EXPECT_EQ(o["device"].toString(), d.address().toString());
        EXPECT_EQ(o["result"].toString(), "completed");
        EXPECT_EQ(o["bytes"].toInteger(), image.size());
        EXPECT_EQ(o["blocks"].toInteger(), image.size() / 512 + 1);
        EXPECT_EQ(o["message"].toString(), "");
        EXPECT_GT(o["seconds"].toDouble(), 0.0);
        // What the search found of it, and no verdict without --verify.
        EXPECT_EQ(o["ip"].toString(), d.address().toString());
        EXPECT_EQ(o["mac"].toString(), QString::fromStdString(tavrel::macText(d.settings().mac)));
        EXPECT_EQ(o["hardware"].toString(), i == 0 ? "S110" : "S410");
        EXPECT_EQ(o["versionBefore"].toString(), "V142");
        EXPECT_TRUE(o["versionAfter"].isNull());
    }
    // The third device was not named: no frame, no upload.
    EXPECT_EQ(b.sim->device(2)->framesReceived('W', kEnterUpgrade), 0);
    EXPECT_EQ(b.sim->device(2)->tftp()->requests(), 0);
}

TEST(CliUpgrade, TargetUploadsWithoutTheUpgradeFrame) {
    UpgradeBench b({"kind=serial,ports=1,tftp=oack"});
    for (qsizetype size : {qsizetype(300), qsizetype(1024)}) {
        const QByteArray image = patternBytes(size, 2);
        const QString file = writeFile(b.dir, "image.bin", image);
        const CliRun run = b.upgrade({file, "--target", "127.0.0.2"});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(heldImage(*b.sim->device(0)), image) << size;
        // One line for people: the device, the result, blocks, bytes and seconds.
        const QString line =
            QStringLiteral("^127\\.0\\.0\\.2  completed  %1 blocks  %2 bytes  \\d+\\.\\d\\d s\n$")
                .arg(size / 512 + 1)
                .arg(size);
        EXPECT_TRUE(QRegularExpression(line).match(run.out).hasMatch()) << run.out.toStdString();
    }
    EXPECT_EQ(b.sim->device(0)->framesReceived('W', kEnterUpgrade), 0);
    EXPECT_EQ(b.sim->device(0)->tftp()->requestedFrom(), QHostAddress(QStringLiteral("127.0.0.1")));
    // Bound to another of this computer's addresses, the upload goes out from that one.
    const CliRun bound =
        runCli(b.sim->devicePort(),
               {"--bind", "127.0.0.5", "--tftp-port", QString::number(b.sim->tftpPort()), "upgrade",
                writeFile(b.dir, "small.bin", patternBytes(10, 3)), "--target", "127.0.0.2"});
    EXPECT_EQ(bound.exitCode, 0) << bound.err.toStdString();
    EXPECT_EQ(b.sim->device(0)->tftp()->requestedFrom(), QHostAddress(QStringLiteral("127.0.0.5")));
}

TEST(CliUpgrade, MisbehavingDevicesFailWithTheDialogsMessages) {
    UpgradeBench b({"kind=serial,tftp=error", "kind=serial,tftp=wrong-block", "kind=serial"});
    const QByteArray image = patternBytes(4000, 3);
    const QString file = writeFile(b.dir, "fw.bin", image);
    // One at a time, the least --parallel takes; the third device named twice gets one upload.
    QString drawn;
    const QString thirdMac = QString::fromStdString(tavrel::macText(b.sim->device(2)->settings().mac));
    const QJsonArray results = b.upgradeJson({file, "127.0.0.2", "127.0.0.3", "127.0.0.4", thirdMac,
                                              "00-CA-C1-00-00-99", "--parallel", "1", "--wait", "0"},
                                             1, &drawn);
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(results[0].toObject()["result"].toString(), "transfer-error");
    EXPECT_EQ(results[0].toObject()["message"].toString(),
              QStringLiteral("Transfer error\nTFTP error 2: access violation"));
    EXPECT_EQ(results[1].toObject()["result"].toString(), "wrong-block");
    EXPECT_EQ(results[1].toObject()["message"].toString(), QStringLiteral("The block number is wrong!"));
    EXPECT_EQ(results[1].toObject()["blocks"].toInteger(), 2);
    EXPECT_EQ(results[2].toObject()["result"].toString(), "completed");
    EXPECT_EQ(results[3].toObject()["result"].toString(), "not-found");
    EXPECT_FALSE(b.sim->device(0)->tftp()->hasFirmware());
    EXPECT_FALSE(b.sim->device(1)->tftp()->hasFirmware());
    EXPECT_EQ(heldImage(*b.sim->device(2)), image);
    EXPECT_EQ(b.sim->device(2)->framesReceived('W', kEnterUpgrade), 1);

    // On a terminal each redraw goes back over the four rows, clearing each before it is drawn; the first
    // shows the queue, the last the outcome with the blocks acknowledged (2 of 8 for the wrong block).
    const QStringList frames = drawn.split("\x1b[4A");
    ASSERT_GE(frames.size(), 2) << drawn.toStdString();
    const auto rows = [](const QString& frame) {
        QStringList lines = frame.split("\r\n");
        lines.removeAll(QString());
        for (QString& line : lines) {
            EXPECT_TRUE(line.startsWith("\x1b[2K")) << line.toStdString();
            line.remove(0, 4);
        }
        return lines.join('\n').toStdString();
    };
    const QString empty(30, '-');
    EXPECT_EQ(rows(frames.front()), QStringList({"127.0.0.2          [" + empty + "]   0%",
                                                 "127.0.0.3          [" + empty + "] waiting",
                                                 "127.0.0.4          [" + empty + "] waiting",
                                                 "00-CA-C1-00-00-99  [" + empty + "] not-found"})
                                        .join('\n')
                                        .toStdString());
    EXPECT_EQ(rows(frames.back()),
              QStringList({"127.0.0.2          [" + empty + "] transfer-error",
                           "127.0.0.3          [#######-----------------------] wrong-block",
                           "127.0.0.4          [" + QString(30, '#') + "] completed",
                           "00-CA-C1-00-00-99  [" + empty + "] not-found"})
                  .join('\n')
                  .toStdString());
    for (const QString& frame : frames) EXPECT_EQ(std::count(frame.begin(), frame.end(), '\n'), 4);
}

TEST(CliUpgrade, RefusedFilesSendNothing) {
    UpgradeBench b({"kind=serial"});
    const QString big = b.dir.filePath("big.bin");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(31457281));
    }
    CliRun run = b.upgrade({big, "127.0.0.2", "--wait", "0"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("file_is_too_big")) << run.err.toStdString();

    run = b.upgrade({b.dir.path() + "/", "--target", "127.0.0.2"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("Please open a file!")) << run.err.toStdString();

    run = b.upgrade({b.dir.filePath("missing.bin"), "--target", "127.0.0.2"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("missing.bincan`t open")) << run.err.toStdString();

    const QString name =
        writeFile(b.dir, QString(240, QLatin1Char('n')), patternBytes(10, 0));  // 16 + 240 + 2 > 255
    run = runCli(b.sim->devicePort(), {"--lang", "zh", "--tftp-port", QString::number(b.sim->tftpPort()),
                                       "upgrade", name, "--target", "127.0.0.2"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("文件名太长!"))) << run.err.toStdString();

    // The line's faults are held in-process; these prove that a refused line uploads nothing.
    const std::vector<std::pair<QStringList, QString>> bad = {
        {{"127.0.0.2", "--skip-version", "--dry-run"},
         "--skip-version needs a value, not the option --dry-run"},
        {{"127.0.0.2", "--report", b.dir.path()}, "--report: not a file in an existing folder: "},
    };
    for (const auto& [args, message] : bad) {
        run = b.upgrade(QStringList{writeFile(b.dir, "ok.bin", patternBytes(10, 0))} + args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    }
    // No port to send from on the bound address: refused before anything goes out. Binding to an
    // address of the documentation range sends nothing anywhere.
    run = runCli(b.sim->devicePort(),
                 {"--bind", "192.0.2.1", "--tftp-port", QString::number(b.sim->tftpPort()), "upgrade",
                  writeFile(b.dir, "ok.bin", patternBytes(10, 0)), "--target", "127.0.0.2"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no port to send the firmware from on 192.0.2.1")) << run.err.toStdString();
    EXPECT_TRUE(b.sim->device(0)->frames().empty());
    EXPECT_EQ(b.sim->device(0)->tftp()->requests(), 0);
}

// A campaign: eight devices of one hardware upgraded and checked afterwards, a report a script reads,
// a mixed set refused, and a device that never answers again reported so.
TEST(CliUpgrade, CampaignChecksBeforeAndAfter) {
    std::vector<std::string> devices(8, "kind=serial,ports=4,version=43");
    devices.push_back("kind=serial,ports=4,version=43,no-return");
    devices.push_back("kind=serial,ports=8,version=43");
    UpgradeBench b(devices);
    const QString file = writeFile(b.dir, "fw-V145.bin", patternBytes(3000, 6));
    QStringList eight;
    for (int i = 0; i < 8; ++i) eight << QStringLiteral("127.0.0.%1").arg(i + 2);
    const QString report = b.dir.filePath("campaign.csv");
    const CliRun run =
        b.upgrade(QStringList{file} + eight +
                  QStringList{"--parallel", "8", "--wait", "0", "--verify", "--report", report});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out.count(QStringLiteral("upgraded (V143 → V145)")), 8) << run.out.toStdString();

    // Python's csv module reads the report back: a header and one row per device.
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import csv,json,sys; print(json.dumps(list(csv.DictReader(open(sys.argv[1], newline='', "
                  "encoding='utf-8')))))",
                  report});
    ASSERT_TRUE(python.waitForFinished(30000));
    QString error;
    const QJsonArray rows = jsonArrayOf(QString::fromUtf8(python.readAllStandardOutput()), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString() << python.readAllStandardError().toStdString();
    ASSERT_EQ(rows.size(), 8);
    for (int i = 0; i < 8; ++i) {
        const QJsonObject row = rows[i].toObject();
        EXPECT_EQ(row["device"].toString(), eight[i]);
        EXPECT_EQ(row["mac"].toString(),
                  QString::fromStdString(tavrel::macText(b.sim->device(i)->settings().mac)));
        EXPECT_EQ(row["hardware"].toString(), "S410");
        EXPECT_EQ(row["version_before"].toString(), "V143");
        EXPECT_EQ(row["version_after"].toString(), "V145");
        EXPECT_EQ(row["bytes"].toString(), "3000");
        EXPECT_EQ(row["result"].toString(), "upgraded");
        EXPECT_EQ(row["message"].toString(), QStringLiteral("upgraded (V143 → V145)"));
    }

    // The first device's hardware decides; the 8-port one is named and nothing goes out.
    const CliRun mixed = b.upgrade({file, "127.0.0.2", "127.0.0.11", "--wait", "0"});
    EXPECT_EQ(mixed.exitCode, 2);
    EXPECT_TRUE(mixed.err.contains("127.0.0.11 (S810)")) << mixed.err.toStdString();
    EXPECT_EQ(b.sim->device(9)->tftp()->requests(), 0);
    // Devices already on the version are left out; a dry run only says so.
    const CliRun plan =
        runCli(b.sim->devicePort(), {"--timeout", "2500", "upgrade", file, "127.0.0.2", "127.0.0.10",
                                     "127.0.0.99", "--skip-version", "V145", "--dry-run"});
    auto macOf = [&](int i) {
        return QString::fromStdString(tavrel::macText(b.sim->device(i)->settings().mac));
    };
    EXPECT_EQ(plan.out, "dry run: " + file + " (3000 bytes) would go to:\n  127.0.0.2  127.0.0.2  " +
                            macOf(0) + "  S410  V145  skipped (already runs it)\n  127.0.0.10  127.0.0.10  " +
                            macOf(8) + "  S410  V143  upgrade\n  127.0.0.99  not found\nnothing was sent\n")
        << plan.out.toStdString();
    EXPECT_EQ(b.sim->device(8)->tftp()->requests(), 0);
    EXPECT_EQ(b.sim->device(0)->tftp()->completedUploads(), 1);

    // Taken whole, then never heard of again.
    const QJsonArray gone =
        b.upgradeJson({file, "127.0.0.10", "--wait", "0", "--verify", "--verify-timeout", "2000"}, 1);
    ASSERT_EQ(gone.size(), 1);
    EXPECT_EQ(gone[0].toObject()["result"].toString(), "did-not-come-back");
    EXPECT_EQ(gone[0].toObject()["message"].toString(), "did not come back");
    EXPECT_EQ(b.sim->device(8)->tftp()->completedUploads(), 1);
}

TEST(CliUpgradeSilence, UnansweredRequestTimesOut) {
    UpgradeBench b({"kind=serial,tftp=silent"});
    const QString file = writeFile(b.dir, "fw.bin", patternBytes(700, 4));
    const QJsonArray results = b.upgradeJson({file, "--target", "127.0.0.2"}, 1);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].toObject()["result"].toString(), "timeout");
    EXPECT_EQ(results[0].toObject()["blocks"].toInteger(), 0);
    EXPECT_GE(results[0].toObject()["seconds"].toDouble(), 11.5);
    EXPECT_EQ(b.sim->device(0)->tftp()->requests(), 1);
}

// A device that takes blocks 1 and 2 and then goes quiet: the script learns which block went
// unanswered, in the language asked for, and the device holds no image.
TEST(CliUpgradeSilence, PeerThatStopsMidUploadFailsNamingTheBlock) {
    UpgradeBench b({"kind=serial,tftp=stall"});
    const QString file = writeFile(b.dir, "fw.bin", patternBytes(4000, 5));
    QString drawn;
    const QJsonArray results = b.upgradeJson({file, "--target", "127.0.0.2"}, 1, &drawn);
    ASSERT_EQ(results.size(), 1);
    // On a terminal its one row is drawn over itself each time.
    const QStringList frames = drawn.split("\x1b[1A");
    ASSERT_GE(frames.size(), 2) << drawn.toStdString();
    for (qsizetype i = 0; i + 1 < frames.size(); ++i)
        EXPECT_EQ(frames[i].count('\n'), 1) << frames[i].toStdString();
    const QJsonObject r = results[0].toObject();
    EXPECT_EQ(r["result"].toString(), "timeout");
    EXPECT_EQ(r["blocks"].toInteger(), 2);
    EXPECT_TRUE(r["message"].toString().contains("block 3 was not acknowledged within 4 s"))
        << r["message"].toString().toStdString();

    const CliRun run =
        runCli(b.sim->devicePort(), {"--lang", "zh", "--tftp-port", QString::number(b.sim->tftpPort()),
                                     "upgrade", file, "--target", "127.0.0.2"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("第3块"))) << run.err.toStdString();
    EXPECT_FALSE(b.sim->device(0)->tftp()->hasFirmware());
    EXPECT_EQ(b.sim->device(0)->tftp()->requests(), 2);
}

// Ctrl-C while another device waits its turn, the first either uploading to a device that keeps it
// waiting or getting ready after the upgrade-mode frame: the run stops then (not after the minute of
// that wait, which is longer than a run may take here), the second upload never starts, and the
// script learns which was stopped and which never began.
TEST(CliUpgradeSilence, InterruptStopsTheRunAndSaysWhatFinished) {
    for (const bool uploading : {true, false}) {
        SCOPED_TRACE(uploading ? "uploading" : "getting ready");
        const char* device = uploading ? "kind=serial,tftp=silent" : "kind=serial";
        UpgradeBench b({device, device});
        const QString file = writeFile(b.dir, "fw.bin", patternBytes(700, 6));
        const CliRun run = runCliInterrupted(
            b.sim->devicePort(),
            {"--json", "--tftp-port", QString::number(b.sim->tftpPort()), "upgrade", file, "127.0.0.2",
             "127.0.0.3", "--parallel", "1", "--wait", uploading ? "0" : "60000"},
            [&] {
                return uploading ? b.sim->device(0)->tftp()->requests() > 0
                                 : b.sim->device(0)->framesReceived('W', kEnterUpgrade) > 0;
            });
        ASSERT_TRUE(run.finished) << "killed by the signal, or still waiting after it";
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("stopped; finished: none")) << run.err.toStdString();
        QString error;
        const QJsonArray results = jsonArrayOf(run.out, &error);
        ASSERT_EQ(results.size(), 2) << run.out.toStdString();
        EXPECT_EQ(results[0].toObject()["result"].toString(), "stopped");
        EXPECT_EQ(results[1].toObject()["result"].toString(), "not-started");
        EXPECT_FALSE(b.sim->device(0)->tftp()->hasFirmware());
        EXPECT_EQ(b.sim->device(0)->tftp()->requests() > 0, uploading);
        EXPECT_EQ(b.sim->device(1)->tftp()->requests(), 0);
    }
}

// On a terminal the progress is there while the upload runs: Ctrl-C once it shows stops the upload, a
// progress held back until the end would only show after the upload had timed out.
TEST(CliUpgradeSilence, ProgressIsDrawnWhileTheUploadRuns) {
    UpgradeBench b({"kind=serial,tftp=silent"});
    const QString file = writeFile(b.dir, "fw.bin", patternBytes(700, 6));
    const CliRun run = runCliOnTerminal(b.sim->devicePort(),
                                        {"--json", "--tftp-port", QString::number(b.sim->tftpPort()),
                                         "upgrade", file, "127.0.0.2", "--wait", "0"},
                                        "127.0.0.2  [");
    ASSERT_TRUE(run.finished) << run.err.toStdString();
    QString error;
    const QJsonArray results = jsonArrayOf(run.out, &error);
    ASSERT_EQ(results.size(), 1) << run.out.toStdString();
    EXPECT_EQ(results[0].toObject()["result"].toString(), "stopped") << run.err.toStdString();
}

// Firmware goes to a device that answers the search even when a settings reply of it is lost: the
// upload needs its address, not its settings.
TEST(CliUpgrade, ADeviceNotReadOutWholeIsStillUpgraded) {
    UpgradeBench b({"kind=serial,ports=4,version=43,flag=1,drop=1"});
    const QByteArray image = patternBytes(1500, 6);
    const QString file = writeFile(b.dir, "fw.bin", image);
    const CliRun run = runCli(b.sim->devicePort(), {"--json", "--timeout", "1500", "--tftp-port",
                                                    QString::number(b.sim->tftpPort()), "upgrade", file,
                                                    "127.0.0.2", "--wait", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QString error;
    const QJsonArray results = jsonArrayOf(run.out, &error);
    ASSERT_EQ(results.size(), 1) << run.out.toStdString();
    EXPECT_EQ(results[0].toObject()["result"].toString(), "completed");
    EXPECT_EQ(heldImage(*b.sim->device(0)), image);
}
