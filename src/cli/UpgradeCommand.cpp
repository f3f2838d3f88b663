// upgrade: the firmware upload of the upgrade dialog, for one device or a batch.
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtNetwork/QUdpSocket>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "Commands.h"
#include "DeviceReread.h"
#include "DeviceWrite.h"
#include "FirmwareImage.h"
#include "SearchRun.h"
#include "StopOnSignal.h"
#include "UpgradeRun.h"
#include "device/DeviceSelector.h"
#include "firmware/Campaign.h"
#include "util/Csv.h"
#include "util/FileWrite.h"

namespace tavrel::cli {

namespace {

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
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
    auto textOrNull = [](const QString& t) {
        return t.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(t);
    };
    return QJsonObject{{"device", job.device},
                       {"mac", textOrNull(job.mac)},
                       {"ip", textOrNull(job.address)},
                       {"hardware", textOrNull(job.hardware)},
                       {"versionBefore", textOrNull(job.versionBefore)},
                       {"versionAfter", textOrNull(job.versionAfter)},
                       {"blocks", static_cast<qint64>(job.blocks)},
                       {"bytes", static_cast<qint64>(job.bytes)},
                       {"seconds", job.seconds},
                       {"result", resultName(job)},
                       {"message", job.message}};
}

// What the search found of each device, before anything is sent.
void describeTargets(const DeviceSession& session, std::vector<UpgradeJob>& jobs) {
    for (UpgradeJob& job : jobs) {
        if (job.entry < 0) continue;
        const DeviceRecord& r = session.table()[static_cast<std::size_t>(job.entry)];
        job.mac = q(macText(r.mac));
        job.hardware = q(r.identity.hardwareText());
        job.versionBefore = q(r.identity.firmwareText());
    }
}

std::vector<CampaignTarget> campaignTargets(const std::vector<UpgradeJob>& jobs) {
    std::vector<CampaignTarget> targets;
    for (const UpgradeJob& job : jobs)
        targets.push_back({job.device.toStdString(), job.entry >= 0, job.hardware.toStdString()});
    return targets;
}

// --json: the jobs as the upload lists them, each device's result "upgrade", "skipped" or "not-found".
void printPlan(Context& ctx, const std::vector<UpgradeJob>& jobs, const QString& path, std::size_t bytes) {
    if (ctx.options.json) {
        QJsonArray list;
        for (const UpgradeJob& job : jobs) {
            QJsonObject planned = jobJson(job);
            if (!job.notFound && !job.skipped) planned["result"] = QStringLiteral("upgrade");
            list.append(planned);
        }
        ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
        return;
    }
    ctx.out << "dry run: " << path << " (" << bytes << " bytes) would go to:\n";
    for (const UpgradeJob& job : jobs) {
        ctx.out << "  " << job.device;
        if (job.notFound) {
            ctx.out << "  not found\n";
            continue;
        }
        if (!job.mac.isEmpty())
            ctx.out << "  " << job.address << "  " << job.mac << "  " << job.hardware << "  "
                    << job.versionBefore;
        ctx.out << (job.skipped ? "  skipped (already runs it)\n" : "  upgrade\n");
    }
    ctx.out << "nothing was sent\n";
}

// Reads every uploaded device again (they restart after an upgrade) and takes its new version.
void verifyJobs(DeviceSession& session, DeviceWrite& writer, std::vector<UpgradeJob>& jobs) {
    std::vector<WriteRequest> requests;
    std::vector<UpgradeJob*> waiting;
    for (UpgradeJob& job : jobs) {
        if (job.result != UploadResult::Completed || job.entry < 0) continue;
        requests.push_back(rereadRequest(job.entry, session.table()[static_cast<std::size_t>(job.entry)]));
        waiting.push_back(&job);
    }
    const std::vector<WriteOutcome> outcomes = runWrites(writer, std::move(requests));
    for (std::size_t n = 0; n < waiting.size(); ++n) {
        UpgradeJob& job = *waiting[n];
        std::optional<std::string> after;
        // A stopped run is not read again: its devices count as not back.
        if (outcomes[n].result == WriteResult::Verified && outcomes[n].entryAfter >= 0) {
            after = session.table()[static_cast<std::size_t>(outcomes[n].entryAfter)].identity.firmwareText();
            job.versionAfter = q(*after);
        }
        const VerifyOutcome outcome = verifyOutcome(job.versionBefore.toStdString(), after);
        job.verified = q(verifyResultName(outcome));
        job.message =
            q(verifyMessage(outcome, job.versionBefore.toStdString(), job.versionAfter.toStdString()));
    }
}

std::optional<std::string> writeReport(const QString& file, const std::vector<UpgradeJob>& jobs) {
    std::string text = csvRecord({"device", "mac", "ip", "hardware", "version_before", "version_after",
                                  "bytes", "seconds", "result", "message"});
    for (const UpgradeJob& job : jobs)
        text += csvRecord({job.device.toStdString(), job.mac.toStdString(), job.address.toStdString(),
                           job.hardware.toStdString(), job.versionBefore.toStdString(),
                           job.versionAfter.toStdString(), std::to_string(job.bytes),
                           QString::number(job.seconds, 'f', 3).toStdString(), resultName(job).toStdString(),
                           job.message.toStdString()});
    return replaceFileWhole(std::filesystem::path(file.toStdU16String()), text, FileContent::Plain);
}

struct CampaignOptions {
    std::optional<QString> target;
    int parallel = 1;
    int waitMs = kDefaultModeWaitMs;
    bool mixed = false;
    bool dryRun = false;
    bool verify = false;
    int verifyTimeoutMs = kDefaultVerifyTimeoutMs;
    std::optional<QString> skipVersion;
    std::optional<QString> report;
};

// The options were checked with the command line.
QString parseCampaign(const ParsedArguments& given, CampaignOptions& o) {
    o.target = given.text("--target");
    o.parallel = static_cast<int>(given.number("--parallel").value_or(1));
    o.waitMs = static_cast<int>(given.number("--wait").value_or(kDefaultModeWaitMs));
    o.verifyTimeoutMs = static_cast<int>(given.number("--verify-timeout").value_or(kDefaultVerifyTimeoutMs));
    o.skipVersion = given.text("--skip-version");
    o.report = given.text("--report");
    o.mixed = given.flag("--mixed");
    o.dryRun = given.flag("--dry-run");
    o.verify = given.flag("--verify");
    return {};
}

void printJobs(Context& ctx, const std::vector<UpgradeJob>& jobs, bool (*succeeded)(const UpgradeJob&)) {
    QJsonArray list;
    for (const UpgradeJob& job : jobs) {
        const bool ok = succeeded(job);
        if (ctx.options.json) {
            list.append(jobJson(job));
            continue;
        }
        ctx.out << job.device << "  " << resultName(job) << "  " << job.blocks << " blocks  " << job.bytes
                << " bytes  " << QString::number(job.seconds, 'f', 2) << " s";
        if (!job.verified.isEmpty()) ctx.out << "  " << job.message;
        ctx.out << '\n';
        if (!ok && !job.skipped)
            ctx.err << job.device << ": " << (job.message.isEmpty() ? resultName(job) : job.message) << '\n';
    }
    if (ctx.options.json) ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
}

// Every upload at once needs a port of its own to send from; a campaign that cannot have them all is
// refused before any device is touched, not failed half-way.
QString sourcePortsRefusal(const QHostAddress& localAddress, int uploads) {
    std::vector<std::unique_ptr<QUdpSocket>> held;
    for (int i = 0; i < uploads; ++i) {
        auto socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(localAddress.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : localAddress, 0))
            return QStringLiteral("no port to send the firmware from on %1: %2")
                .arg(localAddress.isNull() ? QStringLiteral("any address") : localAddress.toString(),
                     socket->errorString());
        held.push_back(std::move(socket));
    }
    return {};
}

}  // namespace

