#pragma once
// The help pages and completion scripts, written from the option table.
#include <QtCore/QString>

#include "OptionTable.h"

namespace tavrel::cli {

// "set-port DEVICE [options]", or each option when there are few.
QString synopsis(const CommandEntry& command);
// "usage: tavrel-cli wifi scan DEVICE [--direct] | wifi set DEVICE [options]"
QString subCommandUsage(const QString& command);
// The page of tavrel-cli --help.
QString usageText();
// COMMAND --help: each sub-command when none is named.
QString commandHelp(const QString& command, const QString& sub = {});
// The completion script of "bash", "zsh" or "fish"; empty for another shell.
QString completionScript(const QString& shell);

}  // namespace tavrel::cli
