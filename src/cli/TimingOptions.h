#pragma once
// What `tavrel-cli timing set` is asked to change.
#include <QtCore/QString>
#include <functional>
#include <optional>

#include "OptionTable.h"
#include "timing/OutputSchedule.h"

namespace tavrel::cli {

// The change asked for on the command line, checked before anything is sent.
struct ScheduleChange {
    std::size_t channel = 0;
    std::function<void(OutputSchedule&)> apply;
};

// The change the options ask for; nothing, with the reason in `error`, when they name no change or
// a time that does not read.
std::optional<ScheduleChange> parseChange(const ParsedArguments& args, QString& error);

}  // namespace tavrel::cli
