#include "OptionTable.h"

#include <algorithm>
#include <climits>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "protocol/NetworkSettings.h"
#include "wifi/WifiSettings.h"

namespace tavrel::cli {

namespace {

using K = ValueKind;

template <std::size_t N>
std::vector<std::string_view> listOf(const std::array<std::string_view, N>& list) {
    return {list.begin(), list.end()};
}

OptionEntry flag(const char* name, const char* help) {
    OptionEntry o;
    o.name = name;
    o.help = help;
    return o;
}
OptionEntry text(const char* name, const char* value, const char* help, std::size_t maxBytes = 0) {
    OptionEntry o = flag(name, help);
    o.kind = K::Text;
    o.value = value;
    o.maxBytes = maxBytes;
    return o;
}
// An option of several words: timing set --week OPENDAY OPENTIME CLOSEDAY CLOSETIME.
OptionEntry words(const char* name, const char* value, int count, const char* help) {
    OptionEntry o = text(name, value, help);
    o.count = count;
    return o;
}
OptionEntry address(const char* name, const char* help, const char* defaultText = "") {
    OptionEntry o = text(name, "ADDR", help);
    o.kind = K::Address;
    o.defaultText = defaultText;
    return o;
}
OptionEntry number(const char* name, const char* value, long long low, long long high,
                   const char* defaultText, const char* help) {
    OptionEntry o = text(name, value, help);
    o.kind = K::Number;
    o.low = low;
    o.high = high;
    o.defaultText = defaultText;
    return o;
}
OptionEntry choice(const char* name, std::vector<std::string_view> choices, const char* defaultText,
                   const char* help, bool anyCase = false) {
    OptionEntry o = flag(name, help);
    o.kind = K::Choice;
    o.choices = std::move(choices);
    o.defaultText = defaultText;
    o.anyCase = anyCase;
    return o;
}

std::vector<OptionEntry> makeGlobals() {
    auto repeat = [](OptionEntry o) {
        o.repeatable = true;
        return o;
    };
    return {
        repeat(address("--broadcast", "broadcast address of searches and commands", "255.255.255.255")),
        repeat(address("--bind", "local address to bind", "all")),
        repeat(number("--local-port", "N", 0, 65535, "4601", "local UDP port (0: any free port)")),
        repeat(number("--device-port", "N", 0, 65535, "1111", "UDP port of the devices")),
        repeat(number("--tftp-port", "N", 0, 65535, "69", "TFTP port of firmware uploads")),
        repeat(number("--timeout", "MS", 1, INT_MAX, "per command", "bound on the whole wait")),
        repeat(flag("--json", "machine-readable output")),
        repeat(
            flag("--show-secrets", "print device, cloud and WiFi passwords (masked as ******** otherwise)")),
        repeat(choice("--lang", {"en", "zh"}, "en", "language of messages")),
        repeat(flag("--help", "print the help (of the command named) and exit")),
        repeat(flag("--version", "print the version and exit")),
    };
}

std::vector<CommandEntry> makeCommands() {
    const OptionEntry force =
        flag("--force", "write a device whose settings were not all read, or unusual values");
    const OptionEntry csv = flag("--csv", "one row per device, RFC 4180, UTF-8, a header row");
    const OptionEntry wait = flag("--wait", "wait until the device answers again and print it");
    const OptionEntry fleetForce =
        flag("--force", "write unusual values (a gateway outside the subnet, an address another device has)");
    return {
        {"search",
         "",
         0,
         0,
         "find devices and list them",
         {address("--address", "where the search goes", "the broadcast address"),
          flag("--scan", "search hosts 1..254 of that address's subnet one by one"),
          number("--passes", "N", 1, 10, "1", "with --scan: passes, each later one only the silent hosts"),
          csv},
         "Prints IP, MAC, firmware and hardware of every device that answered, in the order they answered,\n"
         "and for a device whose settings were not all read (lost replies), which ones.\n"
         "Exit 0 when a device answered, 1 when none did.\n"},
        {"show",
         "DEVICE",
         1,
         1,
         "everything a device reports",
         {csv},
         "Searches, reads the device out and prints everything its record holds.\n"},
        {"restart",
         "DEVICE",
         1,
         1,
         "restart a device",
         {wait},
         "Sends the restart command (no answer comes). With --wait, 30 s at most; exit 1 when the device\n"
         "does not come back (--json: {\"result\", \"message\", \"device\"}).\n"},
        {"reset",
         "DEVICE",
         1,
         1,
         "reset a device to its factory settings",
         {wait},
         "Sends the factory-reset command (no answer comes). --wait as for restart; the device is looked\n"
         "for by broadcast, as its address may change.\n"},
        {"set-network",
         "DEVICE",
         1,
         1,
         "change the network settings",
         {address("--ip", "IP address"), address("--mask", "subnet mask"), address("--gateway", "gateway"),
          address("--dns", "DNS server"), text("--mac", "MAC", "MAC address, twelve hexadecimal digits"),
          flag("--dhcp", "take the address by DHCP"), flag("--static", "use the address given"),
          text("--user", "U", "user name", kUserLimit), text("--password", "P", "password", kPasswordLimit),
          force, wait},
         "Fields not given keep the device's values. Every write is answered, then the device is read again\n"
         "and compared: exit 0 when it holds what was asked (--json result \"verified\"), 1 when it "
         "refused,\n"
         "did not answer its last frame, reads back differently (naming the fields) or was not read again,\n"
         "2 on a bad value (nothing is sent then). A device whose settings were not all read (lost "
         "replies),\n"
         "or an unusual address (a gateway outside the subnet, another device's IP), is not written (exit "
         "1)\n"
         "unless --force.\n"},
        {"set-port",
         "DEVICE",
         1,
         1,
         "change the settings of one serial port",
         {number("--port", "N", 1, 8, "1", "the port (two on one-port and 'B' devices)"),
          choice("--baud", listOf(lists::kBaudRates), "", "baud rate"),
          choice("--parity", listOf(lists::kParities), "", "parity"),
          choice("--data-bits", listOf(lists::kDataBits), "", "data bits"),
          choice("--stop-bits", listOf(lists::kStopBits), "", "stop bits"),
          choice("--mode", listOf(lists::kWorkModes), "", "work mode"),
          text("--remote-host", "H", "remote host"),
          number("--remote-port", "N", 0, 65535, "", "remote port"),
          number("--local-port", "N", 0, 65535, "", "the port's local port"),
          text("--heartbeat-data", "T", "heartbeat data"),
          text("--heartbeat-interval", "S", "heartbeat interval"),
          choice("--modbus", {"on", "off"}, "", "Modbus"), text("--modbus-timeout", "MS", "Modbus timeout"),
          force, wait},
         "All ports are written, as the window's Save does. Exit codes, --force and --wait as for\n"
         "set-network. A board that answered with a whole record takes port 1 only, in one packed write.\n"},
        {"export",
         "DEVICE FILE",
         2,
         2,
         "write a device's settings to a profile",
         {force},
         "Writes the device's network and port settings to FILE, replacing it whole (a failed write leaves\n"
         "an existing file as it was). Exit 0 written, 1 the device did not answer, 2 usage or unwritable\n"
         "FILE. A device whose settings were not all read is not exported (exit 1) unless --force.\n"},
        {"import",
         "FILE",
         1,
         1,
         "print a profile as show prints a device",
         {},
         "Exit 1 for a profile the window refuses (\"Bad Profile!\"), 2 for a missing file.\n"},
        {"diff",
         "FILE DEVICE",
         2,
         2,
         "the fields in which a device differs from a profile",
         {flag("--all", "compare the versions and the MAC too")},
         "Reads the device and prints each profile entry it differs in: section, key, device and profile\n"
         "value. Exit 0 when nothing differs, 1 when something does, 2 on any trouble.\n"},
        {"apply",
         "FILE DEVICE...",
         2,
         -1,
         "one-click configuration of devices from a profile",
         {flag("--verify", "read each device back and list the entries that differ"), force,
          flag("--same-ip", "give the profile's static address to every device"),
          address("--ip-from", "give the devices ADDR, ADDR+1, ... in the order named")},
         "One line per device (--json: a list): applied, verified, differs, refused, no-answer, unread,\n"
         "incomplete, not-found, port-count, invalid or not-supported. Exit 0 when every device\n"
         "acknowledged (and, with --verify, matches), 1 otherwise, 2 on a usage error or a missing FILE.\n"},
        {"fleet plan",
         "FILE.csv",
         1,
         1,
         "what a fleet sheet would change on its devices; nothing is sent",
         {fleetForce},
         "FILE.csv is the device list as search --csv writes it, edited in any spreadsheet program (UTF-8\n"
         "with or without a byte order mark; comma, semicolon or tab separated). Each row names its device\n"
         "by mac (or key). An empty cell or an absent column is not managed, nor is a masked password\n"
         "(********), nor a column the device only reports (ip, key, firmware, hardware, form, complete,\n"
         "missing, source, replyPort, wifi.signal, outputTiming); network.ip is the address setting.\n"
         "Columns whose name starts with # are the sheet's own notes. A DHCP row's addresses are not\n"
         "compared. Prints per device the fields that would change, from -> to (--json: a list of\n"
         "{line, mac, address, status, changes: [{field, from, to}], message}; status change, unchanged,\n"
         "missing, incomplete or invalid). Exit 0 when the plan is made, 1 when a device is missing or not\n"
         "read whole, 2 when the file is wrong or a row cannot be written to its device (line, column and\n"
         "the values allowed are named).\n"},
        {"fleet apply",
         "FILE.csv",
         1,
         1,
         "write every device that differs from its row of a fleet sheet",
         {number("--parallel", "N", 1, 8, "1", "devices written at once"),
          flag("--dry-run", "print the plan and send nothing (fleet plan)"),
          flag("--stop-on-failure", "start no further device once one does not hold its row"),
          text("--report", "FILE.csv", "write one row per device as CSV"), fleetForce},
         "Makes the plan first; a sheet with a fault sends nothing (exit 2). Then writes only the devices\n"
         "that differ, each in the form it takes (the network and port saves it needs, or one packed\n"
         "record), through the one write workflow: snapshot, frames, answer, read again, compare. A changed\n"
         "network.ip is followed to the new address. One line per device (--json: a list): written,\n"
         "unchanged, differs, refused, no-answer, not-back, unverified, not-sent, not-started, missing or\n"
         "incomplete, with the fields. Ctrl-C lets the devices under way finish and starts no more (exit\n"
         "130). Exit 0 only when every row's device holds its row, else 1.\n"},
        {"fleet check",
         "FILE.csv",
         1,
         1,
         "whether every device holds its row of a fleet sheet",
         {text("--report", "FILE.csv", "write one row per device as CSV")},
         "Reads every device and compares it with its row, as fleet plan does. One line per device: holds,\n"
         "differs (with each field: device and sheet value), missing, incomplete or invalid (--json: a\n"
         "list of {line, mac, address, result, differences: [{field, device, sheet}], message}). Exit 0\n"
         "when every device holds its row, 1 when any does not, 2 when the file is wrong.\n"},
        {"snapshots",
         "DEVICE",
         1,
         1,
         "list the settings kept before each write to the device",
         {},
         "Oldest first, at most 20. A MAC needs no search.\n"},
        {"rollback",
         "DEVICE",
         1,
         1,
         "write the latest (or --to FILE) snapshot back and compare",
         {text("--to", "FILE", "the snapshot to write back"), force},
         "Exit 0 when the device reads back as the snapshot, 1 when it was refused, lost or differs, 2 on a\n"
         "usage error or when no snapshot exists.\n"},
        {"wifi scan",
         "DEVICE",
         1,
         1,
         "networks a WiFi board finds",
         {flag("--direct", "ask the address the board answered from, not the broadcast address")},
         "Prints the networks' names, one a line (--json: an array). Waits 6 s (or --timeout) for the\n"
         "answer; exit 1 when none came.\n"},
        {"wifi set",
         "DEVICE",
         1,
         1,
         "change a WiFi board's mode, SSIDs and passwords",
         {choice("--mode", listOf(lists::kWifiModes), "", "WiFi mode", true),
          text("--ap-ssid", "S", "SSID of the access point", kMaxSsidBytes),
          text("--ap-password", "P", "password of the access point", kMaxWifiPasswordBytes),
          text("--sta-ssid", "S", "SSID to join", kMaxSsidBytes),
          text("--sta-password", "P", "password to join with", kMaxWifiPasswordBytes), force},
         "Fields not given keep the board's values. Only boards that report the 302-byte record have "
         "WiFi.\n"},
        {"io",
         "ACTION",
         1,
         3,
         "read and switch an IO board over TCP or UDP",
         {text("--tcp", "HOST:PORT", "connect to a board that serves TCP"),
          text("--listen", "ADDR:PORT", "wait for a board to connect (port 0: a free one)"),
          text("--udp", "LOCAL:PORT", "exchange datagrams with the board at --to"),
          text("--to", "HOST:PORT", "the board's address, with --udp"),
          choice("--protocol", {"custom", "modbus"}, "custom", "protocol of the board"),
          number("--address", "N", 1, 255, "1", "the board's address"),
          number("--time", "T", 0, 65535, "0", "switch: switch back after T"),
          number("--interval", "MS", 1, 3600000, "200", "watch: time between two reads"),
          number("--count", "N", 1, 1000000000, "until stopped", "watch: replies to print"),
          flag("--log", "print the frames as the IO window logs them, on stderr")},
         "ACTION: model | inputs | outputs | switch N on|off | all on|off | watch\n"
         "The model is asked first (up to six tries, 500 ms apart). --json prints\n"
         "{\"model\": ..., \"inputs\": [...], \"outputs\": [...]} as far as known (watch: one object per "
         "reply).\n"
         "Exit 0 when the board answered (switch, all: and confirmed), 1 when it did not, 2 on a usage "
         "error.\n"},
        {"io-test",
         "SCRIPT",
         1,
         1,
         "commission IO boards: play a script of steps, report pass or fail",
         {flag("--stop-on-fail", "skip the rest after a failed step"),
          text("--junit", "FILE", "write JUnit XML, one test case per step"),
          flag("--log", "print the frames as the IO window logs them, on stderr")},
         "SCRIPT holds one step a line ('#' starts a comment):\n"
         "  connect tcp HOST:PORT | listen ADDR:PORT | udp HOST:PORT [local ADDR:PORT]\n"
         "          [custom|modbus] [address N] [within T]     (waits for the board's model)\n"
         "  expect model TEXT                                  (the reported text or its model name)\n"
         "  switch N on|off        switch N on|off for T       switch all on|off\n"
         "  expect input N on|off [within T]                   expect output N on|off [within T]\n"
         "  expect inputs 0xMASK [within T]                    expect outputs 0xMASK [within T]\n"
         "          (bit 0 is channel 1; every channel the board reports is compared)\n"
         "  expect analog N between LOW and HIGH [within T]    (volts of the 0~5V row)\n"
         "  wait T\n"
         "T is a time such as 500ms or 1.5s. Without 'within' an expectation judges the first answer; with\n"
         "it the board is asked again until the expectation holds or T is over. A switch waits for the\n"
         "board's echo; 'for T' switches back after T.\n"
         "Exit 0 when every step passed, 1 when any failed, 2 for a script error (with its line number;\n"
         "nothing is sent then).\n"},
        {"timing read",
         "DEVICE",
         1,
         1,
         "the output schedules, options and clock of an IO board",
         {},
         "Exit 0 done, 1 refused or unanswered after the resends.\n"},
        {"timing set",
         "DEVICE",
         1,
         1,
         "change the schedule of one output",
         {number("--channel", "N", 1, 8, "", "the output"),
          words("--timer", "OPEN CLOSE", 2, "times \"YYYY-MM-DD HH:MM:SS\""),
          words("--strobe", "OPEN CLOSE", 2, "times 0-65535"),
          words("--week", "OPENDAY OPENTIME CLOSEDAY CLOSETIME", 4,
                "days 1-7 (7 Sunday), times \"HH:MM:SS\""),
          force},
         "Give --channel and one of --timer, --strobe, --week. Any date or time field may be ff (the year\n"
         "ffff) to match all. Exit 0 done, 1 refused or unanswered after the resends, 2 usage error\n"
         "(nothing sent).\n"},
        {"clock",
         "DEVICE...",
         1,
         -1,
         "set an IO board's clock, or --check the drift of several",
         {text("--time", "\"YYYY-MM-DD HH:MM:SS\"", "the time to set (default: this computer's)"),
          flag("--check", "print each board's clock and its drift in seconds"),
          number("--max-drift", "S", 0, INT_MAX, "2", "with --check: drift allowed"),
          flag("--set-if-drift", "with --check: set a board beyond --max-drift to this computer's time"),
          text("--report", "FILE.csv", "with --check: write the rows as CSV"), force},
         "Result per board: ok, drift, set, set-failed, no-answer, not-found, no-clock, invalid.\n"
         "Exit 1 when any board is beyond S and was not set, or could not be read.\n"},
        {"upgrade",
         "FILE DEVICE...",
         1,
         -1,
         "upload new firmware (or FILE --target ADDR)",
         {number("--parallel", "N", 1, 8, "1", "uploads at once"),
          number("--wait", "MS", 0, 60000, "1000", "between the upgrade request and the upload"),
          flag("--mixed", "allow devices of another hardware version than the first's"),
          text("--skip-version", "TEXT", "skip devices that report this firmware version"),
          flag("--dry-run", "print the plan, send nothing (--json: upgrade, skipped, not-found)"),
          flag("--verify", "wait for each device to answer again and read its version"),
          number("--verify-timeout", "MS", 0, 600000, "30000", "how long --verify waits"),
          text("--report", "FILE.csv", "write the results as CSV"),
          address("--target", "upload to ADDR without the upgrade request, as the window's menu does")},
         "FILE is read and checked once; every device is found and read first. Ctrl-C stops the uploads\n"
         "and names the finished ones. Exit 0 when every device (but the skipped) completed, with\n"
         "--verify: upgraded; 1 when any did not; 2 on a usage error, a refused file or a mixed set\n"
         "(nothing is sent then).\n"},
        {"doctor",
         "",
         0,
         0,
         "why a device is not found: cards, ports, address faults",
         {},
         "Searches through the default binding and through every network card (or only the --bind one),\n"
         "then sends a search to each answering address, and names each fault with its cause and remedy.\n"
         "Each card's search ends after 5 s (--timeout MS). Exit 0 when nothing is wrong, 1 when\n"
         "something is, 2 on a usage error.\n"},
        {"completion", "SHELL", 1, 1, "print the bash, zsh or fish completion script", {}, ""},
    };
}

int distance(const QString& a, const QString& b) {
    std::vector<int> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j) row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<std::size_t>(j)];
            row[static_cast<std::size_t>(j)] = std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1,
                                                         diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

}  // namespace

