#pragma once
// How a write to a device ended, one value for the window and the terminal alike, and what the
// device must hold afterwards for the write to count as done.
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "texts/UiTexts.h"

namespace tavrel {

enum class WriteResult {
    Verified,    // answered, read again, and it holds what was asked
    Unverified,  // answered (or needs no answer), but not read again: not asked, stopped, or not back
    Differs,     // answered, read again, and some asked-for fields hold other values
    Refused,     // the device refused a frame (reply code 17)
    NotBack,     // answered, but the device was not read whole again within the limit
    NoAnswer,    // the last frame went out and the device said nothing in time
    NotSent,     // refused before anything went out: guard, lock, bad input
};

struct WriteOutcome {
    WriteResult result = WriteResult::NotSent;
    std::string reason;                    // NotSent, Unverified: why, in the interface language
    std::vector<std::string> differences;  // Differs: "Port1 BitRate", "network.ip", ...
    int frames = 0;                        // frames of the plan
    int acknowledgements = 0;              // of this device, during and after the plan
    bool snapshotKept = false;
    std::string snapshotWarning;  // the write went ahead without a snapshot: why
    int entryAfter = -1;          // the table entry the device answered at after the write

    bool done() const { return result == WriteResult::Verified || result == WriteResult::Unverified; }
};

// What the device is compared on after the write.
enum class WriteScope {
    None,     // nothing: a restart, a reset, a clock set read back by its own check
    Network,  // the network group, the MAC, the account and the IO options
    Ports,    // the serial ports the device keeps
    Profile,  // everything one-click writes (network without MAC, and the ports)
    Packed,   // the packed record of a board
};

// The fields of `scope` that the device now holds differently from `expected`. A DHCP device's
// addresses are its server's to choose, so they are not compared.
std::vector<std::string> heldDifferences(const DeviceRecord& expected, const DeviceRecord& now,
                                         WriteScope scope);

// One line for the window's status bar or the terminal, in the interface language.
std::string writeOutcomeText(const WriteOutcome& outcome, const UiTexts& texts);

}  // namespace tavrel
