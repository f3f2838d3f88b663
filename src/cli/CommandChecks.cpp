#include "CommandChecks.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include "IoOptions.h"
#include "TimingOptions.h"
#include "WifiOptions.h"
#include "device/DeviceSelector.h"
#include "firmware/FirmwareFile.h"
#include "settings/AddressText.h"
#include "timing/BoardClock.h"

namespace tavrel::cli {

namespace {

QString notDevices(const QStringList& names) {
    for (const QString& name : names)
        if (!parseDeviceSelector(name.toStdString()))
            return "not a device: " + name +
                   " (give an IP address, a MAC like 00-CA-C1-19-00-33, or a key like 190033)";
    return {};
}

QString clockProblem(const ParsedArguments& args) {
    const bool check = args.flag("--check");
    const auto time = args.text("--time");
    const auto report = args.text("--report");
    if (time && !parseClockText(time->toStdString()))
        return "--time: \"YYYY-MM-DD HH:MM:SS\", a real date from 2000 to 2255, not " + *time;
    if (check && time) return "--time and --check exclude each other";
    if (!check && (args.flag("--max-drift") || args.flag("--set-if-drift") || report))
        return "--max-drift, --set-if-drift and --report go with --check";
    // Found out before any clock is set, not after.
    if (report && QFileInfo(*report).isDir())
        return "--report: " + *report + " is a folder; give a file name";
    if (report && !QFileInfo(QFileInfo(*report).absolutePath()).isDir())
        return "--report: no folder " + QFileInfo(*report).absolutePath();
    if (!check && args.operands.size() != 1)
        return "usage: tavrel-cli clock DEVICE [--time \"YYYY-MM-DD HH:MM:SS\"] | clock DEVICE... --check "
               "[--max-drift S] [--set-if-drift] [--report FILE.csv]";
    return {};
}

// Found out before anything is sent, not after the devices are written.
QString reportProblem(const ParsedArguments& args) {
    const auto report = args.text("--report");
    if (report && (QFileInfo(*report).isDir() || !QFileInfo(*report).absoluteDir().exists()))
        return "--report: not a file in an existing folder: " + *report;
    return {};
}

QString upgradeProblem(const ParsedArguments& args) {
    const auto target = args.text("--target");
    if (target && args.operands.size() != 1) return QStringLiteral("--target goes without devices");
    if (target && (args.flag("--verify") || args.flag("--skip-version")))
        return QStringLiteral("--verify and --skip-version need devices found by a search, not --target");
    if (!target && args.operands.size() < 2) return QStringLiteral("no device named");
    if (target && checkFirmwareTarget(target->toStdString()) != FirmwareRefusal::None)
        return QStringLiteral("--target: not an IPv4 address: ") + *target;
    return reportProblem(args);
}

QString fleetProblem(const ParsedArguments& args) {
    if (args.flag("--dry-run") && (args.flag("--report") || args.flag("--stop-on-failure")))
        return QStringLiteral("--dry-run sends nothing: --report and --stop-on-failure go without it");
    return reportProblem(args);
}

}  // namespace

QString operandProblem(const CommandEntry& command, const QStringList& operands) {
    const QStringList kinds = QString::fromLatin1(command.operands).split(' ', Qt::SkipEmptyParts);
    QStringList devices;
    for (qsizetype i = 0; i < operands.size() && !kinds.isEmpty(); ++i)
        if (kinds.value(i, kinds.last()).startsWith(QLatin1String("DEVICE"))) devices << operands[i];
    return notDevices(devices);
}

QString commandProblem(const QString& command, const QString& sub, const ParsedArguments& args) {
    QString error;
    if (command == "search" && args.flag("--passes") && !args.flag("--scan"))
        return QStringLiteral("--passes: only with --scan");
    if (command == "set-network") {
        if (auto mac = args.text("--mac"); mac && !parseMac(mac->toStdString()))
            return "--mac: not twelve hexadecimal digits: " + *mac;
        if (args.flag("--dhcp") && args.flag("--static"))
            return QStringLiteral("--dhcp and --static exclude each other");
    }
    if (command == "apply" && args.flag("--same-ip") && args.flag("--ip-from"))
        return QStringLiteral("--same-ip and --ip-from exclude each other");
    if (command == "wifi" && sub == "set" && !wifiEditOf(args, &error)) return error;
    if (command == "timing" && sub == "set" && !parseChange(args, error)) return error;
    if (command == "io" && !parseIoLine(args, false, error)) return error;
    if (command == "clock") return clockProblem(args);
    if (command == "upgrade") return upgradeProblem(args);
    if (command == "fleet") return fleetProblem(args);
    return {};
}

}  // namespace tavrel::cli
