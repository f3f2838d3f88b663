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
#include "TimingOptions.h"
#include "WriteRun.h"
#include "device/DeviceSelector.h"
#include "timing/ClockSource.h"
#include "timing/ConfigImage.h"
#include "timing/ScheduleArgs.h"
#include "util/Csv.h"

namespace tavrel::cli {

namespace {

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
        // "device" is the name given, as in every command's JSON; "ip" the address that answered.
        QJsonObject o{{"device", ctx.options.arguments.operands.front()},
                      {"ip", q(r.sourceAddress)},
                      {"clock", q(clockText(snap.clock))},
                      {"weekday", snap.clock.weekday},
                      {"outputFollow", snap.options[0]},
                      {"sendStatus", snap.options[1]},
                      {"channels", channels}};
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
    const QString savedText = said(ctx.texts, timingStatusText(TimingStatus::Saved, ctx.texts));
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