namespace {

// Uploads to every job (stopped by Ctrl-C), verifies if asked, prints and reports the outcome.
int uploadAll(Context& ctx, DeviceSession& session, std::vector<UpgradeJob>& jobs, const CampaignOptions& o,
              const QString& path, const FirmwareImage& image, const QHostAddress& localAddress) {
    UpgradeSettings settings;
    settings.firmwarePath = path;
    settings.image = image.bytes;
    settings.tftpPort = ctx.options.network.tftpPort;
    settings.localAddress = localAddress;
    settings.parallel = o.parallel;
    settings.modeWaitMs = o.waitMs;
    settings.texts = &ctx.texts;
    QTextStream progress(stderr);
    DeviceReread reread(session);
    DeviceWrite writer(session, reread, ctx.texts);
    WriteTimings timings = writer.timings();
    timings.rereadLimitMs = o.verifyTimeoutMs;
    writer.setTimings(timings);
    UpgradeRun upgrade(settings, &session, &writer, stderrIsTerminal() ? &progress : nullptr);
    StopOnSignal interrupt;
    QObject::connect(&interrupt, &StopOnSignal::stopRequested, &upgrade, &UpgradeRun::stop);
    QObject::connect(&interrupt, &StopOnSignal::stopRequested, &writer, &DeviceWrite::stop);
    upgrade.run(jobs);

    if (upgrade.stopped()) {
        QStringList finished;
        for (const UpgradeJob& job : jobs)
            if (job.result == UploadResult::Completed) finished << job.device;
        ctx.err << "stopped; finished: "
                << (finished.isEmpty() ? QStringLiteral("none") : finished.join(", ")) << '\n';
    } else if (o.verify) {
        verifyJobs(session, writer, jobs);
    }
    auto succeeded =
        o.verify ? +[](const UpgradeJob& j) { return j.skipped || j.verified == "upgraded"; }
                 : +[](const UpgradeJob& j) { return j.skipped || j.result == UploadResult::Completed; };
    printJobs(ctx, jobs, succeeded);
    if (o.report) {
        if (auto failed = writeReport(*o.report, jobs)) {
            ctx.err << "--report: " << q(*failed) << '\n';
            return kExitFailed;
        }
    }
    const bool allOk = !upgrade.stopped() && std::all_of(jobs.begin(), jobs.end(), succeeded);
    return allOk ? kExitOk : kExitFailed;
}

}  // namespace

