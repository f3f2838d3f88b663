// snapshots, rollback: the settings kept before each write, and putting them back.
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include "Commands.h"
#include "WriteRun.h"
#include "device/DeviceCapabilities.h"
#include "device/DeviceSelector.h"
#include "profiles/ProfileDiff.h"
#include "profiles/Snapshots.h"
#include "texts/FixedTexts.h"
#include "util/Paths.h"

namespace tavrel::cli {

namespace {

namespace fs = std::filesystem;

QString nativePath(const fs::path& path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

struct Selected {
    std::optional<Mac> mac;
    int exitCode = kExitOk;
};

// A MAC names the folder by itself; an address or a key needs the device to answer.
Selected macOf(Context& ctx, DeviceSession& session, const QString& text) {
    auto selector = parseDeviceSelector(text.toStdString());
    if (selector && selector->kind == DeviceSelector::Kind::MacAddress) return {selector->mac, kExitOk};
    FoundDevice found = findDevice(ctx, session, text);
    if (found.index < 0) return {std::nullopt, found.exitCode};
    return {session.table()[static_cast<std::size_t>(found.index)].mac, kExitOk};
}

}  // namespace

int runSnapshots(Context& ctx) {
    DeviceSession session(ctx.options.network);
    const Selected selected = macOf(ctx, session, ctx.options.arguments.operands.front());
    if (!selected.mac) return selected.exitCode;
    const auto files = listSnapshots(resolvePaths().profileFolder, *selected.mac);
    if (ctx.options.json) {
        QJsonArray list;
        for (const SnapshotFile& f : files)
            list.append(
                QJsonObject{{"file", nativePath(f.profile)},
                            {"record", f.record ? QJsonValue(nativePath(*f.record)) : QJsonValue::Null}});
        ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    } else {
        for (const SnapshotFile& f : files) ctx.out << nativePath(f.profile) << '\n';
    }
    if (files.empty() && !ctx.options.json)
        ctx.err << "no snapshots of " << q(macText(*selected.mac)) << '\n';
    return kExitOk;
}

namespace {

// FILE and the record kept beside it, or the device's latest snapshot; nothing when it has none.
std::optional<SnapshotFile> snapshotToWrite(Context& ctx, const std::optional<QString>& to,
                                            const DeviceRecord& device) {
    SnapshotFile file;
    if (to) {
        file.profile = fs::path(to->toStdU16String());
        fs::path record = file.profile;
        record.replace_extension(kSnapshotRecordExtension);
        if (std::error_code e; fs::is_regular_file(record, e)) file.record = record;
        return file;
    }
    const auto files = listSnapshots(resolvePaths().profileFolder, device.mac);
    if (files.empty()) {
        ctx.err << "no snapshots of " << q(macText(device.mac)) << '\n';
        return std::nullopt;
    }
    return files.back();
}

}  // namespace

// What came of writing a snapshot back, said once; the exit code.
static int reportRollback(Context& ctx, DeviceSession& session, const SnapshotFile& file,
                          const WriteOutcome& written) {
    switch (written.result) {
        case WriteResult::Verified:
        case WriteResult::Unverified:
            printOutcome(ctx, "restored", "restored " + nativePath(file.profile));
            return kExitOk;
        case WriteResult::Refused:
            printOutcome(ctx, "refused", said(ctx.texts, std::string(fixed::kConfigFailed)));
            return kExitFailed;
        case WriteResult::NotBack:
            printOutcome(ctx, "lost", "the device was not read back after the write");
            return kExitFailed;
        case WriteResult::Differs: {
            QStringList names;
            for (const auto& d : written.differences) names << q(d);
            printOutcome(ctx, "differs", "the device reads back differently: " + names.join(", "));
            return kExitFailed;
        }
        case WriteResult::NoAnswer:
        case WriteResult::NotSent:
            break;
    }
    return reportWrite(ctx, session, written, false);
}

int runRollback(Context& ctx) {
    const QStringList& args = ctx.options.arguments.operands;
    const auto to = ctx.options.arguments.text("--to");
    const bool force = ctx.options.arguments.flag("--force");
    if (to && !QFileInfo(*to).isFile()) {
        ctx.err << "no such snapshot: " << *to << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    DeviceRecord& device = session.table()[static_cast<std::size_t>(found.index)];

    // Chosen before the write guard keeps a snapshot of the device as it is now.
    const auto file = snapshotToWrite(ctx, to, device);
    if (!file) return kExitUsage;
    // Planned on a copy: the guard and the snapshot it keeps need the device as it is now.
    DeviceRecord target = device;
    RollbackOutcome outcome = rollbackCommand(target, *file, ctx.texts.languageCode);
    if (outcome.status != RollbackStatus::Ready) {
        ctx.err << nativePath(file->profile) << ": " << q(rollbackStatusText(outcome))
                << "; nothing was sent\n";
        return kExitFailed;
    }
    WriteRequest request;
    request.entry = found.index;
    request.plan = std::move(outcome.plan);
    // Compared in the snapshot's own terms: a board's stored record also holds what runs (its clock).
    request.expected = outcome.snapshot;
    const bool packed = capabilitiesOf(device).packedWrite();
    request.scope = WriteScope::Profile;
    // A board may not answer a packed write at all; what it reports then tells either way.
    request.answer = packed ? AnswerRule::Optional : AnswerRule::Required;
    request.reread = RereadRule::Broadcast;
    request.forced = force;
    if (!ctx.options.json) ctx.out << "writing " << nativePath(file->profile) << '\n';
    CliWriter writer(ctx, session);
    return reportRollback(ctx, session, *file, writer.run(std::move(request)));
}

}  // namespace tavrel::cli
