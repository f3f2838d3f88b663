// Read-outs that lose, repeat, reorder or misaddress replies; a full device table; a taken reply port.
#include <gtest/gtest.h>

#include <QtCore/QJsonDocument>
#include <QtCore/QTemporaryDir>
#include <QtNetwork/QUdpSocket>
#include <set>

#include "CliHarness.h"
#include "ExpectedJson.h"
#include "protocol/ReadoutRetry.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

const QString kJson = QStringLiteral("--json");

// Reply codes of the read-out of a four-port server of version 43 with the extra query.
const std::set<int> kFourPortCodes = {81, 82, 83,  84,  85,  86,  87,  88,  89,  90,  97,
                                      98, 99, 100, 101, 102, 144, 145, 146, 147, 152, 157};

int readRequests(const SimDevice& d) {
    int n = 0;
    for (const auto& f : d.frames())
        if (f.op == 'R' && f.subCode != 1) ++n;
    return n;
}

QJsonArray searchJson(quint16 port, QString* error) {
    const CliRun run = runCli(port, {kJson, QStringLiteral("search")});
    if (!run.finished || run.exitCode != 0) {
        *error = QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err);
        return {};
    }
    return jsonArrayOf(run.out, error);
}

std::set<int> missingOf(const QJsonObject& device) {
    std::set<int> codes;
    for (const auto& code : device["missing"].toArray()) codes.insert(code.toInt());
    return codes;
}

}  // namespace

TEST(CliReadout, LostRepliesAreAskedForAgainUntilComplete) {
    // Every fourth reply to a read is lost: 5 of the 22 blocks in the read-out, 1 of those 5 in the
    // first re-request round, that one again in the second, none in the third.
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,drop=4"});
    sim->device(0)->setSettings(variedSettings(*sim->device(0), 3));
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject device = list[0].toObject();
    EXPECT_TRUE(device["complete"].toBool());
    EXPECT_FALSE(device.contains("missing"));
    EXPECT_EQ(differences(expectedJson(*sim->device(0)), device), QStringList());
    // Only the lost blocks were asked again.
    EXPECT_EQ(readRequests(*sim->device(0)), 22 + 5 + 1 + 1);
}

TEST(CliReadout, IncompleteDeviceIsReportedAndNotSavedWithoutForce) {
    // Every reply to a read is lost; the device answers only the search.
    auto sim = simulate({"kind=serial,ports=1,version=42,drop=1"});
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject device = list[0].toObject();
    EXPECT_FALSE(device["complete"].toBool(true));
    const std::set<int> missing = missingOf(device);
    const std::set<int> onePort = {81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 96, 152};
    EXPECT_FALSE(missing.empty());
    for (int code : missing) EXPECT_TRUE(onePort.count(code)) << code;
    // Asked again while it answers something (the repeated searches), within the budget of rounds;
    // each round asks for all twelve blocks.
    const int asked = readRequests(*sim->device(0));
    EXPECT_EQ(asked % 12, 0) << asked;
    EXPECT_GE(asked, 12 * 2);
    EXPECT_LE(asked, 12 * (1 + tavrel::kReadoutRetryMaxRounds));

    const CliRun text = runCli(sim->devicePort(), {QStringLiteral("search")});
    EXPECT_TRUE(text.out.contains(QStringLiteral("(not read: "))) << text.out.toStdString();
    const CliRun show = runCli(sim->devicePort(), {QStringLiteral("show"), QStringLiteral("000002")});
    EXPECT_TRUE(show.out.startsWith(QStringLiteral("not read: "))) << show.out.toStdString();

    sim->device(0)->clearLog();
    for (const QString& command : {QStringLiteral("set-port"), QStringLiteral("set-network")}) {
        const CliRun refused = runCli(sim->devicePort(), {command, QStringLiteral("000002")});
        EXPECT_EQ(refused.exitCode, 1) << command.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("--force"))) << refused.err.toStdString();
    }
    EXPECT_EQ(framesWithOp(*sim->device(0), 'W'), 0) << "nothing is written unasked";

    // The device takes writes and answers them again.
    SimDevice& lossy = *sim->device(0);
    QObject::connect(&lossy, &SimDevice::frameReceived, &lossy,
                     [&lossy](const tavrel::sim::ReceivedFrame& f) {
                         if (f.op != 'W' || lossy.options().dropEvery == 0) return;
                         tavrel::sim::SimOptions options = lossy.options();
                         options.dropEvery = 0;
                         lossy.setOptions(options);
                     });
    const CliRun forced = runCli(
        sim->devicePort(), {QStringLiteral("set-port"), QStringLiteral("000002"), QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_GT(framesWithOp(*sim->device(0), 'W'), 0);
}

TEST(CliReadout, SecondCopyIsToldThePortIsInUse) {
    auto sim = simulate({"kind=serial,ports=1"});
    QUdpSocket first;  // the first copy of the tool, holding its reply port
    ASSERT_TRUE(first.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    const QString port = QString::number(first.localPort());
    const CliRun run = runCliRaw({"--broadcast", "127.255.255.255", "--device-port",
                                  QString::number(sim->devicePort()), "--local-port", port, "search"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              QStringLiteral("UDP port %1 is in use by another program (is the tool already running?); "
                             "close it, or use --local-port 0 for any free port\n")
                  .arg(port));
    EXPECT_TRUE(sim->device(0)->frames().empty()) << "nothing is sent without a reply port";
    // An address this machine does not have is another reason, said as such. (The documentation
    // range: nothing is sent anywhere.)
    const CliRun foreign = runCliRaw({"--bind", "192.0.2.1", "--device-port",
                                      QString::number(sim->devicePort()), "--local-port", "0", "search"});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_TRUE(foreign.err.startsWith("cannot bind UDP port 0 on 192.0.2.1: ")) << foreign.err.toStdString();
}

// A third of every reply lost, search replies too, the same ones at every run: the repeated
// broadcasts find every device and the re-request rounds complete every read-out.
TEST(CliFaults, ThirtyPercentLossFindsAndCompletesEveryDevice) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,count=16,loss=30,seed=3"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 1)));
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(list.size(), 16);
    for (const auto& value : list) {
        const QJsonObject device = value.toObject();
        const SimDevice* d = sim->deviceAt(QHostAddress(device["ip"].toString()));
        ASSERT_NE(d, nullptr);
        SCOPED_TRACE(d->describe());
        EXPECT_TRUE(device["complete"].toBool())
            << QJsonDocument(device["missing"].toArray()).toJson().toStdString();
        EXPECT_EQ(differences(expectedJson(*d), device), QStringList());
        EXPECT_GT(d->repliesDropped(), 0);
    }
}

TEST(CliFaults, DuplicatedAndReorderedRepliesGiveTheSameRecord) {
    auto sim = simulate({"kind=serial,ports=8,version=43,flag=1,twice,reorder", "kind=serial,ports=1,reorder",
                         "kind=serial,ports=4,version=43,twice"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 5)));
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 3);
    for (const auto& value : list) {
        const QJsonObject device = value.toObject();
        const SimDevice* d = sim->deviceAt(QHostAddress(device["ip"].toString()));
        ASSERT_NE(d, nullptr);
        SCOPED_TRACE(d->describe());
        EXPECT_TRUE(device["complete"].toBool());
        EXPECT_EQ(differences(expectedJson(*d), device), QStringList());
    }
}

