// tavrel-cli set-port, set-network, restart and reset: what reaches the device, what it keeps, what a
// script is told; bad values are refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;
using tavrel::sim::DeviceSettings;
using tavrel::sim::SimDevice;

namespace {

const QString kSaved = QStringLiteral("Successfully saved");
const QString kRefusedText = QStringLiteral("Configuration failed. Search the devices again, then retry.");
constexpr std::uint8_t kCommit = 0x49;
constexpr std::uint8_t kRestart = 8;
constexpr std::uint8_t kFactoryReset = 9;

// A command frame as the device expects it: 'H' ':' 'W' sub, sixteen 0x55, key, 8-bit sum, 'E' '.'.
QByteArray commandFrame(std::uint8_t sub, const tavrel::DeviceKey& key) {
    QByteArray f("H:W");
    f += char(sub);
    f += QByteArray(16, char(0x55));
    for (auto b : key) f += char(b);
    std::uint8_t sum = 0;
    for (char c : f) sum = std::uint8_t(sum + std::uint8_t(c));
    f += char(sum);
    f += "E.";
    return f;
}

std::vector<QByteArray> framesOf(const SimDevice& d, std::uint8_t op, std::uint8_t sub) {
    std::vector<QByteArray> out;
    for (const auto& f : d.frames())
        if (f.op == op && f.subCode == sub)
            out.emplace_back(reinterpret_cast<const char*>(f.bytes.data()),
                             static_cast<qsizetype>(f.bytes.size()));
    return out;
}

QJsonObject showJson(quint16 port, const QString& selector) {
    const CliRun run = runCli(port, {QStringLiteral("--json"), QStringLiteral("show"), selector});
    QString error;
    QJsonObject o = jsonObjectOf(run.out, &error);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return o;
}

void putText(std::array<std::uint8_t, 32>& field, const std::string& text) {
    field = {};
    std::copy(text.begin(), text.end(), field.begin());
}

}  // namespace

TEST(CliConfig, SetPortWritesEveryPortAndReadsBack) {
    auto sim = simulate({"kind=serial,ports=8,version=43,flag=1", "kind=serial,ports=1"});
    SimDevice& device = *sim->device(0);
    device.setSettings(variedSettings(device, 4));
    sim->device(1)->setSettings(variedSettings(*sim->device(1), 5));
    DeviceSettings expected = device.settings();
    ASSERT_NE(expected.ports[0].serial[0], 11);

    const CliRun baud =
        runCli(sim->devicePort(), {"set-port", "000002", "--baud", "115200", "--modbus-timeout", "700"});
    ASSERT_TRUE(baud.finished);
    EXPECT_EQ(baud.exitCode, 0) << baud.err.toStdString();
    EXPECT_TRUE(baud.out.contains(kSaved)) << baud.out.toStdString();
    // 115200 is the eleventh rate; such a device keeps port 1's Modbus timeout in a word of its own;
    // everything else the device held comes back unchanged.
    expected.ports[0].serial[0] = 11;
    ASSERT_NE(expected.ports[0].modbusTimeout, 700);
    expected.ports[0].modbusTimeout = 700;
    EXPECT_TRUE(device.settings() == expected);
    EXPECT_FALSE(device.hasStagedChanges());
    const auto commits = framesOf(device, 'W', kCommit);
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].toHex(' '), commandFrame(kCommit, device.key()).toHex(' '));
    EXPECT_EQ(framesWithOp(*sim->device(1), 'W'), 0) << "only the chosen device is written";
    EXPECT_EQ(showJson(sim->devicePort(), QStringLiteral("000002"))["ports"].toArray()[0].toObject()["baud"],
              QJsonValue(QStringLiteral("115200")));

    // The last port with every field; a host of exactly 32 characters and the highest port number
    // are still taken.
    const std::string host(32, 'h');
    const CliRun port3 = runCli(sim->devicePort(), {"set-port",
                                                    "127.0.0.2",
                                                    "--port",
                                                    "8",
                                                    "--parity",
                                                    "EVEN",
                                                    "--data-bits",
                                                    "7",
                                                    "--stop-bits",
                                                    "2",
                                                    "--mode",
                                                    "UDP_CLIENT",
                                                    "--remote-host",
                                                    QString::fromStdString(host),
                                                    "--remote-port",
                                                    "65535",
                                                    "--local-port",
                                                    "1234",
                                                    "--heartbeat-data",
                                                    "ping",
                                                    "--heartbeat-interval",
                                                    "90",
                                                    "--modbus",
                                                    "on"});
    ASSERT_TRUE(port3.finished);
    EXPECT_EQ(port3.exitCode, 0) << port3.err.toStdString();
    EXPECT_TRUE(port3.out.contains(kSaved)) << port3.out.toStdString();
    auto& p = expected.ports[7];
    p.serial[1] = 2;
    p.serial[2] = 7;
    p.serial[3] = 3;
    p.serial[4] = 4;
    tavrel::putBe16(p.serial.data() + 9, 65535);
    tavrel::putBe16(p.serial.data() + 11, 1234);
    p.serial[14] = 2;
    putText(p.host, host);
    p.heartbeat = {'p', 'i', 'n', 'g'};
    p.heartbeatInterval = 90;
    EXPECT_TRUE(device.settings() == expected);
    const QStringList diff =
        differences(expectedJson(device), showJson(sim->devicePort(), QStringLiteral("000002")));
    EXPECT_TRUE(diff.isEmpty()) << diff.join('\n').toStdString();

    // A one-port device takes each block as it comes and is sent no commit.
    SimDevice& onePort = *sim->device(1);
    DeviceSettings onePortExpected = onePort.settings();
    const CliRun one = runCli(sim->devicePort(), {"set-port", "000003", "--baud", "600"});
    ASSERT_TRUE(one.finished);
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_TRUE(one.out.contains(kSaved)) << one.out.toStdString();
    onePortExpected.ports[0].serial[0] = 1;
    EXPECT_TRUE(onePort.settings() == onePortExpected);
    EXPECT_GT(framesWithOp(onePort, 'W'), 0);
    EXPECT_TRUE(framesOf(onePort, 'W', kCommit).empty());
}

