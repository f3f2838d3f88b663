// tavrel-cli wifi: the networks a simulated 302 board reports, where the scan goes, and the checks
// `wifi set` makes before anything is sent.
#include <gtest/gtest.h>

#include "CliHarness.h"

using namespace clitest;

namespace {

constexpr std::uint8_t kScan = 0x41;

int scansReceived(const tavrel::sim::SimDevice& d) {
    return d.framesReceived('W', kScan);
}

}  // namespace

TEST(CliWifi, ScanListsTheNetworksStrongestFirst) {
    auto sim = simulate({"kind=302,networks=Lab 2.4G:-67/Office-WiFi:-48/Guest:-81", "kind=serial,ports=1"});
    const CliRun run = runCli(sim->devicePort(), {"wifi", "scan", "000002"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts), QStringList({"Office-WiFi", "Lab 2.4G", "Guest"}));
    ASSERT_EQ(scansReceived(*sim->device(0)), 1);
    EXPECT_TRUE(sim->device(0)->frames().back().broadcast);

    const CliRun json = runCli(sim->devicePort(), {"--json", "wifi", "scan", "--direct", "127.0.0.2"});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    QString error;
    const QJsonArray names = jsonArrayOf(json.out, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(names, QJsonArray({"Office-WiFi", "Lab 2.4G", "Guest"}));
    ASSERT_EQ(scansReceived(*sim->device(0)), 2);
    EXPECT_FALSE(sim->device(0)->frames().back().broadcast) << "--direct goes to the board's address";
}

TEST(CliWifi, ScanOfABoardWithoutWifiOrWithoutAnswerFails) {
    auto sim = simulate({"kind=830", "kind=302,scan-delay=60000"});
    const CliRun other = runCli(sim->devicePort(), {"wifi", "scan", "000002"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.err,
              "not a WiFi board (only boards that report the 302-byte record have WiFi); nothing was sent\n");
    EXPECT_EQ(scansReceived(*sim->device(0)), 0);

    const CliRun late =
        runCli(sim->devicePort(), {"--timeout", "3000", "--lang", "zh", "wifi", "scan", "000003"});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_TRUE(late.err.contains(QStringLiteral("搜索超时"))) << late.err.toStdString();
    EXPECT_TRUE(late.out.isEmpty());
    EXPECT_EQ(scansReceived(*sim->device(1)), 1);
    // A script is told in JSON too: an empty list, the texts on stderr.
    const CliRun json = runCli(sim->devicePort(), {"--json", "--timeout", "3000", "wifi", "scan", "000003"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.out, "[]\n");
    EXPECT_EQ(json.err, "Searching...\nSearch Timeout\n");
}

TEST(CliWifi, SetRefusesBadValuesBeforeAnythingIsSent) {
    auto sim = simulate({"kind=302"});
    const QString longSsid(32, QChar('s'));
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"wifi", "set", "000002", "--sta-ssid", longSsid}, "--sta-ssid: at most 31 bytes"},
        {{"wifi", "set", "000002", "--sta-ssid", "--sta-password", "pw"}, "--sta-ssid needs a value"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    }
    EXPECT_TRUE(sim->device(0)->frames().empty());
}

TEST(CliWifi, SetGoesOutInTheWholeRecordAndANewSearchReadsItBack) {
    auto sim = simulate({"kind=302"});
    QString error;
    const CliRun before = runCli(sim->devicePort(), {"--json", "show", "000002"});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    const QJsonObject network = jsonObjectOf(before.out, &error)["network"].toObject();
    // The longest SSID and password the fields take.
    const QString ssid = QStringLiteral("Lab 2.4G north hall, bay 07-A12");
    const QString password = QStringLiteral("s3cret-Pa55w0rd");
    const CliRun set =
        runCli(sim->devicePort(), {"wifi", "set", "000002", "--mode", "sta", "--sta-ssid", ssid,
                                   "--sta-password", password, "--ap-ssid", ssid, "--ap-password", password});
    ASSERT_TRUE(set.finished);
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();

    const CliRun show = runCli(sim->devicePort(), {"--show-secrets", "--json", "show", "000002"});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QJsonObject device = jsonObjectOf(show.out, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QJsonObject wifi = device["wifi"].toObject();
    EXPECT_EQ(wifi["mode"].toString(), "STA");
    EXPECT_EQ(wifi["staSsid"].toString(), ssid);
    EXPECT_EQ(wifi["staPassword"].toString(), password);
    EXPECT_EQ(wifi["apSsid"].toString(), ssid);
    EXPECT_EQ(wifi["apPassword"].toString(), password);
    // The rest of the record went back as it was read.
    EXPECT_FALSE(network.isEmpty());
    EXPECT_EQ(device["network"].toObject(), network);
}