TEST(CliFaults, AnotherDevicesKeyMidReadoutOverwritesNothing) {
    // From its fourth reply to a read on, the first device sends the second one's key.
    auto sim = simulate(
        {"kind=serial,ports=4,version=43,flag=1,alien=000003:4", "kind=serial,ports=4,version=43,flag=1"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 1)));
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 2);
    for (const auto& value : list) {
        const QJsonObject device = value.toObject();
        if (device["ip"].toString() == QStringLiteral("127.0.0.3")) {
            EXPECT_TRUE(device["complete"].toBool());
            EXPECT_EQ(differences(expectedJson(*sim->device(1)), device), QStringList());
        } else {
            // Its first three replies carried the first three blocks; the other 19 stay missing.
            EXPECT_FALSE(device["complete"].toBool(true));
            EXPECT_EQ(missingOf(device).size(), kFourPortCodes.size() - 3);
        }
    }
}

TEST(CliFaults, TwoHundredFiftySeventhDeviceIsDroppedAndOverwritesNothing) {
    auto sim = simulate({"kind=250,count=257"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 1)));
    QString error;
    const QJsonArray list = searchJson(sim->devicePort(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 256);
    std::set<QString> keys;
    for (const auto& value : list) {
        const QJsonObject device = value.toObject();
        const SimDevice* d = sim->deviceAt(QHostAddress(device["ip"].toString()));
        ASSERT_NE(d, nullptr);
        keys.insert(device["key"].toString());
        const QStringList diff = differences(expectedJson(*d), device);
        ASSERT_TRUE(diff.isEmpty()) << d->describe() << '\n' << diff.join('\n').toStdString();
    }
    EXPECT_EQ(keys.size(), 256u);

    // The one left out of the full table is not found by a profile, and nothing is sent to anyone.
    const SimDevice* left = nullptr;
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        if (!keys.count(QString::fromStdString(tavrel::keyText(sim->device(i)->key()))))
            left = sim->device(i);
    ASSERT_NE(left, nullptr);
    QTemporaryDir dir;
    const QString profile = dir.filePath("board.ini");
    const QString found = list[0].toObject()["key"].toString();
    ASSERT_EQ(runCli(sim->devicePort(), {"export", found, profile}).exitCode, 0);
    const CliRun run = runCli(sim->devicePort(), {"--timeout", "1500", "apply", profile,
                                                  QString::fromStdString(tavrel::keyText(left->key()))});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("not-found")) << run.out.toStdString();
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        ASSERT_EQ(framesWithOp(*sim->device(i), 'W'), 0) << sim->device(i)->describe();
}
