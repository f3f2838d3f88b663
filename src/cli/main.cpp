// tavrel-cli: the device actions of the window, for terminals and scripts.
#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>
#include <map>

#include "Commands.h"
#include "Environment.h"
#include "FileSync.h"
#include "tavrel/Version.h"

using namespace tavrel;
using namespace tavrel::cli;

namespace {

const char* kUsage =
    "usage: tavrel-cli [global options] COMMAND [arguments]\n"
    "\n"
    "Global options:\n"
    "  --broadcast ADDR    broadcast address of searches and commands (default 255.255.255.255)\n"
    "  --bind ADDR         local address to bind (default: all)\n"
    "  --local-port N      local UDP port (default 4601; 0 for any free port)\n"
    "  --device-port N     UDP port of the devices (default 1111)\n"
    "  --tftp-port N       TFTP port of firmware uploads (default 69)\n"
    "  --timeout MS        bound on the whole wait\n"
    "  --json              machine-readable output\n"
    "  --show-secrets      print device, cloud and WiFi passwords (masked as ******** otherwise)\n"
    "  --lang en|zh        language of messages (default en)\n"
    "  --version           print the version and exit\n"
    "Environment: TAVREL_BROADCAST, TAVREL_BIND, TAVREL_LOCAL_PORT, TAVREL_DEVICE_PORT, TAVREL_TFTP_PORT.\n"
    "\n"
    "Commands (COMMAND --help for details):\n"
    "  search              find devices and list them\n"
    "  show DEVICE         everything a device reports\n"
    "  restart DEVICE      restart a device\n"
    "  reset DEVICE        reset a device to its factory settings\n"
    "  set-network DEVICE  change the network settings\n"
    "  set-port DEVICE     change the settings of one serial port\n"
    "  export DEVICE FILE  write a device's settings to a profile\n"
    "  import FILE         print a profile as show prints a device\n"
    "  diff FILE DEVICE    the fields in which a device differs from a profile\n"
    "  apply FILE DEVICE...  one-click configuration of devices from a profile\n"
    "  snapshots DEVICE    list the settings kept before each write to the device\n"
    "  rollback DEVICE     write the latest (or --to FILE) snapshot back and compare\n"
    "  wifi scan DEVICE    networks a WiFi board finds\n"
    "  wifi set DEVICE     change a WiFi board's mode, SSIDs and passwords\n"
    "  io ... ACTION       read and switch an IO board over TCP or UDP\n"
    "  io-test SCRIPT      commission IO boards: play a script of steps, report pass or fail\n"
    "  timing read DEVICE  the output schedules, options and clock of an IO board\n"
    "  timing set DEVICE   change the schedule of one output\n"
    "  clock DEVICE...     set an IO board's clock, or --check the drift of several\n"
    "  upgrade FILE DEVICE...  upload new firmware (or FILE --target ADDR)\n"
    "  doctor              why a device is not found: cards, ports, address faults\n"
    "DEVICE is an IP address, a MAC (00-CA-C1-19-00-33 or 00:CA:...) or the 6-digit key (190033).\n"
    "Exit status: 0 done, 1 failed or no answer, 2 usage error.\n";

const std::map<QString, const char*> kCommandHelp = {
    {"search",
     "usage: tavrel-cli [global options] search [--address ADDR] [--scan [--passes N]] [--csv]\n"
     "  --address ADDR  where the search goes (default: the broadcast address)\n"
     "  --scan          search hosts 1..254 of that address's subnet one by one\n"
     "  --passes N      scan N times (1-10, default 1), each later pass only the hosts that did not answer\n"
     "  --csv           one row per device with every field --json gives, flattened (network.ip,\n"
     "                  port1.baud, ...): RFC 4180, UTF-8, a header row\n"
     "Prints IP, MAC, firmware and hardware of every device that answered, in the order they answered,\n"
     "and for a device whose settings were not all read (lost replies), which ones.\n"
     "Exit 0 when a device answered, 1 when none did.\n"},
    {"show",
     "usage: tavrel-cli [global options] show DEVICE [--csv]\n"
     "Searches, reads the device out and prints everything its record holds (--csv: as search --csv).\n"},
    {"restart",
     "usage: tavrel-cli [global options] restart DEVICE [--wait]\nSends the restart command (no answer "
     "comes).\n"
     "--wait: waits until the device answers again (30 s at most), then prints it as show does\n"
     "(--json: {\"result\", \"message\", \"device\"}); exit 1 when it does not come back.\n"},
    {"reset",
     "usage: tavrel-cli [global options] reset DEVICE [--wait]\nSends the factory-reset command (no answer "
     "comes).\n"
     "--wait as for restart; the device is looked for by broadcast, as its address may change.\n"},
    {"set-network",
     "usage: tavrel-cli [global options] set-network DEVICE [--ip A] [--mask A] [--gateway A] [--dns A]\n"
     "       [--mac M] [--dhcp|--static] [--user U] [--password P] [--force] [--wait]\n"
     "Fields not given keep the device's values. Every write is answered, then the device is read again\n"
     "and compared: exit 0 when it holds what was asked (--json result \"verified\"), 1 when it refused,\n"
     "did not answer its last frame, reads back differently (naming the fields) or was not read again,\n"
     "2 on a bad value (nothing is sent then). A device whose settings were not all read (lost replies),\n"
     "or an unusual address (a gateway outside the subnet, another device's IP), is not written (exit 1)\n"
     "unless --force. --wait: also prints the device as read again.\n"},
    {"set-port",
     "usage: tavrel-cli [global options] set-port DEVICE [--port N] [--baud B] [--parity P] [--data-bits N]\n"
     "       [--stop-bits S] [--mode M] [--remote-host H] [--remote-port N] [--local-port N]\n"
     "       [--heartbeat-data T] [--heartbeat-interval S] [--modbus on|off] [--modbus-timeout MS] "
     "[--force]\n"
     "List values by their texts: --baud 115200, --parity NONE|EVEN|ODD, --data-bits 7|8|9,\n"
     "--stop-bits 1|1.5|2, --mode TCP_SERVER|TCP_CLIENT|UDP_SERVER|UDP_CLIENT. --port N (default 1):\n"
     "the ports the window's port list offers (two on one-port and 'B' devices).\n"
     "All ports are written, as the window's Save does. Exit codes, --force and --wait as for set-network.\n"
     "A board that answered with a whole record takes port 1 only, in one packed write.\n"},
    {"export",
     "usage: tavrel-cli [global options] export DEVICE FILE [--force]\n"
     "Writes the device's network and port settings to FILE, replacing it whole (a failed write leaves\n"
     "an existing file as it was). Exit 0 written, 1 the device did not answer, 2 usage or unwritable FILE.\n"
     "A device whose settings were not all read is not exported (exit 1) unless --force.\n"},
    {"import",
     "usage: tavrel-cli [global options] import FILE\n"
     "Prints the profile as show prints a device (--json: the same keys). Exit 1 for a profile the window\n"
     "refuses (\"Bad Profile!\"), 2 for a missing file.\n"},
    {"diff",
     "usage: tavrel-cli [global options] diff FILE DEVICE [--all]\n"
     "Reads the device and prints each profile entry it differs in: section, key, device and profile value.\n"
     "Compared are the settings one-click writes, for the ports the device has; --all adds the versions and\n"
     "the MAC. Exit 0 when nothing differs, 1 when something does, 2 on any trouble.\n"},
    {"apply",
     "usage: tavrel-cli [global options] apply FILE DEVICE... [--verify] [--force] [--same-ip | --ip-from "
     "A]\n"
     "One-click configuration of each device in turn: the profile's settings are copied into the device's\n"
     "record and written with the network save, 600 ms, the port save. One line per device (--json: a\n"
     "list): applied, verified, differs, refused, no-answer, unread, incomplete, not-found, port-count,\n"
     "invalid or not-supported. --verify reads each device back after its acknowledgement and lists the\n"
     "entries that differ. A device whose settings were not all read is not written unless --force.\n"
     "A static profile address is given to one device only, and not to an address another listed device\n"
     "holds: --ip-from A gives the devices A, A+1, ... in the order named; --same-ip allows the profile's\n"
     "address anyway. Exit 0 when every device acknowledged (and, with --verify, matches), 1 otherwise\n"
     "(a refused address plan sends nothing), 2 on a usage error or a missing FILE.\n"},
    {"snapshots",
     "usage: tavrel-cli [global options] snapshots DEVICE\n"
     "Lists the snapshots kept of the device, oldest first: its settings as read before each write\n"
     "(saves, set-*, apply, wifi set, timing set, clock, rollback), at most 20. A MAC needs no search.\n"},
    {"rollback",
     "usage: tavrel-cli [global options] rollback DEVICE [--to FILE] [--force]\n"
     "Writes the latest snapshot of the device (or FILE) back, as one-click does (boards: the packed\n"
     "record kept beside it), then searches the device again and compares. Exit 0 when it reads back as\n"
     "the snapshot, 1 when it was refused, lost or differs, 2 on a usage error or when no snapshot "
     "exists.\n"},
    {"wifi",
     "usage: tavrel-cli [global options] wifi scan DEVICE [--direct]\n"
     "       tavrel-cli [global options] wifi set DEVICE [--mode AP|STA] [--ap-ssid S] [--ap-password P]\n"
     "       [--sta-ssid S] [--sta-password P] [--force]\n"
     "scan: asks the board to look for networks and prints their names, one a line (--json: an array).\n"
     "  The request goes to the broadcast address, or with --direct to the address the board answered\n"
     "  from. Waits 6 s (or --timeout) for the answer; exit 1 when none came.\n"
     "set: SSIDs hold at most 31 bytes, passwords 15; fields not given keep the board's values.\n"
     "Only boards that report the 302-byte record have WiFi.\n"},
    {"io",
     "usage: tavrel-cli [global options] io (--tcp HOST:PORT | --listen ADDR:PORT | --udp LOCAL:PORT --to "
     "HOST:PORT)\n"
     "       [--protocol custom|modbus] [--address N] [--json] [--log] ACTION\n"
     "ACTION: model | inputs | outputs | switch N on|off [--time T] | all on|off\n"
     "        | watch [--interval MS] [--count N]\n"
     "  --tcp     connect to a board that serves TCP\n"
     "  --listen  wait for a board to connect (it is asked \"H:E.\" first); port 0 takes a free one\n"
     "  --udp     exchange datagrams with the board at --to\n"
     "The model is asked first (up to six tries, 500 ms apart). --json prints\n"
     "{\"model\": ..., \"inputs\": [...], \"outputs\": [...]} as far as known (watch: one object per "
     "reply).\n"
     "--log prints the frames as the IO window logs them, on stderr.\n"
     "Exit 0 when the board answered (switch, all: and confirmed), 1 when it did not, 2 on a usage error.\n"},
    {"io-test",
     "usage: tavrel-cli [global options] io-test SCRIPT [--stop-on-fail] [--json] [--junit FILE] [--log]\n"
     "Plays SCRIPT, one step a line ('#' starts a comment), and reports each step with its time:\n"
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
     "board's echo; 'for T' switches back after T. A failed step does not stop the run unless\n"
     "--stop-on-fail (the rest are then skipped). --junit writes JUnit XML, one test case per step.\n"
     "Exit 0 when every step passed, 1 when any failed, 2 for a script error (with its line number;\n"
     "nothing is sent then).\n"},
    {"timing",
     "usage: tavrel-cli [global options] timing read DEVICE\n"
     "       tavrel-cli [global options] timing set DEVICE --channel N [--force]\n"
     "           (--timer OPEN CLOSE | --strobe OPEN CLOSE | --week OPENDAY OPENTIME CLOSEDAY CLOSETIME)\n"
     "read prints the schedules of the outputs, the two input-change options and the board clock\n"
     "(--json for scripts). set reads the schedules, changes channel N (1-8) and writes them back.\n"
     "Timer times are \"YYYY-MM-DD HH:MM:SS\", strobe times numbers 0-65535, week days 1-7 (7 Sunday)\n"
     "and week times \"HH:MM:SS\"; any date or time field may be ff (the year ffff) to match all.\n"
     "Exit 0 done, 1 refused or unanswered after the resends, 2 usage error (nothing sent).\n"},
    {"clock",
     "usage: tavrel-cli [global options] clock DEVICE [--time \"YYYY-MM-DD HH:MM:SS\"] [--force]\n"
     "       tavrel-cli [global options] clock DEVICE... --check [--max-drift S] [--set-if-drift]\n"
     "           [--report FILE.csv]\n"
     "Sets the board's clock to the given time (default: this computer's), or with --check prints\n"
     "each board's clock, this computer's and the drift in seconds (positive: the board is behind),\n"
     "one row per device (--json: an object for one device, a list for several). --set-if-drift sets\n"
     "a board beyond S seconds (default 2) to this computer's time; --report writes the rows as CSV.\n"
     "Result per board: ok, drift, set, set-failed, no-answer, not-found, no-clock, invalid.\n"
     "Exit 1 when any board is beyond S and was not set, or could not be read.\n"},
    {"upgrade",
     "usage: tavrel-cli [global options] upgrade FILE DEVICE... [--parallel N] [--wait MS] [--mixed]\n"
     "           [--skip-version TEXT] [--dry-run] [--verify [--verify-timeout MS]] [--report FILE.csv]\n"
     "       tavrel-cli [global options] upgrade FILE --target ADDR\n"
     "FILE is read and checked once; every device is found and read first, and devices whose hardware\n"
     "version differs from the first one's are refused (nothing is sent) unless --mixed. Devices that\n"
     "already report the firmware version TEXT are skipped. --dry-run prints the plan and sends nothing.\n"
     "Each device is told to get ready for an upgrade, MS later (default 1000) FILE goes to it over TFTP;\n"
     "--parallel N uploads to N devices at once (1-8, default 1). --target uploads to ADDR without the\n"
     "upgrade request, as the window's menu does. Ctrl-C stops the uploads and names the finished ones.\n"
     "--verify waits (up to --verify-timeout, default 30000 ms) for each device to answer again and\n"
     "reads its version: upgraded (V1 -> V2), unchanged or did not come back. A progress bar per device\n"
     "goes to stderr when it is a terminal. --json prints {device, mac, ip, hardware, versionBefore,\n"
     "versionAfter, blocks, bytes, seconds, result, message} per device; --report writes the same as CSV.\n"
     "Exit 0 when every device (but the skipped) completed, with --verify: upgraded; 1 when any did not;\n"
     "2 on a usage error, a refused file or a mixed set (nothing is sent then).\n"},
    {"doctor",
     "usage: tavrel-cli [global options] doctor [--json]\n"
     "Searches through the default binding and through every network card (or only the --bind one), then\n"
     "sends a search to each answering address. Prints per card the devices found through it, who holds the\n"
     "local port and the TFTP port, and each fault found with its cause and remedy (--lang zh in Chinese):\n"
     "nothing found, local port in use, a device outside its card's subnet (with the set-network line that\n"
     "moves it, addressed by MAC), two devices with one IP, one key or MAC twice, a device that answers the\n"
     "broadcast but not its own address. Each card's search ends after 5 s (--timeout MS).\n"
     "Exit 0 when nothing is wrong, 1 when something is, 2 on a usage error.\n"},
};

using Runner = int (*)(Context&);
const std::map<QString, Runner> kRunners = {{"search", runSearch},
                                            {"show", runShow},
                                            {"restart", runRestart},
                                            {"reset", runReset},
                                            {"set-network", runSetNetwork},
                                            {"set-port", runSetPort},
                                            {"export", runExport},
                                            {"import", runImport},
                                            {"diff", runDiff},
                                            {"apply", runApply},
                                            {"wifi", runWifi},
                                            {"io", runIo},
                                            {"io-test", runIoTest},
                                            {"timing", runTiming},
                                            {"clock", runClock},
                                            {"upgrade", runUpgrade},
                                            {"doctor", runDoctor},
                                            {"snapshots", runSnapshots},
                                            {"rollback", runRollback}};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tavrel::installFileSync();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    if (auto problem = environmentProblem()) {
        err << QString::fromStdString(*problem) << "; nothing was sent\n";
        return kExitUsage;
    }
    auto options = parseGlobalOptions(app.arguments().mid(1), networkSettingsFromEnvironment(), &error);
    if (!options) {
        err << error << '\n' << kUsage;
        return kExitUsage;
    }
    if (options->version) {
        out << "tavrel-cli " << kVersion << '\n';
        return kExitOk;
    }
    if (options->command.isEmpty() || options->command == "help") {
        (options->command.isEmpty() && !options->help ? err : out) << kUsage;
        return options->command.isEmpty() && !options->help ? kExitUsage : kExitOk;
    }
    auto runner = kRunners.find(options->command);
    if (runner == kRunners.end()) {
        err << "unknown command: " << options->command << '\n' << kUsage;
        return kExitUsage;
    }
    if (options->help || options->arguments.contains("--help")) {
        out << kCommandHelp.at(options->command);
        return kExitOk;
    }
    UiTexts texts;
    texts.load(options->language);
    Context ctx{*options, texts, out, err};
    return runner->second(ctx);
}
