// tavrel-sim: simulated serial servers and IO boards on loopback addresses.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "DeviceDescription.h"
#include "QuitOnSignal.h"
#include "SimIoBoard.h"
#include "SimTftp.h"
#include "Simulator.h"
#include "tavrel/Version.h"

using namespace tavrel::sim;

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "tavrel-sim: %s\n", qPrintable(message));
    return 2;
}

std::optional<std::vector<DeviceDescription>> descriptionsFrom(const QCommandLineParser& args, QString& error,
                                                               AddressRange range) {
    std::vector<DeviceDescription> descriptions;
    if (args.isSet("demo")) descriptions = demoDescriptions();
    std::string message;
    for (const QString& text : args.values("device")) {
        auto description = parseDeviceDescription(text.toStdString(), message, range);
        if (!description) {
            error = QString::fromStdString(message);
            return std::nullopt;
        }
        descriptions.push_back(*description);
    }
    if (args.isSet("count")) {
        auto description =
            parseDeviceDescription("kind=serial,count=" + args.value("count").toStdString(), message);
        if (!description) {
            error = QStringLiteral("--count needs a number from 1 to 60000");
            return std::nullopt;
        }
        descriptions.push_back(*description);
    }
    if (descriptions.empty() && !args.isSet("io-board"))
        error = QStringLiteral("nothing to simulate: give --demo, --device, --count or --io-board");
    if (!error.isEmpty()) return std::nullopt;
    return descriptions;
}

