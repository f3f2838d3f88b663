#include "CliOptions.h"

#include "CommandChecks.h"
#include "CommandHelp.h"

namespace tavrel::cli {

namespace {

bool isOptionWord(const QString& word) {
    return (word.startsWith(QLatin1String("--")) && word.size() > 2) || word == QLatin1String("-h");
}

void applyGlobal(GlobalOptions& o, const QString& name, const QString& value) {
    if (name == "--broadcast")
        o.network.broadcast = value.toStdString();
    else if (name == "--bind")
        o.network.bindAddress = value.toStdString();
    else if (name == "--local-port")
        o.network.localPort = static_cast<std::uint16_t>(value.toUInt());
    else if (name == "--device-port")
        o.network.devicePort = static_cast<std::uint16_t>(value.toUInt());
    else if (name == "--tftp-port")
        o.network.tftpPort = static_cast<std::uint16_t>(value.toUInt());
    else if (name == "--timeout")
        o.timeoutMs = value.toInt();
    else if (name == "--json")
        o.json = true;
    else if (name == "--show-secrets")
        o.secrets = SecretDisplay::Shown;
    else if (name == "--lang")
        o.language = value == "zh" ? Language::Chinese : Language::English;
    else if (name == "--help" || name == "-h")
        o.help = true;
    else if (name == "--version")
        o.version = true;
}

class Parser {
  public:
    Parser(const QStringList& args, GlobalOptions& o, QString* error) : args_(args), o_(o), error_(error) {}

    bool run() {
        if (!globalsBeforeCommand()) return false;
        if (at_ >= args_.size()) return true;
        o_.command = args_[at_++];
        if (o_.command == "help") {
            o_.help = true;
            o_.command = at_ < args_.size() ? args_[at_++] : QString();
            if (o_.command.isEmpty()) return true;
        }
        if (!commandNames().contains(o_.command))
            return fail(QStringLiteral("unknown command %1").arg(o_.command) +
                        hint(o_.command, commandNames()));
        if (o_.help || helpAsked()) {
            o_.help = true;
            return true;
        }
        if (!subCommand()) return false;
        o_.entry = findCommand(o_.command, o_.sub);
        if (!commandWords() || !operandCount()) return false;
        QString problem = operandProblem(*o_.entry, o_.arguments.operands);
        if (problem.isEmpty()) problem = commandProblem(o_.command, o_.sub, o_.arguments);
        return problem.isEmpty() || fail(problem);
    }

  private:
    bool fail(const QString& text) {
        *error_ = text;
        return false;
    }

    static QString hint(const QString& typed, const QStringList& known) {
        const auto best = nearest(typed, known);
        return best ? QStringLiteral("; did you mean %1?").arg(*best) : QString();
    }

    bool globalsBeforeCommand() {
        for (; at_ < args_.size(); ++at_) {
            if (args_[at_] == "--") {
                ++at_;
                return true;
            }
            if (!isOptionWord(args_[at_])) return true;
            if (!option(nullptr)) return false;
        }
        return true;
    }

    // --help anywhere among the options wins over what else they say.
    bool helpAsked() const {
        for (qsizetype i = at_; i < args_.size() && args_[i] != "--"; ++i)
            if (args_[i] == "--help" || args_[i] == "-h") return true;
        return false;
    }

    bool subCommand() {
        const QStringList subs = subCommandsOf(o_.command);
        if (subs.isEmpty()) return true;
        if (at_ < args_.size() && subs.contains(args_[at_])) {
            o_.sub = args_[at_++];
            return true;
        }
        QString text;
        if (at_ < args_.size() && !isOptionWord(args_[at_]))
            text =
                QStringLiteral("unknown: %1 %2").arg(o_.command, args_[at_]) + hint(args_[at_], subs) + '\n';
        return fail(text + subCommandUsage(o_.command));
    }

