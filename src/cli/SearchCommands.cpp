#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

#include "Commands.h"
#include "DeviceCsv.h"
#include "DeviceJson.h"
#include "SearchRun.h"
#include "device/DeviceSelector.h"

namespace tavrel::cli {

namespace {}  // namespace

bool openSession(Context& ctx, DeviceSession& session) {
    if (session.openSocket()) return true;
    // A script must know it would hear nothing, or only part of the replies.
    const quint16 port = session.settings().localPort;
    if (session.socket().addressInUse())
        ctx.err << "UDP port " << port << " is in use by another program (is the tool already running?)";
    else
        ctx.err << "cannot bind UDP port " << port;
    ctx.err << "; close it, or use --local-port 0 for any free port\n";
    return false;
}

int runSearch(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    const bool scan = args.flag("--scan");
    const bool csv = args.flag("--csv");
    const int passes = static_cast<int>(args.number("--passes").value_or(1));
    const QString where = args.text("--address").value_or(q(ctx.options.network.broadcast));
    DeviceSession session(ctx.options.network);
    if (!openSession(ctx, session)) return kExitFailed;
    SearchRun search(session);
    auto result = search.run(scan, where, ctx.options.timeoutMs, {}, passes);
    if (result.devices == 0) {
        ctx.err << q(ctx.texts.searchTimeout) << '\n';
        if (ctx.options.json) ctx.out << "[]\n";
        return kExitFailed;
    }
    const DeviceTable& table = session.table();
    if (csv) {
        ctx.out << q(devicesCsv(table, static_cast<std::size_t>(result.devices), ctx.options.secrets));
    } else if (ctx.options.json) {
        QJsonArray list;
        for (int i = 0; i < result.devices; ++i)
            list.append(deviceJson(table[i], table.progress(i), ctx.options.secrets));
        ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    } else {
        for (int i = 0; i < result.devices; ++i) ctx.out << deviceRow(table[i], table.progress(i)) << '\n';
    }
    return kExitOk;
}

FoundDevice findDevice(Context& ctx, DeviceSession& session, const QString& selectorText) {
    auto selector = parseDeviceSelector(selectorText.toStdString());
    if (!selector) {
        ctx.err << "not a device: " << selectorText
                << " (give an IP address, a MAC like 00-CA-C1-19-00-33, or a key like 190033)\n";
        return {-1, kExitUsage};
    }
    if (!openSession(ctx, session)) return {-1, kExitFailed};
    SearchRun search(session);
    // A device counts once its read-out is whole, or over with its re-requests spent.
    auto chosen = [&]() -> int {
        const DeviceTable& table = session.table();
        for (std::size_t i = 0; i < table.usedCount(); ++i)
            if (selects(*selector, table[i]) && search.finished(static_cast<int>(i)))
                return static_cast<int>(i);
        return -1;
    };
    search.run(false, q(ctx.options.network.broadcast), ctx.options.timeoutMs, [&] { return chosen() >= 0; });
    int index = chosen();
    if (index < 0) {
        // The wait ended first: take what the table holds; it reports itself incomplete.
        const DeviceTable& table = session.table();
        for (std::size_t i = 0; i < table.usedCount() && index < 0; ++i)
            if (selects(*selector, table[i])) index = static_cast<int>(i);
    }
    if (index < 0) {
        ctx.err << "device not found: " << selectorText << '\n';
        return {-1, kExitFailed};
    }
    return {index, kExitOk};
}

int runShow(Context& ctx) {
    const bool csv = ctx.options.arguments.flag("--csv");
    DeviceSession session(ctx.options.network);
    FoundDevice found = findDevice(ctx, session, ctx.options.arguments.operands.front());
    if (found.index < 0) return found.exitCode;
    const DeviceRecord& r = session.table()[found.index];
    const ReadoutProgress& progress = session.table().progress(found.index);
    if (csv)
        ctx.out << q(deviceCsv(session.table(), static_cast<std::size_t>(found.index), ctx.options.secrets));
    else if (ctx.options.json)
        ctx.out
            << QJsonDocument(deviceJson(r, progress, ctx.options.secrets)).toJson(QJsonDocument::Indented);
    else
        ctx.out << deviceDetails(r, progress, ctx.options.secrets);
    return kExitOk;
}

}  // namespace tavrel::cli
