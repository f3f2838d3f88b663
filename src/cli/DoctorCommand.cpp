// doctor: searches through every network card (and the default binding), asks each device at its
// own address, looks at who holds the tool's ports, and lets the core say what is wrong.
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTimer>
#include <map>
#include <set>

#include "Adapters.h"
#include "Commands.h"
#include "PortHolder.h"
#include "SearchRun.h"
#include "doctor/Doctor.h"
#include "settings/AddressText.h"

namespace tavrel::cli {

namespace {

// Each binding's search: long enough for a LAN's devices to answer and be read out, short enough
// that a card with nothing behind it does not wait out the window's whole schedule.
constexpr int kBindingSearchMs = 5000;
// How long the devices get to answer a search sent to their own address.
constexpr int kUnicastWaitMs = 1500;

Bytes bytesOf(const QByteArray& data) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                 static_cast<std::size_t>(data.size()));
}

// Waits until `done` holds or the time is over, with the event loop running.
void waitUntil(int ms, const std::function<bool()>& done) {
    QDeadlineTimer deadline(ms);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (deadline.hasExpired() || done()) loop.quit();
    });
    check.start(20);
    loop.exec();
}

// Searches through one binding and probes every answering address; empty on a socket failure.
std::optional<std::vector<SeenDevice>> lookThrough(Context& ctx, NetworkSettings settings) {
    DeviceSession session(settings);
    if (!session.openSocket()) {
        ctx.err << "cannot bind UDP port " << settings.localPort << " on "
                << (settings.bindAddress.empty() ? QStringLiteral("all addresses") : q(settings.bindAddress))
                << '\n';
        return std::nullopt;
    }
    // Every answer counts here: the device table merges two devices with one key into one entry.
    std::set<std::pair<Ipv4, DeviceKey>> answers;
    std::set<Ipv4> unicastAnswers;
    bool probing = false;
    QObject::connect(&session.socket(), &ProtocolSocket::datagramReceived, &session,
                     [&](const QByteArray& data, const QHostAddress& sender, quint16) {
                         const auto key = searchAnswerKey(bytesOf(data));
                         const auto address = parseIpv4(sender.toString().toStdString());
                         if (!key || !address) return;
                         answers.insert({*address, *key});
                         if (probing) unicastAnswers.insert(*address);
                     });
    SearchRun search(session);
    search.run(false, q(settings.broadcast), ctx.options.timeoutMs.value_or(kBindingSearchMs));

    std::set<Ipv4> addresses;
    for (const auto& answer : answers) addresses.insert(answer.first);
    probing = true;
    for (const Ipv4& a : addresses) session.sendSearch(q(ipv4Text(a)));
    waitUntil(kUnicastWaitMs, [&] { return unicastAnswers.size() == addresses.size(); });

    std::vector<SeenDevice> devices;
    const DeviceTable& table = session.table();
    for (const auto& [address, key] : answers) {
        SeenDevice d;
        d.address = address;
        d.key = key;
        d.answersOwnAddress = unicastAnswers.count(address) > 0;
        if (auto entry = table.findByKey(key); entry && table[*entry].mac != Mac{}) d.mac = table[*entry].mac;
        devices.push_back(d);
    }
    return devices;
}

QJsonObject portJson(const PortState& p) {
    QJsonObject o;
    o["port"] = p.port;
    o["free"] = p.free;
    if (!p.free) {
        o["pid"] = p.pid;
        o["program"] = q(p.program);
    }
    return o;
}

QString portLine(const UiTexts& texts, const std::string& what, const PortState& p) {
    if (p.free) return q(fillIn(texts.doctorPortFree, {what, std::to_string(p.port)}));
    return q(fillIn(texts.doctorPortHeld, {what, std::to_string(p.port), portHolderText(p, texts)}));
}

void printText(Context& ctx, const DoctorFacts& facts, const std::vector<Finding>& findings) {
    const UiTexts& t = ctx.texts;
    for (const Binding& b : facts.bindings) {
        const std::string count = std::to_string(b.devices.size());
        if (b.address)
            ctx.out << q(fillIn(t.doctorCard,
                                {b.card, ipv4Text(*b.address), b.mask ? ipv4Text(*b.mask) : "?", count}));
        else
            ctx.out << q(fillIn(t.doctorDefaultBinding, {count}));
        ctx.out << '\n';
        for (const SeenDevice& d : b.devices) {
            ctx.out << "  " << q(ipv4Text(d.address)) << "  " << q(d.mac ? macText(*d.mac) : keyText(d.key));
            if (!d.answersOwnAddress) ctx.out << "  " << q(t.doctorNoUnicastMark);
            ctx.out << '\n';
        }
    }
    ctx.out << portLine(t, t.doctorLocalPort, facts.localPort) << '\n';
    ctx.out << portLine(t, t.doctorTftpPort, facts.tftpPort) << '\n';
    if (findings.empty()) {
        ctx.out << q(t.doctorNoProblems) << '\n';
        return;
    }
    for (const Finding& f : findings) {
        ctx.out << "\n[" << q(findingName(f.kind)) << "]\n";
        ctx.out << "  " << q(t.doctorCause) << q(f.cause) << '\n';
        ctx.out << "  " << q(t.doctorRemedy) << q(f.remedy) << '\n';
        // The command stands alone on its line, to be copied as it is.
        if (!f.command.empty()) ctx.out << "    " << q(f.command) << '\n';
    }
}