namespace {
// The window keeps its fixed texts for these two ("can`t open", "file_is_too_big"); a terminal in
// English gets sentences.
QString refusalLine(const Context& ctx, FirmwareRefusal refusal, const QString& path) {
    if (ctx.texts.isEnglish() && refusal == FirmwareRefusal::CannotOpen)
        return path + QStringLiteral(": cannot open the file");
    if (ctx.texts.isEnglish() && refusal == FirmwareRefusal::TooBig)
        return path +
               QStringLiteral(": too big; a firmware image holds at most %1 bytes").arg(kFirmwareMaxBytes);
    return q(firmwareRefusalText(ctx.texts, refusal, path.toStdString()));
}
}  // namespace

int runUpgrade(Context& ctx) {
    QStringList args = ctx.options.arguments.operands;
    CampaignOptions o;
    if (const QString error = parseCampaign(ctx.options.arguments, o); !error.isEmpty()) {
        ctx.err << error << '\n';
        return kExitUsage;
    }

    // The file is checked and read once, before anything is sent.
    const QString path = args.takeFirst();
    FirmwareImage image = loadFirmwareImage(path);
    if (image.refusal != FirmwareRefusal::None) {
        ctx.err << refusalLine(ctx, image.refusal, path) << '\n';
        return kExitUsage;
    }

    const NetworkSettings& net = ctx.options.network;
    DeviceSession session(net);
    std::vector<UpgradeJob> jobs;
    if (o.target) {
        UpgradeJob job;
        job.device = *o.target;
        job.address = *o.target;
        jobs.push_back(job);
    } else if (!findDevices(ctx, session, args, jobs)) {
        return kExitFailed;
    }
    describeTargets(session, jobs);
    if (const auto mismatched = mismatchedHardware(campaignTargets(jobs)); !o.mixed && !mismatched.empty()) {
        ctx.err << q(mismatchRefusal(campaignTargets(jobs), mismatched)) << '\n';
        return kExitUsage;
    }
    for (UpgradeJob& job : jobs)
        job.skipped = o.skipVersion && job.entry >= 0 && job.versionBefore == *o.skipVersion;
    const QHostAddress localAddress =
        net.bindAddress.empty() ? QHostAddress() : QHostAddress(q(net.bindAddress));
    if (const QString busy =
            sourcePortsRefusal(localAddress, std::min<int>(o.parallel, static_cast<int>(jobs.size())));
        !busy.isEmpty()) {
        ctx.err << busy << '\n';
        return kExitFailed;
    }
    if (o.dryRun) {
        printPlan(ctx, jobs, path, image.bytes ? image.bytes->size() : 0);
        return kExitOk;
    }

    return uploadAll(ctx, session, jobs, o, path, image, localAddress);
}

}  // namespace tavrel::cli
