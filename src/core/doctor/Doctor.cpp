#include "doctor/Doctor.h"

#include <algorithm>
#include <map>
#include <set>

#include "protocol/DeviceFrame.h"
#include "protocol/Routes.h"

namespace tavrel {

namespace {

std::uint32_t toNumber(const Ipv4& a) {
    return (std::uint32_t(a[0]) << 24) | (std::uint32_t(a[1]) << 16) | (std::uint32_t(a[2]) << 8) | a[3];
}

Ipv4 fromNumber(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

std::string macOrKey(const SeenDevice& d) {
    return d.mac ? macText(*d.mac) : keyText(d.key);
}

// Addressed by MAC (the key when the MAC was not read), through the card the device answered on.
std::string setNetworkLine(const std::string& options, const Binding& binding, const SeenDevice& device,
                           const Ipv4& ip, const Ipv4& mask) {
    std::string line = "tavrel-cli ";
    if (!options.empty()) line += options + " ";
    if (binding.address) line += "--bind " + ipv4Text(*binding.address) + " ";
    return line + "set-network " + macOrKey(device) + " --ip " + ipv4Text(ip) + " --mask " + ipv4Text(mask);
}

class Diagnosis {
  public:
    Diagnosis(const DoctorFacts& facts, const UiTexts& texts) : facts_(facts), texts_(texts) {}

    std::vector<Finding> run() {
        bool anything = false;
        for (const Binding& b : facts_.bindings) anything = anything || !b.devices.empty();
        if (!anything)
            add(FindingKind::NothingFound, fillIn(texts_.doctorNothingFoundCause, {}),
                fillIn(texts_.doctorNothingFoundRemedy, {std::to_string(facts_.localPort.port)}));
        if (!facts_.localPort.free) {
            const std::string holder = portHolderText(facts_.localPort, texts_);
            const std::string port = std::to_string(facts_.localPort.port);
            add(FindingKind::LocalPortInUse, fillIn(texts_.doctorPortInUseCause, {port, holder}),
                fillIn(texts_.doctorPortInUseRemedy, {port, holder}));
        }
        // Cards first: their findings name the card, and the default binding's repeat them.
        std::vector<const Binding*> order;
        for (const Binding& b : facts_.bindings)
            if (b.address && b.mask) order.push_back(&b);
        for (const Binding& b : facts_.bindings)
            if (!(b.address && b.mask)) order.push_back(&b);
        for (const Binding* b : order) foreignSubnet(*b);
        for (const Binding* b : order) duplicateIp(*b);
        for (const Binding* b : order) duplicateKey(*b);
        for (const Binding* b : order) noUnicastAnswer(*b);
        return std::move(findings_);
    }

  private:
    void add(FindingKind kind, std::string cause, std::string remedy, std::string command = {}) {
        for (const Finding& f : findings_)
            if (f.kind == kind && f.cause == cause) return;
        findings_.push_back({kind, std::move(cause), std::move(remedy), std::move(command)});
    }

    static std::vector<Ipv4> takenOn(const Binding& b) {
        std::vector<Ipv4> taken;
        if (b.address) taken.push_back(*b.address);
        for (const SeenDevice& d : b.devices) taken.push_back(d.address);
        return taken;
    }

    void foreignSubnet(const Binding& b) {
        if (!b.address || !b.mask) return;
        for (const SeenDevice& d : b.devices) {
            if (inSubnet(d.address, *b.address, *b.mask)) continue;
            std::string command;
            if (auto to = freeAddressFor(d.address, *b.address, *b.mask, takenOn(b)))
                command = setNetworkLine(facts_.commandOptions, b, d, *to, *b.mask);
            add(FindingKind::ForeignSubnet,
                fillIn(texts_.doctorForeignSubnetCause,
                       {ipv4Text(d.address), macOrKey(d), b.card, ipv4Text(*b.address), ipv4Text(*b.mask)}),
                texts_.doctorForeignSubnetRemedy, command);
        }
    }

    void duplicateIp(const Binding& b) {
        std::map<Ipv4, std::vector<const SeenDevice*>> byAddress;
        for (const SeenDevice& d : b.devices) byAddress[d.address].push_back(&d);
        for (const auto& [address, devices] : byAddress) {
            std::set<DeviceKey> keys;
            for (const SeenDevice* d : devices) keys.insert(d->key);
            if (keys.size() < 2) continue;
            std::string names;
            for (const SeenDevice* d : devices) names += (names.empty() ? "" : ", ") + macOrKey(*d);
            std::string command;
            if (b.address && b.mask && inSubnet(address, *b.address, *b.mask))
                if (auto to = freeAddressFor(address, *b.address, *b.mask, takenOn(b)))
                    command = setNetworkLine(facts_.commandOptions, b, *devices.back(), *to, *b.mask);
            add(FindingKind::DuplicateIp,
                fillIn(texts_.doctorDuplicateIpCause,
                       {std::to_string(keys.size()), ipv4Text(address), names}),
                texts_.doctorDuplicateIpRemedy, command);
        }
    }

    void duplicateKey(const Binding& b) {
        // One key (or one MAC) from more than one address: the table would merge them into one entry.
        std::map<DeviceKey, std::set<Ipv4>> byKey;
        std::map<Mac, std::set<DeviceKey>> keysOfMac;
        std::map<Mac, std::set<Ipv4>> byMac;
        for (const SeenDevice& d : b.devices) {
            byKey[d.key].insert(d.address);
            if (d.mac) {
                keysOfMac[*d.mac].insert(d.key);
                byMac[*d.mac].insert(d.address);
            }
        }
        auto addresses = [](const std::set<Ipv4>& set) {
            std::string text;
            for (const Ipv4& a : set) text += (text.empty() ? "" : ", ") + ipv4Text(a);
            return text;
        };
        for (const auto& [key, set] : byKey)
            if (set.size() > 1)
                add(FindingKind::DuplicateKey,
                    fillIn(texts_.doctorDuplicateKeyCause, {addresses(set), keyText(key)}),
                    texts_.doctorDuplicateKeyRemedy);
        for (const auto& [mac, keys] : keysOfMac)
            if (keys.size() > 1)
                add(FindingKind::DuplicateKey,
                    fillIn(texts_.doctorDuplicateKeyCause, {addresses(byMac[mac]), macText(mac)}),
                    texts_.doctorDuplicateKeyRemedy);
    }

    void noUnicastAnswer(const Binding& b) {
        // Outside the subnet or on a shared address, the findings above already say why.
        if (!b.address || !b.mask) return;
        std::map<Ipv4, int> users;
        for (const SeenDevice& d : b.devices) ++users[d.address];
        for (const SeenDevice& d : b.devices) {
            if (d.answersOwnAddress || users[d.address] > 1 || !inSubnet(d.address, *b.address, *b.mask))
                continue;
            add(FindingKind::NoUnicastAnswer,
                fillIn(texts_.doctorNoUnicastCause, {ipv4Text(d.address), macOrKey(d)}),
                fillIn(texts_.doctorNoUnicastRemedy, {ipv4Text(d.address), b.card}));
        }
    }

    const DoctorFacts& facts_;
    const UiTexts& texts_;
    std::vector<Finding> findings_;
};

}  // namespace

std::optional<DeviceKey> searchAnswerKey(Bytes datagram) {
    for (Route route : classifyDatagram(datagram))
        if (route == Route::SearchReply || route == Route::Packed302 || route == Route::PackedImage)
            return frameKey(datagram);
    return std::nullopt;
}

bool inSubnet(const Ipv4& address, const Ipv4& network, const Ipv4& mask) {
    const std::uint32_t m = toNumber(mask);
    return (toNumber(address) & m) == (toNumber(network) & m);
}

std::optional<Ipv4> freeAddressFor(const Ipv4& device, const Ipv4& card, const Ipv4& mask,
                                   const std::vector<Ipv4>& taken) {
    const std::uint32_t m = toNumber(mask);
    const std::uint32_t hostBits = ~m;
    if (hostBits < 2) return std::nullopt;  // a /31 or /32 has no hosts to hand out
    const std::uint32_t net = toNumber(card) & m;
    std::set<std::uint32_t> used;
    for (const Ipv4& a : taken) used.insert(toNumber(a));
    // Host numbers 1 .. 2^hostBits-2; at most 65534 looked at, so a /8 costs no more than a /16.
    const std::uint32_t hosts = hostBits - 1;
    const std::uint32_t tries = std::min<std::uint32_t>(hosts, 65534);
    std::uint32_t host = toNumber(device) & hostBits;
    if (host == 0 || host == hostBits) host = 1;
    for (std::uint32_t i = 0; i < tries; ++i) {
        const std::uint32_t candidate = net | host;
        if (!used.count(candidate)) return fromNumber(candidate);
        host = host % hosts + 1;
    }
    return std::nullopt;
}

std::vector<Finding> diagnose(const DoctorFacts& facts, const UiTexts& texts) {
    auto findings = Diagnosis(facts, texts).run();
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.kind < b.kind; });
    return findings;
}

