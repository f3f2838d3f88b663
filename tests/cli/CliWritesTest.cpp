// tavrel-cli against devices that do not do what was asked: a device that never answers a write,
// a selector that names no device, a port the device's port list does not offer.
#include <gtest/gtest.h>

#include "CliHarness.h"

using namespace clitest;
using tavrel::sim::DeviceSettings;
using tavrel::sim::SimDevice;

namespace {

const QString kSaved = QStringLiteral("Successfully saved");

int writesTo(const SimDevice& d) {
    return framesWithOp(d, 'W');
}

}  // namespace

TEST(CliWrites, DeviceThatIgnoresWritesIsNotReportedSaved) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1,ignore-writes"});
    SimDevice& device = *sim->device(0);
    const DeviceSettings before = device.settings();
    for (const QStringList& args : {QStringList{"set-port", "000002", "--baud", "115200"},
                                    QStringList{"set-network", "000002", "--ip", "10.1.2.3"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const int sentBefore = writesTo(device);
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("No answer from the device (")) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains(kSaved)) << run.out.toStdString();
        EXPECT_GT(writesTo(device), sentBefore) << "the writes went out";
    }
    EXPECT_TRUE(device.settings() == before);
}

TEST(CliWrites, RestartAndResetOfNoFoundDeviceFail) {
    auto sim = simulate({"kind=serial,ports=4,version=43,flag=1"});
    SimDevice& device = *sim->device(0);
    for (const QStringList& args :
         {QStringList{"restart", "000099"}, QStringList{"reset", "127.0.0.9"},
          QStringList{"restart", "00-CA-C1-00-00-03"}, QStringList{"reset", "127.0.0.20"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(sim->devicePort(), args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "device not found: " + args[1] + "\n");
        EXPECT_FALSE(run.out.contains("sent"));
    }
    EXPECT_EQ(writesTo(device), 0);

    // Leading zeros name the same address.
    const CliRun zeros = runCli(sim->devicePort(), {"restart", "127.000.0.002"});
    ASSERT_TRUE(zeros.finished);
    EXPECT_EQ(zeros.exitCode, 0) << zeros.err.toStdString();
    EXPECT_TRUE(waitFor([&] { return device.restarts() == 1; }));
}

TEST(CliWrites, SetPortOffersThePortsOfTheWindowsPortList) {
    auto sim = simulate({"kind=serial,ports=1", "kind=serial,ports=B,version=43,flag=1"});
    for (int i = 0; i < 2; ++i) {
        SimDevice& device = *sim->device(i);
        const QString key = QString::fromStdString(tavrel::keyText(device.key()));
        SCOPED_TRACE(key.toStdString());
        const DeviceSettings before = device.settings();
        ASSERT_NE(tavrel::sim::baudIndex(before.ports[1]), 1);

        const CliRun third = runCli(sim->devicePort(), {"set-port", key, "--port", "3", "--baud", "600"});
        ASSERT_TRUE(third.finished);
        EXPECT_EQ(third.exitCode, 2);
        EXPECT_TRUE(third.err.contains("no port 3")) << third.err.toStdString();
        EXPECT_EQ(writesTo(device), 0);

        const CliRun second = runCli(sim->devicePort(), {"set-port", key, "--port", "2", "--baud", "600"});
        ASSERT_TRUE(second.finished);
        EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
        EXPECT_TRUE(second.out.contains(kSaved)) << second.out.toStdString();
        // 600 is the first rate; port 1 keeps its own.
        EXPECT_EQ(tavrel::sim::baudIndex(device.settings().ports[1]), 1);
        EXPECT_EQ(tavrel::sim::baudIndex(device.settings().ports[0]),
                  tavrel::sim::baudIndex(before.ports[0]));
    }
}
