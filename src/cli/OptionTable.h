#pragma once
// What each command takes, in one table: the parser, COMMAND --help and the shell completions all read
// it, so that none of them can drift from the others.
#include <QtCore/QStringList>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrel::cli {

enum class ValueKind { Flag, Text, Number, Choice, Address };

struct OptionEntry {
    const char* name = "";  // "--timeout"
    ValueKind kind = ValueKind::Flag;
    const char* value = "";  // its placeholder in the help: "MS"
    long long low = 0;       // Number: the range taken
    long long high = 0;
    std::vector<std::string_view> choices;  // Choice
    const char* defaultText = "";
    const char* help = "";
    int count = 1;             // words the option takes (timing set --timer OPEN CLOSE)
    std::size_t maxBytes = 0;  // Text: the field's width, 0 when unbounded
    bool anyCase = false;      // Choice: matched without regard to case
    bool repeatable = false;   // may be given more than once, the last one counting
};

struct CommandEntry {
    const char* name = "";      // "set-port", or "wifi scan" for a sub-command
    const char* operands = "";  // "FILE DEVICE..."
    int minOperands = 0;
    int maxOperands = 0;  // -1: any number
    const char* summary = "";
    std::vector<OptionEntry> options;
    const char* details = "";  // what the options do not say: results, exit codes
};

const std::vector<OptionEntry>& globalOptions();
// Every command; a command with sub-commands ("wifi") appears once per sub-command ("wifi scan").
const std::vector<CommandEntry>& commandTable();
// The command named by `name` (and `sub`, for a command that has sub-commands), or nothing.
const CommandEntry* findCommand(const QString& name, const QString& sub = {});
// "wifi" -> {"scan", "set"}; empty for a command without sub-commands.
QStringList subCommandsOf(const QString& name);
// Every command name as typed first: "search", ..., "wifi", "timing", ... in table order.
QStringList commandNames();
const OptionEntry* findOption(const std::vector<OptionEntry>& options, const QString& name);

// The closest of `known` to `typed`, when it is close enough to be what was meant.
std::optional<QString> nearest(const QString& typed, const QStringList& known);

// A command's options as given; values are checked against the table already.
struct ParsedArguments {
    QStringList operands;
    std::map<QString, QStringList> values;  // option -> its words, in order given (a flag: none)

    bool flag(const QString& name) const { return values.count(name) > 0; }
    std::optional<QString> text(const QString& name) const;
    std::optional<long long> number(const QString& name) const;
    QStringList words(const QString& name) const;  // every word of a multi-word option
};

// Checks one value of `option`; an error text when it is refused.
QString checkValue(const OptionEntry& option, const QString& value);

}  // namespace tavrel::cli
