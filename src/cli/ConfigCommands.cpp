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

int runSimpleCommand(Context& ctx, CommandOutcome (*command)(const DeviceRecord*), bool reset) {
    const bool wait = ctx.options.arguments.flag("--wait");
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, ctx.options.arguments.operands.front());
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

std::optional<std::string> textOf(const ParsedArguments& args, const QString& name) {
    if (auto v = args.text(name)) return v->toStdString();
    return std::nullopt;
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
    return runSimpleCommand(ctx, restartCommand, false);
}

int runReset(Context& ctx) {
    return runSimpleCommand(ctx, factoryResetCommand, true);
}

int runSetNetwork(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    const auto ip = textOf(args, "--ip");
    const auto mask = textOf(args, "--mask");
    const auto gateway = textOf(args, "--gateway");
    const auto dns = textOf(args, "--dns");
    const auto mac = textOf(args, "--mac");
    const auto user = textOf(args, "--user");
    const auto password = textOf(args, "--password");
    const bool force = args.flag("--force");
    const bool wait = args.flag("--wait");
    const bool dhcp = args.flag("--dhcp");
    const bool fixed = args.flag("--static");
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.operands.front());
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
    if (mac) form.mac = *mac;
    if (user) form.user = *user;
    if (password) form.password = *password;
    // Valid but unusual (a gateway outside the subnet, another listed device's address): --force.
    std::vector<Ipv4> others;
    for (std::size_t i = 0; i < session.table().usedCount(); ++i)
        if (static_cast<int>(i) != found.index) others.push_back(session.table()[i].network.ip);
    if (const auto warnings = networkFormWarnings(form, r, others); !warnings.empty() && !force) {
        for (const SettingsFinding& w : warnings)
            ctx.err << said(ctx.texts, settingsMessage(w, ctx.texts.languageCode)) << '\n';
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

// The edits in the order the form takes them; values were checked against the option table.
std::vector<PortEdit> portEdits(const ParsedArguments& args) {
    std::vector<PortEdit> edits;
    auto list = [&](const char* name, auto& choices, ListField field) {
        if (auto v = args.text(name))
            edits.push_back(
                PortEdit{std::pair{field, *lists::positionOf(choices, v->toStdString()) - 1}, {}, {}, {}});
    };
    auto number = [&](const char* name, NumberField field) {
        if (auto v = args.text(name))
            edits.push_back(PortEdit{{}, std::pair{field, v->toStdString()}, {}, {}});
    };
    auto text = [&](const char* name, TextField field) {
        if (auto v = args.text(name))
            edits.push_back(PortEdit{{}, {}, std::pair{field, v->toStdString()}, {}});
    };
    list("--baud", lists::kBaudRates, ListField::BaudRate);
    list("--parity", lists::kParities, ListField::Parity);
    list("--data-bits", lists::kDataBits, ListField::DataBits);
    list("--stop-bits", lists::kStopBits, ListField::StopBits);
    list("--mode", lists::kWorkModes, ListField::WorkMode);
    text("--remote-host", TextField::RemoteHost);
    number("--remote-port", NumberField::RemotePort);
    number("--local-port", NumberField::LocalPort);
    text("--heartbeat-data", TextField::HeartbeatData);
    number("--heartbeat-interval", NumberField::HeartbeatInterval);
    number("--modbus-timeout", NumberField::ModbusTimeout);
    if (auto v = args.text("--modbus"))
        edits.push_back(PortEdit{{}, {}, {}, std::pair{CheckField::Modbus, *v == "on"}});
    return edits;
}

}  // namespace

int runSetPort(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    const bool force = args.flag("--force");
    const bool wait = args.flag("--wait");
    const int port = static_cast<int>(args.number("--port").value_or(1));
    const std::vector<PortEdit> edits = portEdits(args);
    // A text too long for its field is a usage error before anything goes out.
    if (auto host =
            std::find_if(edits.begin(), edits.end(),
                         [](const PortEdit& e) { return e.text && e.text->first == TextField::RemoteHost; });
        host != edits.end() && host->text->second.size() > kRemoteHostLimit) {
        ctx.err << q(std::string(kInvalidHostMessage)) << " (at most " << kRemoteHostLimit << " bytes)\n";
        return kExitUsage;
    }

    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.operands.front());
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
