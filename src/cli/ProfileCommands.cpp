// export, import, diff, apply: parameter profiles from a terminal, with the window's format and its
// one-click configuration.
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <filesystem>
#include <optional>
#include <system_error>
#include <tuple>
#include <utility>

#include "Commands.h"
#include "DeviceJson.h"
#include "NamedDevices.h"
#include "WriteRun.h"
#include "device/DeviceCapabilities.h"
#include "device/DeviceSelector.h"
#include "profiles/AddressPlan.h"
#include "profiles/OneClick.h"
#include "profiles/ProfileDiff.h"
#include "profiles/ProfileFormat.h"
#include "protocol/Readout.h"
#include "settings/AddressText.h"
#include "texts/FixedTexts.h"

namespace tavrel::cli {

namespace {

namespace fs = std::filesystem;

fs::path fsPath(const QString& path) {
    return fs::path(path.toStdU16String());
}

struct LoadedProfile {
    DeviceRecord record;
    int exitCode = kExitOk;
};

// The profile in FILE; a missing file is a usage error, an unusable one exits with `unusableExit`.
LoadedProfile loadProfile(Context& ctx, const QString& file, int unusableExit) {
    LoadedProfile loaded;
    if (!QFileInfo(file).isFile()) {
        ctx.err << "no such profile: " << file << '\n';
        loaded.exitCode = kExitUsage;
        return loaded;
    }
    auto read = readProfileFileStrict(fsPath(file));
    if (const auto* error = std::get_if<ProfileError>(&read)) {
        ctx.err << q(ctx.texts.badProfile) << ' ' << file << ": "
                << q(profileErrorText(*error, ctx.texts.languageCode)) << '\n';
        loaded.exitCode = unusableExit;
        return loaded;
    }
    loaded.record = std::get<DeviceRecord>(read);
    if (!isUsableProfile(loaded.record)) {
        ctx.err << q(ctx.texts.badProfile) << '\n';
        loaded.exitCode = unusableExit;
    }
    return loaded;
}

QJsonObject differenceJson(const ProfileDifference& d, SecretDisplay secrets) {
    const SecretDisplay shown = d.secret ? secrets : SecretDisplay::Shown;
    QJsonObject o;
    o["section"] = q(d.section);
    o["key"] = q(d.key);
    o["device"] = q(shownSecret(d.deviceValue, shown));
    o["profile"] = q(shownSecret(d.profileValue, shown));
    return o;
}

QString differenceLine(const ProfileDifference& d, SecretDisplay secrets) {
    if (d.secret && secrets == SecretDisplay::Masked)
        return QStringLiteral("%1 %2: differs (not printed; --show-secrets prints it)")
            .arg(q(d.section), q(d.key));
    return QStringLiteral("%1 %2: device \"%3\", profile \"%4\"")
        .arg(q(d.section), q(d.key), q(d.deviceValue), q(d.profileValue));
}

struct ApplyLine {
    QString device;  // as the user named it
    QString ip;
    QString mac;
    QString result;  // applied, verified, differs, refused, no-answer, unread, not-found, port-count, ...
    QString message;
    std::vector<ProfileDifference> differences;
    bool ok = false;
};

// A write that ended before its read-back could be compared: its line; nothing when it was read back.
std::optional<std::pair<QString, QString>> unreadOutcome(const Context& ctx, const WriteOutcome& written) {
    switch (written.result) {
        case WriteResult::NotSent:
            return std::pair{written.reason.rfind("some settings", 0) == 0 ? QStringLiteral("incomplete")
                                                                           : QStringLiteral("not-sent"),
                             q(written.reason)};
        case WriteResult::Refused:
            return std::pair{QStringLiteral("refused"), said(ctx.texts, std::string(fixed::kConfigFailed))};
        case WriteResult::NoAnswer:
            return std::pair{QStringLiteral("no-answer"),
                             QStringLiteral("no acknowledgement after the last frame")};
        case WriteResult::NotBack:
        case WriteResult::Unverified:
            return std::pair{QStringLiteral("unread"),
                             QStringLiteral("the device was not read back completely")};
        case WriteResult::Verified:
        case WriteResult::Differs:
            break;
    }
    return std::nullopt;
}

ApplyLine applyTo(Context& ctx, DeviceSession& session, CliWriter& writer, int index,
                  const DeviceRecord& profile, bool verify, bool force) {
    ApplyLine line;
    const DeviceRecord& record = session.table()[static_cast<std::size_t>(index)];
    line.ip = q(record.sourceAddress);
    line.mac = q(macText(record.mac));
    // The board's own packed write carries port 1 and its network only; writing it the serial
    // server's way would be taken as nothing. Refused alike in the window.
    if (capabilitiesOf(record).packedWrite()) {
        line.result = "not-supported";
        line.message = q(ctx.texts.oneClickPackedBoard);
        return line;
    }
    if (writer.stopped()) {
        line.result = "not-started";
        line.message = "stopped before this device";
        return line;
    }
    DeviceRecord draft = record;
    OneClickOutcome outcome = oneClickCommand(&draft, &profile, ctx.texts.languageCode);
    switch (outcome.status) {
        case OneClickStatus::PortCountMismatch:
            line.result = "port-count";
            line.message = q(ctx.texts.portCountMismatch);
            return line;
        case OneClickStatus::Refused:
            line.result = "invalid";
            line.message = q(outcome.message);
            return line;
        case OneClickStatus::NoDevice:
        case OneClickStatus::NoProfile:
            line.result = "not-found";
            return line;
        case OneClickStatus::Ready:
            break;
    }
    WriteRequest request;
    request.entry = index;
    request.plan = std::move(outcome.plan);
    request.expected = draft;
    request.scope = WriteScope::Profile;
    request.forced = force;
    const WriteOutcome written = writer.run(std::move(request));
    if (const auto unread = unreadOutcome(ctx, written)) {
        std::tie(line.result, line.message) = *unread;
        return line;
    }
    line.differences = diffProfile(profile, session.table()[static_cast<std::size_t>(written.entryAfter)]);
    line.ok = line.differences.empty();
    line.result = !line.ok ? "differs" : verify ? "verified" : "applied";
    return line;
}

void printApplyLine(Context& ctx, const ApplyLine& line) {
    ctx.out << line.device;
    if (!line.ip.isEmpty()) ctx.out << " (" << line.ip << ' ' << line.mac << ')';
    ctx.out << ": " << line.result;
    if (!line.message.isEmpty()) ctx.out << ": " << line.message;
    ctx.out << '\n';
    for (const auto& d : line.differences) ctx.out << "  " << differenceLine(d, ctx.options.secrets) << '\n';
}

QJsonObject applyJson(const ApplyLine& line, SecretDisplay secrets) {
    QJsonObject o;
    o["device"] = line.device;
    o["ip"] = line.ip.isEmpty() ? QJsonValue::Null : QJsonValue(line.ip);
    o["mac"] = line.mac.isEmpty() ? QJsonValue::Null : QJsonValue(line.mac);
    o["result"] = line.result;
    o["ok"] = line.ok;
    o["message"] = line.message;
    QJsonArray differences;
    for (const auto& d : line.differences) differences.append(differenceJson(d, secrets));
    o["differences"] = differences;
    return o;
}

}  // namespace

int runExport(Context& ctx) {
    const QStringList& args = ctx.options.arguments.operands;
    const bool force = ctx.options.arguments.flag("--force");
    const fs::path path = fsPath(args[1]);
    const fs::path folder = path.parent_path();
    std::error_code error;
    if (fs::is_directory(path, error) || (!folder.empty() && !fs::is_directory(folder, error))) {
        ctx.err << "cannot write " << args[1] << ": not a file in an existing folder\n";
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args[0]);
    if (found.index < 0) return found.exitCode;
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Export)) return kExitFailed;
    std::string reason;
    const ProfileStatus status =
        writeProfile(session.table()[static_cast<std::size_t>(found.index)], path, &reason);
    if (status != ProfileStatus::Ok) {
        ctx.err << "cannot write " << args[1] << ": "
                << (reason.empty() ? profileStatusText(status) : q(reason)) << '\n';
        return kExitUsage;
    }
    printOutcome(ctx, "written", "written " + QDir::toNativeSeparators(args[1]));
    return kExitOk;
}

