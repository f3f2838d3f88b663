#pragma once
// The rules between a command's options and operands that no single option can state, checked with
// the rest of the command line before anything is sent.
#include <QtCore/QString>

#include "OptionTable.h"

namespace tavrel::cli {

// Empty when `args` hold together for the command (and sub-command) named; else why not.
// Each operand in a DEVICE place must read as an address, a MAC or a key.
QString operandProblem(const CommandEntry& command, const QStringList& operands);
QString commandProblem(const QString& command, const QString& sub, const ParsedArguments& args);

}  // namespace tavrel::cli