// A script watching the file sees each frame once it is handled, so the line is flushed at once.
void logFramesOf(const SimDevice& device, QFile& log) {
    QObject::connect(&device, &SimDevice::frameReceived, &log, [&device, &log](const ReceivedFrame& frame) {
        const QByteArray op = frame.op > ' ' && frame.op < 0x7f ? QByteArray(1, char(frame.op))
                                                                 : QByteArray::number(frame.op);
        log.write(device.address().toString().toLatin1() + ' ' + op + ' ' + QByteArray::number(frame.subCode) +
                  '\n');
        log.flush();
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrel-sim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tavrel::kVersion));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral(
        "Simulated serial servers and IO boards, each on its own 127.0.0.N address.\n"
        "Device items: kind=serial|302|830|866|250, ports=1|4|6|8|B, version=NN, flag=N, ip=127.x.y.z,\n"
        "mac=00-CA-C1-xx-xx-xx, count=N, drop=N (lose every N-th reply other than search replies),\n"
        "loss=P (lose P percent of all replies, search replies too, at random), seed=N (which ones:\n"
        "the same seed loses the same replies again), silent, twice,\n"
        "source-port=N, refuse, ignore-writes (answers searches and reads only),\n"
        "timing (302 board with output timing), noack (packed writes taken without an answer),\n"
        "clock-offset=S (board clock S seconds from the computer's), loopback-network (the network\n"
        "block reports the device's own loopback address),\n"
        "networks=NAME:DBM/NAME:DBM (what a 302 board's WiFi scan finds), scan-delay=MS,\n"
        "tftp=normal|oack|error|wrong-block|silent|stall (how firmware uploads are answered),\n"
        "version-after=NN (the version a completed upload leaves; else the V1NN in the image's name),\n"
        "no-return (never answers again after a completed upload)."));
    args.addHelpOption();
    args.addVersionOption();
    args.addOptions({
        {QStringLiteral("demo"),
         QStringLiteral("1-, 4- and 8-port serial servers, a 302 and an 830 board, and a one-port server on "
                        "a loopback network with an IO board behind its port 1.")},
        {QStringLiteral("device"), QStringLiteral("Adds devices described by <description>."),
         QStringLiteral("description")},
        {QStringLiteral("count"), QStringLiteral("Adds <n> one-port serial servers."), QStringLiteral("n")},
        {QStringLiteral("port"), QStringLiteral("Device port (default TAVREL_DEVICE_PORT or 1111)."),
         QStringLiteral("port")},
        {QStringLiteral("broadcast"), QStringLiteral("Loopback broadcast address to listen at."),
         QStringLiteral("address")},
        {QStringLiteral("lan"),
         QStringLiteral(
             "On a virtual LAN, in a network namespace of its own (refused elsewhere): ip= may be\n"
             "any host address, the device's network block reports it (a /24, router .1), and\n"
             "searches are heard at 255.255.255.255.")},
        {QStringLiteral("list"), QStringLiteral("Prints the devices and exits.")},
        {QStringLiteral("io-board"),
         QStringLiteral(
             "Adds an IO board: model=KB-04-00|KB-08-00|KB-16-00|KB-32-00|MV-I16-O16|MV-I00-O02|\n"
             "MV-I32-O00|1HMTK08 or an order code (1HWTK04, 1GWTK16, ...), reports=TEXT (the model\n"
             "text it reports instead, one no tool knows), protocol=custom|modbus,\n"
             "transport=tcp-server|tcp-client|udp, ip=127.x.y.z, port=N (0: any), peer=HOST:PORT\n"
             "(tcp-client: the window's server), address=N, identity=TEXT|none, inputs=HEX\n"
             "(fixed inputs), change=MS (input pattern step, default 1000), silent, flood=N (the last\n"
             "answer again, unasked, N times a second), loopback-io=MSms (input n follows output n\n"
             "after that delay; the inputs start off), unwired=N (with loopback-io: input N does not\n"
             "follow; may repeat), switch-reply=echo|states|old-states-first (a single switch is\n"
             "confirmed by its echo, by the output states, or by the states before it and then the\n"
             "echo), stuck=N (output N never moves, whatever is written; may repeat), lose=N (every\n"
             "N-th frame the board sends is lost). A switch-on with a time value\n"
             "T falls back after T tenths of a second."),
         QStringLiteral("description")},
        {QStringLiteral("tftp-port"),
         QStringLiteral(
             "Each device takes firmware uploads over TFTP at this port (default TAVREL_TFTP_PORT; "
             "none without either)."),
         QStringLiteral("port")},
        {QStringLiteral("frame-log"),
         QStringLiteral("Appends a line per frame a device takes to <file> as it comes: its address, "
                        "the operation letter and the sub-code (\"127.0.0.2 W 3\")."),
         QStringLiteral("file")},
    });
    args.process(app);

    Simulator simulator;
    const AddressRange range = args.isSet("lan") ? AddressRange::Lan : AddressRange::Loopback;
    if (range == AddressRange::Lan) {
        QString why;
        if (!inPrivateNetworkNamespace(&why)) return fail(QStringLiteral("--lan: ") + why);
        simulator.useLan();
    }
    if (!devicePortFromEnvironment()) return fail(QStringLiteral("TAVREL_DEVICE_PORT is not a port number"));
    if (args.isSet("port")) {
        bool ok = false;
        const uint port = args.value("port").toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return fail(QStringLiteral("--port needs a number from 1 to 65535"));
        simulator.setDevicePort(static_cast<std::uint16_t>(port));
    }
    QString error;
    if (args.isSet("broadcast") &&
        !simulator.setBroadcastAddress(QHostAddress(args.value("broadcast")), &error))
        return fail(error);

    if (args.isSet("tftp-port") || qEnvironmentVariableIsSet("TAVREL_TFTP_PORT")) {
        bool ok = false;
        const uint port =
            (args.isSet("tftp-port") ? args.value("tftp-port") : qEnvironmentVariable("TAVREL_TFTP_PORT"))
                .toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return fail(QStringLiteral("--tftp-port and TAVREL_TFTP_PORT take a number from 1 to 65535"));
        simulator.setTftpPort(static_cast<std::uint16_t>(port));
    }

    const auto descriptions = descriptionsFrom(args, error, range);
    if (!descriptions) return fail(error);
    std::string message;
    const auto configs = expandDescriptions(*descriptions, message);
    if (!configs) return fail(QString::fromStdString(message));

    if (args.isSet("list")) {
        for (const auto& config : *configs)
            std::printf("%s\n", SimDevice(config, simulator.devicePort()).describe().c_str());
        return 0;
    }

    std::vector<IoBoardConfig> ioBoards;
    for (const QString& text : args.values("io-board")) {
        auto board = parseIoBoardDescription(text.toStdString(), message, range);
        if (!board) return fail(QString::fromStdString(message));
        ioBoards.push_back(*board);
    }
    // The demo's device on a loopback network gets an IO board behind its port 1, so "IO Control"
    // on it opens a window that connects and polls. A port already taken only loses that board.
    std::vector<IoBoardConfig> demoBoards;
    if (args.isSet("demo"))
        for (const auto& config : *configs)
            if (config.loopbackNetwork) demoBoards.push_back(demoIoBoardFor(config));

    QuitOnSignal quitOnSignal;
    std::vector<std::unique_ptr<SimIoBoard>> boards;
    for (const IoBoardConfig& config : ioBoards) {
        boards.push_back(std::make_unique<SimIoBoard>(config));
        if (!boards.back()->start(&error)) return fail(error);
        std::printf("%s\n", boards.back()->describe().c_str());
    }
    for (const IoBoardConfig& config : demoBoards) {
        auto board = std::make_unique<SimIoBoard>(config);
        if (!board->start(&error)) {
            std::printf("tavrel-sim: no demo IO board at %s:%u (%s)\n", config.ip.c_str(),
                        unsigned(config.port), qPrintable(error));
            continue;
        }
        std::printf("%s\n", board->describe().c_str());
        boards.push_back(std::move(board));
    }
    for (const auto& config : *configs) {
        const SimDevice* device = simulator.addDevice(config, &error);
        if (!device) return fail(error);
        std::printf("%s\n", device->describe().c_str());
    }
    QFile frameLog(args.value("frame-log"));
    if (args.isSet("frame-log")) {
        if (!frameLog.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return fail(QStringLiteral("--frame-log: ") + frameLog.errorString());
        for (const auto& device : simulator.devices())
            logFramesOf(*device, frameLog);
    }
    std::printf("tavrel-sim: %zu devices ready, broadcasts at %s:%u\n", simulator.deviceCount(),
                qPrintable(simulator.broadcastAddress().toString()), unsigned(simulator.devicePort()));
    if (simulator.tftpPort() != 0)
        std::printf("tavrel-sim: firmware uploads at TFTP port %u\n", unsigned(simulator.tftpPort()));
    std::fflush(stdout);
    const int status = app.exec();
    // What each device received, so that a script can compare it with what it sent.
    for (const auto& device : simulator.devices())
        if (device->tftp() && device->tftp()->hasFirmware()) std::printf("%s\n", device->describe().c_str());
    std::fflush(stdout);
    return status;
}
