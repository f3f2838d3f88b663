#include <cstdio>
#include <cstring>

#include "CConfigApp.h"
#include "FileSync.h"
#include "tavrel/Version.h"

namespace {

const char* kHelp =
    "usage: tavrel-config [--help | --version]\n"
    "Opens the device configuration window: search the LAN for device servers and IO boards,\n"
    "edit their network and serial-port settings, upgrade firmware, apply profiles, and\n"
    "operate IO boards. The window takes no other options; the TAVREL_* variables\n"
    "(TAVREL_BROADCAST, TAVREL_DEVICE_PORT, TAVREL_LOCAL_PORT, TAVREL_BIND, TAVREL_TFTP_PORT,\n"
    "TAVREL_HOME) override its network defaults and its settings folder.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tavrel-config %s\n", tavrel::kVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    tavrel::installFileSync();
    tavrel::CConfigApp app(argc, argv);
    return app.run();
}
