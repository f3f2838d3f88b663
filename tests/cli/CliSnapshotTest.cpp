// Snapshots kept before writes, and rollback: a serial server and a packed-record board changed, then
// put back field for field.
#include <gtest/gtest.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QTemporaryDir>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

QString keyOf(const SimDevice& device) {
    return QString::fromStdString(tavrel::keyText(device.key()));
}

QStringList snapshotsOf(const tavrel::sim::Simulator& sim, const SimDevice& device) {
    const CliRun listed = runCli(
        sim.devicePort(), {"snapshots", QString::fromStdString(tavrel::macText(device.settings().mac))});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    return listed.out.split('\n', Qt::SkipEmptyParts);
}

// The board's clock runs; everything else must be as it was.
tavrel::sim::DeviceSettings withoutClock(tavrel::sim::DeviceSettings s) {
    s.board.clock = {};
    return s;
}

}  // namespace

// Snapshots of its own: other tests in this process write to devices with the same MACs.
struct OwnHome {
    OwnHome() : old(qgetenv("TAVREL_HOME")) { qputenv("TAVREL_HOME", dir.path().toLocal8Bit()); }
    ~OwnHome() { old.isEmpty() ? qunsetenv("TAVREL_HOME") : qputenv("TAVREL_HOME", old); }
    QTemporaryDir dir;
    QByteArray old;
};

TEST(CliSnapshots, ChangesAreKeptAndRolledBackWhole) {
    const OwnHome home;
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1", "kind=866"});
    SimDevice& server = *sim->device(0);
    SimDevice& board = *sim->device(1);
    server.setSettings(variedSettings(server, 3));
    const auto serverBefore = server.settings();
    const auto boardBefore = withoutClock(board.settings());

    // Two changes of the server: each write keeps the settings it found.
    ASSERT_EQ(runCli(sim->devicePort(), {"set-port", keyOf(server), "--port", "2", "--baud", "1200",
                                         "--remote-host", "changed.example"})
                  .exitCode,
              0);
    ASSERT_EQ(runCli(sim->devicePort(), {"set-network", keyOf(server), "--gateway", "10.9.9.9", "--force"})
                  .exitCode,
              0);
    ASSERT_NE(server.settings(), serverBefore);
    const QStringList kept = snapshotsOf(*sim, server);
    ASSERT_EQ(kept.size(), 2) << kept.join('\n').toStdString();
    EXPECT_LT(kept[0], kept[1]);

    // The oldest holds the device as it was before both.
    const CliRun rolled = runCli(sim->devicePort(), {"rollback", keyOf(server), "--to", kept[0]});
    EXPECT_EQ(rolled.exitCode, 0) << rolled.out.toStdString() << rolled.err.toStdString();
    EXPECT_TRUE(rolled.out.contains("restored")) << rolled.out.toStdString();
    EXPECT_EQ(server.settings(), serverBefore);
    const CliRun same = runCli(sim->devicePort(), {"diff", kept[0], keyOf(server)});
    EXPECT_EQ(same.exitCode, 0) << same.out.toStdString();
    // The rollback is a write too: the state it replaced is kept.
    EXPECT_EQ(snapshotsOf(*sim, server).size(), 3);

    // A board goes back through its packed record; the latest snapshot is the default.
    ASSERT_EQ(
        runCli(sim->devicePort(), {"set-network", keyOf(board), "--gateway", "10.9.9.9", "--force"}).exitCode,
        0);
    ASSERT_NE(withoutClock(board.settings()), boardBefore);
    const int writesBefore = board.packedWrites();
    const CliRun boardRolled = runCli(sim->devicePort(), {"--json", "rollback", keyOf(board)});
    EXPECT_EQ(boardRolled.exitCode, 0) << boardRolled.out.toStdString() << boardRolled.err.toStdString();
    EXPECT_EQ(board.packedWrites(), writesBefore + 1);
    EXPECT_EQ(withoutClock(board.settings()), boardBefore);

    // Nothing to go back to, or a file of another device: nothing is sent.
    const auto fresh = simulate({"kind=serial,ports=1,ip=127.0.0.9"});
    const CliRun none = runCli(fresh->devicePort(), {"rollback", "000009"});
    EXPECT_EQ(none.exitCode, 2) << none.err.toStdString();
    const CliRun other = runCli(sim->devicePort(), {"rollback", keyOf(board), "--to", kept[0]});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_TRUE(other.err.contains("another device")) << other.err.toStdString();
    EXPECT_EQ(board.packedWrites(), writesBefore + 1);
}

