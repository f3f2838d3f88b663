// The command line in-process: what the option table accepts, what it refuses and with which words,
// and the help and completions written from it.
#include <gtest/gtest.h>
#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>

#include "CliOptions.h"
#include "CommandHelp.h"

using namespace tavrel;
using namespace tavrel::cli;

namespace {

struct Parsed {
    std::optional<GlobalOptions> options;
    QString error;
};

Parsed parse(const QStringList& args) {
    Parsed p;
    p.options = parseCommandLine(args, NetworkSettings{}, &p.error);
    return p;
}

QStringList optionNames(const CommandEntry& c) {
    QStringList names;
    for (const OptionEntry& o : c.options) names << QLatin1String(o.name);
    return names;
}

}  // namespace

TEST(CliCommandLine, RefusedLinesNameWhatIsWrong) {
    const QString d = QStringLiteral("190033");
    // Words split at '|': some hold spaces.
    const std::vector<std::pair<QString, QString>> refused = {
        {"--timout|5|search", "unknown option --timout; did you mean --timeout?"},
        {"serch", "unknown command serch; did you mean search?"},
        {"frobnicate", "unknown command frobnicate\nsee tavrel-cli --help"},
        {"search|--adress|190033",
         "unknown option --adress; did you mean --address?\nsee tavrel-cli search --help"},
        {"--broadcast|127.0.0.256|search", "--broadcast: not an IPv4 address: 127.0.0.256"},
        {"--broadcast", "--broadcast needs a value"},
        {"--device-port|70000|search", "--device-port: a number from 0 to 65535, not 70000"},
        {"--local-port|99999999999999999999|search", "--local-port: a number from 0 to 65535, not 9999"},
        {"--timeout|-5|search", "--timeout: a number from 1 to 2147483647, not -5"},
        {"--lang|fr|search", "--lang: one of en zh, not fr"},
        {"search|--address=127.0.0.x", "--address: not an IPv4 address: 127.0.0.x"},
        {"search|--scan|--passes|11", "--passes: a number from 1 to 10, not 11"},
        // A value that looks like an option is the option after one that lacks its value.
        {"set-network|190033|--user|--force", "--user needs a value, not the option --force"},
        {"upgrade|fw.bin|190033|--skip-version|--dry-run",
         "--skip-version needs a value, not the option --dry-run"},
        {"upgrade|fw.bin|190033|--report|--dry-run", "--report needs a value, not the option --dry-run"},
        {"set-network|190033|--user|ninechars", "--user: at most 8 bytes, not 9"},
        {"set-network|190033|--gateway|10.0.0", "--gateway: not an IPv4 address: 10.0.0"},
        {"set-network|190033|--force=yes", "--force takes no value"},
        {"set-port|190033|--baud|115201", "--baud: one of 600 1200 "},
        {"set-port|190033|--baud|9600|--baud|600", "--baud is given twice"},
        {"set-port|190033|--port=0", "--port: a number from 1 to 8, not 0"},
        {"set-port|190033|--parity|MARK", "--parity: one of NONE EVEN ODD, not MARK"},
        {"set-port|190033|--modbus|yes", "--modbus: one of on off, not yes"},
        {"set-port|190033|--remote-port|65536", "--remote-port: a number from 0 to 65535, not 65536"},
        {"apply|p.ini|190033|--ip-from|10.0.0", "--ip-from: not an IPv4 address: 10.0.0"},
        {"wifi", "usage: tavrel-cli wifi scan DEVICE [--direct] | wifi set DEVICE [options]"},
        {"wifi|join|190033", "unknown: wifi join\nusage: tavrel-cli wifi scan"},
        {"wifi|set|190033|--mode|ADHOC", "--mode: one of AP STA, not ADHOC"},
        {"wifi|set|190033|--sta-ssid|ssssssssssssssssssssssssssssssss",
         "--sta-ssid: at most 31 bytes, not 32"},
        {"wifi|set|190033|--ap-password|0123456789abcdef", "--ap-password: at most 15 bytes"},
        {"wifi|set|190033|--sta-password", "--sta-password needs a value"},
        {"wifi|set|190033|--channel|6", "unknown option --channel"},
        {"timing|frob|190033", "unknown: timing frob\nusage: tavrel-cli timing read DEVICE | timing set"},
        {"timing|set|190033|--channel|9", "--channel: a number from 1 to 8, not 9"},
        {"timing|set|190033|--channel|1|--timer|2030-01-01 00:00:00", "--timer needs 2 values"},
        {"clock|190033|--check|--max-drift|-1", "--max-drift: a number from 0 to 2147483647, not -1"},
        {"io|--tcp|127.0.0.1:1|--protocol|rtu|model", "--protocol: one of custom modbus, not rtu"},
        {"io|--address|256|model", "--address: a number from 1 to 255, not 256"},
        {"io|--time|65536|switch|1|on", "--time: a number from 0 to 65535, not 65536"},
        {"io|--interval|0|watch", "--interval: a number from 1 to 3600000, not 0"},
        {"io|--count|0|watch", "--count: a number from 1 to 1000000000, not 0"},
        {"upgrade|fw.bin|190033|--parallel|9", "--parallel: a number from 1 to 8, not 9"},
        {"upgrade|fw.bin|--target|127.0.0", "--target: not an IPv4 address: 127.0.0"},
        {"upgrade|--frob|fw.bin|190033", "unknown option --frob"},
        // Rules between options and operands.
        {"upgrade|fw.bin", "no device named"},
        {"upgrade|fw.bin|--target|127.0.0.2|190033", "--target goes without devices"},
        {"upgrade|fw.bin|--target|127.0.0.2|--verify", "--verify and --skip-version need devices found"},
        {"upgrade|fw.bin|not-a-device", "not a device: not-a-device (give an IP address"},
        {"upgrade|fw.bin|190033|--report|/", "--report: not a file in an existing folder"},
        {"upgrade|fw.bin|190033|--report|/no/such/r.csv", "--report: not a file in an existing folder"},
        {"search|--passes|2", "--passes: only with --scan"},
        {"set-network|190033|--dhcp|--static", "--dhcp and --static exclude each other"},
        {"set-network|190033|--mac|00-CA-C1", "--mac: not twelve hexadecimal digits: 00-CA-C1"},
        {"wifi|set|190033", "wifi set: nothing to change (give --mode, --ap-ssid, --ap-password, --sta-ssid"},
        {"timing|set|190033|--strobe|1|2", "--channel: which output, 1-8"},
        {"timing|set|190033|--channel|1", "give exactly one of --timer, --strobe, --week"},
        {"timing|set|190033|--channel|1|--strobe|1|2|--week|1|00:00:00|1|00:00:00",
         "give exactly one of --timer, --strobe, --week"},
        {"timing|set|190033|--channel|1|--timer|2030-02-30 00:00:00|2030-01-01 00:00:00",
         "--timer: times are "},
        {"timing|set|190033|--channel|1|--week|0|00:00:00|1|00:00:00", "--week: days are 1-7"},
        {"timing|set|190033|--channel|1|--week|1|00:00:00|8|00:00:00", "--week: days are 1-7"},
        {"clock|190033|--time|2030-02-29 00:00:00", "--time: \"YYYY-MM-DD HH:MM:SS\", a real date"},
        {"clock|190033|--check|--time|2030-01-01 00:00:00", "--time and --check exclude each other"},
        {"clock|190033|--max-drift|3", "--max-drift, --set-if-drift and --report go with --check"},
        {"clock|190033|190033", "usage: tavrel-cli clock DEVICE"},
        {"clock|190033|--check|--report|/", "--report: / is a folder; give a file name"},
        {"clock|190033|--check|--report|/no/such/r.csv", "--report: no folder /no/such"},
        {"clock|190033|--set-if-drift", "--max-drift, --set-if-drift and --report go with --check"},
        {"io|model", "give one of --tcp HOST:PORT, --listen ADDR:PORT, --udp LOCAL:PORT --to HOST:PORT"},
        {"io|--tcp|127.0.0.1:1|--udp|127.0.0.1:0|model", "give one of --tcp"},
        {"io|--tcp|127.0.0.1|model", "not an IPv4 address and port: 127.0.0.1"},
        {"io|--listen|127.0.0.1:65536|model", "not an IPv4 address and port: 127.0.0.1:65536"},
        {"io|--udp|127.0.0.1:0|model", "--udp needs --to HOST:PORT"},
        {"io|--udp|127.0.0.1:0|--to|127.0.0.1:0|model", "--to: not an IPv4 address and port"},
        {"io|--tcp|127.0.0.1:1|--to|127.0.0.1:2|model", "--to goes with --udp only"},
        {"io|--tcp|127.0.0.1:1|switch|33|on", "switch: a number from 1 to 32, not 33"},
        {"io|--tcp|127.0.0.1:1|switch|1|maybe", "usage: switch N on|off [--time T], N from 1"},
        {"io|--tcp|127.0.0.1:1|--time|5|model", "--time goes with switch, --interval and"},
        {"io|--tcp|127.0.0.1:1|--count|5|inputs", "--time goes with switch, --interval and"},
        {"io|--tcp|127.0.0.1:1|all", "usage: all on|off"},
        {"io|--tcp|127.0.0.1:1|dance", "unknown ACTION: dance"},
        {"io|--tcp|127.0.0.1:1|outputs|now", "unexpected: now"},
    };
    for (const auto& [line, message] : refused) {
        SCOPED_TRACE(line.toStdString());
        const Parsed p = parse(line.split('|'));
        EXPECT_FALSE(p.options);
        EXPECT_TRUE(p.error.contains(message)) << p.error.toStdString();
    }
    for (const QString selector :
         {"00-CA-C1-19-00", "00-CA-C1-19-00-3G", "127.0.0.256", "12345", "1900334", ""})
        for (const QStringList& args : {QStringList{"show", selector},
                                        {"apply", "p.ini", d, selector},
                                        {"export", selector, "p.ini"},
                                        {"clock", d, selector, "--check"}})
            EXPECT_TRUE(parse(args).error.startsWith("not a device: " + selector + " (give an IP address"));
    // Too few or too many operands: each command names its own usage.
    for (const CommandEntry& c : commandTable()) {
        const QStringList words = QString::fromLatin1(c.name).split(' ');
        QStringList tooMany = words;
        for (int i = 0; i <= c.maxOperands; ++i) tooMany << d;
        for (const QStringList& args : {words, tooMany}) {
            if (args == words && c.minOperands == 0) continue;
            if (args == tooMany && c.maxOperands < 0) continue;
            SCOPED_TRACE(args.join(' ').toStdString());
            EXPECT_TRUE(parse(args).error.startsWith("usage: tavrel-cli " + QLatin1String(c.name)))
                << parse(args).error.toStdString();
        }
    }
}

