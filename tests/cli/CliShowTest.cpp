// tavrel-cli show: choosing a device by address, MAC or key, and the errors a script relies on.
#include <gtest/gtest.h>

#include <QtCore/QRegularExpression>

#include <algorithm>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

QStringList lines(const QString& text) {
    return text.split('\n', Qt::SkipEmptyParts);
}

QString leafText(const QJsonValue& v) {
    if (v.isBool()) return v.toBool() ? "true" : "false";
    if (v.isDouble()) return QString::number(v.toInteger());
    return v.toString();  // null prints as nothing
}

// Every field of the expected object must be on show's text output: "key: value" for the device,
// "group.key: value" for its groups, and " key=value" on the line of its port.
QStringList missingFromDetails(const QJsonObject& expected, const QString& text) {
    const QStringList out = lines(text);
    QStringList missing;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (it.key() == "ports") continue;
        if (it.value().isObject()) {
            const QJsonObject group = it.value().toObject();
            for (auto g = group.begin(); g != group.end(); ++g) {
                const QString line = it.key() + '.' + g.key() + ": " + leafText(g.value());
                if (!out.contains(line)) missing << line;
            }
        } else if (const QString line = it.key() + ": " + leafText(it.value()); !out.contains(line)) {
            missing << line;
        }
    }
    for (const QJsonValue& portValue : expected["ports"].toArray()) {
        const QJsonObject port = portValue.toObject();
        const QString head = QStringLiteral("port %1:").arg(port["port"].toInt());
        const auto line =
            std::find_if(out.begin(), out.end(), [&](const QString& l) { return l.startsWith(head); });
        for (auto it = port.begin(); it != port.end(); ++it) {
            if (it.key() == "port") continue;
            const QString field = ' ' + it.key() + '=' + leafText(it.value());
            if (line == out.end() || !(*line + ' ').contains(field + ' ')) missing << head + field;
        }
    }
    return missing;
}

}  // namespace

TEST(CliShow, SelectsTheDeviceByAddressMacOrKey) {
    auto sim =
        simulate({"kind=serial,ports=1,version=42",
                  "kind=serial,ports=4,version=43,flag=1,mac=00-CA-C1-AB-CD-EF", "kind=866", "kind=250"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i)
        sim->device(i)->setSettings(variedSettings(*sim->device(i), static_cast<int>(i + 3)));
    const SimDevice& wanted = *sim->device(1);
    const QJsonObject expected = expectedJson(wanted);
    const QString password = expectedJson(wanted, tavrel::SecretDisplay::Shown)["password"].toString();

    for (const QString selector : {"127.0.0.3", "00-CA-C1-AB-CD-EF", "00:ca:c1:ab:cd:ef", "ABCDEF"}) {
        SCOPED_TRACE(selector.toStdString());
        const CliRun run = runCli(sim->devicePort(), {QStringLiteral("show"), selector});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList out = lines(run.out);
        EXPECT_TRUE(out.contains(QStringLiteral("ip: 127.0.0.3"))) << run.out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("mac: 00-CA-C1-AB-CD-EF"))) << run.out.toStdString();
        EXPECT_TRUE(out.contains("network.ip: " + expected["network"].toObject()["ip"].toString()))
            << run.out.toStdString();
        // Port 4 is the last block read: its remote host proves the read-out completed.
        const QString port4 = expected["ports"].toArray()[3].toObject()["remoteHost"].toString();
        EXPECT_TRUE(run.out.contains("port 4:") && run.out.contains("remoteHost=" + port4))
            << run.out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("password: ********"))) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains(password)) << run.out.toStdString();
    }
    const CliRun shown = runCli(sim->devicePort(), {QStringLiteral("--show-secrets"), QStringLiteral("show"),
                                                    QStringLiteral("ABCDEF")});
    EXPECT_TRUE(lines(shown.out).contains("password: " + password)) << shown.out.toStdString();
    // The text holds every field the JSON names: a line per field, the groups flattened, a line per port.
    const QStringList text = lines(shown.out);
    const QJsonObject all = expectedJson(wanted, tavrel::SecretDisplay::Shown);
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it.key() == "ports" || it.key() == "missing") continue;
        if (it.value().isObject()) {
            const QJsonObject group = it.value().toObject();
            for (auto g = group.begin(); g != group.end(); ++g)
                EXPECT_TRUE(text.contains(it.key() + "." + g.key() + ": " + g.value().toVariant().toString()))
                    << (it.key() + "." + g.key()).toStdString();
        } else {
            EXPECT_TRUE(text.contains(it.key() + ": " + it.value().toVariant().toString()))
                << it.key().toStdString();
        }
    }
    const QJsonArray ports = all["ports"].toArray();
    for (const auto& p : ports) {
        const QJsonObject port = p.toObject();
        const QStringList line = text.filter(QStringLiteral("port %1:").arg(port["port"].toInt()));
        ASSERT_EQ(line.size(), 1);
        for (auto f = port.begin(); f != port.end(); ++f)
            if (f.key() != "port") {
                EXPECT_TRUE(line[0].contains(" " + f.key() + "=" + f.value().toVariant().toString()))
                    << line[0].toStdString() << " lacks " << f.key().toStdString();
            }
    }

    // Every kind by key, in JSON and as text: form names and their own decoding.
    for (std::size_t i = 0; i < sim->deviceCount(); ++i) {
        const SimDevice& device = *sim->device(i);
        SCOPED_TRACE(device.describe());
        const QString key = expectedJson(device)["key"].toString();
        const CliRun run = runCli(sim->devicePort(), {QStringLiteral("--json"), QStringLiteral("show"), key});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QString error;
        const QJsonObject actual = jsonObjectOf(run.out, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const QStringList diff = differences(expectedJson(device), actual);
        EXPECT_TRUE(diff.isEmpty()) << diff.join('\n').toStdString();

        const CliRun text =
            runCli(sim->devicePort(), {QStringLiteral("--show-secrets"), QStringLiteral("show"), key});
        EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
        const QStringList missing =
            missingFromDetails(expectedJson(device, tavrel::SecretDisplay::Shown), text.out);
        EXPECT_TRUE(missing.isEmpty()) << missing.join('\n').toStdString() << "\n" << text.out.toStdString();
    }
}

