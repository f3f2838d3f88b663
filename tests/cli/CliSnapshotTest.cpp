// Snapshots kept before writes, and rollback: a serial server and a packed-record board changed, then
// put back field for field.
#include <gtest/gtest.h>

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
    ASSERT_EQ(runCli(sim->devicePort(), {"set-network", keyOf(server), "--gateway", "10.9.9.9"}).exitCode, 0);
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
    ASSERT_EQ(runCli(sim->devicePort(), {"set-network", keyOf(board), "--gateway", "10.9.9.9"}).exitCode, 0);
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
