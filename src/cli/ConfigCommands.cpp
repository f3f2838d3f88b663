// restart, reset, set-network, set-port: find the device by a search, send what the window sends.
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include "Commands.h"
#include "DeviceJson.h"
#include "PackedWriteRun.h"
#include "WriteRun.h"
#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "protocol/Commands.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/WriteGuard.h"
#include "settings/AddressText.h"
#include "settings/NetworkForm.h"
#include "settings/PortForm.h"
#include "settings/SettingsMessages.h"
#include "texts/FixedTexts.h"

namespace tavrel::cli {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

struct Usage {
    QString error;
    bool failed() const { return !error.isEmpty(); }
};

int runSimpleCommand(Context& ctx, const char* usage, CommandOutcome (*command)(const DeviceRecord*),
                     bool reset) {
    QStringList args = ctx.options.arguments;
    const bool wait = takeFlag(args, "--wait");
    if (args.size() != 1) {
        ctx.err << usage;
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[static_cast<std::size_t>(found.index)];
    WriteRequest request;
    request.entry = found.index;
    request.plan = command(&r).plan;
    request.expected = r;
    request.answer = AnswerRule::None;
    // The factory address may not be the one the device answered from.
    request.reread = !wait ? RereadRule::None : reset ? RereadRule::Broadcast : RereadRule::Unicast;
    // A reset loses every setting: they are kept so that they can be put back.
    request.snapshot = reset;
    request.forced = true;
    CliWriter writer(ctx, session, false);
    if (wait && !ctx.options.json) {
        ctx.out << "sent\nwaiting for the device to answer again...\n";
        ctx.out.flush();
    }
    const WriteOutcome outcome = writer.run(std::move(request));
    if (writer.stopped()) {
        ctx.err << q(outcome.reason) << '\n';
        return kExitStopped;
    }
    if (!outcome.done() && outcome.result != WriteResult::NotBack)
        return reportWrite(ctx, session, outcome, false);
    if (!wait) {
        printOutcome(ctx, "sent", "sent");
        return kExitOk;
    }
    const bool back = outcome.result != WriteResult::NotBack;
    if (ctx.options.json) {
        QJsonObject o{{"result", back ? QStringLiteral("sent") : QStringLiteral("not-back")},
                      {"message", "sent"}};
        if (back)
            o["device"] = deviceJson(session.table()[static_cast<std::size_t>(outcome.entryAfter)],
                                     session.table().progress(static_cast<std::size_t>(outcome.entryAfter)),
                                     ctx.options.secrets);
        ctx.out << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else if (back) {
        ctx.out << deviceDetails(session.table()[static_cast<std::size_t>(outcome.entryAfter)],
                                 session.table().progress(static_cast<std::size_t>(outcome.entryAfter)),
                                 ctx.options.secrets);
    }
    if (back) return kExitOk;
    ctx.err << "the device did not answer again within " << writer.writer().timings().rereadLimitMs / 1000
            << " s\n";
    return kExitFailed;
}

// A save planned on a copy of the device: the table keeps what the device reported until it answers.
int runSave(Context& ctx, DeviceSession& session, int index, Plan plan, const DeviceRecord& draft,
            WriteScope scope, bool force, bool wait) {
    WriteRequest request;
    request.entry = index;
    request.plan = std::move(plan);
    request.expected = draft;
    request.scope = scope;
    request.forced = force;
    if (capabilitiesOf(draft).packedWrite()) request.answer = AnswerRule::Optional;
    CliWriter writer(ctx, session);
    const WriteOutcome outcome = writer.run(std::move(request));
    if (writer.stopped() && outcome.result == WriteResult::Unverified) {
        ctx.err << q(outcome.reason) << '\n';
        return kExitStopped;
    }
    return reportWrite(ctx, session, outcome, wait);
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
        ctx.out << QJsonDocument(QJsonObject{{"result", result}, {"message", message}})
                       .toJson(QJsonDocument::Compact)
                << '\n';
    else
        ctx.out << message << '\n';
}

bool refusesIncompleteWrite(Context& ctx, const DeviceSession& session, int index, bool force,
                            WriteKind kind) {
    const WriteCheck check =
        checkWrite(session.table().progress(static_cast<std::size_t>(index)), ctx.texts.languageCode);
    if (check.allows(force)) return false;
    ctx.err << q(incompleteWriteRefusal(check, kind)) << '\n';
    return true;
}

int runRestart(Context& ctx) {
    return runSimpleCommand(ctx, "usage: tavrel-cli restart DEVICE [--wait]\n", restartCommand, false);
}

int runReset(Context& ctx) {
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
    if (user && static_cast<std::size_t>(user->toUtf8().size()) > kUserLimit)
        usage.error = QStringLiteral("--user: at most %1 bytes").arg(kUserLimit);
    if (password && static_cast<std::size_t>(password->toUtf8().size()) > kPasswordLimit)
        usage.error = QStringLiteral("--password: at most %1 bytes").arg(kPasswordLimit);
    if (!usage.failed() && args.size() != 1) usage.error = "usage: tavrel-cli set-network DEVICE [options]";
    if (usage.failed()) {
        ctx.err << usage.error << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[found.index];
    // Asked before the form is read from the record: fields never read hold zeros that no check passes.
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;

    // Unspecified fields keep the device's values, as the form shows them.
    NetworkFormInput form = networkFormOf(r);
    if (dhcp || fixed) form.ipTypeSelection = dhcp ? 1 : 0;
    if (ip) form.ip = *ip;
    if (mask) form.mask = *mask;
    if (gateway) form.gateway = *gateway;
    if (dns) form.dns = *dns;
    if (mac) form.mac = mac->toStdString();
    if (user) form.user = user->toStdString();
    if (password) form.password = password->toStdString();
    // Valid but unusual (a gateway outside the subnet, another listed device's address): --force.
    std::vector<Ipv4> others;
    for (std::size_t i = 0; i < session.table().usedCount(); ++i)
        if (static_cast<int>(i) != found.index) others.push_back(session.table()[i].network.ip);
    if (const auto warnings = networkFormWarnings(form, r, others); !warnings.empty() && !force) {
        for (const SettingsFinding& w : warnings)
            ctx.err << q(settingsMessage(w, ctx.texts.languageCode)) << '\n';
        ctx.err << "nothing was sent; add --force to save anyway\n";
        return kExitFailed;
    }
    if (capabilitiesOf(r).packedWrite()) {
        PackedWriteInput input = packedWriteInputOf(r);
        input.network = form;
        return sendPackedWrite(ctx, session, found.index, r, input, false, force, {}, wait);
    }
    DeviceRecord draft = r;
    CommandOutcome outcome = saveNetworkCommand(&draft, form, ctx.texts.languageCode);
    if (outcome.status != CommandStatus::Ready) {
        ctx.err << q(outcome.message) << '\n';
        return kExitUsage;
    }
    return runSave(ctx, session, found.index, std::move(outcome.plan), draft, WriteScope::Network, force,
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
        host != edits.end() && host->text->second.size() > kRemoteHostLimit) {
        ctx.err << q(std::string(kInvalidHostMessage)) << " (at most " << kRemoteHostLimit << " bytes)\n";
        return kExitUsage;
    }

    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[found.index];
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    const DeviceCapabilities can = capabilitiesOf(r);
    if (can.packedWrite() && port != 1) {
        ctx.err << "this board takes the settings of port 1 only; nothing was sent\n";
        return kExitUsage;
    }
    // The ports the window's port list offers; a save still sends every port the device keeps.
    if (port > can.shownPorts) {
        ctx.err << "the device has no port " << port << '\n';
        return kExitUsage;
    }
    // Each option goes through the form's own handler, with the form's checks, on a draft.
    DeviceRecord draft = r;
    FormTarget target{&draft, static_cast<std::size_t>(port - 1)};
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
    if (can.packedWrite())
        return sendPackedWrite(ctx, session, found.index, draft, packedWriteInputOf(draft), false, force, {},
                               wait);
    CommandOutcome outcome = savePortsCommand(&draft);
    if (outcome.status != CommandStatus::Ready) {
        ctx.err << q(outcome.message) << '\n';
        return kExitUsage;
    }
    return runSave(ctx, session, found.index, std::move(outcome.plan), draft, WriteScope::Ports, force, wait);
}

}  // namespace tavrel::cli
