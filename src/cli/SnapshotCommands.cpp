// snapshots, rollback: the settings kept before each write, and putting them back.
#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTimer>

#include "Commands.h"
#include "SearchRun.h"
#include "device/DeviceSelector.h"
#include "profiles/ProfileDiff.h"
#include "profiles/Snapshots.h"
#include "texts/FixedTexts.h"
#include "util/Paths.h"

namespace tavrel::cli {

namespace {

namespace fs = std::filesystem;

// After the last frame, how long the device's answer may take.
constexpr int kAnswerWaitMs = 1500;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString nativePath(const fs::path& path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

enum class Answer { None, Acknowledged, Refused };

// Plays the plan and waits for the device's own answer to its last frame; a refusal of any frame counts.
Answer writeAndWait(DeviceSession& session, int index, Plan plan) {
    const QString key = q(keyText(session.table()[static_cast<std::size_t>(index)].key));
    Answer answer = Answer::None;
    bool sent = false;
    QEventLoop loop;
    QTimer wait;
    wait.setSingleShot(true);
    QObject::connect(&wait, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto conn = QObject::connect(&session, &DeviceSession::writeAnswered, &loop,
                                 [&](const QString& answerKey, bool accepted) {
                                     if (answerKey != key) return;
                                     if (!accepted) answer = Answer::Refused;
                                     if (accepted && sent && answer == Answer::None)
                                         answer = Answer::Acknowledged;
                                     if (answer != Answer::None && sent) loop.quit();
                                 });
    session.play(static_cast<std::size_t>(index), std::move(plan), [&] {
        sent = true;
        if (answer == Answer::Refused) loop.quit();
        wait.start(kAnswerWaitMs);
    });
    loop.exec();
    QObject::disconnect(conn);
    return answer;
}

// A new search empties the table and reads every device again, so nothing written is taken for read.
int searchAgain(Context& ctx, DeviceSession& session, const Mac& mac) {
    SearchRun search(session);
    auto found = [&]() -> int {
        const DeviceTable& table = session.table();
        for (std::size_t i = 0; i < table.usedCount(); ++i)
            if (table[i].mac == mac && search.finished(static_cast<int>(i))) return static_cast<int>(i);
        return -1;
    };
    search.run(false, q(ctx.options.network.broadcast), ctx.options.timeoutMs, [&] { return found() >= 0; });
    return found();
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
    if (ctx.options.arguments.size() != 1) {
        ctx.err << "usage: tavrel-cli snapshots DEVICE\n";
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    const Selected selected = macOf(ctx, session, ctx.options.arguments.front());
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

int runRollback(Context& ctx) {
    QStringList args = ctx.options.arguments;
    QString error;
    const auto to = takeOption(args, "--to", &error);
    const bool force = takeFlag(args, "--force");
    if (error.isEmpty() && args.size() != 1)
        error = "usage: tavrel-cli rollback DEVICE [--to FILE] [--force]";
    if (!error.isEmpty()) {
        ctx.err << error << '\n';
        return kExitUsage;
    }
    if (to && !QFileInfo(*to).isFile()) {
        ctx.err << "no such snapshot: " << *to << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    DeviceRecord& device = session.table()[static_cast<std::size_t>(found.index)];

    // Chosen before the write guard keeps a snapshot of the device as it is now.
    SnapshotFile file;
    if (to) {
        file.profile = fs::path(to->toStdU16String());
        fs::path record = file.profile;
        record.replace_extension(kSnapshotRecordExtension);
        if (std::error_code e; fs::is_regular_file(record, e)) file.record = record;
    } else {
        const auto files = listSnapshots(resolvePaths().profileFolder, device.mac);
        if (files.empty()) {
            ctx.err << "no snapshots of " << q(macText(device.mac)) << '\n';
            return kExitUsage;
        }
        file = files.back();
    }
    // Planned on a copy: the guard and the snapshot it keeps need the device as it is now.
    DeviceRecord target = device;
    RollbackOutcome outcome = rollbackCommand(target, file, ctx.texts.languageCode);
    if (outcome.status != RollbackStatus::Ready) {
        ctx.err << nativePath(file.profile) << ": " << q(rollbackStatusText(outcome))
                << "; nothing was sent\n";
        return kExitFailed;
    }
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    const Mac mac = device.mac;
    device = target;

    if (!ctx.options.json) ctx.out << "writing " << nativePath(file.profile) << '\n';
    const Answer answer = writeAndWait(session, found.index, std::move(outcome.plan));
    if (answer == Answer::Refused) {
        printOutcome(ctx, "refused",
                     QString::fromUtf8(fixed::kConfigFailed.data(), fixed::kConfigFailed.size()));
        return kExitFailed;
    }
    // A board may not answer a packed write at all; what it reports now tells either way.
    const int again = searchAgain(ctx, session, mac);
    if (again < 0) {
        printOutcome(ctx, "lost", "the device was not read back after the write");
        return kExitFailed;
    }
    const auto differences = diffProfile(outcome.snapshot, session.table()[static_cast<std::size_t>(again)]);
    if (!differences.empty()) {
        QStringList names;
        for (const auto& d : differences) names << q(d.section + " " + d.key);
        printOutcome(ctx, "differs", "the device reads back differently: " + names.join(", "));
        return kExitFailed;
    }
    printOutcome(ctx, "restored", "restored " + nativePath(file.profile));
    return kExitOk;
}

}  // namespace tavrel::cli
