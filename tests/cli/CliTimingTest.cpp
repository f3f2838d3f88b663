// tavrel-cli timing read/set and clock against simulated IO boards: the chains of a 302-byte board
// with their resends, the packed write of image boards with its answer or its read-back check.
#include <gtest/gtest.h>

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>

#include "CliHarness.h"

using namespace clitest;
using tavrel::sim::SimDevice;

namespace {

constexpr std::uint8_t kPassThrough = 0x03;

QJsonObject jsonOf(const CliRun& run) {
    QString error;
    QJsonObject o = jsonObjectOf(run.out, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString() << "\n" << run.out.toStdString();
    return o;
}

// Schedule n of the board's table as the board keeps it (image byte order).
std::vector<std::uint8_t> schedule(const SimDevice& d, std::size_t n) {
    const auto& t = d.settings().board.schedules;
    return {t.begin() + std::ptrdiff_t(n * 18), t.begin() + std::ptrdiff_t(n * 18 + 18)};
}

// The board falls silent at its first pass-through frame.
void silenceOnceTheChainStarts(SimDevice& quiet) {
    QObject::connect(&quiet, &SimDevice::frameReceived, &quiet,
                     [&quiet](const tavrel::sim::ReceivedFrame& f) {
                         if (f.subCode != kPassThrough || quiet.options().silent) return;
                         tavrel::sim::SimOptions options = quiet.options();
                         options.silent = true;
                         quiet.setOptions(options);
                     });
}

TEST(CliTiming, ReadOfA302BoardRunsTheWholeChain) {
    auto sim = simulate({"kind=302,timing"});
    // One channel of each mode, in the board's own (little-endian) order, no two fields alike.
    tavrel::sim::DeviceSettings settings = sim->device(0)->settings();
    const std::array<std::uint8_t, 18> week = {255, 255, 255, 8, 17, 42, 255, 255,  255,
                                               18,  5,   59,  0, 0,  0,  0,   0x15, 3};
    const std::array<std::uint8_t, 18> strobe = {0, 0, 0, 0,    0,    0,    0,    0, 0,
                                                 0, 0, 0, 0x2C, 0x01, 0xCD, 0xAB, 0, 2};
    const std::array<std::uint8_t, 18> timer = {31, 4, 27, 13, 42, 5, 32, 11, 3, 18, 7, 59, 0, 0, 0, 0, 0, 1};
    std::copy(week.begin(), week.end(), settings.board.schedules.begin());
    std::copy(strobe.begin(), strobe.end(), settings.board.schedules.begin() + 2 * 18);
    std::copy(timer.begin(), timer.end(), settings.board.schedules.begin() + 7 * 18);
    settings.ioOptions = {0, 1};
    sim->device(0)->setSettings(settings);
    const CliRun run = runCli(sim->devicePort(), {"--json", "timing", "read", "000002"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = jsonOf(run);
    const QJsonArray channels = o["channels"].toArray();
    ASSERT_EQ(channels.size(), 8);
    const QJsonObject first = channels[0].toObject();
    EXPECT_EQ(first["mode"].toString(), "week");
    EXPECT_EQ(first["openWeekday"].toInt(), 1);
    EXPECT_EQ(first["closeWeekday"].toInt(), 5);
    EXPECT_EQ(first["weekOpen"].toString(), "08:17:42");
    EXPECT_EQ(first["weekClose"].toString(), "18:05:59");
    const QJsonObject third = channels[2].toObject();
    EXPECT_EQ(third["mode"].toString(), "strobe");
    EXPECT_EQ(third["strobeOpen"].toInt(), 300);
    EXPECT_EQ(third["strobeClose"].toInt(), 0xABCD);
    EXPECT_EQ(third["bytes"].toString(), "000000000000000000000000012cabcd0002");  // as it goes on the wire
    const QJsonObject last = channels[7].toObject();
    EXPECT_EQ(last["channel"].toInt(), 8);
    EXPECT_EQ(last["timerOpen"].toString(), "2031-04-27 13:42:05");
    EXPECT_EQ(last["timerClose"].toString(), "2032-11-03 18:07:59");
    EXPECT_EQ(sim->device(0)->framesReceived('W', kPassThrough), 11);
    const QDateTime clock = QDateTime::fromString(o["clock"].toString(), "yyyy-MM-dd HH:mm:ss");
    EXPECT_LE(std::llabs(clock.secsTo(sim->device(0)->boardClock())), 2);
    EXPECT_EQ(o["ip"].toString(), "127.0.0.2");
    EXPECT_EQ(o["outputFollow"], QJsonValue(false));
    EXPECT_EQ(o["sendStatus"], QJsonValue(true));
    EXPECT_EQ(o["weekday"].toInt(), clock.date().dayOfWeek()) << o["clock"].toString().toStdString();
    EXPECT_EQ(channels[1].toObject()["mode"].toString(), "none");
    EXPECT_EQ(third["modeByte"].toInt(), 2);

    // The same for people: a line per channel in its own mode's terms.
    const CliRun text = runCli(sim->devicePort(), {"timing", "read", "000002"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 11) << text.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("clock          ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "output follow  off");
    EXPECT_EQ(lines[2], "send status    on");
    EXPECT_EQ(lines[3], "channel 1  week    open 1 08:17:42  close 5 18:05:59");
    EXPECT_EQ(lines[4], "channel 2  none    (mode byte 0)");
    EXPECT_EQ(lines[5], "channel 3  strobe  open 300  close 43981");
    EXPECT_EQ(lines[10], "channel 8  timer   open 2031-04-27 13:42:05  close 2032-11-03 18:07:59");
}

TEST(CliTiming, LostRepliesAreResentAndAnUnansweredChainFails) {
    auto sim = simulate({"kind=302,timing,drop=3", "kind=302,timing,ip=127.0.0.9"});
    const CliRun lossy = runCli(sim->devicePort(), {"timing", "read", "000002"});
    EXPECT_EQ(lossy.exitCode, 0) << lossy.err.toStdString();
    EXPECT_GT(sim->device(0)->repliesDropped(), 0);
    EXPECT_GT(sim->device(0)->framesReceived('W', kPassThrough), 11);
    EXPECT_EQ(rowsOf(lossy.out).size(), 3u + 8u);

    // A board that falls silent once the chain starts: the first request and its three resends.
    SimDevice& quiet = *sim->device(1);
    silenceOnceTheChainStarts(quiet);
    const CliRun lost = runCli(sim->devicePort(), {"timing", "read", "000009"});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains("after the resends"));
    EXPECT_EQ(quiet.framesReceived('W', kPassThrough), 4);
}

TEST(CliTiming, SetOnA302BoardChangesOneChannelAndKeepsTheRest) {
    auto sim = simulate({"kind=302,timing"});
    SimDevice& d = *sim->device(0);
    const auto before = d.settings().board.schedules;
    const CliRun run =
        runCli(sim->devicePort(), {"timing", "set", "000002", "--channel", "2", "--strobe", "300", "200"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\nSettings saved\n"))) << run.out.toStdString();
    EXPECT_EQ(d.framesReceived('W', kPassThrough), 11 + 9);
    const auto ch2 = schedule(d, 1);
    EXPECT_EQ(ch2[17], 2);
    EXPECT_EQ(ch2[12], 0x2C);  // little-endian in the board's table: 300
    EXPECT_EQ(ch2[13], 0x01);
    EXPECT_EQ(ch2[14], 200);
    for (std::size_t n : {0u, 2u, 7u})
        EXPECT_EQ(schedule(d, n),
                  std::vector<std::uint8_t>(before.begin() + n * 18, before.begin() + n * 18 + 18));

    const CliRun week = runCli(sim->devicePort(), {"--json", "timing", "set", "000002", "--channel", "8",
                                                   "--week", "7", "06:31:ff", "2", "ff:07:42"});
    ASSERT_EQ(week.exitCode, 0) << week.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(week.out.toUtf8()).object(),
              (QJsonObject{{"result", "saved"}, {"message", QStringLiteral("Settings saved")}}))
        << week.out.toStdString();
    // The times and the weekdays change; the date and strobe bytes stay as they were.
    std::vector<std::uint8_t> ch8(before.begin() + 7 * 18, before.begin() + 8 * 18);
    ch8[3] = 6, ch8[4] = 31, ch8[5] = 255;
    ch8[9] = 255, ch8[10] = 7, ch8[11] = 42;
    ch8[16] = 0x72;
    ch8[17] = 3;
    EXPECT_EQ(schedule(d, 7), ch8);
}

TEST(CliTiming, ASaveWhoseFirstAnswerIsLostFailsWithoutWritingAChannel) {
    auto sim = simulate({"kind=302,timing"});
    SimDevice& d = *sim->device(0);
    // The options write is the one request of the save that is not resent.
    QObject::connect(&d, &SimDevice::frameReceived, &d, [&d](const tavrel::sim::ReceivedFrame& f) {
        if (f.subCode != kPassThrough || f.bytes.size() < 8 || f.bytes[7] != 0x6E) return;
        tavrel::sim::SimOptions options = d.options();
        options.silent = true;
        d.setOptions(options);
    });
    const auto before = d.settings().board.schedules;
    const CliRun run =
        runCli(sim->devicePort(), {"timing", "set", "000002", "--channel", "1", "--strobe", "5", "6"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(d.settings().board.schedules == before);
}

TEST(CliTiming, SetOnAnImageBoardIsOnePackedWriteThatANewSearchReadsBack) {
    auto sim = simulate({"kind=830", "kind=866,noack", "kind=830,ignore-writes"});
    const CliRun acked = runCli(sim->devicePort(), {"timing", "set", "000002", "--channel", "3", "--timer",
                                                    "2030-01-02 03:04:05", "ffff-ff-ff 23:59:ff"});
    ASSERT_EQ(acked.exitCode, 0) << acked.err.toStdString();
    EXPECT_TRUE(acked.out.contains("Successfully saved"));
    EXPECT_EQ(sim->device(0)->packedWrites(), 1);
    EXPECT_EQ(schedule(*sim->device(0), 2),
              (std::vector<std::uint8_t>{30, 1, 2, 3, 4, 5, 255, 255, 255, 23, 59, 255, 0, 0, 0, 0, 0, 1}));
    // A schedule change leaves the board's clock alone: the record's set-clock flag (byte 791) stays 0,
    // or the board would go back to the time read out before the write.
    for (const auto& f : sim->device(0)->frames()) {
        if (f.op == 'W' && f.bytes.size() == 830) EXPECT_EQ(f.bytes[791], 0);
    }
    tavrel::sim::DeviceSettings options = sim->device(0)->settings();
    options.ioOptions = {0, 1};  // unlike each other, so that neither is read for the other
    sim->device(0)->setSettings(options);
    const CliRun read = runCli(sim->devicePort(), {"--json", "timing", "read", "000002"});
    ASSERT_EQ(read.exitCode, 0);
    EXPECT_FALSE(jsonOf(read)["outputFollow"].toBool());
    EXPECT_TRUE(jsonOf(read)["sendStatus"].toBool());
    const QJsonObject third = jsonOf(read)["channels"].toArray()[2].toObject();
    EXPECT_EQ(third["timerOpen"].toString(), "2030-01-02 03:04:05");
    EXPECT_EQ(third["timerClose"].toString(), "ffff-ff-ff 23:59:ff");

    // A board that takes the write without a word: the CLI searches again and compares.
    const CliRun quiet = runCli(sim->devicePort(), {"--json", "set-network", "000003", "--ip", "10.1.2.3"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_EQ(jsonOf(quiet)["result"].toString(), "verified");
    EXPECT_EQ(sim->device(1)->settings().network[0], 10);
    const CliRun quietText = runCli(sim->devicePort(), {"set-network", "000003", "--ip", "10.1.2.5"});
    EXPECT_EQ(quietText.exitCode, 0) << quietText.err.toStdString();
    EXPECT_EQ(quietText.out, "Sending data...\nSuccessfully saved\n");

    // A board that drops the write unanswered: the search finds the one field, or the clock, not taken.
    const CliRun kept = runCli(sim->devicePort(), {"--json", "set-network", "000004", "--ip", "10.1.2.3"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(jsonOf(kept)["result"].toString(), "differs");
    EXPECT_EQ(jsonOf(kept)["differences"].toArray(), QJsonArray{"ip address"});
    EXPECT_EQ(kept.err, "The device reads back differently: ip address\n");
    const CliRun clock =
        runCli(sim->devicePort(), {"--json", "clock", "000004", "--time", "2031-04-27 13:42:05"});
    EXPECT_EQ(clock.exitCode, 1);
    const QJsonArray clockDiffers = jsonOf(clock)["differences"].toArray();
    ASSERT_EQ(clockDiffers.size(), 1) << clock.out.toStdString();
    EXPECT_TRUE(clockDiffers[0].toString().startsWith("clock (")) << clock.out.toStdString();

    // One that falls silent after the write is not found again: lost, not compared with another board.
    SimDevice& dropping = *sim->device(2);
    QObject::connect(&dropping, &SimDevice::frameReceived, &dropping,
                     [&dropping](const tavrel::sim::ReceivedFrame& f) {
                         if (f.op != 'W') return;
                         tavrel::sim::SimOptions silent = dropping.options();
                         silent.silent = true;
                         dropping.setOptions(silent);
                     });
    const CliRun lost = runCli(sim->devicePort(), {"--json", "set-network", "000004", "--ip", "10.1.2.4"});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_EQ(jsonOf(lost)["result"].toString(), "not-back") << lost.out.toStdString();
    EXPECT_EQ(lost.err, "The device was not read again after the write; search again to check it.\n");
}

TEST(CliTiming, RefusedAndBadInputs) {
    auto sim = simulate({"kind=830,refuse", "kind=250"});
    const CliRun refused =
        runCli(sim->devicePort(), {"timing", "set", "000002", "--channel", "1", "--strobe", "1", "2"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Configuration failed")));
    const CliRun noSchedules = runCli(sim->devicePort(), {"timing", "read", "000003"});
    EXPECT_EQ(noSchedules.exitCode, 1);
    EXPECT_EQ(noSchedules.err, "the device reports no output schedules\n");

    // No schedules on a board without an image, and no clock on it either.
    const CliRun noClock = runCli(sim->devicePort(), {"clock", "000003"});
    EXPECT_EQ(noClock.exitCode, 1);
    EXPECT_EQ(noClock.err, "the device reports no clock\n");
    const CliRun noClockChecked = runCli(sim->devicePort(), {"--json", "clock", "000003", "--check"});
    EXPECT_EQ(noClockChecked.exitCode, 1);
    EXPECT_EQ(jsonOf(noClockChecked)["result"].toString(), "no-clock") << noClockChecked.out.toStdString();
    EXPECT_EQ(jsonOf(noClockChecked)["message"].toString(), "the device reports no clock");

    // The line's own faults are held in-process; these need the board, or prove the wiring.
    const std::vector<std::pair<QStringList, QString>> usage = {
        {{"timing", "set", "000002", "--channel", "6", "--strobe", "1", "2"},
         "--channel 6: the board has 4 output channels; nothing was sent"},
        {{"timing", "set", "000002", "--channel", "1", "--strobe", "1", "65536"},
         "--strobe: times are numbers 0-65535"},
    };
    for (const auto& [args, message] : usage) {
        const CliRun run = runCli(sim->devicePort(), args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(message))
            << args.join(' ').toStdString() << ": " << run.err.toStdString();
    }
    EXPECT_EQ(framesWithOp(*sim->device(0), 'W'), 1);  // the refused write alone
}

TEST(CliTiming, ClockIsSetAndCheckedOnBothKindsOfBoard) {
    auto sim = simulate({"kind=302,timing", "kind=830", "kind=302,timing,clock-offset=-100"});
    // The board's clock runs on from the time set; a minute allows for any delay.
    const auto setTo = [](const SimDevice& d, const QDateTime& t) {
        const qint64 after = t.secsTo(d.boardClock());
        return after >= 0 && after < 60;
    };
    const CliRun set302 = runCli(sim->devicePort(), {"clock", "000002", "--time", "2031-04-27 13:42:05"});
    ASSERT_EQ(set302.exitCode, 0) << set302.err.toStdString();
    EXPECT_TRUE(setTo(*sim->device(0), QDateTime(QDate(2031, 4, 27), QTime(13, 42, 5))))
        << sim->device(0)->boardClock().toString().toStdString();

    const CliRun set830 = runCli(sim->devicePort(), {"clock", "000003", "--time", "2032-12-31 23:41:17"});
    ASSERT_EQ(set830.exitCode, 0) << set830.err.toStdString();
    std::vector<std::uint8_t> frame;
    for (const auto& f : sim->device(1)->frames())
        if (f.op == 'W') frame = f.bytes;
    ASSERT_EQ(frame.size(), 830u);
    // Second, minute, hour, weekday (a Friday), day, month, year; the set-clock flag.
    EXPECT_EQ(std::vector<std::uint8_t>(frame.begin() + 784, frame.begin() + 792),
              (std::vector<std::uint8_t>{17, 41, 23, 5, 31, 12, 32, 1}));
    EXPECT_TRUE(setTo(*sim->device(1), QDateTime(QDate(2032, 12, 31), QTime(23, 41, 17))))
        << sim->device(1)->boardClock().toString().toStdString();

    // Set to now, the drift is within the default limit on both.
    for (const char* key : {"000002", "000003"}) {
        ASSERT_EQ(runCli(sim->devicePort(), {"clock", key}).exitCode, 0) << key;
        const CliRun check = runCli(sim->devicePort(), {"--json", "clock", key, "--check"});
        EXPECT_EQ(check.exitCode, 0) << key << check.err.toStdString();
        EXPECT_TRUE(jsonOf(check)["withinLimit"].toBool());
    }
    const CliRun behind = runCli(sim->devicePort(), {"--json", "clock", "000004", "--check"});
    EXPECT_EQ(behind.exitCode, 1);
    EXPECT_NEAR(jsonOf(behind)["driftSeconds"].toDouble(), 100, 2);
    EXPECT_EQ(behind.err, "1 of 1 boards beyond 2 s or unread\n");
    EXPECT_EQ(runCli(sim->devicePort(), {"clock", "000004", "--check", "--max-drift", "200"}).exitCode, 0);
}

// A board that drifts and does not take the time it is set to: the row says why, in the words the
// clock command itself uses.
TEST(CliTiming, AClockSetTheBoardDoesNotTakeIsReportedAsSuch) {
    auto sim = simulate({"kind=830,clock-offset=-50,ignore-writes"});
    const QStringList check{"clock", "000002", "--check", "--set-if-drift"};
    const CliRun json = runCli(sim->devicePort(), QStringList{"--json"} + check);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(jsonOf(json)["result"].toString(), "set-failed");
    EXPECT_TRUE(jsonOf(json)["message"].toString().startsWith("The device reads back differently: clock ("))
        << json.out.toStdString();
    const CliRun text = runCli(sim->devicePort(), check);
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains(" set-failed  (The device reads back differently: clock ("))
        << text.out.toStdString();
}

TEST(CliTiming, FleetClockCheckSetsTheBoardsThatDrift) {
    // A board 30 s behind among one ahead by exactly the limit, an image board and a name nobody
    // answers to; two more fall silent once asked for their clock. The board ahead is read before
    // the computer's clock, so its drift is 5 s or a little less, never more.
    auto sim = simulate({"kind=302,timing,clock-offset=5", "kind=302,timing,clock-offset=-30", "kind=830",
                         "kind=302,timing,ip=127.0.0.9", "kind=302,timing,ip=127.0.0.10"});
    for (std::size_t i : {3u, 4u}) silenceOnceTheChainStarts(*sim->device(i));
    ASSERT_EQ(runCli(sim->devicePort(), {"clock", "000004"}).exitCode, 0);
    const QStringList fleet{"clock", "000002", "000003", "000004", "--check", "--max-drift", "5"};
    CliRun run = runCli(sim->devicePort(), QStringList{"--json"} + fleet + QStringList{"000009"});
    EXPECT_EQ(run.exitCode, 1);
    QString error;
    QJsonArray rows = jsonArrayOf(run.out, &error);
    ASSERT_EQ(rows.size(), 4) << run.out.toStdString();
    EXPECT_EQ(rows[0].toObject()["result"].toString(), "ok");
    EXPECT_EQ(rows[0].toObject()["withinLimit"], QJsonValue(true));
    EXPECT_EQ(rows[0].toObject()["maxDrift"], QJsonValue(5));
    EXPECT_GE(rows[0].toObject()["driftSeconds"].toDouble(), -5);
    EXPECT_EQ(rows[1].toObject()["result"].toString(), "drift");
    EXPECT_NEAR(rows[1].toObject()["driftSeconds"].toDouble(), 30, 2);
    EXPECT_EQ(rows[1].toObject()["withinLimit"], QJsonValue(false));
    EXPECT_EQ(rows[1].toObject()["ip"].toString(), "127.0.0.3");
    EXPECT_EQ(rows[2].toObject()["result"].toString(), "ok");
    const QJsonObject silent = rows[3].toObject();
    EXPECT_EQ(silent["result"].toString(), "no-answer");
    EXPECT_EQ(silent["message"].toString(), "no answer from the board after the resends");
    EXPECT_TRUE(silent["driftSeconds"].isNull());
    EXPECT_EQ(silent["withinLimit"], QJsonValue(false));
    EXPECT_TRUE(silent["board"].toString().isEmpty());
    EXPECT_FALSE(silent["computer"].toString().isEmpty());
    EXPECT_TRUE(run.err.contains("2 of 4 boards beyond 5 s or unread")) << run.err.toStdString();

    // Setting the clock of a board that does not answer is tried again, then given up.
    const CliRun unset = runCli(sim->devicePort(), {"clock", "00000A"});
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_EQ(unset.out.count(QStringLiteral("Resending...")), 4) << unset.out.toStdString();
    EXPECT_EQ(unset.err, "no answer from the board after the resends\n");

    QTemporaryDir dir;
    const QString csv = dir.filePath("clocks.csv");
    run = runCli(sim->devicePort(), fleet + QStringList{"--set-if-drift", "--report", csv, "000099"});
    EXPECT_EQ(run.exitCode, 1);  // the missing board
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "device,address,board_clock,computer_clock,drift_s,max_drift_s,result,message");
    EXPECT_EQ(lines[2].section(',', 5, 5), "5");
    EXPECT_EQ(lines[1].section(',', 6, 6), "ok");
    EXPECT_EQ(lines[2].section(',', 0, 0), "000003");
    EXPECT_EQ(lines[2].section(',', 6, 6), "set");
    EXPECT_NEAR(lines[2].section(',', 4, 4).toInt(), 30, 2);
    EXPECT_EQ(lines[4].section(',', 6, 6), "not-found");
    EXPECT_LE(std::llabs(sim->device(1)->boardClock().secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_TRUE(run.out.contains(QRegularExpression("000003 +\\S+ .* set  \\(set to ")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.startsWith(
        "device             address         board clock         computer clock       drift s result\n"))
        << run.out.toStdString();
    // Every row keeps the heading's columns, whatever it holds.
    const QStringList table = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(table.size(), 5) << run.out.toStdString();
    const QStringList names{"device", "000002", "000003", "000004", "000099"};
    const QStringList results{"result", "ok", "set", "ok", "not-found"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(table[i].left(18).trimmed(), names[i]) << table[i].toStdString();
        EXPECT_EQ(table[i].mid(84).section(' ', 0, 0), results[i]) << table[i].toStdString();
    }
    EXPECT_EQ(table[2].mid(19, 16), "127.0.0.3       ");
    EXPECT_EQ(
        table[4],
        "000099             -               -                   -                          - not-found");

    // Set, it checks out (a report that cannot be written is refused in-process, before any set).
    EXPECT_EQ(runCli(sim->devicePort(), fleet).exitCode, 0);
}

}  // namespace
