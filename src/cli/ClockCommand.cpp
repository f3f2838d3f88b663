// clock: set the clock of an IO board, or check the drift of several. A 302-byte board
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
#include <QtCore/QSaveFile>
#include <QtCore/QTimer>
#include <algorithm>

#include "Commands.h"
#include "PackedWriteRun.h"
#include "TimingChain.h"
#include "WriteRun.h"
#include "device/DeviceSelector.h"
#include "timing/ClockSource.h"
#include "timing/ConfigImage.h"
#include "timing/ScheduleArgs.h"
#include "util/Csv.h"

namespace tavrel::cli {

namespace {

constexpr int kClockAttempts = 4;
constexpr int kDefaultMaxDriftS = 2;
// A clock written in a packed write and read back by a new search may be this far off.
constexpr long long kClockReadBackToleranceS = 3;

using Source = ClockSource;
constexpr auto sourceOf = clockSourceOf;

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
    // "device" is the name given, as in every command's JSON (and this command's CSV); "ip" the
    // address that answered. "name" stays for scripts written before.
    QJsonObject o{{"name", row.name},    {"device", row.name},       {"ip", row.address},
                  {"board", row.board},  {"computer", row.computer}, {"maxDrift", maxDrift},
                  {"result", row.result}};
    o["driftSeconds"] = row.drift ? QJsonValue(double(*row.drift)) : QJsonValue();
    o["withinLimit"] = row.drift && std::llabs(*row.drift) <= maxDrift;
    if (!row.message.isEmpty()) o["message"] = row.message;
    return o;
}

QByteArray clockReport(const std::vector<ClockRow>& rows, int maxDrift) {
    std::string csv = csvRecord({"device", "address", "board_clock", "computer_clock", "drift_s",
                                 "max_drift_s", "result", "message"});
    for (const ClockRow& row : rows)
        csv += csvRecord({row.name.toStdString(), row.address.toStdString(), row.board.toStdString(),
                          row.computer.toStdString(), row.drift ? std::to_string(*row.drift) : std::string(),
                          std::to_string(maxDrift), row.result.toStdString(), row.message.toStdString()});
    return QByteArray::fromStdString(csv);
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
                    said(ctx.texts, timingStatusText(TimingStatus::Calibrated, ctx.texts));
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
                ctx.out << said(ctx.texts, timingStatusText(TimingStatus::Resending, ctx.texts)) << '\n';
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

int runClock(Context& ctx) {
    // The options were checked with the command line.
    const QStringList& args = ctx.options.arguments.operands;
    const bool check = ctx.options.arguments.flag("--check");
    const bool force = ctx.options.arguments.flag("--force");
    const bool setIfDrift = ctx.options.arguments.flag("--set-if-drift");
    const auto time = ctx.options.arguments.text("--time");
    const auto maxDriftGiven = ctx.options.arguments.number("--max-drift");
    const auto report = ctx.options.arguments.text("--report");
    std::optional<CalendarTime> given;
    if (time) given = parseClockText(time->toStdString());
    const int maxDrift = static_cast<int>(maxDriftGiven.value_or(kDefaultMaxDriftS));
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