// A malformed selector is refused with the command line (CliCommandLine).
TEST(CliShow, UnknownDeviceFails) {
    auto sim = simulate({"kind=serial,ports=1"});
    const CliRun unknown = runCli(sim->devicePort(), {QStringLiteral("--timeout"), QStringLiteral("1500"),
                                                      QStringLiteral("show"), QStringLiteral("127.0.0.77")});
    ASSERT_TRUE(unknown.finished);
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("not found"))) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty()) << unknown.out.toStdString();
}

TEST(CliShow, LossyDeviceIsShownWithWhatArrived) {
    auto sim = simulate({"kind=serial,ports=8,version=43,flag=1,drop=3"});
    const CliRun run = runCli(sim->devicePort(), {QStringLiteral("show"), QStringLiteral("000002")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(lines(run.out).contains(QStringLiteral("ip: 127.0.0.2"))) << run.out.toStdString();
    EXPECT_GT(sim->device(0)->repliesDropped(), 0);
}

// The parser's refusals are held in-process (CliCommandLine); these prove the program's wiring.
TEST(CliUsage, UsageErrorsExitTwoWithAMessageAndSendNothing) {
    auto sim = simulate({"kind=serial,ports=1"});
    const QString port = QString::number(sim->devicePort());
    const QStringList loopback{"--broadcast", "127.255.255.255", "--device-port", port, "--local-port", "0"};
    const std::vector<std::pair<QStringList, QString>> cases = {
        {loopback + QStringList{"--timout", "9", "search"},
         "unknown option --timout; did you mean --timeout?\nsee tavrel-cli --help\n"},
        {loopback + QStringList{"show"}, "usage: tavrel-cli show DEVICE [--csv]\n"},
        {loopback + QStringList{"apply", "p.ini", "127.0.0.2", "--same-ip", "--ip-from", "10.0.0.7"},
         "--same-ip and --ip-from exclude each other\nsee tavrel-cli apply --help\n"},
        {loopback, QString()},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCliRaw(args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        // Without a command, the usage page.
        EXPECT_TRUE(message.isEmpty() ? run.err.startsWith("usage:") : run.err == message)
            << run.err.toStdString();
    }
    EXPECT_TRUE(sim->device(0)->frames().empty()) << "a usage error sends nothing";
    // A global option after the command; the shortest timeout is taken: a search that hears nobody in
    // 1 ms, not a usage error.
    const CliRun shortest =
        runCliRaw(loopback + QStringList{"search", "--timeout", "1", "--address", "127.0.0.99"});
    EXPECT_EQ(shortest.exitCode, 1) << shortest.err.toStdString();

    // Help and the version are asked for: stdout, success, nothing sent; a command's help is its own.
    const QString general = QStringLiteral("usage: tavrel-cli [global options] COMMAND [arguments]\n");
    const QString setPort = QStringLiteral("usage: tavrel-cli [global options] set-port DEVICE [options]\n");
    const std::vector<std::pair<QStringList, QString>> asked = {
        {{"--help"}, general},
        {{"set-port", "127.0.0.2", "--baud", "9600", "--help"}, setPort},
        {{"completion", "bash"}, "# bash completion for tavrel-cli"},
    };
    for (const auto& [args, start] : asked) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun help = runCli(sim->devicePort(), args);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith(start)) << help.out.toStdString();
        EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
    }
    const CliRun version = runCli(sim->devicePort(), {"--version", "search"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^tavrel-cli \\d+\\.\\d+\n$")).match(version.out).hasMatch())
        << version.out.toStdString();
    EXPECT_TRUE(sim->device(0)->frames().empty()) << "help and the version send nothing";
}
