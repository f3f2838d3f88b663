#pragma once
// What the upgrade dialog checks before an upload starts, in its order, and the texts it shows.
#include <cstdint>
#include <string>
#include <string_view>

#include "texts/UiTexts.h"

namespace tavrel {

// The name sent in the write request: the text after the last '/' or '\' of the path.
std::string firmwareFileName(std::string_view path);

enum class FirmwareRefusal {
    None,
    NoFile,       // no name after the last separator
    CannotOpen,   // the file cannot be read
    Empty,        // nothing to upload (an empty file, or a device that reports no size)
    TooBig,       // over 30 MiB
    NameTooLong,  // the write request would exceed 255 bytes
    BadTarget,    // the target is not four numbers 0-255
};

// `size` counts only when the file opened.
FirmwareRefusal checkFirmwareFile(std::string_view path, bool opened, std::uint64_t size);
FirmwareRefusal checkFirmwareTarget(std::string_view address);

// The message box text of a refusal; the path leads the cannot-open text, as the dialog shows it.
std::string firmwareRefusalText(const UiTexts& texts, FirmwareRefusal refusal, std::string_view path);

// Why an upload that timed out ended: no answer to the write request (nothing sent yet), or the block
// the device left unacknowledged. A bar turning red alone does not say the device stopped mid-way.
std::string uploadTimeoutText(const UiTexts& texts, std::uint32_t blocksSent);

}  // namespace tavrel
