#include "CommandHelp.h"

#include <QtCore/QTextStream>

namespace tavrel::cli {

namespace {

QString choicesText(const OptionEntry& o) {
    QStringList list;
    for (std::string_view c : o.choices)
        list << QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()));
    return list.join('|');
}

QString placeholder(const OptionEntry& o) {
    if (o.kind == ValueKind::Flag) return {};
    if (*o.value) return QLatin1String(o.value);
    return o.choices.size() <= 4 ? choicesText(o) : QStringLiteral("VALUE");
}

QString optionLine(const OptionEntry& o) {
    QString left = "  " + QLatin1String(o.name);
    if (o.kind != ValueKind::Flag) left += ' ' + placeholder(o);
    QString help = QString::fromUtf8(o.help);
    QStringList notes;
    if (o.kind == ValueKind::Number) notes << QStringLiteral("%1-%2").arg(o.low).arg(o.high);
    if (o.kind == ValueKind::Choice && placeholder(o) == "VALUE")
        notes << "one of " + choicesText(o).replace('|', ' ');
    if (o.maxBytes) notes << QStringLiteral("at most %1 bytes").arg(o.maxBytes);
    if (*o.defaultText) notes << "default " + QString::fromUtf8(o.defaultText);
    if (!notes.isEmpty()) help += " (" + notes.join(", ") + ')';
    return left.leftJustified(24) + (left.size() >= 24 ? "\n" + QString(24, ' ') : QString()) + help + '\n';
}

// The global options that take a value: the word after them is not the command.
QStringList valuedGlobals() {
    QStringList names;
    for (const OptionEntry& o : globalOptions())
        if (o.kind != ValueKind::Flag) names << QLatin1String(o.name);
    return names;
}

QString bashWords(const std::vector<OptionEntry>& options) {
    QStringList names;
    for (const OptionEntry& o : options) names << QLatin1String(o.name);
    return names.join(' ');
}

QString bashScript() {
    QString text;
    QTextStream s(&text);
    const QStringList commands = commandNames();
    s << "# bash completion for tavrel-cli, written by tavrel-cli completion bash\n"
         "_tavrel_cli() {\n"
         "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
         "    local globals=\""
      << bashWords(globalOptions()) << "\"\n    local command=\"\" sub=\"\" i w\n"
      << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "        w=\"${COMP_WORDS[i]}\"\n"
         "        case \"$w\" in\n";
    const QStringList valued = valuedGlobals();
    // Device selectors are not offered: finding them would mean a search on the network at every Tab.
    s << "        " << valued.join('|') << ") [ -z \"$command\" ] && ((i++)) ;;\n"
      << "        -*) ;;\n"
         "        *) if [ -z \"$command\" ]; then command=\"$w\"; elif [ -z \"$sub\" ]; then sub=\"$w\"; "
         "fi ;;\n"
         "        esac\n    done\n"
         "    local options=\"\" values=\"\"\n"
         "    case \"$command $sub\" in\n";
    for (const CommandEntry& c : commandTable()) {
        const QString name = QLatin1String(c.name);
        s << "    " << (name.contains(' ') ? '"' + name + '"' : '"' + name + " \"*") << ") options=\""
          << bashWords(c.options) << "\"\n        case \"$prev\" in\n";
        for (const OptionEntry& o : c.options)
            if (o.kind == ValueKind::Choice)
                s << "        " << o.name << ") values=\"" << choicesText(o).replace('|', ' ') << "\" ;;\n";
        s << "        esac ;;\n";
    }
    s << "    esac\n"
         "    case \"$prev\" in --lang) values=\"en zh\" ;; esac\n"
         "    if [ -n \"$values\" ]; then COMPREPLY=($(compgen -W \"$values\" -- \"$cur\")); return; fi\n"
         "    if [ -z \"$command\" ]; then\n"
         "        if [[ \"$cur\" == -* ]]; then COMPREPLY=($(compgen -W \"$globals\" -- \"$cur\"));\n"
         "        else COMPREPLY=($(compgen -W \""
      << commands.join(' ') << "\" -- \"$cur\")); fi\n        return\n    fi\n"
      << "    case \"$command\" in\n";
    for (const QString& c : commands)
        if (const QStringList subs = subCommandsOf(c); !subs.isEmpty())
            s << "    " << c << ") if [ -z \"$sub\" ]; then COMPREPLY=($(compgen -W \"" << subs.join(' ')
              << "\" -- \"$cur\")); return; fi ;;\n";
    s << "    esac\n"
         "    if [[ \"$cur\" == -* ]]; then COMPREPLY=($(compgen -W \"$options $globals\" -- \"$cur\")); "
         "return; fi\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "}\n"
         "complete -F _tavrel_cli tavrel-cli\n";
    return text;
}

