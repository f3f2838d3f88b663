#include "WriteRun.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include "DeviceJson.h"

namespace tavrel::cli {

CliWriter::CliWriter(Context& ctx, DeviceSession& session, bool announce)
    : ctx_(ctx), announce_(announce), reread_(session), write_(session, reread_, ctx.texts) {
    QObject::connect(&stop_, &StopOnSignal::stopRequested, &write_, [this] {
        ctx_.err << "stopping: the frames under way finish first\n";
        ctx_.err.flush();
        write_.stop();
    });
}

WriteOutcome CliWriter::run(WriteRequest request) {
    if (announce_ && !ctx_.options.json) {
        ctx_.out << QString::fromStdString(ctx_.texts.sendingData) << '\n';
        ctx_.out.flush();
    }
    WriteOutcome outcome = runWrite(write_, std::move(request));
    if (!outcome.snapshotWarning.empty())
        ctx_.err << "warning: no snapshot was kept: " << QString::fromStdString(outcome.snapshotWarning)
                 << '\n';
    return outcome;
}

void CliWriter::keepSnapshot(int entry) {
    if (auto failed = write_.keepSnapshot(entry))
        ctx_.err << "warning: no snapshot was kept: " << QString::fromStdString(*failed) << '\n';
}

QString resultName(const WriteOutcome& o) {
    switch (o.result) {
        case WriteResult::Verified:
            return "verified";
        case WriteResult::Unverified:
            return "unverified";
        case WriteResult::Differs:
            return "differs";
        case WriteResult::NotBack:
            return "not-back";
        case WriteResult::Refused:
            return "refused";
        case WriteResult::NoAnswer:
            return "no-answer";
        case WriteResult::NotSent:
            return "not-sent";
    }
    return {};
}

QString outcomeLine(Context& ctx, const WriteOutcome& o) {
    QString line = said(ctx.texts, writeOutcomeText(o, ctx.texts));
    if (o.result == WriteResult::NoAnswer)
        line += QStringLiteral(" (%1 of %2 frames acknowledged; none after the last)")
                    .arg(o.acknowledgements)
                    .arg(o.frames);
    return line;
}

int exitCodeOf(const WriteOutcome& o) {
    return o.done() ? kExitOk : kExitFailed;
}

int reportWrite(Context& ctx, DeviceSession& session, const WriteOutcome& o, bool withDevice) {
    const QString line = outcomeLine(ctx, o);
    const bool back = o.entryAfter >= 0 && static_cast<std::size_t>(o.entryAfter) < session.table().size();
    if (ctx.options.json) {
        QJsonObject json{{"result", resultName(o)},
                         {"message", line},
                         {"acknowledged", o.acknowledgements > 0},
                         {"differences", QJsonArray::fromStringList([&] {
                              QStringList names;
                              for (const auto& d : o.differences) names << QString::fromStdString(d);
                              return names;
                          }())}};
        if (withDevice && back) {
            const auto entry = static_cast<std::size_t>(o.entryAfter);
            json["device"] =
                deviceJson(session.table()[entry], session.table().progress(entry), ctx.options.secrets);
        }
        ctx.out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    } else if (o.done()) {
        ctx.out << line << '\n';
    }
    if (!o.done()) ctx.err << line << '\n';
    if (withDevice && back && !ctx.options.json) {
        const auto entry = static_cast<std::size_t>(o.entryAfter);
        ctx.out << deviceDetails(session.table()[entry], session.table().progress(entry),
                                 ctx.options.secrets);
    }
    return exitCodeOf(o);
}

}  // namespace tavrel::cli
