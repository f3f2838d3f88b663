// wifi scan and wifi set: the WiFi group of the window for 302-form boards.
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTimer>

#include "Commands.h"
#include "PackedWriteRun.h"
#include "WifiOptions.h"
#include "device/DeviceCapabilities.h"
#include "wifi/WifiScan.h"

namespace tavrel::cli {

namespace {

// After the first answer, how long further parts of the list may take.
constexpr int kScanSettleMs = 300;
constexpr int kScanPollMs = 20;

// Only boards that answered with the 302-byte record have WiFi.
bool isWifiBoard(Context& ctx, const DeviceRecord& r) {
    if (capabilitiesOf(r).wifi) return true;
    ctx.err << "not a WiFi board (only boards that report the 302-byte record have WiFi); nothing was sent\n";
    return false;
}

struct ScanAnswer {
    bool answered = false;
    std::vector<std::string> names;
};

// Sends the scan and collects names until the deadline, or a short quiet time after an answer.
ScanAnswer waitForScan(DeviceSession& session, const Frame& request, const QHostAddress& to, int waitMs) {
    ScanAnswer answer;
    QDeadlineTimer deadline(waitMs);
    QDeadlineTimer settle(QDeadlineTimer::Forever);
    QEventLoop loop;
    auto conn = QObject::connect(&session, &DeviceSession::wifiScanResult, &loop, [&](const QByteArray& d) {
        const auto names = parseScanResult(
            Bytes(reinterpret_cast<const std::uint8_t*>(d.constData()), static_cast<std::size_t>(d.size())));
        if (!names) return;
        if (!answer.answered) settle.setRemainingTime(kScanSettleMs);
        answer.answered = true;
        mergeScanNames(answer.names, *names);
    });
    QTimer check;
    check.setInterval(kScanPollMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (deadline.hasExpired() || settle.hasExpired()) loop.quit();
    });
    check.start();
    session.socket().send(request, to, session.settings().devicePort);
    loop.exec();
    QObject::disconnect(conn);
    return answer;
}

int runWifiScan(Context& ctx, const ParsedArguments& args) {
    const bool direct = args.flag("--direct");
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.operands.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[found.index];
    if (!isWifiBoard(ctx, r)) return kExitFailed;

    const std::string to = scanDestination(!direct, ctx.options.network.broadcast, r);
    ctx.err << q(ctx.texts.wifiSearching) << '\n';
    const ScanAnswer answer =
        waitForScan(session, wifiScanRequest(r.key), QHostAddress(q(to)),
                    ctx.options.timeoutMs.value_or(kScanCountdownSeconds * kWifiScanTickMs));
    if (!answer.answered) {
        ctx.err << q(ctx.texts.wifiSearchTimeout) << '\n';
        if (ctx.options.json) ctx.out << "[]\n";
        return kExitFailed;
    }
    if (ctx.options.json) {
        QJsonArray names;
        for (const auto& name : answer.names) names.append(q(name));
        ctx.out << QJsonDocument(names).toJson(QJsonDocument::Indented);
    } else {
        for (const auto& name : answer.names) ctx.out << q(name) << '\n';
    }
    return kExitOk;
}

int runWifiSet(Context& ctx, const ParsedArguments& args) {
    const bool force = args.flag("--force");
    QString error;
    const auto edit = wifiEditOf(args, &error);
    if (!edit) {
        ctx.err << error << '\n';
        return kExitUsage;
    }
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, args.operands.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[found.index];
    if (!isWifiBoard(ctx, r)) return kExitFailed;
    // Asked before the record's form is read: fields never read hold zeros that no check passes.
    if (refusesIncompleteWrite(ctx, session, found.index, force, WriteKind::Save)) return kExitFailed;
    // The board takes WiFi settings only inside its whole record, so everything else goes back as read.
    PackedWriteInput input = packedWriteInputOf(r);
    input.wifi = editedWifiSettings(wifiSettingsOf(r), *edit);
    return sendPackedWrite(ctx, session, found.index, r, input, false, force);
}

}  // namespace

int runWifi(Context& ctx) {
    // The parser let no other sub-command through.
    if (ctx.options.sub == "scan") return runWifiScan(ctx, ctx.options.arguments);
    return runWifiSet(ctx, ctx.options.arguments);
}

}  // namespace tavrel::cli