TEST(CliCommandLine, AcceptedLinesGiveTheirValues) {
    // Global options after the command; a value that starts with -- given with =.
    Parsed p =
        parse({"set-network", "190033", "--json", "--show-secrets", "--timeout=300", "--user=--force"});
    ASSERT_TRUE(p.options) << p.error.toStdString();
    EXPECT_TRUE(p.options->json && p.options->secrets == SecretDisplay::Shown && p.options->timeoutMs == 300);
    EXPECT_EQ(p.options->arguments.operands, QStringList{"190033"});
    EXPECT_EQ(p.options->arguments.text("--user"), QStringLiteral("--force"));
    EXPECT_FALSE(p.options->arguments.flag("--force"));

    // After --, words are operands; a command's own option hides the global one of the same name.
    p = parse({"--local-port", "0", "--device-port", "1", "--device-port", "2", "set-port", "--local-port",
               "5000", "190033"});
    ASSERT_TRUE(p.options) << p.error.toStdString();
    EXPECT_EQ(p.options->network.localPort, 0);
    EXPECT_EQ(p.options->network.devicePort, 2);
    EXPECT_EQ(p.options->arguments.number("--local-port"), 5000);
    EXPECT_EQ(parse({"import", "--", "--odd.ini"}).options->arguments.operands, QStringList{"--odd.ini"});

    p = parse({"timing", "set", "190033", "--channel", "1", "--timer", "2030-01-01 00:00:00",
               "2030-01-02 00:00:00"});
    ASSERT_TRUE(p.options) << p.error.toStdString();
    EXPECT_EQ(p.options->sub, "set");
    EXPECT_EQ(p.options->arguments.words("--timer"),
              (QStringList{"2030-01-01 00:00:00", "2030-01-02 00:00:00"}));
    EXPECT_TRUE(parse({"wifi", "set", "190033", "--mode", "sta"}).options) << "modes are taken in any case";
    EXPECT_TRUE(parse({"--lang", "zh", "--broadcast", "127.255.255.255", "doctor"}).options);

    // Help wins over anything else on the line; a command's help is its own.
    const std::vector<std::pair<QString, QString>> help = {{"--help", ""},
                                                           {"-h", ""},
                                                           {"help", ""},
                                                           {"set-port|DEV|--baud|9600|--help", "set-port"},
                                                           {"--help|set-port", "set-port"},
                                                           {"help|set-port", "set-port"},
                                                           {"set-port|--bogus|-h", "set-port"},
                                                           {"wifi|--help", "wifi"}};
    for (const auto& [line, command] : help) {
        SCOPED_TRACE(line.toStdString());
        p = parse(line.split('|'));
        ASSERT_TRUE(p.options) << p.error.toStdString();
        EXPECT_TRUE(p.options->help);
        EXPECT_EQ(p.options->command, command);
    }
    EXPECT_TRUE(parse({"--version", "search"}).options->version);
}

