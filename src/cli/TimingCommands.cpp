// timing read, timing set: the output schedules of IO boards. A 302-byte board
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

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

using Source = ClockSource;
constexpr auto sourceOf = clockSourceOf;

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

int runTimingRead(Context& ctx) {
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, ctx.options.arguments.operands.front());
    if (found.index < 0) return found.exitCode;
    TimingLink link(session);
    const auto snap = readSchedules(ctx, session, link, found.index);
    if (!snap) return kExitFailed;
    printSchedules(ctx, session.table()[static_cast<std::size_t>(found.index)], *snap);
    return kExitOk;
}

// The change asked for on the command line, checked before anything is sent.
struct ScheduleChange {
    std::size_t channel = 0;
    std::function<void(OutputSchedule&)> apply;
};

std::optional<ScheduleChange> parseChange(const ParsedArguments& args, QString& error) {
    ScheduleChange change;
    const auto channel = args.number("--channel");
    if (!channel) {
        error = "--channel: which output, 1-8";
        return std::nullopt;
    }
    change.channel = std::size_t(*channel - 1);
    auto words = [&](const char* name) -> std::optional<QStringList> {
        if (!args.flag(name)) return std::nullopt;
        return args.words(name);
    };
    const auto timer = words("--timer");
    const auto strobe = words("--strobe");
    const auto week = words("--week");
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

int runTimingSet(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    const bool force = args.flag("--force");
    QString error;
    const auto change = parseChange(args, error);
    if (!change) {
        ctx.err << error << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.operands.front());
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

}  // namespace

int runTiming(Context& ctx) {
    // The parser let no other sub-command through.
    return ctx.options.sub == "read" ? runTimingRead(ctx) : runTimingSet(ctx);
}

}  // namespace tavrel::cli
