// tavrel-cli: the device actions of the window, for terminals and scripts.
#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>
#include <map>

#include "Commands.h"
#include "Environment.h"

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
    "  --lang en|zh        language of messages (default en)\n"
    "Environment: TAVREL_BROADCAST, TAVREL_BIND, TAVREL_LOCAL_PORT, TAVREL_DEVICE_PORT, TAVREL_TFTP_PORT.\n"
    "\n"
    "Commands (COMMAND --help for details):\n"
    "  search              find devices and list them\n"
    "  show DEVICE         everything a device reports\n"
    "  restart DEVICE      restart a device\n"
    "  reset DEVICE        reset a device to its factory settings\n"
    "  set-network DEVICE  change the network settings\n"
    "  set-port DEVICE     change the settings of one serial port\n"
    "  upgrade FILE DEVICE...  upload new firmware (or FILE --target ADDR)\n"
    "DEVICE is an IP address, a MAC (00-CA-C1-19-00-33 or 00:CA:...) or the 6-digit key (190033).\n"
    "Exit status: 0 done, 1 failed or no answer, 2 usage error.\n";

const std::map<QString, const char*> kCommandHelp = {
    {"search",
     "usage: tavrel-cli [global options] search [--address ADDR] [--scan]\n"
     "  --address ADDR  where the search goes (default: the broadcast address)\n"
     "  --scan          search hosts 1..254 of that address's subnet one by one\n"
     "Prints IP, MAC, firmware and hardware of every device that answered, in the order they answered.\n"
     "Exit 0 when a device answered, 1 when none did.\n"},
    {"show",
     "usage: tavrel-cli [global options] show DEVICE\n"
     "Searches, reads the device out and prints everything its record holds.\n"},
    {"restart",
     "usage: tavrel-cli [global options] restart DEVICE\nSends the restart command (no answer comes).\n"},
    {"reset",
     "usage: tavrel-cli [global options] reset DEVICE\nSends the factory-reset command (no answer comes).\n"},
    {"set-network",
     "usage: tavrel-cli [global options] set-network DEVICE [--ip A] [--mask A] [--gateway A] [--dns A]\n"
     "       [--mac M] [--dhcp|--static] [--user U] [--password P]\n"
     "Fields not given keep the device's values. Exit 0 when the device acknowledged, 1 when it refused\n"
     "or did not answer, 2 on a bad value (nothing is sent then).\n"},
    {"set-port",
     "usage: tavrel-cli [global options] set-port DEVICE [--port N] [--baud B] [--parity P] [--data-bits N]\n"
     "       [--stop-bits S] [--mode M] [--remote-host H] [--remote-port N] [--local-port N]\n"
     "       [--heartbeat-data T] [--heartbeat-interval S] [--modbus on|off] [--modbus-timeout MS]\n"
     "List values by their texts: --baud 115200, --parity NONE|EVEN|ODD, --data-bits 7|8|9,\n"
     "--stop-bits 1|1.5|2, --mode TCP_SERVER|TCP_CLIENT|UDP_SERVER|UDP_CLIENT. --port 1..8 (default 1).\n"
     "All ports are written, as the window's Save does. Exit codes as for set-network.\n"},
    {"upgrade",
     "usage: tavrel-cli [global options] upgrade FILE DEVICE... [--parallel N] [--wait MS]\n"
     "       tavrel-cli [global options] upgrade FILE --target ADDR\n"
     "Tells each device to get ready for an upgrade, waits MS (default 1000), then uploads FILE to it\n"
     "over TFTP. --parallel N uploads to N devices at once (1-8, default 1). --target uploads to ADDR\n"
     "without the upgrade request, as the window's menu does. A progress bar per device goes to stderr\n"
     "when it is a terminal; --json prints {device, blocks, bytes, seconds, result, message} per device\n"
     "(blocks and bytes the device acknowledged, seconds of the upload itself).\n"
     "Exit 0 when every upload completed, 1 when any failed, 2 on a usage error or a file the dialog\n"
     "would refuse (nothing is sent then).\n"},
};

using Runner = int (*)(Context&);
const std::map<QString, Runner> kRunners = {{"search", runSearch},          {"show", runShow},
                                            {"restart", runRestart},        {"reset", runReset},
                                            {"set-network", runSetNetwork}, {"set-port", runSetPort},
                                            {"upgrade", runUpgrade}};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    auto options = parseGlobalOptions(app.arguments().mid(1), networkSettingsFromEnvironment(), &error);
    if (!options) {
        err << error << '\n' << kUsage;
        return kExitUsage;
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
