// tavrel-cli export, import, diff and apply: a profile taken from one simulated device, written to
// others, read back and compared; the exit codes scripts test.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <filesystem>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

QString keyOf(const SimDevice& device) {
    return QString::fromStdString(tavrel::keyText(device.key()));
}

QString macOf(const SimDevice& device) {
    return QString::fromStdString(tavrel::macText(device.settings().mac));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList sectionsOf(const QByteArray& text) {
    QStringList out;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith('[')) out << QString::fromUtf8(line.trimmed());
    return out;
}

QString section(const QString& name) {
    return name == "Device" ? QStringLiteral("[*****************Device****************]")
                            : "[*****************" + name + "*****************]";
}

QStringList lines(const QString& text) {
    return text.split('\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(CliProfile, ExportApplyVerifyAndDiffAgree) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1", "kind=serial,ports=4,version=43,flag=1"});
    SimDevice& source = *sim->device(0);
    SimDevice& target = *sim->device(1);
    source.setSettings(variedSettings(source, 3));
    QTemporaryDir dir;
    const QString file = dir.filePath("source.ini");

    const CliRun exported = runCli(sim->devicePort(), {"export", keyOf(source), file});
    ASSERT_TRUE(exported.finished);
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(sectionsOf(readFile(file)),
              (QStringList{"[Info]", section("Device"), section("Port1"), section("Port2"), section("Port3"),
                           section("Port4")}));
    // The real password goes into the file, which only its owner may read.
    const QString password = QStringLiteral("pw#3xyzw");
    EXPECT_TRUE(readFile(file).contains("Password=" + password.toUtf8()));
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(file.toStdString()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // Before the apply the target differs; the exit status says so. The passwords differ too, which
    // is said without printing either.
    const CliRun before = runCli(sim->devicePort(), {"diff", file, keyOf(target)});
    EXPECT_EQ(before.exitCode, 1) << before.err.toStdString();
    EXPECT_TRUE(before.out.contains("Port1 BitRate: device \"9600\"")) << before.out.toStdString();
    EXPECT_TRUE(before.out.contains("\nDevice Password: differs (not printed; --show-secrets prints it)\n"))
        << before.out.toStdString();
    EXPECT_FALSE(before.out.contains(password)) << before.out.toStdString();
    // Asked for, the passwords are printed; as JSON too, and masked there unless asked for.
    const CliRun shown = runCli(sim->devicePort(), {"--show-secrets", "diff", file, keyOf(target)});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_TRUE(shown.out.contains(QRegularExpression("\nDevice Password: device \"[^\"]*\", profile \"" +
                                                      QRegularExpression::escape(password) + "\"\n")))
        << shown.out.toStdString();
    for (const bool secrets : {false, true}) {
        const CliRun json = runCli(
            sim->devicePort(), secrets ? QStringList{"--show-secrets", "--json", "diff", file, keyOf(target)}
                                       : QStringList{"--json", "diff", file, keyOf(target)});
        EXPECT_EQ(json.exitCode, 1);
        QString error;
        QJsonObject entry;
        for (const auto& v : jsonArrayOf(json.out, &error))
            if (v.toObject()["section"] == "Device" && v.toObject()["key"] == "Password")
                entry = v.toObject();
        EXPECT_EQ(entry["profile"].toString() == password, secrets) << json.out.toStdString();
        EXPECT_FALSE(entry["device"].toString().isEmpty());
    }

    const tavrel::Mac targetMac = target.settings().mac;
    const CliRun applied = runCli(sim->devicePort(), {"apply", file, keyOf(target), "--verify"});
    ASSERT_TRUE(applied.finished);
    EXPECT_EQ(applied.exitCode, 0) << applied.out.toStdString() << applied.err.toStdString();
    ASSERT_EQ(lines(applied.out).size(), 1) << applied.out.toStdString();
    EXPECT_TRUE(applied.out.startsWith(keyOf(target) + " (127.0.0.3 ")) << applied.out.toStdString();
    EXPECT_TRUE(applied.out.trimmed().endsWith(": verified")) << applied.out.toStdString();

    // The target now holds the source's settings, except what belongs to the device itself: its MAC
    // and the serial bytes a profile does not carry.
    const auto& want = source.settings();
    const auto& got = target.settings();
    EXPECT_EQ(got.network, want.network);
    EXPECT_EQ(got.ipType, want.ipType);
    EXPECT_EQ(got.account, want.account);
    EXPECT_EQ(got.mac, targetMac);
    auto carried = [](const tavrel::sim::SimPort& p) {
        std::vector<int> out(p.serial.begin(), p.serial.begin() + 5);
        out.insert(out.end(), p.serial.begin() + 9, p.serial.end());
        return out;
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(got.ports[i].host, want.ports[i].host) << i;
        EXPECT_EQ(got.ports[i].heartbeat, want.ports[i].heartbeat) << i;
        EXPECT_EQ(got.ports[i].heartbeatInterval, want.ports[i].heartbeatInterval) << i;
        EXPECT_EQ(carried(got.ports[i]), carried(want.ports[i])) << i;
    }

    const CliRun after = runCli(sim->devicePort(), {"diff", file, keyOf(target)});
    EXPECT_EQ(after.exitCode, 0) << after.out.toStdString() << after.err.toStdString();
    EXPECT_TRUE(after.out.isEmpty());
    const CliRun all = runCli(sim->devicePort(), {"--json", "diff", file, keyOf(target), "--all"});
    EXPECT_EQ(all.exitCode, 1);
    QString error;
    const QJsonArray macOnly = jsonArrayOf(all.out, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(macOnly.size(), 1) << all.out.toStdString();
    EXPECT_EQ(macOnly[0].toObject()["key"].toString(), "MAC");

    // A device that acknowledges the write and then answers no more is unread, not verified.
    bool written = false;
    QObject::connect(&target, &SimDevice::frameReceived, &target, [&](const tavrel::sim::ReceivedFrame& f) {
        if (f.op == 'W') written = true;
        if (!written || f.op != 'R' || target.options().silent) return;
        tavrel::sim::SimOptions options = target.options();
        options.silent = true;
        target.setOptions(options);
    });
    const CliRun lost = runCli(sim->devicePort(), {"--json", "apply", file, keyOf(target), "--verify"});
    EXPECT_EQ(lost.exitCode, 1);
    const QJsonArray lostLines = jsonArrayOf(lost.out, &error);
    ASSERT_EQ(lostLines.size(), 1) << lost.out.toStdString();
    EXPECT_EQ(lostLines[0].toObject()["result"].toString(), "unread");
    EXPECT_EQ(lostLines[0].toObject()["message"].toString(), "the device was not read back completely");
    EXPECT_EQ(lostLines[0].toObject()["ok"], QJsonValue(false));
}

TEST(CliProfile, ImportPrintsTheProfileAsShowPrintsADevice) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1"});
    SimDevice& device = *sim->device(0);
    device.setSettings(variedSettings(device, 4));
    QTemporaryDir dir;
    const QString file = dir.filePath("p.ini");
    ASSERT_EQ(runCli(sim->devicePort(), {"export", keyOf(device), file}).exitCode, 0);

    QString error;
    const CliRun shown = runCli(sim->devicePort(), {"--json", "show", keyOf(device)});
    const QJsonObject show = jsonObjectOf(shown.out, &error);
    const CliRun imported = runCliRaw({"--json", "import", file});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const QJsonObject profile = jsonObjectOf(imported.out, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(profile.keys(), show.keys());
    EXPECT_EQ(profile["network"], show["network"]);
    EXPECT_EQ(profile["user"], show["user"]);
    EXPECT_EQ(profile["mac"], show["mac"]);
    for (int i = 0; i < 4; ++i) {
        QJsonObject p = profile["ports"].toArray()[i].toObject();
        QJsonObject s = show["ports"].toArray()[i].toObject();
        for (const char* key :
             {"baud", "parity", "dataBits", "stopBits", "workMode", "remoteHost", "remotePort", "localPort",
              "enable", "heartbeatData", "heartbeatInterval", "interface"})
            EXPECT_EQ(p[key], s[key]) << i << ' ' << key;
    }
    EXPECT_TRUE(runCliRaw({"import", file}).out.contains("port 1:"));
}

TEST(CliProfile, BadProfilesAndPathsGiveTheirExitCodes) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.ini");
    writeFile(bad, "[Info]\r\nHardwareVersion=S310\r\n");
    const CliRun refused = runCliRaw({"import", bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Bad Profile!")) << refused.err.toStdString();
    EXPECT_TRUE(
        runCliRaw({"--lang", "zh", "import", bad}).err.startsWith(QStringLiteral("无效的配置文件! ")));
    EXPECT_EQ(runCliRaw({"diff", bad, "000001"}).exitCode, 2) << "1 would read as \"differs\"";
    EXPECT_EQ(runCliRaw({"apply", bad, "000001"}).exitCode, 1);
    // Each with the words that say what is wrong.
    const QString none = dir.filePath("none.ini");
    for (const auto& [args, message] : std::vector<std::pair<QStringList, QString>>{
             {{"import", none}, "no such profile: " + none + "\n"},
             {{"apply", none, "000001"}, "no such profile: " + none + "\n"},
             {{"export", "000001", dir.filePath("no-folder/p.ini")},
              "cannot write " + dir.filePath("no-folder/p.ini") + ": not a file in an existing folder\n"},
             {{"export", "000001", dir.path()},
              "cannot write " + dir.path() + ": not a file in an existing folder\n"},
             {{"export", "000001"}, "usage: tavrel-cli export DEVICE FILE [--force]\n"},
             {{"import"}, "usage: tavrel-cli import FILE\n"}}) {
        const CliRun run = runCliRaw(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err, message);
    }
}

TEST(CliProfile, AFailedExportLeavesTheOldFileWhole) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1"});
    QTemporaryDir dir;
    // The temporary file beside it would need a longer name than the file system allows.
    const QString file = dir.filePath(QString(250, 'p'));
    writeFile(file, "old profile");
    const CliRun run = runCli(sim->devicePort(), {"export", keyOf(*sim->device(0)), file});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("cannot write")) << run.err.toStdString();
    EXPECT_EQ(readFile(file), QByteArray("old profile"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    const CliRun silent =
        runCli(sim->devicePort(), {"--timeout", "1500", "export", "0000FF", dir.filePath("x.ini")});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.ini")));
}

// A profile edited by hand to an address type the device has no such choice for: refused whole, as
// the window would refuse it, and nothing sent.
TEST(CliProfile, AProfileTheDeviceFormRefusesIsInvalidAndSendsNothing) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1"});
    QTemporaryDir dir;
    const QString file = dir.filePath("edited.ini");
    ASSERT_EQ(runCli(sim->devicePort(), {"export", keyOf(*sim->device(0)), file}).exitCode, 0);
    QByteArray text = readFile(file);
    ASSERT_TRUE(text.contains("IpType=1"));
    writeFile(file, text.replace("IpType=1", "IpType=3"));
    sim->device(0)->clearLog();
    const CliRun run = runCli(sim->devicePort(), {"--json", "apply", file, keyOf(*sim->device(0))});
    EXPECT_EQ(run.exitCode, 1);
    QString error;
    const QJsonArray list = jsonArrayOf(run.out, &error);
    ASSERT_EQ(list.size(), 1) << run.out.toStdString();
    EXPECT_EQ(list[0].toObject()["result"].toString(), "invalid");
    EXPECT_EQ(list[0].toObject()["message"].toString(), "Please choose the IP address type.");
    EXPECT_FALSE(list[0].toObject()["ok"].toBool());
    EXPECT_EQ(framesWithOp(*sim->device(0), 'W'), 0);
}

TEST(CliProfile, ApplyReportsEachDeviceOnItsOwnLine) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1", "kind=serial,ports=8,version=43,flag=1",
                         "kind=serial,ports=1,version=43", "kind=serial,ports=4,version=43,flag=1,refuse",
                         "kind=830", "kind=serial,ports=4,version=43,flag=1,ignore-writes"});
    QTemporaryDir dir;
    const QString file = dir.filePath("four.ini");
    ASSERT_EQ(runCli(sim->devicePort(), {"export", keyOf(*sim->device(0)), file}).exitCode, 0);
    for (std::size_t i = 0; i < sim->deviceCount(); ++i) sim->device(i)->clearLog();

    // The one that succeeds comes last: its success must not hide the failures before it.
    const QStringList devices = {keyOf(*sim->device(1)), "0000FF",
                                 keyOf(*sim->device(3)), keyOf(*sim->device(4)),
                                 keyOf(*sim->device(5)), keyOf(*sim->device(2))};
    // One profile address for all of them on purpose: this is about the lines, not the addresses.
    const QStringList args = QStringList{"apply", file, "--same-ip"} + devices;
    const CliRun run = runCli(sim->devicePort(), QStringList{"--json"} + args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    QString error;
    const QJsonArray list = jsonArrayOf(run.out, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.size(), 6);
    QStringList results;
    for (const auto& v : list) results << v.toObject()["result"].toString();
    EXPECT_EQ(results,
              (QStringList{"port-count", "not-found", "refused", "not-supported", "no-answer", "applied"}));
    for (int i = 0; i < 6; ++i) {
        const QJsonObject line = list[i].toObject();
        EXPECT_EQ(line["device"].toString(), devices[i]);
        EXPECT_EQ(line["ok"].toBool(), i == 5) << i;
        // Where the device answered the search, its address and MAC come with the line.
        const int simIndex = QList<int>{1, -1, 3, 4, 5, 2}[i];
        EXPECT_EQ(line["ip"],
                  simIndex < 0 ? QJsonValue() : QJsonValue(QStringLiteral("127.0.0.%1").arg(simIndex + 2)));
        EXPECT_EQ(line["mac"],
                  simIndex < 0 ? QJsonValue() : QJsonValue(macOf(*sim->device(std::size_t(simIndex)))));
    }
    EXPECT_EQ(
        list[3].toObject()["message"].toString(),
        "This board takes its settings as one whole configuration record; a profile cannot be applied to it. "
        "Nothing was sent.");
    EXPECT_EQ(list[2].toObject()["message"].toString(),
              QStringLiteral("Configuration failed. Search the devices again, then retry."));
    EXPECT_EQ(list[4].toObject()["message"].toString(), "no acknowledgement after the last frame");
    EXPECT_EQ(framesWithOp(*sim->device(1), 'W'), 0) << "a refused profile sends nothing";
    EXPECT_EQ(framesWithOp(*sim->device(4), 'W'), 0) << "nor one the board cannot take";
    EXPECT_GT(framesWithOp(*sim->device(2), 'W'), 0);

    // For people: one line each, the device as named, where it answered from, the result and why.
    const CliRun text = runCli(sim->devicePort(), args);
    EXPECT_EQ(text.exitCode, 1);
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << text.out.toStdString();
    EXPECT_EQ(lines[4], devices[4] + " (127.0.0.7 " + macOf(*sim->device(5)) +
                            "): no-answer: no acknowledgement after the last frame");
    EXPECT_EQ(lines[5], devices[5] + " (127.0.0.4 " + macOf(*sim->device(2)) + "): applied");
}
