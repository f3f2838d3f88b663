#pragma once
// The one rule every write to a device and every export of its profile passes: blocks that never
// arrived hold zeros, and those zeros must not reach a device or a file unless the user says so.
#include <string>
#include <vector>

#include "device/ReadoutProgress.h"
#include "texts/UiTexts.h"

namespace tavrel {

enum class WriteKind { Save, Export };

struct WriteCheck {
    bool whole = true;  // every block the read-out asked for has arrived
    std::vector<std::string> missingGroups;  // in the interface language, reply-code order

    // Whether the write may go ahead without asking: a whole read-out, or the user forced it.
    bool allows(bool forced) const { return whole || forced; }
};

WriteCheck checkWrite(const ReadoutProgress& progress, int languageCode);

// The window's question before writing such a device, naming what is missing.
std::string incompleteWriteQuestion(const WriteCheck& check, WriteKind kind, const UiTexts& texts);

// The terminal's refusal: what is missing and how to write anyway.
std::string incompleteWriteRefusal(const WriteCheck& check, WriteKind kind);

}  // namespace tavrel
