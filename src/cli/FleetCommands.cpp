// fleet plan, apply, check: a CSV sheet of devices as their desired state, planned, written through
// the write workflow, and checked.
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <filesystem>
#include <map>

#include "Commands.h"
#include "NamedDevices.h"
#include "WriteRun.h"
#include "fleet/FleetPlan.h"
#include "util/Csv.h"
#include "util/FileWrite.h"

namespace tavrel::cli {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

const QString kArrow = QStringLiteral(" → ");
// The most devices the closing summary names.
constexpr qsizetype kDevicesNamed = 10;

// Every row's device, found and read by one search.
struct Fleet {
    Sheet sheet;
    std::vector<int> entries;
};

// The sheet in FILE; a file that cannot be read or holds a fault sends nothing (exit 2).
std::optional<Sheet> loadSheet(Context& ctx, const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        ctx.err << "cannot read " << file << ": " << f.errorString() << "\n";
        return std::nullopt;
    }
    const QByteArray bytes = f.readAll();
    auto read = readSheet(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (auto* sheet = std::get_if<Sheet>(&read)) return std::move(*sheet);
    for (const SheetError& e : std::get<std::vector<SheetError>>(read))
        ctx.err << file << ": " << q(sheetErrorText(e)) << '\n';
    ctx.err << "nothing was sent\n";
    return std::nullopt;
}

std::optional<Fleet> findFleet(Context& ctx, DeviceSession& session, CliWriter& writer, Sheet sheet) {
    if (!openSession(ctx, session)) return std::nullopt;
    std::vector<DeviceSelector> selectors;
    for (const SheetRow& row : sheet.rows) selectors.push_back(row.device);
    Fleet fleet{std::move(sheet), {}};
    fleet.entries = findNamedDevices(ctx, session, writer, selectors, false);
    return fleet;
}

QString macOf(const DeviceTable& table, const SheetRow& row, int entry) {
    return entry >= 0 ? q(macText(table[static_cast<std::size_t>(entry)].mac)) : q(row.name);
}

QString addressOf(const DeviceTable& table, int entry) {
    return entry >= 0 ? q(table[static_cast<std::size_t>(entry)].sourceAddress) : QString();
}

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString shown(const std::string& value, bool secret, SecretDisplay secrets) {
    return q(secret ? shownSecret(value, secrets) : value);
}

// A value in a line of text: an empty one shows as "".
QString valueText(const std::string& value) {
    return value.empty() ? QStringLiteral("\"\"") : q(value);
}

// "port1.baud: 9600 → 115200"; a password is named, its values printed only when asked.
QString changeText(const FieldChange& c, SecretDisplay secrets) {
    if (c.secret && secrets == SecretDisplay::Masked)
        return q(c.column) + ": changes (not printed; --show-secrets prints it)";
    return q(c.column) + ": " + valueText(c.from) + kArrow + valueText(c.to);
}

// "port1.baud: device 9600, sheet 115200"
QString differenceText(const FieldChange& c, SecretDisplay secrets) {
    if (c.secret && secrets == SecretDisplay::Masked)
        return q(c.column) + ": differs (not printed; --show-secrets prints it)";
    return q(c.column) + ": device " + valueText(c.from) + ", sheet " + valueText(c.to);
}

// Changes as {field, from, to}; differences as {field, device, sheet}.
QJsonArray fieldsJson(const std::vector<FieldChange>& list, SecretDisplay secrets, const char* from,
                      const char* to) {
    QJsonArray out;
    for (const FieldChange& c : list)
        out.append(QJsonObject{{"field", q(c.column)},
                               {from, shown(c.from, c.secret, secrets)},
                               {to, shown(c.to, c.secret, secrets)}});
    return out;
}

QJsonArray changesJson(const std::vector<FieldChange>& changes, SecretDisplay secrets) {
    return fieldsJson(changes, secrets, "from", "to");
}

QJsonArray differencesJson(const std::vector<FieldChange>& differences, SecretDisplay secrets) {
    return fieldsJson(differences, secrets, "device", "sheet");
}

QString joined(const std::vector<FieldChange>& list, SecretDisplay secrets,
               QString (*text)(const FieldChange&, SecretDisplay)) {
    QStringList parts;
    for (const FieldChange& c : list) parts << text(c, secrets);
    return parts.join(QStringLiteral("; "));
}

// One device's line: MAC, address (and where it went), result, and why when it is not plain.
void printDeviceLine(Context& ctx, const QString& mac, const QString& address, const QString& after,
                     const QString& result, const QString& message, int line) {
    ctx.out << mac << "  " << (address.isEmpty() ? QStringLiteral("-") : address);
    if (!after.isEmpty() && after != address) ctx.out << kArrow << after;
    ctx.out << "  " << result;
    if (!message.isEmpty()) ctx.out << ": " << message << " (line " << line << ')';
    ctx.out << '\n';
}

void printFields(Context& ctx, const std::vector<FieldChange>& fields,
                 QString (*text)(const FieldChange&, SecretDisplay)) {
    for (const FieldChange& c : fields) ctx.out << "    " << text(c, ctx.options.secrets) << '\n';
}

// The end of a listing: the JSON list, or a line that counts the devices by outcome.
void finishListing(Context& ctx, const QJsonArray& list, std::size_t devices,
                   const std::map<QString, int>& counts) {
    if (ctx.options.json) {
        ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
        return;
    }
    QStringList parts;
    for (const auto& [name, n] : counts) parts << QStringLiteral("%1 %2").arg(n).arg(name);
    ctx.out << devices << " devices: " << parts.join(QStringLiteral(", ")) << '\n';
}

// --- plan ---

void printPlan(Context& ctx, const Fleet& fleet, const DeviceTable& table,
               const std::vector<RowPlan>& plans) {
    QJsonArray list;
    std::map<QString, int> counts;
    for (const RowPlan& p : plans) {
        const SheetRow& row = fleet.sheet.rows[p.row];
        const QString status = q(fleetStatusName(p.status));
        ++counts[p.status == FleetStatus::Change ? QStringLiteral("to change") : status];
        const QString mac = macOf(table, row, p.entry);
        const QString address = addressOf(table, p.entry);
        if (ctx.options.json) {
            list.append(QJsonObject{{"line", row.line},
                                    {"mac", mac},
                                    {"address", textOrNull(address)},
                                    {"status", status},
                                    {"changes", changesJson(p.changes, ctx.options.secrets)},
                                    {"message", q(p.message)}});
            continue;
        }
        printDeviceLine(ctx, mac, address, {}, status, q(p.message), row.line);
        printFields(ctx, p.changes, changeText);
    }
    finishListing(ctx, list, plans.size(), counts);
}

bool any(const std::vector<RowPlan>& plans, FleetStatus status) {
    return std::any_of(plans.begin(), plans.end(), [&](const RowPlan& p) { return p.status == status; });
}

int planExit(const std::vector<RowPlan>& plans) {
    if (any(plans, FleetStatus::Invalid)) return kExitUsage;
    if (any(plans, FleetStatus::Missing) || any(plans, FleetStatus::Incomplete)) return kExitFailed;
    return kExitOk;
}

// --- apply ---

struct ApplyLine {
    const RowPlan* plan = nullptr;
    QString mac;
    QString address;
    QString addressAfter;
    QString result;
    QString message;
    std::vector<FieldChange> differences;
    bool holds = false;
};

// What a write's outcome says of its device, judged against its row on the device as read back.
void judge(Context& ctx, const DeviceTable& table, const SheetRow& row, const WriteOutcome& o,
           ApplyLine& line) {
    if (o.result == WriteResult::NotSent &&
        (o.reason == "not started" || o.reason.rfind("stopped", 0) == 0)) {
        line.result = QStringLiteral("not-started");
        line.message = q(o.reason);
        return;
    }
    line.result = o.result == WriteResult::Verified ? QStringLiteral("written") : resultName(o);
    if (o.entryAfter >= 0) line.addressAfter = addressOf(table, o.entryAfter);
    const bool readBack = o.result == WriteResult::Verified || o.result == WriteResult::Differs;
    if (!readBack || o.entryAfter < 0) {
        line.message = outcomeLine(ctx, o);
        return;
    }
    const RowComparison now =
        compareRow(row, table[static_cast<std::size_t>(o.entryAfter)], ctx.texts.languageCode);
    line.differences = now.differences;
    line.holds = o.result == WriteResult::Verified && now.holds();
    if (line.holds) return;
    line.result = QStringLiteral("differs");
    line.message = !now.problem.empty() ? q(now.problem) : now.holds() ? outcomeLine(ctx, o) : QString();
}

void printApplyLine(Context& ctx, const ApplyLine& l, int sheetLine) {
    if (ctx.options.json) return;
    printDeviceLine(ctx, l.mac, l.address, l.addressAfter, l.result, l.message, sheetLine);
    if (l.result == "written") printFields(ctx, l.plan->changes, changeText);
    printFields(ctx, l.differences, differenceText);
    ctx.out.flush();
}

std::optional<std::string> writeApplyReport(const QString& file, const Fleet& fleet,
                                            const std::vector<ApplyLine>& lines, SecretDisplay secrets) {
    std::string text = csvRecord(
        {"line", "mac", "address", "address_after", "status", "result", "changes", "differences", "message"});
    for (const ApplyLine& l : lines)
        text += csvRecord(
            {std::to_string(fleet.sheet.rows[l.plan->row].line), l.mac.toStdString(), l.address.toStdString(),
             l.addressAfter.toStdString(), std::string(fleetStatusName(l.plan->status)),
             l.result.toStdString(), joined(l.plan->changes, secrets, changeText).toStdString(),
             joined(l.differences, secrets, differenceText).toStdString(), l.message.toStdString()});
    return replaceFileWhole(std::filesystem::path(file.toStdU16String()), text,
                            secrets == SecretDisplay::Shown ? FileContent::Secret : FileContent::Plain);
}

// The outcome of every device (--json: the list) and, on stderr, the devices that do not hold
// their rows; true when every one does.
bool reportApply(Context& ctx, const Fleet& fleet, const std::vector<ApplyLine>& lines) {
    QJsonArray list;
    QStringList failed;
    for (const ApplyLine& l : lines) {
        if (!l.holds) failed << l.mac + " (" + l.result + ")";
        if (!ctx.options.json) continue;
        const SheetRow& row = fleet.sheet.rows[l.plan->row];
        list.append(
            QJsonObject{{"line", row.line},
                        {"mac", l.mac},
                        {"address", textOrNull(l.address)},
                        {"addressAfter", textOrNull(l.addressAfter.isEmpty() ? l.address : l.addressAfter)},
                        {"status", q(fleetStatusName(l.plan->status))},
                        {"result", l.result},
                        {"changes", changesJson(l.plan->changes, ctx.options.secrets)},
                        {"differences", differencesJson(l.differences, ctx.options.secrets)},
                        {"message", l.message}});
    }
    if (ctx.options.json) ctx.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    if (!failed.isEmpty()) {
        // Each device has its line above; a long run is summed up rather than repeated.
        const qsizetype named = std::min<qsizetype>(failed.size(), kDevicesNamed);
        ctx.err << failed.size() << " of " << lines.size()
                << " devices do not hold their rows: " << failed.mid(0, named).join(QStringLiteral(", "));
        if (failed.size() > named) ctx.err << " and " << failed.size() - named << " more";
        ctx.err << '\n';
    }
    return failed.isEmpty();
}

int applyFleet(Context& ctx, DeviceSession& session, CliWriter& writer, const Fleet& fleet,
               const std::vector<RowPlan>& plans) {
    const ParsedArguments& args = ctx.options.arguments;
    const DeviceTable& table = session.table();
    if (any(plans, FleetStatus::Invalid)) {
        printPlan(ctx, fleet, table, plans);
        ctx.err << "the sheet asks what a device cannot take (invalid above); nothing was sent\n";
        return kExitUsage;
    }
    std::vector<ApplyLine> lines(plans.size());
    std::vector<WriteRequest> requests;
    std::vector<std::size_t> lineOfRequest;
    for (std::size_t n = 0; n < plans.size(); ++n) {
        const RowPlan& p = plans[n];
        ApplyLine& l = lines[n];
        l.plan = &p;
        l.mac = macOf(table, fleet.sheet.rows[p.row], p.entry);
        l.address = addressOf(table, p.entry);
        if (p.status == FleetStatus::Change) {
            requests.push_back(fleetWriteRequest(p.entry, p.write));
            lineOfRequest.push_back(n);
            continue;
        }
        l.result = q(fleetStatusName(p.status));
        l.addressAfter = l.address;
        l.message = q(p.message);
        l.holds = p.status == FleetStatus::Unchanged;
        printApplyLine(ctx, l, fleet.sheet.rows[p.row].line);
    }
    const bool stopOnFailure = args.flag("--stop-on-failure");
    const auto parallel = static_cast<int>(args.number("--parallel").value_or(1));
    const auto ended = [&](std::size_t k, const WriteOutcome& o) {
        ApplyLine& l = lines[lineOfRequest[k]];
        if (!o.snapshotWarning.empty())
            ctx.err << l.mac << ": warning: no snapshot was kept: " << q(o.snapshotWarning) << '\n';
        judge(ctx, session.table(), fleet.sheet.rows[l.plan->row], o, l);
        printApplyLine(ctx, l, fleet.sheet.rows[l.plan->row].line);
        return l.holds || !stopOnFailure;
    };
    const std::vector<WriteOutcome> outcomes =
        runWrites(writer.writer(), std::move(requests), parallel, ended);
    // Writes never started: ended() was not called for them.
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        ApplyLine& l = lines[lineOfRequest[k]];
        if (!l.result.isEmpty()) continue;
        l.result = QStringLiteral("not-started");
        l.message = writer.stopped() ? QStringLiteral("stopped before this device")
                                     : QStringLiteral("an earlier device failed (--stop-on-failure)");
        printApplyLine(ctx, l, fleet.sheet.rows[l.plan->row].line);
    }