int runImport(Context& ctx) {
    const LoadedProfile profile = loadProfile(ctx, ctx.options.arguments.operands.front(), kExitFailed);
    if (profile.exitCode != kExitOk) return profile.exitCode;
    // A profile is whole by definition: nothing of it was read from a device.
    const ReadoutProgress whole;
    if (ctx.options.json)
        ctx.out << QJsonDocument(deviceJson(profile.record, whole, ctx.options.secrets))
                       .toJson(QJsonDocument::Indented);
    else
        ctx.out << deviceDetails(profile.record, whole, ctx.options.secrets);
    return kExitOk;
}

int runDiff(Context& ctx) {
    const QStringList& args = ctx.options.arguments.operands;
    const bool everything = ctx.options.arguments.flag("--all");
    // Exit 1 means "differs" here, so every other trouble is 2.
    const LoadedProfile profile = loadProfile(ctx, args[0], kExitUsage);
    if (profile.exitCode != kExitOk) return profile.exitCode;
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args[1]);
    if (found.index < 0) return kExitUsage;
    // A group that never came holds zeros, which would read as differences the device does not have.
    const WriteCheck check =
        checkWrite(session.table().progress(static_cast<std::size_t>(found.index)), ctx.texts.languageCode);
    if (!check.whole) {
        QStringList groups;
        for (const auto& g : check.missingGroups) groups << q(g);
        ctx.err << "device " << args[1] << " did not answer with all its settings (" << groups.join(", ")
                << "); nothing was compared. Search again\n";
        return kExitUsage;
    }
    const auto differences =
        diffProfile(profile.record, session.table()[static_cast<std::size_t>(found.index)],
                    everything ? DiffScope::Everything : DiffScope::Settings);
    if (ctx.options.json) {
        QJsonArray list;
        for (const auto& d : differences) list.append(differenceJson(d, ctx.options.secrets));
        ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    } else {
        for (const auto& d : differences) ctx.out << differenceLine(d, ctx.options.secrets) << '\n';
    }
    return differences.empty() ? kExitOk : kExitFailed;
}

