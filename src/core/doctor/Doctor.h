#pragma once
// Why a device is not found, or not reachable: rules over what searches through each network card
// saw, and the state of the tool's ports. The sockets that gather the facts live in the platform.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "texts/UiTexts.h"
#include "util/Bytes.h"

namespace tavrel {

// One device as a search through one binding saw it.
struct SeenDevice {
    Ipv4 address{};  // where its answer came from
    DeviceKey key{};
    std::optional<Mac> mac;         // from its read-out, when that arrived
    bool answersOwnAddress = true;  // answered a search sent to `address` itself
};

// A network card (or, with no card, the default binding) and what answered through it.
struct Binding {
    std::string card;  // the card's name; empty for the default binding
    std::optional<Ipv4> address;
    std::optional<Ipv4> mask;
    std::vector<SeenDevice> devices;
};

// Who holds a local UDP port; free when nobody does.
struct PortState {
    std::uint16_t port = 0;
    bool free = true;
    int pid = 0;               // 0 when unknown
    std::string program = {};  // empty when unknown
};

enum class FindingKind {
    NothingFound,     // no device answered through any binding
    LocalPortInUse,   // another program holds the tool's local port
    ForeignSubnet,    // a device outside the subnet of the card it answered on
    DuplicateIp,      // two devices with one address
    DuplicateKey,     // two devices with one key (or one MAC)
    NoUnicastAnswer,  // answers the broadcast, not its own address
};

struct Finding {
    FindingKind kind = FindingKind::NothingFound;
    std::string cause;    // in the interface language
    std::string remedy;   // in the interface language
    std::string command;  // a tavrel-cli line that mends it; empty when there is none
};

struct DoctorFacts {
    std::vector<Binding> bindings;
    PortState localPort;
    PortState tftpPort;
    // The options the doctor ran with that a suggested command needs too ("--broadcast ...").
    std::string commandOptions;
};

bool inSubnet(const Ipv4& address, const Ipv4& network, const Ipv4& mask);

// The key of a datagram that answers a search (a search reply or a packed record); nothing for any
// other datagram. Every answer counts, also one whose key another address sent already.
std::optional<DeviceKey> searchAnswerKey(Bytes datagram);

// An address of the card's subnet for a device to move to: its own host part where that is free,
// otherwise the next free host. Nothing when the subnet has no free host.
std::optional<Ipv4> freeAddressFor(const Ipv4& device, const Ipv4& card, const Ipv4& mask,
                                   const std::vector<Ipv4>& taken);

// Every finding, each once, in the order of the kinds above.
std::vector<Finding> diagnose(const DoctorFacts& facts, const UiTexts& texts);

// Who holds a port, for the texts: "tavrel-config (pid 321)", or "another program".
std::string portHolderText(const PortState& port, const UiTexts& texts);

// "foreign-subnet", ... for scripts.
std::string findingName(FindingKind kind);

// Replaces %1, %2, ... in a text by the values.
std::string fillIn(std::string_view pattern, const std::vector<std::string>& values);

// The list's marks of one device, from the same rules: its address shared with another device, and
// its address outside every card's subnet (or outside the chosen card's). The tooltip says why.
struct ListMark {
    bool duplicateIp = false;
    bool foreignSubnet = false;
    std::string tooltip;
    bool any() const { return duplicateIp || foreignSubnet; }
};
struct CardSubnet {
    Ipv4 address{};
    Ipv4 mask{};
};
std::vector<ListMark> listMarks(const std::vector<Ipv4>& deviceAddresses,
                                const std::vector<CardSubnet>& cards, const UiTexts& texts);

}  // namespace tavrel
