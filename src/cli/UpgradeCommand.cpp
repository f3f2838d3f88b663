// upgrade: the firmware upload of the upgrade dialog, for one device or a batch.
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <algorithm>
#include <cstdio>
#include <set>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "Commands.h"
#include "FirmwareImage.h"
#include "SearchRun.h"
#include "UpgradeRun.h"
#include "device/DeviceSelector.h"

namespace tavrel::cli {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::optional<int> numberOption(QStringList& args, const QString& name, int low, int high, QString* error) {
    auto v = takeOption(args, name, error);
    if (!v) return std::nullopt;
    bool ok = false;
    const int n = v->toInt(&ok);
    if (!ok || n < low || n > high) {
        *error = QStringLiteral("%1: a number from %2 to %3, not %4").arg(name).arg(low).arg(high).arg(*v);
        return std::nullopt;
    }
    return n;
}

// One search for every named device; a device that does not answer gets a job without an address.
bool findDevices(Context& ctx, DeviceSession& session, const QStringList& names,
                 std::vector<UpgradeJob>& jobs) {
    std::vector<DeviceSelector> selectors;
    for (const QString& name : names) selectors.push_back(*parseDeviceSelector(name.toStdString()));
    if (!openSession(ctx, session)) return false;
    SearchRun search(session);
    auto indexOf = [&](const DeviceSelector& s, bool readyOnly) {
        const DeviceTable& table = session.table();
        for (std::size_t i = 0; i < table.usedCount(); ++i)
            if (selects(s, table[i]) && (!readyOnly || search.ready().count(static_cast<int>(i))))
                return static_cast<int>(i);
        return -1;
    };
    search.run(false, q(ctx.options.network.broadcast), ctx.options.timeoutMs, [&] {
        return std::all_of(selectors.begin(), selectors.end(),
                           [&](const auto& s) { return indexOf(s, true) >= 0; });
    });
    std::set<int> taken;
    for (int n = 0; n < names.size(); ++n) {
        UpgradeJob job;
        job.device = names[n];
        job.entry = indexOf(selectors[static_cast<std::size_t>(n)], false);
        // The same device named twice gets one upload.
        if (job.entry >= 0 && !taken.insert(job.entry).second) continue;
        if (job.entry >= 0)
            job.address = q(session.table()[static_cast<std::size_t>(job.entry)].sourceAddress);
        else
            job.notFound = true;
        if (job.notFound) job.message = QStringLiteral("device not found");
        jobs.push_back(job);
    }
    return true;
}

QJsonObject jobJson(const UpgradeJob& job) {
    return QJsonObject{{"device", job.device},
                       {"blocks", static_cast<qint64>(job.blocks)},
                       {"bytes", static_cast<qint64>(job.bytes)},
                       {"seconds", job.seconds},
                       {"result", resultName(job)},
                       {"message", job.message}};
}

}  // namespace

int runUpgrade(Context& ctx) {
    static const char* usage =
        "usage: tavrel-cli upgrade FILE DEVICE... [--parallel N] [--wait MS]\n"
        "       tavrel-cli upgrade FILE --target ADDR\n";
    QStringList args = ctx.options.arguments;
    QString error;
    const auto target = takeOption(args, "--target", &error);
    const int parallel = numberOption(args, "--parallel", 1, kMaxParallelUploads, &error).value_or(1);
    const int waitMs = numberOption(args, "--wait", 0, 60000, &error).value_or(kDefaultModeWaitMs);
    if (error.isEmpty() && (args.isEmpty() || args.front().startsWith("--")))
        error = args.isEmpty() ? QStringLiteral("no firmware file")
                               : QStringLiteral("unknown option ") + args.front();
    if (error.isEmpty() && target && args.size() != 1)
        error = QStringLiteral("--target goes without devices");
    if (error.isEmpty() && !target && args.size() < 2) error = QStringLiteral("no device named");
    if (error.isEmpty() && target && checkFirmwareTarget(target->toStdString()) != FirmwareRefusal::None)
        error = QStringLiteral("--target: not an IPv4 address: ") + *target;
    for (int i = 1; error.isEmpty() && i < args.size(); ++i)
        if (!parseDeviceSelector(args[i].toStdString()))
            error = QStringLiteral(
                        "not a device: %1 (give an IP address, a MAC like 00-CA-C1-19-00-33, or a key "
                        "like 190033)")
                        .arg(args[i]);
    if (!error.isEmpty()) {
        ctx.err << error << '\n' << usage;
        return kExitUsage;
    }

    // The file is checked and read once, before anything is sent.
    const QString path = args.takeFirst();
    FirmwareImage image = loadFirmwareImage(path);
    if (image.refusal != FirmwareRefusal::None) {
        ctx.err << q(firmwareRefusalText(ctx.texts, image.refusal, path.toStdString())) << '\n';
        return kExitUsage;
    }

    const NetworkSettings& net = ctx.options.network;
    DeviceSession session(net);
    std::vector<UpgradeJob> jobs;
    if (target) {
        UpgradeJob job;
        job.device = *target;
        job.address = *target;
        jobs.push_back(job);
    } else if (!findDevices(ctx, session, args, jobs)) {
        return kExitFailed;
    }

    UpgradeSettings settings;
    settings.firmwarePath = path;
    settings.image = image.bytes;
    settings.tftpPort = net.tftpPort;
    if (!net.bindAddress.empty()) settings.localAddress = QHostAddress(q(net.bindAddress));
    settings.parallel = parallel;
    settings.modeWaitMs = waitMs;
    settings.texts = &ctx.texts;
    QTextStream progress(stderr);
    UpgradeRun upgrade(settings, &session, stderrIsTerminal() ? &progress : nullptr);
    upgrade.run(jobs);

    bool allCompleted = true;
    QJsonArray list;
    for (const UpgradeJob& job : jobs) {
        const bool ok = job.result == UploadResult::Completed;
        allCompleted = allCompleted && ok;
        if (ctx.options.json) {
            list.append(jobJson(job));
            continue;
        }
        ctx.out << job.device << "  " << resultName(job) << "  " << job.blocks << " blocks  " << job.bytes
                << " bytes  " << QString::number(job.seconds, 'f', 2) << " s\n";
        if (!ok)
            ctx.err << job.device << ": " << (job.message.isEmpty() ? resultName(job) : job.message) << '\n';
    }
    if (ctx.options.json) ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    return allCompleted ? kExitOk : kExitFailed;
}

}  // namespace tavrel::cli
