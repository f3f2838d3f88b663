// timing read, timing set, clock: the output schedules and the clock of IO boards. A 302-byte board
// is asked over the pass-through chains; a board with a configuration image is read from the record
// its search reply carried and written with the packed write.
#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QSaveFile>
#include <QtCore/QTimer>
#include <algorithm>

#include "Commands.h"
#include "PackedWriteRun.h"
#include "TimingLink.h"
#include "WriteRun.h"
#include "device/DeviceSelector.h"
#include "timing/ClockSource.h"
#include "timing/ConfigImage.h"
#include "timing/ScheduleArgs.h"

namespace tavrel::cli {

namespace {

// The board names the next step of a chain within a second or is asked again three times; this
// bounds a whole chain of eleven steps should something else stall it.
constexpr int kChainDeadlineMs = 60000;
// A step without resends (the options write, the clock set) counts as lost after as long as the
// resends of any other step would take.
constexpr int kStepSilenceMs = (kMaxResends + 1) * kResendIntervalMs + 500;
constexpr int kClockAttempts = 4;
constexpr int kDefaultMaxDriftS = 2;
// A clock written in a packed write and read back by a new search may be this far off.
constexpr long long kClockReadBackToleranceS = 3;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

using Source = ClockSource;
constexpr auto sourceOf = clockSourceOf;

CalendarTime computerNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().year(), now.date().month(),  now.date().day(),
            now.time().hour(), now.time().minute(), now.time().second()};
}

// What a finished chain told.
struct ChainResult {
    bool finished = false;
    std::optional<std::array<bool, 2>> options;
    std::optional<BoardClock> clock;
};

