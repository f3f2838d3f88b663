// Nothing is written that was not read, and nothing the user did not change: a device whose read-out
// was lost is neither written nor exported without --force; a rate outside the list survives a save
// of other fields; a profile never gives two devices one address unasked; --json is JSON throughout.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QTemporaryDir>

#include "CliHarness.h"

using namespace clitest;
using tavrel::sim::DeviceSettings;
using tavrel::sim::SimDevice;

namespace {

QString keyOf(const SimDevice& device) {
    return QString::fromStdString(tavrel::keyText(device.key()));
}

int writesTo(const SimDevice& d) {
    return framesWithOp(d, 'W');
}

// A profile taken from a healthy device of the same kind.
QString exportedProfile(const QTemporaryDir& dir, quint16 port, const SimDevice& from) {
    const QString file = dir.filePath(keyOf(from) + ".ini");
    const CliRun run = runCli(port, {"export", keyOf(from), file});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return file;
}

}  // namespace

TEST(CliIntegrity, UnreadDeviceIsNeitherWrittenNorExportedUnlessForced) {
    auto sim =
        simulate({"kind=serial,ports=4,version=43,flag=1", "kind=serial,ports=4,version=43,flag=1,drop=1"});
    SimDevice& good = *sim->device(0);
    SimDevice& unread = *sim->device(1);
    QTemporaryDir dir;
    const QString profile = exportedProfile(dir, sim->devicePort(), good);
    const QString lost = dir.filePath("lost.ini");
    const QStringList refused[] = {
        {"apply", profile, keyOf(unread), "--same-ip"},
        {"export", keyOf(unread), lost},
        {"set-network", keyOf(unread), "--dns", "8.8.4.4"},
        {"set-port", keyOf(unread), "--baud", "9600"},
    };
    for (const QStringList& args : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), QStringList{"--timeout", "1500"} + args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE((run.out + run.err).contains("network")) << "names the missing groups";
        EXPECT_FALSE(run.out.contains("applied"));
    }
    EXPECT_EQ(writesTo(unread), 0);
    EXPECT_FALSE(QFile::exists(lost));

    // Nothing to compare is no difference: a device unread or not there is trouble (2), not "differs" (1).
    for (const QString& device : {keyOf(unread), QStringLiteral("0000FF")}) {
        const CliRun diff = runCli(sim->devicePort(), {"--timeout", "1500", "diff", profile, device});
        EXPECT_EQ(diff.exitCode, 2) << diff.out.toStdString() << diff.err.toStdString();
        EXPECT_TRUE(diff.out.isEmpty()) << diff.out.toStdString();
        if (device == keyOf(unread)) {
            EXPECT_TRUE(diff.err.startsWith("device " + device + " did not answer with all its settings (network"))
                << diff.err.toStdString();
            EXPECT_TRUE(diff.err.endsWith("); nothing was compared. Search again\n")) << diff.err.toStdString();
        } else {
            EXPECT_EQ(diff.err, "device not found: 0000FF\n");
        }
    }

    const CliRun forced =
        runCli(sim->devicePort(), {"--timeout", "1500", "export", keyOf(unread), lost, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_TRUE(QFile::exists(lost));
}

TEST(CliIntegrity, RateOutsideTheListSurvivesASaveOfOtherFields) {
    auto sim = simulate({"kind=830"});
    SimDevice& board = *sim->device(0);
    DeviceSettings s = board.settings();
    s.board.baudNumber = 300;
    s.ports[0].serial[0] = 0;
    s.ioOptions = {0, 1};  // unlike each other, so that neither is written for the other
    board.setSettings(s);
    const CliRun run = runCli(sim->devicePort(), {"set-network", keyOf(board), "--dns", "8.8.4.4"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(board.settings().board.baudNumber, 300u);
    EXPECT_EQ(board.settings().ports[0].serial[0], 0);
    EXPECT_EQ(board.settings().ioOptions[0], 0);
    EXPECT_EQ(board.settings().ioOptions[1], 1);
}

TEST(CliIntegrity, ProfileNeverGivesTwoListedDevicesOneAddressUnasked) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,count=3"});
    QTemporaryDir dir;
    const QString profile = exportedProfile(dir, sim->devicePort(), *sim->device(0));
    const QString a = keyOf(*sim->device(1)), b = keyOf(*sim->device(2));

    // The profile's address is device 0's; so is every plan that would repeat it.
    for (const QStringList& args : {QStringList{"apply", profile, a}, QStringList{"apply", profile, a, b}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(writesTo(*sim->device(1)) + writesTo(*sim->device(2)), 0);

    // The device that answered first (the table's first entry) named twice, too.
    const QString first = keyOf(*sim->device(0));
    const CliRun twice = runCli(sim->devicePort(), {"apply", profile, first, first, "--ip-from", "10.0.0.7"});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_TRUE(twice.err.startsWith("one device is named twice: ")) << twice.err.toStdString();
    EXPECT_TRUE(twice.err.endsWith("; nothing was sent\n")) << twice.err.toStdString();

    const CliRun run =
        runCli(sim->devicePort(), {"apply", profile, b, a, first, "--ip-from", "10.0.0.7", "--verify"});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const auto ipOf = [&](int i) {
        const auto& n = sim->device(i)->settings().network;
        return tavrel::ipv4Text({n[0], n[1], n[2], n[3]});
    };
    // In the order named, not the order found.
    EXPECT_EQ(ipOf(2), "10.0.0.7");
    EXPECT_EQ(ipOf(1), "10.0.0.8");
    EXPECT_EQ(ipOf(0), "10.0.0.9");
}

// Every command with --json prints JSON on every device form, whatever it reports.
TEST(CliIntegrity, JsonOutputIsJsonForEveryCommandAndForm) {
    auto sim = simulate(
        {"kind=serial,ports=4,version=43,flag=1", "kind=302,timing", "kind=830", "kind=866", "kind=250"});
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i) {
        const SimDevice& device = *sim->device(i);
        const QString key = keyOf(device);
        const QString file = dir.filePath(key + ".ini");
        const QStringList commands[] = {
            {"search"},
            {"show", key},
            {"export", key, file},
            {"import", file},
            {"diff", file, key},
            {"set-network", key, "--dns", "8.8.4.4"},
            {"set-port", key, "--local-port", "4010"},
            {"wifi", "set", key, "--sta-ssid", "plant"},
            {"timing", "read", key},
            {"timing", "set", key, "--channel", "1", "--strobe", "5", "6"},
            {"clock", key, "--time", "2026-12-07 08:09:10"},
            {"clock", key, "--check"},
            {"restart", key},
        };
        for (const QStringList& args : commands) {
            SCOPED_TRACE((key + ": " + args.join(' ')).toStdString());
            const CliRun run = runCli(sim->devicePort(), QStringList{"--json"} + args);
            ASSERT_TRUE(run.finished);
            if (run.out.trimmed().isEmpty()) {
                EXPECT_NE(run.exitCode, 0) << "nothing printed for a success";
                continue;
            }
            QJsonParseError error{};
            QJsonDocument::fromJson(run.out.toUtf8(), &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError)
                << error.errorString().toStdString() << " in: " << run.out.toStdString();
        }
    }
}
