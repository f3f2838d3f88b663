#pragma once
// The packed record write from a terminal, through the write workflow: a board may not answer it,
// so the board is read again and compared with what was written either way.
#include <functional>
#include <optional>
#include <string>

#include "Commands.h"
#include "timing/PackedWrite.h"

namespace tavrel::cli {

// A further check of the record read back (for example its clock); a text names what is wrong.
using ReadBackCheck = std::function<std::optional<std::string>(const DeviceRecord& readBack)>;

// Writes `draft` (the device's record with the caller's changes; the table keeps the device's own)
// with the form's input taken in. Exit 0 when read back as written, 1 when refused, not read back or
// read back differently, 2 when the input is refused before anything is sent. `force` writes a
// board read incompletely. `withDevice` prints the board as read back.
int sendPackedWrite(Context& ctx, DeviceSession& session, int index, DeviceRecord draft,
                    const PackedWriteInput& input, bool setClock, bool force, const ReadBackCheck& check = {},
                    bool withDevice = false);

}  // namespace tavrel::cli