// Each page and each shell offers every option of every command (bash, run below, on its own line).
TEST(CliCommandLine, HelpAndCompletionsListEveryOption) {
    const QString bash = completionScript("bash"), zsh = completionScript("zsh"),
                  fish = completionScript("fish");
    for (const CommandEntry& c : commandTable()) {
        const QString name = QLatin1String(c.name);
        const QString help = commandHelp(name.section(' ', 0, 0), name.section(' ', 1));
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(help.startsWith("usage: tavrel-cli [global options] " + name)) << help.toStdString();
        const QString bashLine = bash.section(name.contains(' ') ? '"' + name + '"' : '"' + name + " \"*", 1);
        const QString zshLine = zsh.section("'" + name + (name.contains(' ') ? "'" : " '*"), 1);
        for (const QString& option : optionNames(c)) {
            EXPECT_TRUE(help.contains(QRegularExpression("\n  " + option + "[ \n]"))) << option.toStdString();
            EXPECT_TRUE(bashLine.section('\n', 0, 0).contains(QRegularExpression(option + "[ \"]")));
            EXPECT_TRUE(zshLine.section('\n', 0, 0).contains("'" + option + "'")) << option.toStdString();
            EXPECT_TRUE(fish.contains(name.section(' ', -1) + "' -l " + option.mid(2) + ' '))
                << option.toStdString();
        }
    }
    for (const OptionEntry& o : globalOptions()) {
        EXPECT_TRUE(usageText().contains("\n  " + QLatin1String(o.name) + ' ')) << o.name;
        EXPECT_TRUE(fish.contains("tavrel-cli -l " + QString::fromLatin1(o.name).mid(2) + ' ')) << o.name;
    }
    EXPECT_TRUE(completionScript("tcsh").isEmpty());
}