// Runs one chain on the link until it ends, gives up or the deadline passes.
ChainResult runChain(TimingLink& link, const std::function<void()>& start,
                     int deadlineMs = kChainDeadlineMs) {
    ChainResult result;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    link.setObserver([&](int, const TimingAction& a) {
        if (!a.send.empty()) silence.start(kStepSilenceMs);
        if (a.options) result.options = a.options;
        if (a.clock) result.clock = a.clock;
        if (a.finished) result.finished = true;
        if (a.finished || a.gaveUp) QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(deadlineMs);
    start();
    if (!result.finished) loop.exec();
    link.setObserver({});
    return result;
}

struct Snapshot {
    std::array<bool, 2> options{};
    BoardClock clock;
    int rows = 0;
};

QString modeName(std::uint8_t mode) {
    switch (mode) {
        case 1:
            return "timer";
        case 2:
            return "strobe";
        case 3:
            return "week";
        default:
            return "none";
    }
}

QJsonObject channelJson(std::size_t channel, const OutputSchedule& s) {
    QJsonObject o{{"channel", int(channel + 1)}, {"mode", modeName(s.mode)}, {"modeByte", s.mode}};
    o["timerOpen"] = q(scheduleDateTimeText(s.open));
    o["timerClose"] = q(scheduleDateTimeText(s.close));
    o["strobeOpen"] = s.strobeOpen;
    o["strobeClose"] = s.strobeClose;
    o["openWeekday"] = s.openWeekday();
    o["closeWeekday"] = s.closeWeekday();
    o["weekOpen"] = q(scheduleTimeText(s.open));
    o["weekClose"] = q(scheduleTimeText(s.close));
    const ScheduleBytes raw = wireBytes(s);
    o["bytes"] = QString(QByteArray(reinterpret_cast<const char*>(raw.data()), int(raw.size())).toHex());
    return o;
}

QString channelLine(std::size_t channel, const OutputSchedule& s) {
    QString line = QStringLiteral("channel %1  %2").arg(channel + 1).arg(modeName(s.mode), -6);
    switch (s.mode) {
        case 1:
            return line + "  open " + q(scheduleDateTimeText(s.open)) + "  close " +
                   q(scheduleDateTimeText(s.close));
        case 2:
            return line + QStringLiteral("  open %1  close %2").arg(s.strobeOpen).arg(s.strobeClose);
        case 3:
            return line + QStringLiteral("  open %1 %2  close %3 %4")
                              .arg(s.openWeekday())
                              .arg(q(scheduleTimeText(s.open)))
                              .arg(s.closeWeekday())
                              .arg(q(scheduleTimeText(s.close)));
        default:
            return line + QStringLiteral("  (mode byte %1)").arg(s.mode);
    }
}

void printSchedules(Context& ctx, const DeviceRecord& r, const Snapshot& snap) {
    if (ctx.options.json) {
        QJsonArray channels;
        for (int n = 0; n < snap.rows; ++n)
            channels.append(channelJson(std::size_t(n), scheduleOf(r, std::size_t(n))));
        QJsonObject o{{"device", q(r.sourceAddress)},  {"clock", q(clockText(snap.clock))},
                      {"weekday", snap.clock.weekday}, {"outputFollow", snap.options[0]},
                      {"sendStatus", snap.options[1]}, {"channels", channels}};
        ctx.out << QJsonDocument(o).toJson(QJsonDocument::Indented);
        return;
    }
    ctx.out << "clock          " << q(clockText(snap.clock)) << "  weekday " << snap.clock.weekday << '\n';
    ctx.out << "output follow  " << (snap.options[0] ? "on" : "off") << '\n';
    ctx.out << "send status    " << (snap.options[1] ? "on" : "off") << '\n';
    for (int n = 0; n < snap.rows; ++n)
        ctx.out << channelLine(std::size_t(n), scheduleOf(r, std::size_t(n))) << '\n';
}

// The board's schedules, options and clock; nothing (with the message printed) when it has none
// or the chain went unanswered.
std::optional<Snapshot> readSchedules(Context& ctx, DeviceSession& session, TimingLink& link, int index) {
    const DeviceRecord& r = session.table()[static_cast<std::size_t>(index)];
    Snapshot snap;
    switch (sourceOf(r)) {
        case Source::None:
            ctx.err << "the device reports no output schedules\n";
            return std::nullopt;
        case Source::Image:
            if (!hasTimingMarker(r)) {
                ctx.err << "the device reports no output schedules\n";
                return std::nullopt;
            }
            snap.options = {r.ioOptions[0] == 1, r.ioOptions[1] == 1};
            snap.clock = clockOf(r);
            snap.rows = scheduleRowCount(r);
            return snap;
        case Source::Chain: {
            const ChainResult chain = runChain(link, [&] { link.startRead(index); });
            if (!chain.finished || !chain.options || !chain.clock) {
                ctx.err << "no answer from the board after the resends\n";
                return std::nullopt;
            }
            snap.options = *chain.options;
            snap.clock = *chain.clock;
            snap.rows = scheduleRowCount(r);
            return snap;
        }
    }
    return std::nullopt;
}

// "--name V1 V2 ..." out of args; nothing when absent, an error when values are missing.
std::optional<QStringList> takeValues(QStringList& args, const QString& name, int count, QString* error) {
    const auto at = args.indexOf(name);
    if (at < 0) return std::nullopt;
    if (at + count >= args.size()) {
        *error = QStringLiteral("%1 needs %2 values").arg(name).arg(count);
        return std::nullopt;
    }
    QStringList values = args.mid(at + 1, count);
    args.erase(args.begin() + at, args.begin() + at + count + 1);
    return values;
}

int runTimingRead(Context& ctx, QStringList args) {
    if (args.size() != 1) {
        ctx.err << "usage: tavrel-cli timing read DEVICE\n";
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    TimingLink link(session);
    const auto snap = readSchedules(ctx, session, link, found.index);
    if (!snap) return kExitFailed;
    printSchedules(ctx, session.table()[static_cast<std::size_t>(found.index)], *snap);
    return kExitOk;
}

const char* kSetUsage =
    "usage: tavrel-cli timing set DEVICE --channel N (--timer OPEN CLOSE | --strobe OPEN CLOSE |\n"
    "       --week OPENDAY OPENTIME CLOSEDAY CLOSETIME)\n";

// The change asked for on the command line, checked before anything is sent.
struct ScheduleChange {
    std::size_t channel = 0;
    std::function<void(OutputSchedule&)> apply;
};

std::optional<ScheduleChange> parseChange(QStringList& args, QString& error) {
    ScheduleChange change;
    const auto channel = takeOption(args, "--channel", &error);
    bool ok = false;
    const int n = channel ? channel->toInt(&ok) : 0;
    if (!channel || !ok || n < 1 || n > int(kScheduleChannels)) {
        if (error.isEmpty()) error = "--channel: a channel number 1-8";
        return std::nullopt;
    }
    change.channel = std::size_t(n - 1);
    const auto timer = takeValues(args, "--timer", 2, &error);
    const auto strobe = takeValues(args, "--strobe", 2, &error);
    const auto week = takeValues(args, "--week", 4, &error);
    if (!error.isEmpty()) return std::nullopt;
    if (int(timer.has_value()) + int(strobe.has_value()) + int(week.has_value()) != 1) {
        error = "give exactly one of --timer, --strobe, --week";
        return std::nullopt;
    }
    if (timer) {
        const auto open = parseScheduleDateTime((*timer)[0].toStdString());
        const auto close = parseScheduleDateTime((*timer)[1].toStdString());
        if (!open || !close) {
            error =
                "--timer: times are \"YYYY-MM-DD HH:MM:SS\" (2000-2254; any field may be ff, the year ffff)";
            return std::nullopt;
        }
        change.apply = [o = *open, c = *close](OutputSchedule& s) {
            s.open = o;
            s.close = c;
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Timer);
        };
    } else if (strobe) {
        const auto open = parseStrobeTime((*strobe)[0].toStdString());
        const auto close = parseStrobeTime((*strobe)[1].toStdString());
        if (!open || !close) {
            error = "--strobe: times are numbers 0-65535";
            return std::nullopt;
        }
        change.apply = [o = *open, c = *close](OutputSchedule& s) {
            s.strobeOpen = o;
            s.strobeClose = c;
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Strobe);
        };
    } else {
        const auto openDay = parseWeekday((*week)[0].toStdString());
        const auto openTime = parseScheduleTime((*week)[1].toStdString());
        const auto closeDay = parseWeekday((*week)[2].toStdString());
        const auto closeTime = parseScheduleTime((*week)[3].toStdString());
        if (!openDay || !openTime || !closeDay || !closeTime) {
            error = "--week: days are 1-7 (7 Sunday), times \"HH:MM:SS\" (any field may be ff)";
            return std::nullopt;
        }
        change.apply = [=](OutputSchedule& s) {
            s.weekdays = static_cast<std::uint8_t>(*openDay << 4 | *closeDay);
            std::copy(openTime->begin(), openTime->end(), s.open.begin() + 3);
            std::copy(closeTime->begin(), closeTime->end(), s.close.begin() + 3);
            s.mode = static_cast<std::uint8_t>(ScheduleMode::Week);
        };
    }
    return change;
}

int runTimingSet(Context& ctx, QStringList args) {
    const bool force = takeFlag(args, "--force");
    QString error;
    const auto change = parseChange(args, error);
    if (change && args.size() != 1) error = "unexpected: " + args.join(' ');
    if (!error.isEmpty() || !change) {
        ctx.err << error << '\n' << kSetUsage;
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    TimingLink link(session);
    const auto snap = readSchedules(ctx, session, link, found.index);
    if (!snap) return kExitFailed;
    // Bytes past the board's channels belong to other settings of its image.
    if (int(change->channel) >= snap->rows) {
        ctx.err << "--channel " << change->channel + 1 << ": the board has " << snap->rows
                << " output channels; nothing was sent\n";
        return kExitUsage;
    }
    DeviceRecord r = session.table()[static_cast<std::size_t>(found.index)];
    OutputSchedule schedule = scheduleOf(r, change->channel);
    change->apply(schedule);
    setSchedule(r, change->channel, schedule);
    if (!ctx.options.json) ctx.out << channelLine(change->channel, schedule) << '\n';

    if (sourceOf(r) == Source::Image)
        return sendPackedWrite(ctx, session, found.index, r, packedWriteInputOf(r), false, true);
    // The chain takes the schedules from the table's record.
    session.table()[static_cast<std::size_t>(found.index)] = r;
    CliWriter(ctx, session).keepSnapshot(found.index);
    // The options go back as the board reported them; the list was read, so the save may run.
    const ChainResult saved =
        runChain(link, [&] { link.startSave(found.index, snap->options[0], snap->options[1], true); });
    if (!saved.finished) {
        ctx.err << "no answer from the board after the resends\n";
        return kExitFailed;
    }
    const QString savedText = q(std::string(timingStatusText(TimingStatus::Saved, ctx.texts)));
    if (ctx.options.json)
        ctx.out << QJsonDocument(QJsonObject{{"result", "saved"}, {"message", savedText}})
                       .toJson(QJsonDocument::Compact)
                << '\n';
    else
        ctx.out << savedText << '\n';
    return kExitOk;
}

// One board's line of a clock check.
struct ClockRow {
    QString name;     // as given on the command line
    QString address;  // where it answered from
    QString board;
    QString computer;
    std::optional<long long> drift;  // positive: the board is behind
    QString result;                  // ok, drift, set, set-failed, no-answer, not-found, no-clock, invalid
    QString message;
};

bool rowFailed(const ClockRow& row) {
    return row.result != "ok" && row.result != "set";
}

// The board's clock as it answers the clock request, or as its search reply just reported it.
std::optional<BoardClock> readBoardClock(DeviceSession& session, int index) {
    const DeviceRecord& r = session.table()[static_cast<std::size_t>(index)];
    if (sourceOf(r) != Source::Chain) return clockOf(r);
    TimingLink link(session);
    return runChain(link, [&] { link.readClock(index); }).clock;
}

int setBoardClock(Context& ctx, DeviceSession& session, int index, const std::optional<CalendarTime>& given);

ClockRow checkOneClock(Context& ctx, const QString& name, int maxDrift, bool setIfDrift) {
    ClockRow row;
    row.name = name;
    DeviceSession session(ctx.options.network);
    const FoundDevice found = findDevice(ctx, session, name);
    if (found.index < 0) {
        row.result = "not-found";
        return row;
    }
    const DeviceRecord& r = session.table()[static_cast<std::size_t>(found.index)];
    row.address = q(r.sourceAddress);
    if (sourceOf(r) == Source::None) {
        row.result = "no-clock";
        row.message = "the device reports no clock";
        return row;
    }
    const auto board = readBoardClock(session, found.index);
    const CalendarTime now = computerNow();
    row.computer = q(clockText(boardClockOf(now)));
    if (!board) {
        row.result = "no-answer";
        row.message = "no answer from the board after the resends";
        return row;
    }
    row.board = q(clockText(*board));
    row.drift = clockDrift(*board, now);
    if (!row.drift) {
        row.result = "invalid";
        row.message = "the board's clock holds no valid date and time";
    } else {
        row.result = std::llabs(*row.drift) <= maxDrift ? "ok" : "drift";
    }
    if (row.result == "ok" || !setIfDrift) return row;
    // The set is a write: a board not read whole is left as it is.
    const WriteCheck guard =
        checkWrite(session.table().progress(static_cast<std::size_t>(found.index)), ctx.texts.languageCode);
    if (!guard.whole) {
        row.result = "not-set";
        row.message = q(incompleteWriteRefusal(guard, WriteKind::Save));
        return row;
    }
    // The set reports on its own; here it only counts whether the board took the time.
    QString said;
    QTextStream quiet(&said);
    GlobalOptions options = ctx.options;
    options.json = true;
    Context quietCtx{options, ctx.texts, quiet, quiet};
    const bool set = setBoardClock(quietCtx, session, found.index, std::nullopt) == kExitOk;
    row.result = set ? "set" : "set-failed";
    row.message =
        set ? "set to " + q(clockText(boardClockOf(computerNow()))) : said.trimmed().section('\n', -1);
    return row;
}

QJsonObject clockRowJson(const ClockRow& row, int maxDrift) {
    QJsonObject o{{"name", row.name},         {"device", row.address}, {"board", row.board},
                  {"computer", row.computer}, {"maxDrift", maxDrift},  {"result", row.result}};
    o["driftSeconds"] = row.drift ? QJsonValue(double(*row.drift)) : QJsonValue();
    o["withinLimit"] = row.drift && std::llabs(*row.drift) <= maxDrift;
    if (!row.message.isEmpty()) o["message"] = row.message;
    return o;
}

QString csvField(const QString& text) {
    if (!text.contains(QRegularExpression("[\",\r\n]"))) return text;
    return '"' + QString(text).replace("\"", "\"\"") + '"';
}

QByteArray clockReport(const std::vector<ClockRow>& rows, int maxDrift) {
    QString csv = "device,address,board_clock,computer_clock,drift_s,max_drift_s,result,message\r\n";
    for (const ClockRow& row : rows) {
        const QStringList fields{row.name,
                                 row.address,
                                 row.board,
                                 row.computer,
                                 row.drift ? QString::number(*row.drift) : QString(),
                                 QString::number(maxDrift),
                                 row.result,
                                 row.message};
        QStringList quoted;
        for (const QString& f : fields) quoted << csvField(f);
        csv += quoted.join(',') + "\r\n";
    }
    return csv.toUtf8();
}

int checkClocks(Context& ctx, const QStringList& names, int maxDrift, bool setIfDrift,
                const std::optional<QString>& reportPath) {
    std::vector<ClockRow> rows;
    for (const QString& name : names) rows.push_back(checkOneClock(ctx, name, maxDrift, setIfDrift));
    if (ctx.options.json) {
        if (rows.size() == 1) {
            ctx.out << QJsonDocument(clockRowJson(rows.front(), maxDrift)).toJson(QJsonDocument::Indented);
        } else {
            QJsonArray list;
            for (const ClockRow& row : rows) list.append(clockRowJson(row, maxDrift));
            ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
        }
    } else {
        ctx.out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                       .arg("device", -18)
                       .arg("address", -15)
                       .arg("board clock", -19)
                       .arg("computer clock", -19)
                       .arg("drift s", 8)
                       .arg("result");
        for (const ClockRow& row : rows) {
            ctx.out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                           .arg(row.name, -18)
                           .arg(row.address.isEmpty() ? "-" : row.address, -15)
                           .arg(row.board.isEmpty() ? "-" : row.board, -19)
                           .arg(row.computer.isEmpty() ? "-" : row.computer, -19)
                           .arg(row.drift ? QString::number(*row.drift) : "-", 8)
                           .arg(row.result);
            if (!row.message.isEmpty()) ctx.out << "  (" << row.message << ')';
            ctx.out << '\n';
        }
    }
    ctx.out.flush();
    if (reportPath) {
        QSaveFile file(*reportPath);
        const QByteArray csv = clockReport(rows, maxDrift);
        if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
            ctx.err << "--report: cannot write " << *reportPath << '\n';
            return kExitUsage;
        }
    }
    const auto failed = std::count_if(rows.begin(), rows.end(), rowFailed);
    if (failed > 0)
        ctx.err << failed << " of " << rows.size() << " boards beyond " << maxDrift << " s or unread\n";
    return failed > 0 ? kExitFailed : kExitOk;
}

int setBoardClock(Context& ctx, DeviceSession& session, int index, const std::optional<CalendarTime>& given) {
    DeviceRecord r = session.table()[static_cast<std::size_t>(index)];
    if (sourceOf(r) == Source::Chain) {
        CliWriter(ctx, session).keepSnapshot(index);
        TimingLink link(session);
        // The set-clock request is not resent by the chain; a script still deserves a few tries.
        for (int attempt = 0; attempt < kClockAttempts; ++attempt) {
            const BoardClock clock = boardClockOf(given.value_or(computerNow()));
            const ChainResult done = runChain(
                link, [&] { link.calibrate(index, clock); }, kResendIntervalMs);
            if (done.finished) {
                const QString calibrated =
                    q(std::string(timingStatusText(TimingStatus::Calibrated, ctx.texts)));
                if (ctx.options.json)
                    ctx.out << QJsonDocument(QJsonObject{{"result", "calibrated"},
                                                         {"message", calibrated},
                                                         {"board", q(clockText(*done.clock))}})
                                   .toJson(QJsonDocument::Compact)
                            << '\n';
                else
                    ctx.out << calibrated << "  " << q(clockText(*done.clock)) << '\n';
                return kExitOk;
            }
            if (!ctx.options.json)
                ctx.out << q(std::string(timingStatusText(TimingStatus::Resending, ctx.texts))) << '\n';
        }
        ctx.err << "no answer from the board after the resends\n";
        return kExitFailed;
    }
    const BoardClock clock = boardClockOf(given.value_or(computerNow()));
    setClock(r, clock);
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    auto clockTaken = [&](const DeviceRecord& readBack) -> std::optional<std::string> {
        const CalendarTime expected{clock.fullYear(), clock.month,  clock.day,
                                    clock.hour,       clock.minute, clock.second};
        const auto drift = clockDrift(clockOf(readBack), expected);
        const long long elapsed = sinceWrite.elapsed() / 1000;
        if (drift && std::llabs(*drift + elapsed) <= kClockReadBackToleranceS) return std::nullopt;
        return "clock (" + clockText(clockOf(readBack)) + ")";
    };
    return sendPackedWrite(ctx, session, index, r, packedWriteInputOf(r), true, true, clockTaken);
}

}  // namespace