TEST(CliConfig, BadPortValuesAreRefusedBeforeAnythingIsWritten) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1", "kind=serial,ports=8,version=43,flag=1"});
    SimDevice& device = *sim->device(0);
    // An address type the form cannot show must be chosen before a network save.
    DeviceSettings odd = device.settings();
    odd.ipType = 0;
    device.setSettings(odd);
    const DeviceSettings before = device.settings();
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"set-port", "000002", "--port", "3", "--remote-host", QString(33, 'h')}, "(at most 32 bytes)"},
        {{"set-port", "000002", "--baud", "115201"}, "--baud: one of 600 1200 "},
        {{"set-port", "000002", "--heartbeat-interval", "12a"}, ""},
        {{"set-port", "000002", "--port", "5", "--baud", "9600"}, "the device has no port 5"},
        {{"set-network", "000002", "--dns", "10.0.0.1"}, "Please choose the IP address type."},
        {{"set-network", "000002", "--static", "--user", "--force"},
         "--user needs a value, not the option --force"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains(kSaved));
    }
    EXPECT_EQ(framesWithOp(device, 'W'), 0);
    EXPECT_TRUE(device.settings() == before);
    // Eight bytes are still taken, and so is the type once chosen.
    const CliRun chosen = runCli(sim->devicePort(), {"set-network", "000002", "--static", "--user",
                                                     "eightchr", "--password", "pw345678"});
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_EQ(device.settings().ipType, 1);
    const auto& account = device.settings().account;
    EXPECT_EQ(std::string(account.begin(), account.begin() + 16), "eightchrpw345678");
    // The last port there may be, on a device that has it; only that port changes.
    SimDevice& eight = *sim->device(1);
    const DeviceSettings eightBefore = eight.settings();
    const CliRun last = runCli(sim->devicePort(), {"set-port", "000003", "--port", "8", "--baud", "600"});
    EXPECT_EQ(last.exitCode, 0) << last.err.toStdString();
    for (std::size_t p = 0; p < 8; ++p)
        EXPECT_EQ(eight.settings().ports[p] == eightBefore.ports[p], p != 7) << p;
}