std::string portHolderText(const PortState& port, const UiTexts& texts) {
    if (port.program.empty()) return texts.doctorUnknownProgram;
    if (port.pid == 0) return port.program;
    return port.program + " (pid " + std::to_string(port.pid) + ")";
}

std::string findingName(FindingKind kind) {
    switch (kind) {
        case FindingKind::NothingFound:
            return "nothing-found";
        case FindingKind::LocalPortInUse:
            return "local-port-in-use";
        case FindingKind::ForeignSubnet:
            return "foreign-subnet";
        case FindingKind::DuplicateIp:
            return "duplicate-ip";
        case FindingKind::DuplicateKey:
            return "duplicate-key";
        case FindingKind::NoUnicastAnswer:
            return "no-unicast-answer";
    }
    return "unknown";
}

std::string fillIn(std::string_view pattern, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < values.size()) {
                out += values[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::vector<ListMark> listMarks(const std::vector<Ipv4>& deviceAddresses,
                                const std::vector<CardSubnet>& cards, const UiTexts& texts) {
    std::map<Ipv4, int> users;
    for (const Ipv4& a : deviceAddresses) ++users[a];
    std::vector<ListMark> marks(deviceAddresses.size());
    for (std::size_t i = 0; i < deviceAddresses.size(); ++i) {
        ListMark& mark = marks[i];
        const Ipv4& a = deviceAddresses[i];
        mark.duplicateIp = users[a] > 1;
        // Without any card known there is nothing to compare with.
        mark.foreignSubnet =
            !cards.empty() && std::none_of(cards.begin(), cards.end(), [&](const CardSubnet& c) {
                return inSubnet(a, c.address, c.mask);
            });
        if (mark.duplicateIp) mark.tooltip = fillIn(texts.markDuplicateIp, {ipv4Text(a)});
        if (mark.foreignSubnet)
            mark.tooltip +=
                (mark.tooltip.empty() ? "" : "\n") + fillIn(texts.markForeignSubnet, {ipv4Text(a)});
    }
    return marks;
}

}  // namespace tavrel
