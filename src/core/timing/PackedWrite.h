#pragma once
// The packed record write: a board that answered the search with a whole record takes its settings
// back in one frame of that form (830 and 866 bytes carry the configuration image, 302 bytes the
// record's own layout), built from the network group as typed and port 1's record.
#include <cstdint>
#include <optional>
#include <string>

#include "device/DeviceRecord.h"
#include "protocol/Commands.h"
#include "settings/NetworkForm.h"
#include "timing/BoardFrames.h"
#include "wifi/WifiSettings.h"

namespace tavrel {

inline constexpr int kPackedWriteGapMs = 100;
inline constexpr std::size_t kPacked302PayloadSize = 292;

enum class PackedForm { Form302, Form830, Form866 };
PackedForm packedFormOf(const DeviceRecord& device);
// The frame length of a form: 302, 830 or 866.
std::size_t packedFrameLength(PackedForm form);

// What the window holds when the write starts, beyond the record.
struct PackedWriteInput {
    NetworkFormInput network;   // with the input-change options of the network group
    std::string rs485Address;   // decimal, as typed
    std::string remoteHost;     // port 1's remote host as typed
    std::string cloudId;        // cut to 20 bytes
    std::string cloudPassword;  // cut to 8 bytes
    bool cloud = false;
    std::optional<WifiSettings> wifi;  // the WiFi group's values; only the 302 form carries them
};

// The form's values as a record shows them, for callers that change only a few (the CLI).
PackedWriteInput packedWriteInputOf(const DeviceRecord& device);

// Takes the input into the record and its image, then plans the frame to the device's reply port
// after 100 ms. Refused, with nothing changed or sent, for a network field that readNetworkForm
// refuses against the record (in the interface language), an RS485 address that is not 0-255, or a remote
// host over 32 characters ("无效的网址！"). `setClock` asks the board to take the image's clock fields.
CommandOutcome packedWriteCommand(DeviceRecord* selected, const PackedWriteInput& input, bool setClock,
                                  int languageCode);

// The frame of the device's form from the record as it stands.
Frame packedWriteFrame(const DeviceRecord& device, PackedForm form);
// The 292-byte payload of the 302 form. The WiFi texts go as the record holds them (an edit was cut
// to keep its field's last byte zero when it was stored); the heartbeat text keeps its last byte zero.
std::vector<std::uint8_t> packed302Payload(const DeviceRecord& device);

// The fields a packed write sets that a record read back afterwards holds differently; empty when
// the board took everything. The clock and the set-clock flag are left out: the clock runs.
std::vector<std::string> packedWriteDifferences(const DeviceRecord& written, const DeviceRecord& readBack);
// The fields a stored packed write frame (a snapshot's record) would change on the device as it is
// now; the clock is not among them.
std::vector<std::string> packedFrameDifferences(Bytes frame, const DeviceRecord& device);

}  // namespace tavrel