TEST(CliConfig, RefusingDeviceMakesTheCommandFail) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,refuse"});
    SimDevice& device = *sim->device(0);
    const DeviceSettings before = device.settings();
    // An unusual address is written only with --force: a gateway outside the subnet.
    const CliRun unusual = runCli(sim->devicePort(), {"set-network", "000002", "--gateway", "10.9.9.9"});
    EXPECT_EQ(unusual.exitCode, 1);
    EXPECT_TRUE(unusual.err.contains("add --force")) << unusual.err.toStdString();
    EXPECT_EQ(framesWithOp(device, 'W'), 0);
    for (const QStringList& args : {QStringList{"set-port", "000002", "--baud", "115200"},
                                    QStringList{"set-network", "000002", "--ip", "10.1.2.3"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE((run.out + run.err).contains(kRefusedText)) << (run.out + run.err).toStdString();
        EXPECT_FALSE(run.out.contains(kSaved));
    }
    EXPECT_GT(framesWithOp(device, 'W'), 0);
    EXPECT_TRUE(device.settings() == before);
}

TEST(CliConfig, SetNetworkWritesToTheReplyPortAndMovesTheKey) {
    const quint16 sourcePort = freeUdpPort();
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,source-port=" + std::to_string(sourcePort)});
    SimDevice& device = *sim->device(0);

    for (const QStringList& args : {QStringList{"set-network", "000002", "--mac", "00-CA-C1-19-00"},
                                    QStringList{"set-network", "000002", "--mac", "00-CA-C1-19-00-3G"},
                                    QStringList{"set-network", "000002", "--ip", "10.1.2.256"},
                                    QStringList{"set-network", "000002", "--user", "ninechars"},
                                    QStringList{"set-network", "000002", "--dhcp", "--static"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(framesWithOp(device, 'W'), 0);

    const CliRun run =
        runCli(sim->devicePort(), {"set-network", "00:ca:c1:00:00:02", "--ip", "10.9.8.7", "--mask",
                                   "255.255.0.0", "--gateway", "10.9.0.1", "--dns", "1.0.0.1", "--dhcp",
                                   "--mac", "00CAC1123456", "--user", "operator", "--password", "s3cret"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(kSaved)) << run.out.toStdString();
    const DeviceSettings& s = device.settings();
    EXPECT_EQ(s.network, (tavrel::sim::Block{10, 9, 8, 7, 255, 255, 0, 0, 10, 9, 0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(s.ipType, 2);
    EXPECT_EQ(s.mac, (tavrel::Mac{0x00, 0xCA, 0xC1, 0x12, 0x34, 0x56}));
    EXPECT_EQ(s.account,
              (tavrel::sim::Block{'o', 'p', 'e', 'r', 'a', 't', 'o', 'r', 's', '3', 'c', 'r', 'e', 't'}));
    // Writes go where the device answers from, not to the device port.
    for (const auto& f : device.frames())
        if (f.op == 'W') {
            EXPECT_EQ(f.localPort, sourcePort) << "sub-code " << int(f.subCode);
        }

    // The device now goes by its new key.
    const QStringList diff =
        differences(expectedJson(device), showJson(sim->devicePort(), QStringLiteral("123456")));
    EXPECT_TRUE(diff.isEmpty()) << diff.join('\n').toStdString();
}

TEST(CliConfig, RestartAndResetReachTheDevice) {
    auto sim = simulate({"kind=serial,ports=8,version=43,flag=1", "kind=serial,ports=1"});
    SimDevice& device = *sim->device(1);
    const DeviceSettings factory = device.settings();
    device.setSettings(variedSettings(device, 6));
    const DeviceSettings varied = device.settings();

    const CliRun restart =
        runCli(sim->devicePort(), {QStringLiteral("restart"), QStringLiteral("127.0.0.3")});
    ASSERT_TRUE(restart.finished);
    EXPECT_EQ(restart.exitCode, 0) << restart.err.toStdString();
    ASSERT_TRUE(waitFor([&] { return device.restarts() == 1; }));
    const auto restarts = framesOf(device, 'W', kRestart);
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_EQ(restarts[0].toHex(' '), commandFrame(kRestart, device.key()).toHex(' '));
    EXPECT_TRUE(device.settings() == varied) << "a restart keeps the settings";

    const CliRun reset = runCli(sim->devicePort(), {QStringLiteral("reset"), QStringLiteral("000003")});
    ASSERT_TRUE(reset.finished);
    EXPECT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    ASSERT_TRUE(waitFor([&] { return device.factoryResets() == 1; }));
    const auto resets = framesOf(device, 'W', kFactoryReset);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0].toHex(' '), commandFrame(kFactoryReset, device.key()).toHex(' '));
    for (const auto& f : device.frames())
        if (f.op == 'W') {
            EXPECT_EQ(f.localPort, sim->devicePort());
        }
    EXPECT_TRUE(device.settings() == factory);
    EXPECT_EQ(framesWithOp(*sim->device(0), 'W'), 0) << "the other device is left alone";
    EXPECT_EQ(sim->device(0)->restarts() + sim->device(0)->factoryResets(), 0);
}

TEST(CliConfig, BoardsWithAConfigurationImageTakeOnePackedWrite) {
    auto sim = simulate({"kind=830", "kind=302,timing"});
    for (const char* key : {"000002", "000003"}) {
        for (const QStringList& args :
             std::vector<QStringList>{{"set-port", key, "--baud", "115200"},
                                      {"set-network", key, "--ip", "10.0.0.9", "--force"}}) {
            SCOPED_TRACE(args.join(' ').toStdString());
            const CliRun run = runCli(sim->devicePort(), args);
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_TRUE(run.out.contains(kSaved)) << run.out.toStdString();
        }
        // Such a board carries port 1 alone.
        const CliRun other = runCli(sim->devicePort(), {"set-port", key, "--port", "2", "--baud", "9600"});
        EXPECT_EQ(other.exitCode, 2);
        EXPECT_EQ(other.err, "this board takes the settings of port 1 only; nothing was sent\n");
    }
    for (int i = 0; i < 2; ++i) {
        const SimDevice& device = *sim->device(std::size_t(i));
        EXPECT_EQ(device.packedWrites(), 2);
        for (const auto& f : device.frames())
            EXPECT_NE(f.bytes.size(), 26u * (f.op == 'W'));  // no block writes
        EXPECT_EQ(device.settings().network[0], 10);
        EXPECT_EQ(tavrel::sim::baudIndex(device.settings().ports[0]), 11);  // 115200
    }
}

// --wait reads the device again once the command is through and prints it as it answers now; the
// device a restart keeps is asked at its address, the one a reset may move is asked by broadcast.
TEST(CliConfig, WaitPrintsTheDeviceAsItAnswersAfterwards) {
    auto sim = simulate({"kind=serial,ports=1", "kind=830"});
    SimDevice& server = *sim->device(0);
    // The first search after the last write, and whether it was a broadcast.
    auto searchAfterWrite = [](const SimDevice& d) -> std::optional<bool> {
        std::optional<bool> broadcast;
        for (const auto& f : d.frames()) {
            if (f.op == 'W') broadcast.reset();
            if (f.op == 'R' && f.subCode == 1 && !broadcast) broadcast = f.broadcast;
        }
        return broadcast;
    };
    auto jsonOf = [](const CliRun& run) {
        QString error;
        const QJsonObject o = jsonObjectOf(run.out, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString() << run.out.toStdString();
        return o;
    };

    const CliRun restart = runCli(sim->devicePort(), {"restart", "127.0.0.2", "--wait"});
    ASSERT_TRUE(restart.finished);
    EXPECT_EQ(restart.exitCode, 0) << restart.err.toStdString();
    EXPECT_TRUE(restart.out.startsWith("sent\nwaiting for the device to answer again...\n"))
        << restart.out.toStdString();
    EXPECT_TRUE(restart.out.contains("\nip: 127.0.0.2\n")) << restart.out.toStdString();
    EXPECT_EQ(server.restarts(), 1);
    EXPECT_EQ(searchAfterWrite(server), std::optional<bool>(false));

    const CliRun reset = runCli(sim->devicePort(), {"--json", "reset", "127.0.0.2", "--wait"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    const QJsonObject afterReset = jsonOf(reset);
    EXPECT_EQ(afterReset["result"].toString(), "sent");
    EXPECT_EQ(afterReset["message"].toString(), "sent");
    EXPECT_EQ(afterReset["device"].toObject()["ip"].toString(), "127.0.0.2");
    EXPECT_EQ(server.factoryResets(), 1);
    EXPECT_EQ(searchAfterWrite(server), std::optional<bool>(true));

    // Block writes and the packed record alike: the device printed is the one read after the write.
    const CliRun port =
        runCli(sim->devicePort(), {"--json", "set-port", "127.0.0.2", "--baud", "1200", "--wait"});
    EXPECT_EQ(port.exitCode, 0) << port.err.toStdString();
    const QJsonObject afterPort = jsonOf(port);
    EXPECT_EQ(afterPort["result"].toString(), "verified");
    EXPECT_EQ(afterPort["message"].toString(), kSaved);
    EXPECT_EQ(afterPort["device"].toObject()["ports"].toArray()[0].toObject()["baud"].toString(), "1200");

    const CliRun board =
        runCli(sim->devicePort(), {"--json", "set-port", "127.0.0.3", "--baud", "1200", "--wait"});
    EXPECT_EQ(board.exitCode, 0) << board.err.toStdString();
    const QJsonObject afterBoard = jsonOf(board);
    EXPECT_EQ(afterBoard["result"].toString(), "verified");
    EXPECT_EQ(afterBoard["device"].toObject()["ports"].toArray()[0].toObject()["baud"].toString(), "1200");
    EXPECT_EQ(sim->device(1)->packedWrites(), 1);
    // The port write leaves the board's clock alone (the set-clock flag, byte 791): only the clock command
    // sets it.
    for (const auto& f : sim->device(1)->frames())
        if (f.op == 'W' && f.bytes.size() == 830) EXPECT_EQ(f.bytes[791], 0);
    // A refused record is reported as without --wait, and nothing is waited for.
    tavrel::sim::SimOptions refuse;
    refuse.refuse = true;
    sim->device(1)->setOptions(refuse);
    const CliRun refused =
        runCli(sim->devicePort(), {"--json", "set-port", "127.0.0.3", "--baud", "2400", "--wait"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(jsonOf(refused)["result"].toString(), "refused");
    EXPECT_FALSE(jsonOf(refused).contains("device")) << refused.out.toStdString();
    sim->device(1)->setOptions({});
    // So is a refused block write.
    sim->device(0)->setOptions(refuse);
    const CliRun refusedBlock =
        runCli(sim->devicePort(), {"set-port", "127.0.0.2", "--baud", "2400", "--wait"});
    EXPECT_EQ(refusedBlock.exitCode, 1);
    EXPECT_FALSE(refusedBlock.out.contains("waiting for the device")) << refusedBlock.out.toStdString();
    sim->device(0)->setOptions({});

    const CliRun network =
        runCli(sim->devicePort(), {"set-network", "127.0.0.3", "--dns", "10.1.2.3", "--wait"});
    EXPECT_EQ(network.exitCode, 0) << network.err.toStdString();
    EXPECT_TRUE(network.out.startsWith("Sending data...\n" + kSaved + "\n")) << network.out.toStdString();
    EXPECT_TRUE(network.out.contains("\nnetwork.dns: 10.1.2.3\n")) << network.out.toStdString();

    // A device that goes quiet after its restart is waited for up to the limit, and that is a failure.
    const int restarts = server.restarts();
    tavrel::sim::SimOptions quiet;
    quiet.silent = true;
    const CliRun gone =
        runCliInterrupted(sim->devicePort(), {"--json", "restart", "127.0.0.2", "--wait"}, [&] {
            if (server.restarts() > restarts) server.setOptions(quiet);
            return false;
        });
    ASSERT_TRUE(gone.finished);
    EXPECT_EQ(gone.exitCode, 1) << gone.out.toStdString();
    EXPECT_EQ(jsonOf(gone)["result"].toString(), "not-back");
    EXPECT_FALSE(jsonOf(gone).contains("device"));
    EXPECT_EQ(gone.err, "the device did not answer again within 30 s\n");

    // Stopped while it waits (the device asked again and still quiet): it had said what it waits for.
    server.setOptions({});
    const auto searches = [&] {
        return std::count_if(server.frames().begin(), server.frames().end(),
                             [](const auto& f) { return f.op == 'R' && f.subCode == 1; });
    };
    const int before = server.restarts();
    std::optional<std::ptrdiff_t> searchesAtRestart;
    const CliRun stopped = runCliInterrupted(sim->devicePort(), {"restart", "127.0.0.2", "--wait"}, [&] {
        if (!searchesAtRestart && server.restarts() > before) {
            server.setOptions(quiet);
            searchesAtRestart = searches();
        }
        return searchesAtRestart && searches() > *searchesAtRestart;
    });
    EXPECT_EQ(stopped.out, "sent\nwaiting for the device to answer again...\n");
}