namespace {

// Every address is settled before the first device is written, so a refusal sends nothing.
std::optional<AddressPlan> planApplyAddresses(Context& ctx, const DeviceSession& session,
                                              const std::vector<int>& entries, const DeviceRecord& profile,
                                              std::optional<Ipv4> ipFrom, bool sameIp, int& exitCode) {
    AddressPlanRequest addresses;
    addresses.profileAddress = profile.network.ip;
    addresses.dhcp = profile.ipType == 2;
    addresses.firstAddress = ipFrom;
    addresses.sameAllowed = sameIp;
    for (const int index : entries) {
        if (index < 0) continue;
        if (std::find(addresses.targets.begin(), addresses.targets.end(), std::size_t(index)) !=
            addresses.targets.end()) {
            ctx.err << "one device is named twice: " << q(macText(session.table()[std::size_t(index)].mac))
                    << "; nothing was sent\n";
            exitCode = kExitUsage;
            return std::nullopt;
        }
        addresses.targets.push_back(static_cast<std::size_t>(index));
    }
    AddressPlan plan = planAddresses(session.table(), addresses);
    if (!plan.refused()) return plan;
    ctx.err << q(plan.error) << '\n';
    exitCode = kExitFailed;
    return std::nullopt;
}

}  // namespace

int runApply(Context& ctx) {
    const QStringList& args = ctx.options.arguments.operands;
    const bool verify = ctx.options.arguments.flag("--verify");
    const bool force = ctx.options.arguments.flag("--force");
    std::optional<Ipv4> ipFrom;
    if (auto from = ctx.options.arguments.text("--ip-from")) ipFrom = parseIpv4(from->toStdString());
    std::vector<DeviceSelector> selectors;
    for (const QString& text : args.mid(1)) {
        auto selector = parseDeviceSelector(text.toStdString());
        if (!selector) {
            ctx.err << "not a device: " << text
                    << " (give an IP address, a MAC like 00-CA-C1-19-00-33, or a key like 190033)\n";
            return kExitUsage;
        }
        selectors.push_back(*selector);
    }
    const LoadedProfile profile = loadProfile(ctx, args[0], kExitFailed);
    if (profile.exitCode != kExitOk) return profile.exitCode;
    DeviceSession session(ctx.options.network);
    if (!openSession(ctx, session)) return kExitFailed;
    CliWriter writer(ctx, session, false);
    const std::vector<int> entries = findNamedDevices(ctx, session, writer, selectors, ipFrom.has_value());
    int exitCode = kExitOk;
    const auto plan = planApplyAddresses(ctx, session, entries, profile.record, ipFrom,
                                         ctx.options.arguments.flag("--same-ip"), exitCode);
    if (!plan) return exitCode;

    QJsonArray lines;
    bool allOk = true;
    std::size_t planned = 0;
    for (std::size_t n = 0; n < selectors.size(); ++n) {
        ApplyLine line;
        if (entries[n] < 0) {
            line.result = "not-found";
        } else {
            DeviceRecord source = profile.record;
            if (!plan->addresses.empty()) source.network.ip = plan->addresses[planned];
            ++planned;
            line = applyTo(ctx, session, writer, entries[n], source, verify, force);
        }
        line.device = args[static_cast<qsizetype>(n) + 1];
        allOk = allOk && line.ok;
        if (ctx.options.json)
            lines.append(applyJson(line, ctx.options.secrets));
        else
            printApplyLine(ctx, line);
        ctx.out.flush();
    }
    if (ctx.options.json) ctx.out << QJsonDocument(lines).toJson(QJsonDocument::Indented);
    return allOk ? kExitOk : kExitFailed;
}

}  // namespace tavrel::cli