    const bool allHold = reportApply(ctx, fleet, lines);
    if (const auto report = args.text("--report")) {
        if (auto problem = writeApplyReport(*report, fleet, lines, ctx.options.secrets)) {
            ctx.err << "--report: " << q(*problem) << '\n';
            return kExitFailed;
        }
    }
    if (writer.stopped()) return kExitStopped;
    return allHold ? kExitOk : kExitFailed;
}

// --- check ---

struct CheckLine {
    QString mac;
    QString address;
    QString result;  // holds, differs, missing, incomplete, invalid
    QString message;
    std::vector<FieldChange> differences;
    int line = 0;
};

CheckLine checkRow(Context& ctx, const DeviceTable& table, const SheetRow& row, int entry) {
    CheckLine c{macOf(table, row, entry), addressOf(table, entry), {}, {}, {}, row.line};
    if (entry < 0) {
        c.result = QStringLiteral("missing");
        c.message = QStringLiteral("no device answered with this %1")
                        .arg(row.device.kind == DeviceSelector::Kind::Key ? "key" : "MAC");
        return c;
    }
    const auto i = static_cast<std::size_t>(entry);
    if (!table.progress(i).complete()) {
        c.result = QStringLiteral("incomplete");
        c.message = QStringLiteral("not all its settings were read; nothing is compared");
        return c;
    }
    const RowComparison cmp = compareRow(row, table[i], ctx.texts.languageCode);
    c.differences = cmp.differences;
    c.message = q(cmp.problem);
    c.result = !cmp.problem.empty() ? QStringLiteral("invalid") : cmp.holds() ? "holds" : "differs";
    return c;
}