void printJson(Context& ctx, const DoctorFacts& facts, const std::vector<Finding>& findings) {
    QJsonArray bindings;
    for (const Binding& b : facts.bindings) {
        QJsonObject o;
        o["card"] = b.address ? QJsonValue(q(b.card)) : QJsonValue::Null;
        o["address"] = b.address ? QJsonValue(q(ipv4Text(*b.address))) : QJsonValue::Null;
        o["mask"] = b.mask ? QJsonValue(q(ipv4Text(*b.mask))) : QJsonValue::Null;
        QJsonArray devices;
        for (const SeenDevice& d : b.devices)
            devices.append(QJsonObject{{"ip", q(ipv4Text(d.address))},
                                       {"key", q(keyText(d.key))},
                                       {"mac", d.mac ? QJsonValue(q(macText(*d.mac))) : QJsonValue::Null},
                                       {"answersOwnAddress", d.answersOwnAddress}});
        o["devices"] = devices;
        bindings.append(o);
    }
    QJsonArray list;
    for (const Finding& f : findings)
        list.append(
            QJsonObject{{"kind", q(findingName(f.kind))},
                        {"cause", q(f.cause)},
                        {"remedy", q(f.remedy)},
                        {"command", f.command.empty() ? QJsonValue::Null : QJsonValue(q(f.command))}});
    QJsonObject root{{"bindings", bindings},
                     {"localPort", portJson(facts.localPort)},
                     {"tftpPort", portJson(facts.tftpPort)},
                     {"findings", list},
                     {"ok", findings.empty()}};
    ctx.out << QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace

int runDoctor(Context& ctx) {
    DoctorFacts facts;
    facts.localPort = udpPortState(ctx.options.network.localPort);
    facts.tftpPort = udpPortState(ctx.options.network.tftpPort);
    // The suggested commands must reach the devices the way this run did.
    const NetworkSettings defaults;
    QStringList reach;
    if (ctx.options.network.broadcast != defaults.broadcast)
        reach << "--broadcast" << q(ctx.options.network.broadcast);
    if (ctx.options.network.devicePort != defaults.devicePort)
        reach << "--device-port" << QString::number(ctx.options.network.devicePort);
    facts.commandOptions = reach.join(' ').toStdString();
    // With the port taken, the search still runs, from any free port: devices answer where asked from.
    NetworkSettings base = ctx.options.network;
    if (!facts.localPort.free) base.localPort = 0;

    // The default binding (or the one --bind names), then every card of the computer.
    std::vector<Binding> bindings;
    const QList<AdapterAddress> cards = SystemAdapterSource().addresses();
    auto cardBinding = [](const AdapterAddress& card) {
        return Binding{card.description.toStdString(),
                       parseIpv4(card.address.toStdString()),
                       parseIpv4(card.netmask.toStdString()),
                       {}};
    };
    if (base.bindAddress.empty()) {
        bindings.push_back({});
        for (const AdapterAddress& card : cards)
            if (!QHostAddress(card.address).isLoopback()) bindings.push_back(cardBinding(card));
    } else {
        Binding chosen{base.bindAddress, parseIpv4(base.bindAddress), std::nullopt, {}};
        for (const AdapterAddress& card : cards)
            if (card.address.toStdString() == base.bindAddress) chosen = cardBinding(card);
        bindings.push_back(chosen);
    }
    for (Binding& b : bindings) {
        NetworkSettings settings = base;
        if (b.address) settings.bindAddress = ipv4Text(*b.address);
        auto devices = lookThrough(ctx, settings);
        if (!devices) return kExitFailed;
        b.devices = std::move(*devices);
    }
    facts.bindings = std::move(bindings);

    const auto findings = diagnose(facts, ctx.texts);
    if (ctx.options.json)
        printJson(ctx, facts, findings);
    else
        printText(ctx, facts, findings);
    return findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace tavrel::cli