QString zshScript() {
    QString text;
    QTextStream s(&text);
    const QStringList commands = commandNames();
    s << "#compdef tavrel-cli\n# zsh completion for tavrel-cli, written by tavrel-cli completion zsh\n"
         "_tavrel_cli() {\n"
         "    local -a globals commands options\n"
         "    globals=(";
    for (const OptionEntry& o : globalOptions()) s << "'" << o.name << "' ";
    s << ")\n    commands=(";
    for (const QString& c : commands) s << "'" << c << "' ";
    s << ")\n"
         "    local command=\"\" sub=\"\" w skip=0\n"
         "    for w in \"${words[@]:1:$((CURRENT-2))}\"; do\n"
         "        if (( skip )); then skip=0; continue; fi\n"
         "        case $w in ("
      << valuedGlobals().join('|')
      << ") [[ -z $command ]] && skip=1; continue ;; (-*) continue ;; esac\n"
         "        if [[ -z $command ]]; then command=$w; elif [[ -z $sub ]]; then sub=$w; fi\n"
         "    done\n"
         "    case \"$command $sub\" in\n";
    for (const CommandEntry& c : commandTable()) {
        const QString name = QLatin1String(c.name);
        s << "    " << (name.contains(' ') ? "'" + name + "'" : "'" + name + " '*") << ") options=(";
        for (const OptionEntry& o : c.options) s << "'" << o.name << "' ";
        s << ") ;;\n";
    }
    s << "    esac\n"
         "    if [[ -z $command ]]; then\n"
         "        if [[ $PREFIX == -* ]]; then compadd -a globals; else compadd -a commands; fi\n"
         "        return\n    fi\n"
         "    case $command in\n";
    for (const QString& c : commands)
        if (const QStringList subs = subCommandsOf(c); !subs.isEmpty())
            s << "    " << c << ") if [[ -z $sub ]]; then compadd " << subs.join(' ') << "; return; fi ;;\n";
    s << "    esac\n"
         "    if [[ $PREFIX == -* ]]; then compadd -a options globals; else _files; fi\n"
         "}\n"
         "_tavrel_cli \"$@\"\n";
    return text;
}

QString fishScript() {
    QString text;
    QTextStream s(&text);
    s << "# fish completion for tavrel-cli, written by tavrel-cli completion fish\n"
         "complete -c tavrel-cli -f\n";
    for (const OptionEntry& o : globalOptions())
        s << "complete -c tavrel-cli -l " << QString::fromLatin1(o.name).mid(2) << " -d '" << o.help << "'"
          << (o.kind == ValueKind::Flag ? "" : " -r") << "\n";
    for (const CommandEntry& c : commandTable()) {
        const QString name = QLatin1String(c.name);
        const QString first = name.section(' ', 0, 0);
        const QString sub = name.section(' ', 1);
        if (sub.isEmpty() || sub == subCommandsOf(first).value(0))
            s << "complete -c tavrel-cli -n '__fish_use_subcommand' -a " << first << " -d '"
              << QString::fromUtf8(c.summary).replace('\'', "\\'") << "'\n";
        QString when = "__fish_seen_subcommand_from " + first;
        if (!sub.isEmpty()) {
            s << "complete -c tavrel-cli -n '" << when << "; and not __fish_seen_subcommand_from "
              << subCommandsOf(first).join(' ') << "' -a " << sub << "\n";
            when += "; and __fish_seen_subcommand_from " + sub;
        }
        for (const OptionEntry& o : c.options) {
            s << "complete -c tavrel-cli -n '" << when << "' -l " << QString::fromLatin1(o.name).mid(2)
              << " -d '" << QString::fromUtf8(o.help).replace('\'', "\\'") << "'";
            if (o.kind == ValueKind::Choice)
                s << " -x -a '" << choicesText(o).replace('|', ' ') << "'";
            else if (o.kind != ValueKind::Flag)
                s << " -r";
            s << '\n';
        }
    }
    return text;
}

}  // namespace

QString synopsis(const CommandEntry& c) {
    QString text = QLatin1String(c.name);
    if (*c.operands) text += ' ' + QLatin1String(c.operands);
    if (c.options.size() > 3) return text + " [options]";
    for (const OptionEntry& o : c.options)
        text += " [" + QLatin1String(o.name) +
                (o.kind == ValueKind::Flag ? QString() : ' ' + placeholder(o)) + ']';
    return text;
}

QString subCommandUsage(const QString& command) {
    QStringList forms;
    for (const QString& sub : subCommandsOf(command)) forms << synopsis(*findCommand(command, sub));
    return "usage: tavrel-cli " + forms.join(" | ");
}

QString usageText() {
    QString text;
    QTextStream s(&text);
    s << "usage: tavrel-cli [global options] COMMAND [arguments]\n\nGlobal options (also after the "
         "command):\n";
    for (const OptionEntry& o : globalOptions()) s << optionLine(o);
    s << "Environment: TAVREL_BROADCAST, TAVREL_BIND, TAVREL_LOCAL_PORT, TAVREL_DEVICE_PORT, "
         "TAVREL_TFTP_PORT.\n"
         "A value that starts with -- is given as --option=VALUE; -- ends the options.\n\n"
         "Commands (COMMAND --help for details):\n";
    for (const CommandEntry& c : commandTable()) {
        QString left =
            "  " + QLatin1String(c.name) + (*c.operands ? ' ' + QLatin1String(c.operands) : QString());
        s << left.leftJustified(26) << (left.size() >= 26 ? "\n" + QString(26, ' ') : QString()) << c.summary
          << '\n';
    }
    s << "DEVICE is an IP address, a MAC (00-CA-C1-19-00-33 or 00:CA:...) or the 6-digit key (190033).\n"
         "Exit status: 0 done, 1 failed or no answer, 2 usage error.\n";
    return text;
}

QString commandHelp(const QString& command, const QString& sub) {
    QStringList subs = sub.isEmpty() ? subCommandsOf(command) : QStringList{sub};
    if (subs.isEmpty()) subs << QString();
    QString text;
    for (const QString& s : subs) {
        const CommandEntry* c = findCommand(command, s);
        if (!c) continue;
        text += "usage: tavrel-cli [global options] " + synopsis(*c) + '\n' + c->summary + ".\n";
        for (const OptionEntry& o : c->options) text += optionLine(o);
        text += c->details;
    }
    return text;
}

QString completionScript(const QString& shell) {
    if (shell == "bash") return bashScript();
    if (shell == "zsh") return zshScript();
    if (shell == "fish") return fishScript();
    return {};
}

}  // namespace tavrel::cli