int checkFleet(Context& ctx, const DeviceTable& table, const Fleet& fleet) {
    std::vector<CheckLine> lines;
    QJsonArray list;
    std::map<QString, int> counts;
    for (std::size_t n = 0; n < fleet.sheet.rows.size(); ++n) {
        const CheckLine c = checkRow(ctx, table, fleet.sheet.rows[n], fleet.entries[n]);
        lines.push_back(c);
        ++counts[c.result];
        if (ctx.options.json) {
            list.append(QJsonObject{{"line", c.line},
                                    {"mac", c.mac},
                                    {"address", textOrNull(c.address)},
                                    {"result", c.result},
                                    {"differences", differencesJson(c.differences, ctx.options.secrets)},
                                    {"message", c.message}});
            continue;
        }
        printDeviceLine(ctx, c.mac, c.address, {}, c.result, c.message, c.line);
        printFields(ctx, c.differences, differenceText);
    }
    finishListing(ctx, list, lines.size(), counts);
    if (const auto report = ctx.options.arguments.text("--report")) {
        std::string text = csvRecord({"line", "mac", "address", "result", "differences", "message"});
        for (const CheckLine& c : lines)
            text += csvRecord({std::to_string(c.line), c.mac.toStdString(), c.address.toStdString(),
                               c.result.toStdString(),
                               joined(c.differences, ctx.options.secrets, differenceText).toStdString(),
                               c.message.toStdString()});
        if (auto problem = replaceFileWhole(
                std::filesystem::path(report->toStdU16String()), text,
                ctx.options.secrets == SecretDisplay::Shown ? FileContent::Secret : FileContent::Plain)) {
            ctx.err << "--report: " << q(*problem) << '\n';
            return kExitFailed;
        }
    }
    const bool allHold = counts.size() == 1 && counts.count(QStringLiteral("holds"));
    return allHold || lines.empty() ? kExitOk : kExitFailed;
}

}  // namespace

int runFleet(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    auto sheet = loadSheet(ctx, args.operands.front());
    if (!sheet) return kExitUsage;
    DeviceSession session(ctx.options.network);
    CliWriter writer(ctx, session, false);
    auto fleet = findFleet(ctx, session, writer, std::move(*sheet));
    if (!fleet) return kExitFailed;
    if (ctx.options.sub == "check") return checkFleet(ctx, session.table(), *fleet);

    FleetOptions options;
    options.languageCode = ctx.texts.languageCode;
    options.force = args.flag("--force");
    const std::vector<RowPlan> plans = planFleet(fleet->sheet, session.table(), fleet->entries, options);
    if (ctx.options.sub == "plan" || args.flag("--dry-run")) {
        printPlan(ctx, *fleet, session.table(), plans);
        return planExit(plans);
    }
    return applyFleet(ctx, session, writer, *fleet, plans);
}

}  // namespace tavrel::cli
