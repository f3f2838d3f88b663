#pragma once
// The packed record write from a terminal: sends it, waits briefly for the board's answer and, when
// none comes, searches the board again and compares what it reads back with what was written.
#include <functional>
#include <optional>
#include <string>

#include "Commands.h"
#include "timing/PackedWrite.h"

namespace tavrel::cli {

// A further check of the record read back (for example its clock); a text names what is wrong.
using ReadBackCheck = std::function<std::optional<std::string>(const DeviceRecord& readBack)>;

// Exit 0 when acknowledged or read back as written, 1 when refused, unanswered and not found again
// or read back differently, 2 when the input is refused before anything is sent.
int sendPackedWrite(Context& ctx, DeviceSession& session, int index, const PackedWriteInput& input,
                    bool setClock, const ReadBackCheck& check = {});

}  // namespace tavrel::cli