    bool commandWords() {
        bool operandsOnly = false;
        for (; at_ < args_.size(); ++at_) {
            const QString& word = args_[at_];
            if (!operandsOnly && word == "--") {
                operandsOnly = true;
            } else if (operandsOnly || !isOptionWord(word)) {
                o_.arguments.operands << word;
            } else if (!option(o_.entry)) {
                return false;
            }
        }
        return true;
    }

    // One option at args_[at_], the command's own first, then the global ones.
    bool option(const CommandEntry* command) {
        const QString word = args_[at_];
        const qsizetype equals = word.indexOf('=');
        const QString name = equals < 0 ? word : word.left(equals);
        const OptionEntry* entry = command ? findOption(command->options, name) : nullptr;
        const bool global = entry == nullptr;
        if (global) entry = findOption(globalOptions(), name == "-h" ? QStringLiteral("--help") : name);
        if (!entry) return fail(QStringLiteral("unknown option %1").arg(name) + hint(name, known(command)));
        QStringList values;
        if (entry->kind == ValueKind::Flag) {
            if (equals >= 0) return fail(QStringLiteral("%1 takes no value").arg(name));
        } else if (equals >= 0 && entry->count == 1) {
            values << word.mid(equals + 1);
        } else {
            if (equals >= 0)
                return fail(QStringLiteral("%1 takes %2 values after it").arg(name).arg(entry->count));
            for (int k = 0; k < entry->count; ++k) {
                if (at_ + 1 >= args_.size())
                    return fail(entry->count == 1
                                    ? QStringLiteral("%1 needs a value").arg(name)
                                    : QStringLiteral("%1 needs %2 values").arg(name).arg(entry->count));
                // An option word is not taken as a value: "--user --force" would write "--force".
                if (isOptionWord(args_[at_ + 1]) || args_[at_ + 1] == "--")
                    return fail(
                        QStringLiteral("%1 needs a value, not the option %2 (a value that starts with "
                                       "-- is given as %1=VALUE)")
                            .arg(name, args_[at_ + 1]));
                values << args_[++at_];
            }
        }
        if (entry->count == 1)
            for (const QString& v : values)
                if (const QString refused = checkValue(*entry, v); !refused.isEmpty()) return fail(refused);
        if (global) {
            applyGlobal(o_, name, values.value(0));
            return true;
        }
        if (o_.arguments.values.count(name) && entry->kind != ValueKind::Flag && !entry->repeatable)
            return fail(QStringLiteral("%1 is given twice").arg(name));
        o_.arguments.values[name] = values;
        return true;
    }

    static QStringList known(const CommandEntry* command) {
        QStringList names;
        if (command)
            for (const OptionEntry& o : command->options) names << QLatin1String(o.name);
        for (const OptionEntry& o : globalOptions()) names << QLatin1String(o.name);
        return names;
    }

    bool operandCount() {
        const int n = static_cast<int>(o_.arguments.operands.size());
        const CommandEntry& c = *o_.entry;
        if (n >= c.minOperands && (c.maxOperands < 0 || n <= c.maxOperands)) return true;
        return fail("usage: tavrel-cli " + synopsis(c));
    }

    const QStringList& args_;
    GlobalOptions& o_;
    QString* error_;
    qsizetype at_ = 0;
};

}  // namespace

std::optional<GlobalOptions> parseCommandLine(const QStringList& args, NetworkSettings fromEnvironment,
                                              QString* error) {
    GlobalOptions o;
    o.network = fromEnvironment;
    if (!Parser(args, o, error).run()) {
        if (!error->startsWith("usage:"))
            *error += commandNames().contains(o.command)
                          ? "\nsee tavrel-cli " + (o.sub.isEmpty() ? o.command : o.command + ' ' + o.sub) +
                                " --help"
                          : QStringLiteral("\nsee tavrel-cli --help");
        return std::nullopt;
    }
    return o;
}

}  // namespace tavrel::cli