int runTiming(Context& ctx) {
    QStringList args = ctx.options.arguments;
    const QString sub = args.isEmpty() ? QString() : args.takeFirst();
    if (sub == "read") return runTimingRead(ctx, args);
    if (sub == "set") return runTimingSet(ctx, args);
    ctx.err << "usage: tavrel-cli timing read DEVICE | timing set DEVICE ...\n";
    return kExitUsage;
}

int runClock(Context& ctx) {
    QStringList args = ctx.options.arguments;
    QString error;
    const bool check = takeFlag(args, "--check");
    const bool force = takeFlag(args, "--force");
    const bool setIfDrift = takeFlag(args, "--set-if-drift");
    const auto time = takeOption(args, "--time", &error);
    const auto maxDriftText = takeOption(args, "--max-drift", &error);
    const auto report = takeOption(args, "--report", &error);
    std::optional<CalendarTime> given;
    int maxDrift = kDefaultMaxDriftS;
    if (time) {
        given = parseClockText(time->toStdString());
        if (!given) error = "--time: \"YYYY-MM-DD HH:MM:SS\", a real date from 2000 to 2255, not " + *time;
    }
    if (maxDriftText) {
        bool ok = false;
        maxDrift = maxDriftText->toInt(&ok);
        if (!ok || maxDrift < 0) error = "--max-drift: a number of seconds, not " + *maxDriftText;
    }
    if (check && time) error = "--time and --check exclude each other";
    if (!check && (maxDriftText || setIfDrift || report))
        error = "--max-drift, --set-if-drift and --report go with --check";
    if (report && !QFileInfo(QFileInfo(*report).absolutePath()).isDir())
        error = "--report: no folder " + QFileInfo(*report).absolutePath();
    // Found out before any clock is set, not after.
    if (report && QFileInfo(*report).isDir())
        error = "--report: " + *report + " is a folder; give a file name";
    for (const QString& name : args)
        if (!parseDeviceSelector(name.toStdString()))
            error = "not a device: " + name +
                    " (give an IP address, a MAC like 00-CA-C1-19-00-33, or a key like 190033)";
    if (error.isEmpty() && (args.isEmpty() || (!check && args.size() != 1)))
        error =
            "usage: tavrel-cli clock DEVICE [--time \"YYYY-MM-DD HH:MM:SS\"] | clock DEVICE... --check "
            "[--max-drift S] [--set-if-drift] [--report FILE.csv]";
    if (!error.isEmpty()) {
        ctx.err << error << '\n';
        return kExitUsage;
    }
    if (check) return checkClocks(ctx, args, maxDrift, setIfDrift, report);
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    if (sourceOf(session.table()[static_cast<std::size_t>(found.index)]) == Source::None) {
        ctx.err << "the device reports no clock\n";
        return kExitFailed;
    }
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    return setBoardClock(ctx, session, found.index, given);
}

}  // namespace tavrel::cli