const std::vector<OptionEntry>& globalOptions() {
    static const std::vector<OptionEntry> table = makeGlobals();
    return table;
}

const std::vector<CommandEntry>& commandTable() {
    static const std::vector<CommandEntry> table = makeCommands();
    return table;
}

const CommandEntry* findCommand(const QString& name, const QString& sub) {
    const QString full = sub.isEmpty() ? name : name + ' ' + sub;
    for (const CommandEntry& c : commandTable())
        if (QLatin1String(c.name) == full) return &c;
    return nullptr;
}

QStringList subCommandsOf(const QString& name) {
    QStringList subs;
    for (const CommandEntry& c : commandTable()) {
        const QString full = QLatin1String(c.name);
        if (full.startsWith(name + ' ')) subs << full.mid(name.size() + 1);
    }
    return subs;
}

QStringList commandNames() {
    QStringList names;
    for (const CommandEntry& c : commandTable()) {
        const QString first = QString::fromLatin1(c.name).section(' ', 0, 0);
        if (!names.contains(first)) names << first;
    }
    return names;
}

const OptionEntry* findOption(const std::vector<OptionEntry>& options, const QString& name) {
    for (const OptionEntry& o : options)
        if (QLatin1String(o.name) == name) return &o;
    return nullptr;
}

std::optional<QString> nearest(const QString& typed, const QStringList& known) {
    std::optional<QString> best;
    int bestDistance = INT_MAX;
    for (const QString& k : known) {
        const int d = distance(typed, k);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    // Past a third of the word, a suggestion is a guess rather than a correction.
    if (!best || bestDistance > std::max<qsizetype>(2, typed.size() / 3)) return std::nullopt;
    return best;
}

std::optional<QString> ParsedArguments::text(const QString& name) const {
    auto it = values.find(name);
    if (it == values.end() || it->second.isEmpty()) return std::nullopt;
    return it->second.last();
}

std::optional<long long> ParsedArguments::number(const QString& name) const {
    const auto t = text(name);
    if (!t) return std::nullopt;
    return t->toLongLong();
}

QStringList ParsedArguments::words(const QString& name) const {
    auto it = values.find(name);
    return it == values.end() ? QStringList() : it->second;
}

QString checkValue(const OptionEntry& option, const QString& value) {
    const QString name = QLatin1String(option.name);
    switch (option.kind) {
        case ValueKind::Flag:
        case ValueKind::Text:
            if (option.maxBytes && static_cast<std::size_t>(value.toUtf8().size()) > option.maxBytes)
                return QStringLiteral("%1: at most %2 bytes, not %3")
                    .arg(name)
                    .arg(option.maxBytes)
                    .arg(value.toUtf8().size());
            return {};
        case ValueKind::Address:
            if (isDottedIpv4(value.toStdString())) return {};
            return QStringLiteral("%1: not an IPv4 address: %2").arg(name, value);
        case ValueKind::Number: {
            bool ok = false;
            // toLongLong refuses what overflows; the range check does the rest.
            const long long n = value.toLongLong(&ok);
            if (ok && n >= option.low && n <= option.high) return {};
            return QStringLiteral("%1: a number from %2 to %3, not %4")
                .arg(name)
                .arg(option.low)
                .arg(option.high)
                .arg(value);
        }
        case ValueKind::Choice: {
            QStringList choices;
            for (std::string_view c : option.choices) {
                choices << QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()));
                if (choices.last().compare(value, option.anyCase ? Qt::CaseInsensitive : Qt::CaseSensitive) ==
                    0)
                    return {};
            }
            return QStringLiteral("%1: one of %2, not %3").arg(name, choices.join(' '), value);
        }
    }
    return {};
}

}  // namespace tavrel::cli
