// tavrel-cli search against simulated devices: rows, JSON fields, subnet scan, time-out, misbehaving devices.
#include <gtest/gtest.h>

#include <QtCore/QRegularExpression>
#include <set>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;
using tavrel::SecretDisplay;
using tavrel::sim::SimDevice;

namespace {

// The search request every device must see: 'R' 1, sixteen 0xAA, key 00 00 00, sum 0x75.
const QByteArray kSearchFrame = QByteArray::fromHex("483a5201aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa00000075452e");

QByteArray bytesOf(const tavrel::sim::ReceivedFrame& f) {
    return QByteArray(reinterpret_cast<const char*>(f.bytes.data()), static_cast<qsizetype>(f.bytes.size()));
}

std::vector<const tavrel::sim::ReceivedFrame*> searchesAt(const SimDevice& d) {
    std::vector<const tavrel::sim::ReceivedFrame*> out;
    for (const auto& f : d.frames())
        if (f.op == 'R' && f.subCode == 1) out.push_back(&f);
    return out;
}

QStringList ipsOf(const std::vector<QStringList>& rows) {
    QStringList ips;
    for (const auto& row : rows) ips << row.value(0);
    return ips;
}

}  // namespace

TEST(CliSearch, DemoProgramDevicesAreListedOnceInAnswerOrder) {
    SimProgram sim({QStringLiteral("--demo")});
    ASSERT_TRUE(sim.started()) << sim.errors().toStdString();
    // The simulator's own listing: "127.0.0.2:P  serial server, ...  V142 S110  flag 0  MAC ...  key ...";
    // the demo's IO board has a line of its own, which answers no search.
    static const QRegularExpression line(
        QStringLiteral("^(\\S+):\\d+\\s.*\\s(V\\d+) (\\S+)\\s+flag \\d+\\s+MAC (\\S+)\\s+key \\S+"));
    QStringList devices;
    for (const QString& text : sim.listing())
        if (line.match(text).hasMatch()) devices.append(text);
    ASSERT_EQ(devices.size(), 6) << sim.listing().join('\n').toStdString();

    const CliRun run = runCli(sim.port(), {QStringLiteral("search")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const auto rows = rowsOf(run.out);
    ASSERT_EQ(rows.size(), 6u) << run.out.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const auto m = line.match(devices[i]);
        const QStringList expected{m.captured(1), m.captured(4), m.captured(2), m.captured(3)};
        EXPECT_EQ(rows[static_cast<std::size_t>(i)], expected) << "row " << i << ":\n"
                                                               << run.out.toStdString();
        // In columns: the MAC, version and hardware start at the same place on every row.
        EXPECT_EQ(lines[i].mid(17, 17), expected[1]) << lines[i].toStdString();
        EXPECT_EQ(lines[i].mid(36, 8).trimmed(), expected[2]) << lines[i].toStdString();
        EXPECT_EQ(lines[i].mid(46), expected[3]) << lines[i].toStdString();
    }
}

TEST(CliSearch, JsonReportsWhatEveryKindOfDeviceHoldsWithPasswordsOnlyWhenAsked) {
    auto sim = simulate({"kind=serial,ports=1,version=42,flag=0", "kind=serial,ports=4,version=43,flag=1",
                         "kind=serial,ports=8,version=43,flag=1,mac=00-CA-C1-AB-CD-EF", "kind=302,timing",
                         "kind=830", "kind=866", "kind=250"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 1)));

    for (const auto secrets : {SecretDisplay::Masked, SecretDisplay::Shown}) {
        SCOPED_TRACE(secrets == SecretDisplay::Shown ? "--show-secrets" : "masked");
        QStringList args{QStringLiteral("--json"), QStringLiteral("search")};
        if (secrets == SecretDisplay::Shown) args.prepend(QStringLiteral("--show-secrets"));
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QString error;
        const QJsonArray list = jsonArrayOf(run.out, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(list.size(), static_cast<qsizetype>(sim->deviceCount()));

        for (qsizetype i = 0; i < list.size(); ++i) {
            const SimDevice& device = *sim->device(static_cast<std::size_t>(i));
            const QJsonObject actual = list[i].toObject();
            SCOPED_TRACE(device.describe());
            for (const QString& key : kDeviceKeys) EXPECT_TRUE(actual.contains(key)) << key.toStdString();
            for (const QString& key : kNetworkKeys)
                EXPECT_TRUE(actual["network"].toObject().contains(key)) << key.toStdString();
            // Every port is present whatever the device has, with every key.
            const QJsonArray ports = actual["ports"].toArray();
            ASSERT_EQ(ports.size(), 8);
            for (qsizetype p = 0; p < ports.size(); ++p) {
                EXPECT_EQ(ports[p].toObject()["port"].toInt(), p + 1);
                for (const QString& key : kPortKeys)
                    EXPECT_TRUE(ports[p].toObject().contains(key))
                        << "port " << p + 1 << ' ' << key.toStdString();
            }
            const QStringList diff = differences(expectedJson(device, secrets), actual);
            EXPECT_TRUE(diff.isEmpty()) << diff.join('\n').toStdString();
            if (secrets == SecretDisplay::Masked) {
                for (const QString& password : passwordsOf(expectedJson(device, SecretDisplay::Shown)))
                    EXPECT_FALSE(run.out.contains(password)) << password.toStdString();
            }
        }
    }
}

TEST(CliSearch, SubnetScanFindsDevicesAtTheirOwnAddresses) {
    auto sim = simulate({"kind=serial,ports=1,ip=127.0.0.9", "kind=830,ip=127.0.0.200"});
    const CliRun run = runCli(
        sim->devicePort(), {QStringLiteral("search"), QStringLiteral("--scan"), QStringLiteral("--passes"),
                            QStringLiteral("1"), QStringLiteral("--address"), QStringLiteral("127.0.0.255")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ipsOf(rowsOf(run.out)), (QStringList{"127.0.0.9", "127.0.0.200"})) << run.out.toStdString();
    for (const auto& device : sim->devices()) {
        const auto searches = searchesAt(*device);
        ASSERT_FALSE(searches.empty()) << device->describe();
        for (const auto* f : searches) {
            EXPECT_FALSE(f->broadcast) << "a scan asks each host, it does not broadcast";
            EXPECT_EQ(bytesOf(*f).toHex(), kSearchFrame.toHex());
        }
    }
    // The most passes there may be.
    const CliRun most =
        runCli(sim->devicePort(), {"search", "--scan", "--passes", "10", "--address", "127.0.0.255"});
    EXPECT_EQ(most.exitCode, 0) << most.err.toStdString();
    EXPECT_EQ(ipsOf(rowsOf(most.out)), (QStringList{"127.0.0.9", "127.0.0.200"})) << most.out.toStdString();
}

// Without options the ports come from the environment; a value there that is no port is named, not used.
TEST(CliSearch, TheEnvironmentGivesThePortsAndABadValueIsNamed) {
    auto sim = simulate({"kind=serial,ports=1"});
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVREL_DEVICE_PORT"), QString::number(sim->devicePort()));
    env.insert(QStringLiteral("TAVREL_LOCAL_PORT"), QStringLiteral("0"));
    const CliRun found = runCliWithEnvironment({"--timeout", "3000", "search"}, env);
    EXPECT_EQ(found.exitCode, 0) << found.err.toStdString();
    EXPECT_TRUE(found.out.startsWith("127.0.0.2")) << found.out.toStdString();
    EXPECT_TRUE(found.err.isEmpty()) << found.err.toStdString();

    env.insert(QStringLiteral("TAVREL_TFTP_PORT"), QStringLiteral("70000"));
    const CliRun warned = runCliWithEnvironment({"--version"}, env);
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_TRUE(warned.err.contains("TAVREL_TFTP_PORT")) << warned.err.toStdString();
    // An address that does not read stops the program: it never falls back to the limited broadcast.
    env.insert(QStringLiteral("TAVREL_BIND"), QStringLiteral("127.0.0"));
    const CliRun stopped = runCliWithEnvironment({"--version"}, env);
    EXPECT_EQ(stopped.exitCode, 2);
    EXPECT_TRUE(stopped.err.startsWith("TAVREL_BIND")) << stopped.err.toStdString();
}

TEST(CliSearch, NoAnswerEndsWithTheTimeoutMessageInEitherLanguage) {
    // A silent device proves the request went out and is byte-exact, while nothing answers it.
    auto sim = simulate({"kind=serial,ports=4,silent"});
    const SimDevice& silent = *sim->device(0);
    const QString timeout = QStringLiteral("--timeout");
    const QString ms = QStringLiteral("1200");

    const CliRun english = runCli(sim->devicePort(), {timeout, ms, QStringLiteral("search")});
    ASSERT_TRUE(english.finished);
    EXPECT_EQ(english.exitCode, 1);
    EXPECT_TRUE(english.err.contains(QStringLiteral("Search timeout,No device found")))
        << english.err.toStdString();
    EXPECT_TRUE(english.out.trimmed().isEmpty()) << english.out.toStdString();
    // Bounded by --timeout: the search's 3 s repeat never went out.
    const auto searches = searchesAt(silent);
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_TRUE(searches.front()->broadcast);
    EXPECT_EQ(bytesOf(*searches.front()).toHex(), kSearchFrame.toHex());

    const CliRun chinese = runCli(sim->devicePort(), {QStringLiteral("--lang"), QStringLiteral("zh"), timeout,
                                                      ms, QStringLiteral("search")});
    ASSERT_TRUE(chinese.finished);
    EXPECT_EQ(chinese.exitCode, 1);
    EXPECT_TRUE(chinese.err.contains(QStringLiteral("搜索超时，未发现设备"))) << chinese.err.toStdString();

    const CliRun json =
        runCli(sim->devicePort(), {QStringLiteral("--json"), timeout, ms, QStringLiteral("search")});
    ASSERT_TRUE(json.finished);
    EXPECT_EQ(json.exitCode, 1);
    QString error;
    EXPECT_TRUE(jsonArrayOf(json.out, &error).isEmpty());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
}

TEST(CliSearch, SilentTwiceAndLossyDevicesAreHandled) {
    auto sim =
        simulate({"kind=serial,ports=4,version=43,flag=1,silent", "kind=serial,ports=1,twice",
                  "kind=serial,ports=8,version=43,flag=1,drop=3", "kind=830,twice", "kind=302,drop=2"});
    const CliRun run = runCli(sim->devicePort(), {QStringLiteral("search")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ipsOf(rowsOf(run.out)), (QStringList{"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}))
        << run.out.toStdString();
    EXPECT_FALSE(searchesAt(*sim->device(0)).empty()) << "the silent device was asked";
    EXPECT_GT(sim->device(1)->repliesSent(), sim->device(1)->framesReceived('R', 1));
    EXPECT_GT(sim->device(2)->repliesDropped(), 0);
}