// What a script sees of the folder, and of a rollback that does not land: refused, not taken, or a
// device that is gone after the write.
TEST(CliSnapshots, ListingsAndRollbacksThatDoNotLand) {
    const OwnHome home;
    auto sim = simulate({"kind=serial,ports=1", "kind=866"});
    SimDevice& server = *sim->device(0);
    SimDevice& board = *sim->device(1);
    for (const SimDevice* d : {&server, &board})
        ASSERT_EQ(runCli(sim->devicePort(), {"set-network", keyOf(*d), "--gateway", "10.9.9.9", "--force"})
                      .exitCode,
                  0);
    const QStringList kept = snapshotsOf(*sim, server);
    ASSERT_EQ(kept.size(), 1);

    // An address or key is looked up by a search; the listing is the one the MAC gives.
    const CliRun byAddress = runCli(sim->devicePort(), {"snapshots", "127.0.0.2"});
    EXPECT_EQ(byAddress.out.split('\n', Qt::SkipEmptyParts), kept);
    for (const SimDevice* d : {&server, &board}) {
        const CliRun listed = runCli(sim->devicePort(), {"--json", "snapshots", keyOf(*d)});
        EXPECT_EQ(listed.exitCode, 0);
        const QJsonArray files = QJsonDocument::fromJson(listed.out.toUtf8()).array();
        ASSERT_EQ(files.size(), 1) << listed.out.toStdString();
        const QJsonObject file = files[0].toObject();
        EXPECT_EQ(file["file"].toString(), d == &server ? kept[0] : snapshotsOf(*sim, board).value(0));
        // Only the board is put back by its packed record, kept beside the profile.
        if (d == &server) {
            EXPECT_TRUE(file["record"].isNull());
        } else {
            EXPECT_TRUE(file["record"].toString().endsWith(".record"));
            EXPECT_TRUE(QFileInfo(file["record"].toString()).isFile());
        }
    }
    const auto fresh = simulate({"kind=serial,ports=1,ip=127.0.0.9"});
    const CliRun none = runCli(fresh->devicePort(), {"snapshots", "000009"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_EQ(none.err, "no snapshots of 00-CA-C1-00-00-09\n");
    const CliRun noneJson = runCli(fresh->devicePort(), {"--json", "snapshots", "000009"});
    EXPECT_EQ(QJsonDocument::fromJson(noneJson.out.toUtf8()).array(), QJsonArray());
    EXPECT_TRUE(noneJson.err.isEmpty()) << noneJson.err.toStdString();
    const CliRun nothingToGoBackTo = runCli(fresh->devicePort(), {"rollback", "000009"});
    EXPECT_EQ(nothingToGoBackTo.err, "no snapshots of 00-CA-C1-00-00-09\n");
    const CliRun missing =
        runCli(sim->devicePort(), {"rollback", keyOf(server), "--to", home.dir.filePath("gone.ini")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.startsWith("no such snapshot: ")) << missing.err.toStdString();

    const auto changed = server.settings();
    auto rollback = [&] {
        const CliRun run = runCli(
            sim->devicePort(), {"--json", "--timeout", "2000", "rollback", keyOf(server), "--to", kept[0]});
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    };
    tavrel::sim::SimOptions options;
    options.refuse = true;
    server.setOptions(options);
    const QJsonObject refused = rollback();
    EXPECT_EQ(refused["result"].toString(), "refused");
    EXPECT_EQ(refused["message"].toString(),
              QStringLiteral("Configuration failed. Search the devices again, then retry."));
    EXPECT_EQ(server.settings(), changed);

    options = {};
    options.ignoreWrites = true;
    server.setOptions(options);
    const QJsonObject differs = rollback();
    EXPECT_EQ(differs["result"].toString(), "no-answer");

    // Gone silent with the write: unanswered, and not reported restored.
    server.setOptions({});
    QObject::connect(&server, &SimDevice::frameReceived, &server,
                     [&server](const tavrel::sim::ReceivedFrame& f) {
                         if (f.op != 'W') return;
                         tavrel::sim::SimOptions silent;
                         silent.silent = true;
                         server.setOptions(silent);
                     });
    const QJsonObject lost = rollback();
    EXPECT_EQ(lost["result"].toString(), "no-answer");
    EXPECT_TRUE(lost["message"].toString().startsWith("No answer from the device"))
        << lost["message"].toString().toStdString();
}

// A snapshot that cannot be kept is said, and does not stop the write: a full disk must not block a repair.
TEST(CliSnapshots, AWriteGoesAheadWhenItsSnapshotCannotBeKept) {
    auto sim = simulate({"kind=serial,ports=1"});
    QTemporaryDir dir;
    const QString notAFolder = dir.filePath("home-is-a-file");
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVREL_HOME"), notAFolder);
    const CliRun run = runCliWithEnvironment({"--device-port", QString::number(sim->devicePort()),
                                              "--local-port", "0", "set-port", "000002", "--baud", "2400"},
                                             env);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("warning: no snapshot was kept: ")) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Successfully saved")) << run.out.toStdString();
    EXPECT_EQ(tavrel::sim::baudIndex(sim->device(0)->settings().ports[0]), 3);
}
