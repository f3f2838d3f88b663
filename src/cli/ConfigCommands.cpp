// restart, reset, set-network, set-port: find the device by a search, send what the window sends.
#include <QtCore/QEventLoop>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTimer>
#include <chrono>

#include "Commands.h"
#include "DeviceJson.h"
#include "DeviceReread.h"
#include "PackedWriteRun.h"
#include "device/FixedLists.h"
#include "profiles/Snapshots.h"
#include "protocol/Commands.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/WriteGuard.h"
#include "settings/AddressText.h"
#include "settings/PortForm.h"
#include "settings/SettingsMessages.h"
#include "texts/FixedTexts.h"
#include "util/Paths.h"

namespace tavrel::cli {

namespace {

// After the last frame, how long the acknowledgements may take.
constexpr int kAckWaitMs = 1500;
constexpr std::size_t kRemoteHostMax = 32;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

struct Usage {
    QString error;
    bool failed() const { return !error.isEmpty(); }
};

// Plays a plan and waits for it to be sent and, when asked, for the device's answers.
struct PlayResult {
    int acknowledged = 0;
    int refused = 0;
};
PlayResult playAndWait(DeviceSession& session, int index, Plan plan, bool waitForAnswers) {
    PlayResult result;
    QEventLoop loop;
    // Another device's answer (another copy of the tool writing to it) says nothing about this write.
    const QString key = QString::fromStdString(keyText(session.table()[static_cast<std::size_t>(index)].key));
    auto conn = QObject::connect(&session, &DeviceSession::writeAnswered, &loop,
                                 [&](const QString& answerKey, bool accepted) {
                                     if (answerKey != key) return;
                                     ++(accepted ? result.acknowledged : result.refused);
                                 });
    QTimer settle;
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, &loop, &QEventLoop::quit);
    session.play(static_cast<std::size_t>(index), std::move(plan), [&] {
        if (waitForAnswers)
            settle.start(kAckWaitMs);
        else
            loop.quit();
    });
    loop.exec();
    QObject::disconnect(conn);
    return result;
}

int finishWrite(Context& ctx, const PlayResult& r) {
    if (r.refused > 0) {
        ctx.err << q(std::string(fixed::kConfigFailed)) << '\n';
        return kExitFailed;
    }
    if (r.acknowledged == 0) {
        ctx.err << "no answer from the device\n";
        return kExitFailed;
    }
    printOutcome(ctx, "acknowledged", q(ctx.texts.savedSuccessfully));
    return kExitOk;
}

// --wait: the device is read again once it answers, and its new state printed (with --json one
// object: the command's result and the device). Exit 1 when it does not come back.
int waitForDevice(Context& ctx, DeviceSession& session, int index, bool broadcast, const QString& result,
                  const QString& message) {
    if (!ctx.options.json) {
        ctx.out << message << '\n' << "waiting for the device to answer again...\n";
        ctx.out.flush();
    }
    DeviceReread reread(session);
    bool back = false;
    QEventLoop loop;
    QObject::connect(&reread, &DeviceReread::back, &loop, [&](int entry) {
        if (entry != index) return;
        back = true;
        loop.quit();
    });
    QObject::connect(&reread, &DeviceReread::notBack, &loop, [&](int entry) {
        if (entry == index) loop.quit();
    });
    reread.start(index, broadcast);
    loop.exec();
    const DeviceRecord& r = session.table()[static_cast<std::size_t>(index)];
    const ReadoutProgress& progress = session.table().progress(static_cast<std::size_t>(index));
    if (ctx.options.json) {
        QJsonObject o{{"result", back ? result : QStringLiteral("not-back")}, {"message", message}};
        if (back) o["device"] = deviceJson(r, progress, ctx.options.secrets);
        ctx.out << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else if (back) {
        ctx.out << deviceDetails(r, progress, ctx.options.secrets);
    }
    if (back) return kExitOk;
    ctx.err << "the device did not answer again within " << DeviceReread::kLimitMs / 1000 << " s\n";
    return kExitFailed;
}

int runSimpleCommand(Context& ctx, const char* usage, CommandOutcome (*command)(const DeviceRecord*),
                     bool broadcastReread) {
    QStringList args = ctx.options.arguments;
    const bool wait = takeFlag(args, "--wait");
    if (args.size() != 1) {
        ctx.err << usage;
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    CommandOutcome outcome = command(&session.table()[found.index]);
    playAndWait(session, found.index, std::move(outcome.plan), false);
    if (wait) return waitForDevice(ctx, session, found.index, broadcastReread, "sent", "sent");
    printOutcome(ctx, "sent", "sent");
    return kExitOk;
}

// A write's result, then with --wait the device as it answers afterwards.
int finishWrite(Context& ctx, DeviceSession& session, int index, const PlayResult& r, bool wait) {
    if (!wait || r.refused > 0 || r.acknowledged == 0) return finishWrite(ctx, r);
    return waitForDevice(ctx, session, index, false, "acknowledged", q(ctx.texts.savedSuccessfully));
}

// The packed write with --wait: its own report is kept aside and joined to the device's.
int sendPackedWriteAndWait(Context& ctx, DeviceSession& session, int index, const PackedWriteInput& input,
                           bool wait) {
    if (!wait) return sendPackedWrite(ctx, session, index, input, false);
    QString captured;
    QTextStream capture(&captured);
    Context quiet{ctx.options, ctx.texts, capture, ctx.err};
    const int code = sendPackedWrite(quiet, session, index, input, false);
    capture.flush();
    if (code != kExitOk) {
        ctx.out << captured;
        return code;
    }
    const QString result =
        ctx.options.json ? QJsonDocument::fromJson(captured.toUtf8()).object().value("result").toString() : captured.trimmed();
    return waitForDevice(ctx, session, index, false, result, ctx.options.json ? result : captured.trimmed());
}

// --name value for an address; empty when not given.
std::optional<std::string> addressOption(QStringList& args, const QString& name, Usage& usage) {
    auto v = takeOption(args, name, &usage.error);
    if (!v) return std::nullopt;
    if (!parseIpv4(v->toStdString()))
        usage.error = QStringLiteral("%1: not an IPv4 address: %2").arg(name, *v);
    return v->toStdString();
}

}  // namespace

void printOutcome(Context& ctx, const QString& result, const QString& message) {
    if (ctx.options.json)
        ctx.out << QJsonDocument(QJsonObject{{"result", result}, {"message", message}}).toJson(QJsonDocument::Compact)
                << '\n';
    else
        ctx.out << message << '\n';
}

bool refusesIncompleteWrite(Context& ctx, const DeviceSession& session, int index, bool force, WriteKind kind) {
    const WriteCheck check =
        checkWrite(session.table().progress(static_cast<std::size_t>(index)), ctx.texts.languageCode);
    if (!check.allows(force)) {
        ctx.err << q(incompleteWriteRefusal(check, kind)) << '\n';
        return true;
    }
    if (kind == WriteKind::Save) keepSnapshot(ctx, session.table()[static_cast<std::size_t>(index)]);
    return false;
}

void keepSnapshot(Context& ctx, const DeviceRecord& asRead) {
    // The write goes ahead without one: a full disk must not stop a repair.
    if (auto failed = storeSnapshot(asRead, resolvePaths().profileFolder, std::chrono::system_clock::now()))
        ctx.err << "warning: no snapshot was kept: " << q(*failed) << '\n';
}

namespace {
// Boards that report a configuration image take their settings as one packed record, not as the
// serial server's block writes; the window shows its "保存配置" button for them too.
bool takesPackedWrite(const DeviceRecord& r) {
    return r.imagePresent == 1;
}
}  // namespace

int runRestart(Context& ctx) {
    return runSimpleCommand(ctx, "usage: tavrel-cli restart DEVICE [--wait]\n", restartCommand, false);
}

int runReset(Context& ctx) {
    // The factory address may not be the one the device answered from.
    return runSimpleCommand(ctx, "usage: tavrel-cli reset DEVICE [--wait]\n", factoryResetCommand, true);
}

int runSetNetwork(Context& ctx) {
    QStringList args = ctx.options.arguments;
    Usage usage;
    auto ip = addressOption(args, "--ip", usage);
    auto mask = addressOption(args, "--mask", usage);
    auto gateway = addressOption(args, "--gateway", usage);
    auto dns = addressOption(args, "--dns", usage);
    auto mac = takeOption(args, "--mac", &usage.error);
    if (mac && !parseMac(mac->toStdString())) usage.error = "--mac: not twelve hexadecimal digits: " + *mac;
    auto user = takeOption(args, "--user", &usage.error);
    auto password = takeOption(args, "--password", &usage.error);
    const bool force = takeFlag(args, "--force");
    const bool wait = takeFlag(args, "--wait");
    const bool dhcp = takeFlag(args, "--dhcp");
    const bool fixed = takeFlag(args, "--static");
    if (dhcp && fixed) usage.error = "--dhcp and --static exclude each other";
    if (user && user->toUtf8().size() > 8) usage.error = "--user: at most 8 bytes";
    if (password && password->toUtf8().size() > 8) usage.error = "--password: at most 8 bytes";
    if (!usage.failed() && args.size() != 1) usage.error = "usage: tavrel-cli set-network DEVICE [options]";
    if (usage.failed()) {
        ctx.err << usage.error << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    DeviceRecord& r = session.table()[found.index];
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;

    // Unspecified fields keep the device's values, as the form shows them.
    NetworkFormInput form;
    form.ipTypeSelection = dhcp ? 1 : fixed ? 0 : (r.ipType == 2 ? 1 : r.ipType == 1 ? 0 : -1);
    form.ip = ip.value_or(ipv4Text(r.network.ip));
    form.mask = mask.value_or(ipv4Text(r.network.mask));
    form.gateway = gateway.value_or(ipv4Text(r.network.gateway));
    form.dns = dns.value_or(ipv4Text(r.network.dns));
    form.mac = mac ? mac->toStdString() : macText(r.mac);
    form.user = user ? user->toStdString() : textOf(r.user);
    form.password = password ? password->toStdString() : textOf(r.password);
    form.outputFollow = r.ioOptions[0] == 1;
    form.sendStatus = r.ioOptions[1] == 1;
    if (takesPackedWrite(r)) {
        PackedWriteInput input = packedWriteInputOf(r);
        input.network = form;
        return sendPackedWriteAndWait(ctx, session, found.index, input, wait);
    }
    CommandOutcome outcome = saveNetworkCommand(&r, form, ctx.texts.languageCode);
    if (outcome.status != CommandStatus::Ready) {
        ctx.err << q(outcome.message) << '\n';
        return kExitUsage;
    }
    if (!ctx.options.json) ctx.out << q(ctx.texts.sendingData) << '\n';
    return finishWrite(ctx, session, found.index, playAndWait(session, found.index, std::move(outcome.plan), true),
                       wait);
}

namespace {

struct PortEdit {
    std::optional<std::pair<ListField, int>> list;
    std::optional<std::pair<NumberField, std::string>> number;
    std::optional<std::pair<TextField, std::string>> text;
    std::optional<std::pair<CheckField, bool>> check;
};

template <std::size_t N>
bool listOption(QStringList& args, const char* name, const std::array<std::string_view, N>& list,
                ListField field, std::vector<PortEdit>& edits, Usage& usage) {
    auto v = takeOption(args, name, &usage.error);
    if (!v) return true;
    auto position = lists::positionOf(list, v->toStdString());
    if (!position) {
        QStringList choices;
        for (auto c : list) choices << QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()));
        usage.error = QStringLiteral("%1: one of %2, not %3").arg(name, choices.join(' '), *v);
        return false;
    }
    edits.push_back(PortEdit{std::pair{field, *position - 1}, {}, {}, {}});
    return true;
}

void numberOption(QStringList& args, const char* name, NumberField field, std::vector<PortEdit>& edits,
                  Usage& usage) {
    if (auto v = takeOption(args, name, &usage.error))
        edits.push_back(PortEdit{{}, std::pair{field, v->toStdString()}, {}, {}});
}

void textOption(QStringList& args, const char* name, TextField field, std::vector<PortEdit>& edits,
                Usage& usage) {
    if (auto v = takeOption(args, name, &usage.error))
        edits.push_back(PortEdit{{}, {}, std::pair{field, v->toStdString()}, {}});
}

}  // namespace

int runSetPort(Context& ctx) {
    QStringList args = ctx.options.arguments;
    Usage usage;
    const bool force = takeFlag(args, "--force");
    const bool wait = takeFlag(args, "--wait");
    int port = 1;
    if (auto p = takeOption(args, "--port", &usage.error)) {
        bool ok = false;
        port = p->toInt(&ok);
        if (!ok || port < 1 || port > 8) usage.error = "--port: a port number 1-8, not " + *p;
    }
    std::vector<PortEdit> edits;
    listOption(args, "--baud", lists::kBaudRates, ListField::BaudRate, edits, usage) &&
        listOption(args, "--parity", lists::kParities, ListField::Parity, edits, usage) &&
        listOption(args, "--data-bits", lists::kDataBits, ListField::DataBits, edits, usage) &&
        listOption(args, "--stop-bits", lists::kStopBits, ListField::StopBits, edits, usage) &&
        listOption(args, "--mode", lists::kWorkModes, ListField::WorkMode, edits, usage);
    textOption(args, "--remote-host", TextField::RemoteHost, edits, usage);
    numberOption(args, "--remote-port", NumberField::RemotePort, edits, usage);
    numberOption(args, "--local-port", NumberField::LocalPort, edits, usage);
    textOption(args, "--heartbeat-data", TextField::HeartbeatData, edits, usage);
    numberOption(args, "--heartbeat-interval", NumberField::HeartbeatInterval, edits, usage);
    numberOption(args, "--modbus-timeout", NumberField::ModbusTimeout, edits, usage);
    if (auto v = takeOption(args, "--modbus", &usage.error)) {
        if (*v == "on" || *v == "off")
            edits.push_back(PortEdit{{}, {}, {}, std::pair{CheckField::Modbus, *v == "on"}});
        else
            usage.error = "--modbus: on or off, not " + *v;
    }
    if (!usage.failed() && args.size() != 1) usage.error = "usage: tavrel-cli set-port DEVICE [options]";
    if (usage.failed()) {
        ctx.err << usage.error << '\n';
        return kExitUsage;
    }
    // A text too long for its field is a usage error before anything goes out.
    if (auto host =
            std::find_if(edits.begin(), edits.end(),
                         [](const PortEdit& e) { return e.text && e.text->first == TextField::RemoteHost; });
        host != edits.end() && host->text->second.size() > kRemoteHostMax) {
        ctx.err << q(std::string(kInvalidHostMessage)) << " (at most 32 characters)\n";
        return kExitUsage;
    }

    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    DeviceRecord& r = session.table()[found.index];
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    if (takesPackedWrite(r) && port != 1) {
        ctx.err << "this board takes the settings of port 1 only; nothing was sent\n";
        return kExitUsage;
    }
    // The ports the window's port list offers; a save still sends every port the device keeps.
    if (port > displayedPortCount(r.identity.portCountChar())) {
        ctx.err << "the device has no port " << port << '\n';
        return kExitUsage;
    }
    // Each option goes through the form's own handler, with the form's checks.
    FormTarget target{&r, static_cast<std::size_t>(port - 1)};
    for (const PortEdit& e : edits) {
        FormResult result;
        if (e.list) result = chooseListEntry(target, e.list->first, e.list->second);
        if (e.number) result = leaveNumberEdit(target, e.number->first, e.number->second);
        if (e.text) result = leaveTextEdit(target, e.text->first, e.text->second, ctx.texts.languageCode);
        if (e.check) result = clickCheckBox(target, e.check->first, e.check->second);
        if (!result.message.empty() || result.clearEdit) {
            ctx.err << q(result.message) << '\n';
            return kExitUsage;
        }
    }
    if (takesPackedWrite(r)) return sendPackedWriteAndWait(ctx, session, found.index, packedWriteInputOf(r), wait);
    CommandOutcome outcome = savePortsCommand(&r);
    if (outcome.status == CommandStatus::Refused) {
        ctx.err << q(outcome.message) << '\n';
        return kExitUsage;
    }
    if (!ctx.options.json) ctx.out << q(ctx.texts.sendingData) << '\n';
    const bool stopped = outcome.status == CommandStatus::Stopped;
    PlayResult played = playAndWait(session, found.index, std::move(outcome.plan), true);
    if (stopped) {
        ctx.err << q(outcome.message) << '\n';
        return kExitFailed;
    }
    return finishWrite(ctx, session, found.index, played, wait);
}

}  // namespace tavrel::cli