// The bash script run by bash: what a Tab offers.
TEST(CliCommandLine, BashCompletesCommandsOptionsAndValues) {
    const QString bash = QStandardPaths::findExecutable("bash");
    if (bash.isEmpty()) GTEST_SKIP() << "no bash";
    QTemporaryDir dir;
    QFile script(dir.filePath("tavrel-cli.bash"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write(completionScript("bash").toUtf8()) > 0);
    script.close();
    const std::vector<std::pair<QString, QString>> cases = {
        {"tavrel-cli se", "search set-network set-port"},
        {"tavrel-cli --json set-port DEV --ba", "--baud"},
        {"tavrel-cli set-port DEV --parity ", "NONE EVEN ODD"},
        {"tavrel-cli wifi ", "scan set"},
        {"tavrel-cli wifi set DEV --sta-", "--sta-ssid --sta-password"},
        {"tavrel-cli --t", "--tftp-port --timeout"},
        {"tavrel-cli --broadcast 127.255.255.255 --lang ", "en zh"},
        {"tavrel-cli timing set DEV --w", "--week"}};
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line.toStdString());
        QProcess run;
        run.start(bash, {"--norc", "-c",
                         QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); "
                                        "_tavrel_cli; echo \"${COMPREPLY[*]}\"")
                             .arg(script.fileName(), line.endsWith(' ') ? line + "''" : line)});
        ASSERT_TRUE(run.waitForFinished(-1));
        EXPECT_EQ(QString::fromUtf8(run.readAllStandardOutput()).trimmed(), expected)
            << run.readAllStandardError().toStdString();
    }
}
