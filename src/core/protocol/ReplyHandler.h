#pragma once
// What a received datagram changes: the device table, and what the window (or the CLI) must do next.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceTable.h"
#include "protocol/Plan.h"
#include "protocol/Routes.h"

namespace tavrel {

enum class StatusMessage {
    None,
    SearchEnd,   // status field 0: "Search end"
    Saved,       // status field 2: "Successfully saved"
    SaveFailed,  // status field 2: the Chinese-only failure text
};

struct ReplyEffects {
    std::vector<Route> routes;
    bool stopBroadcastSearch = false;
    std::optional<std::size_t> addRow;      // the list row of this entry must exist
    std::optional<std::size_t> showDevice;  // show this entry in the list and the form
    // A block that was missing arrived for this entry after it was shown: what is shown is stale.
    std::optional<std::size_t> deviceUpdated;
    std::optional<std::size_t> readoutEntry;
    Plan readout;  // to play for readoutEntry
    StatusMessage part0 = StatusMessage::None;
    StatusMessage part2 = StatusMessage::None;
    // The key an acknowledgement (16) or refusal (17) carries, so a write counts only its own device's.
    std::optional<DeviceKey> answerKey;
    // Datagrams handed to the handlers of other features; empty when not routed there.
    std::vector<std::uint8_t> outputTimingFrame;  // bytes 4..L-7 (the board frame)
    // The entry whose key the output timing reply carries; none when no device in use has it.
    std::optional<std::size_t> outputTimingEntry;
    std::vector<std::uint8_t> wifiScanResult;
    std::vector<std::uint8_t> tftpReply;
};

// Handles one datagram from `senderAddress`:`senderPort`. Never reads past the datagram; frames that
// fail their checks, unknown codes and other lengths change nothing. A parameter block counts only
// from the address its device answered the search from, so a device that sends another one's key
// cannot overwrite that device's record.
ReplyEffects handleDatagram(DeviceTable& table, Bytes datagram, const std::string& senderAddress,
                            std::uint16_t senderPort);

// Stores one checked 26-byte parameter reply into a record; returns the reply code's effect on the
// status bar. Exposed for the tests and the profile import.
StatusMessage applyParameterReply(Bytes frame, DeviceRecord& record);

// The reply code after which a device's read-out is complete and it is shown.
bool isLastBlockOf(std::uint8_t code, char portCountChar);

}  // namespace tavrel
