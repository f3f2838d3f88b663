#include "fleet/FleetPlan.h"

#include <algorithm>
#include <optional>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "profiles/OneClick.h"
#include "profiles/ProfileFormat.h"
#include "protocol/Commands.h"
#include "protocol/ReadoutRetry.h"
#include "settings/PortForm.h"
#include "settings/PortView.h"
#include "timing/PackedWrite.h"
#include "wifi/WifiSettings.h"

namespace tavrel {

namespace {

using D = DeviceField;

// In the interface byte a port without the 16-bit field keeps its Modbus timeout in these units.
constexpr unsigned kModbusByteStepMs = 10;

bool isNetworkField(DeviceField f) {
    switch (f) {
        case D::IpType:
        case D::NetworkIp:
        case D::Mask:
        case D::Gateway:
        case D::Dns:
        case D::User:
        case D::Password:
        case D::OutputFollow:
        case D::SendStatus:
            return true;
        default:
            return false;
    }
}

bool isAddressField(DeviceField f) {
    return f == D::NetworkIp || f == D::Mask || f == D::Gateway || f == D::Dns;
}

bool isWifiField(DeviceField f) {
    return fieldInfo(f).scope == FieldScope::Wifi;
}

bool isCloudField(DeviceField f) {
    return f == D::Cloud || f == D::CloudId || f == D::CloudPassword;
}

const SheetCell* cellOf(const SheetRow& row, DeviceField field) {
    for (const SheetCell& c : row.cells)
        if (c.column.field == field) return &c;
    return nullptr;
}

// A DHCP device's addresses are its server's to choose.
bool rowIsDhcp(const SheetRow& row, const DeviceRecord& device) {
    const SheetCell* type = cellOf(row, D::IpType);
    return type ? type->text == "dhcp" : device.ipType == 2;
}

// Cells that only observe the device for this row: read, never compared or written.
bool observed(const SheetCell& cell, const DeviceRecord& device, bool dhcp) {
    if (dhcp && isAddressField(cell.column.field)) return true;
    return cell.column.field == D::Interface &&
           !hasWordModbusTimeout(device, static_cast<std::size_t>(cell.column.port - 1));
}

std::string cellError(const SheetCell& cell, const std::string& message) {
    return columnName(cell.column) + ": " + message;
}

template <std::size_t N>
int positionIn(const std::array<std::string_view, N>& list, const std::string& text) {
    return lists::positionOf(list, text).value_or(0) - 1;
}

// A port cell through the form's own handler, with the form's checks.
std::optional<std::string> applyPortCell(DeviceRecord& draft, const SheetCell& cell, int languageCode) {
    const auto port = static_cast<std::size_t>(cell.column.port - 1);
    const FormTarget target{&draft, port};
    const std::string& text = cell.text;
    FormResult result;
    switch (cell.column.field) {
        case D::Baud:
            result = chooseListEntry(target, ListField::BaudRate, positionIn(lists::kBaudRates, text));
            break;
        case D::Parity:
            result = chooseListEntry(target, ListField::Parity, positionIn(lists::kParities, text));
            break;
        case D::DataBits:
            result = chooseListEntry(target, ListField::DataBits, positionIn(lists::kDataBits, text));
            break;
        case D::StopBits:
            result = chooseListEntry(target, ListField::StopBits, positionIn(lists::kStopBits, text));
            break;
        case D::WorkMode:
            result = chooseListEntry(target, ListField::WorkMode, positionIn(lists::kWorkModes, text));
            break;
        case D::Interface:
            result = chooseListEntry(target, ListField::InterfaceType, positionIn(lists::kInterfaces, text));
            break;
        case D::RemotePort:
            result = leaveNumberEdit(target, NumberField::RemotePort, text);
            break;
        case D::LocalPort:
            result = leaveNumberEdit(target, NumberField::LocalPort, text);
            break;
        case D::HeartbeatInterval:
            result = leaveNumberEdit(target, NumberField::HeartbeatInterval, text);
            break;
        case D::ModbusTimeout:
            // The form would round a byte port's value down; a sheet gets told instead.
            if (!hasWordModbusTimeout(draft, port) &&
                (std::stoul(text) % kModbusByteStepMs != 0 || std::stoul(text) > 255 * kModbusByteStepMs))
                return cellError(cell, "this port keeps its Modbus timeout in steps of 10 ms, 0 to 2550");
            result = leaveNumberEdit(target, NumberField::ModbusTimeout, text);
            break;
        case D::RemoteHost:
            result = leaveTextEdit(target, TextField::RemoteHost, text, languageCode);
            break;
        case D::HeartbeatData:
            result = leaveTextEdit(target, TextField::HeartbeatData, text, languageCode);
            break;
        case D::CloudId:
            result = leaveTextEdit(target, TextField::CloudId, text, languageCode);
            break;
        case D::CloudPassword:
            result = leaveTextEdit(target, TextField::CloudPassword, text, languageCode);
            break;
        case D::Enable:
            result = clickCheckBox(target, CheckField::Enable, text == "true");
            break;
        case D::Modbus:
            result = clickCheckBox(target, CheckField::Modbus, text == "true");
            break;
        case D::Cloud:
            result = clickCheckBox(target, CheckField::Cloud, text == "true");
            break;
        default:
            break;
    }
    if (!result.message.empty() || result.clearEdit) return cellError(cell, result.message);
    return std::nullopt;
}

// The network group as the form would take it: the device's values, with the row's over them.
std::optional<std::string> applyNetworkCells(DeviceRecord& draft, const SheetRow& row, bool dhcp,
                                             int languageCode) {
    NetworkFormInput form = networkFormOf(draft);
    bool any = false;
    for (const SheetCell& c : row.cells) {
        if (!isNetworkField(c.column.field) || observed(c, draft, dhcp)) continue;
        any = true;
        switch (c.column.field) {
            case D::IpType:
                form.ipTypeSelection = c.text == "dhcp" ? 1 : 0;
                break;
            case D::NetworkIp:
                form.ip = c.text;
                break;
            case D::Mask:
                form.mask = c.text;
                break;
            case D::Gateway:
                form.gateway = c.text;
                break;
            case D::Dns:
                form.dns = c.text;
                break;
            case D::User:
                form.user = c.text;
                break;
            case D::Password:
                form.password = c.text;
                break;
            case D::OutputFollow:
                form.outputFollow = c.text == "true";
                break;
            case D::SendStatus:
                form.sendStatus = c.text == "true";
                break;
            default:
                break;
        }
    }
    if (!any) return std::nullopt;
    const auto read = readNetworkForm(form);
    if (const auto* error = std::get_if<SettingsMessage>(&read)) return settingsMessage(*error, languageCode);
    applyNetworkGroup(draft, std::get<NetworkGroup>(read));
    return std::nullopt;
}

void applyWifiCells(DeviceRecord& draft, const SheetRow& row) {
    WifiEdit edit;
    for (const SheetCell& c : row.cells) {
        switch (c.column.field) {
            case D::WifiMode:
                edit.mode = parseWifiMode(c.text);
                break;
            case D::ApSsid:
                edit.apSsid = c.text;
                break;
            case D::ApPassword:
                edit.apPassword = c.text;
                break;
            case D::StaSsid:
                edit.staSsid = c.text;
                break;
            case D::StaPassword:
                edit.staPassword = c.text;
                break;
            default:
                break;
        }
    }
    if (edit.mode || edit.apSsid || edit.apPassword || edit.staSsid || edit.staPassword)
        applyWifiSettings(draft, editedWifiSettings(wifiSettingsOf(draft), edit));
}

// The device with the row's values in it, by the rules a save of each value follows.
std::optional<std::string> applyRow(const SheetRow& row, DeviceRecord& draft, int languageCode) {
    const bool dhcp = rowIsDhcp(row, draft);
    if (auto error = applyNetworkCells(draft, row, dhcp, languageCode)) return error;
    if (const SheetCell* rs485 = cellOf(row, D::Rs485Address))
        draft.rs485Address = static_cast<std::uint8_t>(std::stoul(rs485->text));
    applyWifiCells(draft, row);
    for (const SheetCell& c : row.cells)
        if (c.column.port > 0 && !observed(c, draft, dhcp))
            if (auto error = applyPortCell(draft, c, languageCode)) return error;
    return std::nullopt;
}

std::vector<FieldChange> changesOf(const SheetRow& row, const DeviceRecord& before,
                                   const DeviceRecord& after) {
    std::vector<FieldChange> out;
    const bool dhcp = rowIsDhcp(row, before);
    for (const SheetCell& c : row.cells) {
        if (observed(c, before, dhcp)) continue;
        std::string from = columnValue(before, c.column, SecretDisplay::Shown).cellText();
        std::string to = columnValue(after, c.column, SecretDisplay::Shown).cellText();
        if (from != to)
            out.push_back(
                {columnName(c.column), std::move(from), std::move(to), fieldInfo(c.column.field).secret});
    }
    return out;
}

// Why this device cannot take a change of `column`, if it cannot.
std::optional<std::string> refusalOf(Column column, const DeviceRecord& device) {
    const DeviceCapabilities can = capabilitiesOf(device);
    const auto ports =
        can.packedWrite() ? 1 : static_cast<int>(profilePortCount(device.identity.portCountChar()));
    const DeviceField f = column.field;
    if (column.port > ports)
        return can.packedWrite() ? "the board takes the settings of port 1 only"
                                 : "the device has " + std::to_string(ports) + " ports";
    if (isWifiField(f) && !can.wifi) return "the device has no WiFi";
    if (isCloudField(f) && !can.cloud) return "the device has no cloud pass-through";
    if (f == D::Rs485Address && !can.packedWrite()) return "a serial server takes no RS485 address";
    if ((f == D::OutputFollow || f == D::SendStatus) && can.form302)
        return "the board's record carries no input options";
    if ((f == D::Enable || f == D::Interface) && can.packedWrite())
        return "the board's packed record does not carry it";
    return std::nullopt;
}

struct Built {
    FleetWrite write;
    std::string refusal;
};

std::string joinedWarnings(const std::vector<SettingsFinding>& warnings, int languageCode) {
    std::string out;
    for (const SettingsFinding& w : warnings)
        out += (out.empty() ? "" : "; ") + settingsMessage(w, languageCode);
    return out + " (--force writes it anyway)";
}

// The write in the device's own form: one packed record, or the network and port saves it needs.
Built buildWrite(const DeviceRecord& device, const DeviceRecord& draft,
                 const std::vector<FieldChange>& changes, std::span<const Ipv4> otherIps,
                 const FleetOptions& options) {
    Built b;
    const int lang = options.languageCode;
    bool network = false;
    bool ports = false;
    for (const FieldChange& c : changes) {
        const auto column = columnOf(c.column);
        network = network || isNetworkField(column->field);
        ports = ports || column->port > 0;
    }
    DeviceRecord copy = device;
    NetworkFormInput form = networkFormOf(draft);
    std::vector<SettingsFinding> warnings;
    if (network) warnings = networkFormWarnings(form, device, otherIps);
    CommandOutcome out;
    if (capabilitiesOf(device).packedWrite()) {
        copy.ports[0] = draft.ports[0];
        PackedWriteInput input = packedWriteInputOf(draft);
        input.network = form;
        if (capabilitiesOf(device).wifi) input.wifi = wifiSettingsOf(draft);
        out = packedWriteCommand(&copy, input, false, lang);
        b.write = {copy, std::move(out.plan), WriteScope::Packed, true};
    } else {
        copy.ports = draft.ports;
        Plan networkPlan;
        if (network) {
            out = saveNetworkCommand(&copy, form, lang);
            networkPlan = std::move(out.plan);
        }
        if (ports && out.status == CommandStatus::Ready) out = savePortsCommand(&copy);
        Plan plan = network && ports ? networkThenPorts(std::move(networkPlan), std::move(out.plan),
                                                        device.identity.portCountChar())
                    : network        ? std::move(networkPlan)
                                     : std::move(out.plan);
        const WriteScope scope = network && ports ? WriteScope::Profile
                                 : network        ? WriteScope::Network
                                                  : WriteScope::Ports;
        b.write = {copy, std::move(plan), scope, false};
    }
    if (out.status != CommandStatus::Ready)
        b.refusal = out.message;
    else if (!warnings.empty() && !options.force)
        b.refusal = joinedWarnings(warnings, lang);
    return b;
}

std::string missingText(const SheetRow& row) {
    return std::string("no device answered with this ") +
           (row.device.kind == DeviceSelector::Kind::Key ? "key" : "MAC");
}

std::string incompleteText(const ReadoutProgress& progress, int languageCode) {
    std::string groups;
    for (const std::string& g : missingGroupNames(progress, languageCode))
        groups += (groups.empty() ? "" : ", ") + g;
    return "not all its settings were read (" + groups + "); nothing is compared";
}

}  // namespace

std::string_view fleetStatusName(FleetStatus status) {
    switch (status) {
        case FleetStatus::Change:
            return "change";
        case FleetStatus::Unchanged:
            return "unchanged";
        case FleetStatus::Missing:
            return "missing";
        case FleetStatus::Incomplete:
            return "incomplete";
        case FleetStatus::Invalid:
            return "invalid";
    }
    return {};
}

std::vector<int> matchRows(const Sheet& sheet, const DeviceTable& table) {
    std::vector<int> entries;
    for (const SheetRow& row : sheet.rows) {
        int entry = -1;
        for (std::size_t i = 0; i < table.usedCount() && entry < 0; ++i)
            if (selects(row.device, table[i])) entry = static_cast<int>(i);
        entries.push_back(entry);
    }
    return entries;
}

RowComparison compareRow(const SheetRow& row, const DeviceRecord& device, int languageCode) {
    RowComparison out;
    DeviceRecord draft = device;
    if (auto error = applyRow(row, draft, languageCode))
        out.problem = *error;
    else
        out.differences = changesOf(row, device, draft);
    return out;
}

std::vector<RowPlan> planFleet(const Sheet& sheet, const DeviceTable& table, const std::vector<int>& entries,
                               const FleetOptions& options) {
    std::vector<RowPlan> plans(sheet.rows.size());
    std::vector<DeviceRecord> drafts(sheet.rows.size());
    // Where every listed device will be once the sheet is written: the address a changed IP is
    // judged against.
    std::vector<Ipv4> addressAfter(table.usedCount());
    for (std::size_t i = 0; i < table.usedCount(); ++i) addressAfter[i] = table[i].network.ip;
    for (std::size_t n = 0; n < sheet.rows.size(); ++n) {
        RowPlan& p = plans[n];
        const SheetRow& row = sheet.rows[n];
        p.row = n;
        p.entry = n < entries.size() ? entries[n] : -1;
        if (p.entry < 0 || static_cast<std::size_t>(p.entry) >= table.usedCount()) {
            p.entry = -1;
            p.message = missingText(row);
            continue;
        }
        const auto entry = static_cast<std::size_t>(p.entry);
        if (!table.progress(entry).complete()) {
            p.status = FleetStatus::Incomplete;
            p.message = incompleteText(table.progress(entry), options.languageCode);
            continue;
        }
        drafts[n] = table[entry];
        if (auto error = applyRow(row, drafts[n], options.languageCode)) {
            p.status = FleetStatus::Invalid;
            p.message = *error;
            continue;
        }
        p.changes = changesOf(row, table[entry], drafts[n]);
        p.status = p.changes.empty() ? FleetStatus::Unchanged : FleetStatus::Change;
        if (drafts[n].ipType == 1) addressAfter[entry] = drafts[n].network.ip;
    }
    for (std::size_t n = 0; n < plans.size(); ++n) {
        RowPlan& p = plans[n];
        if (p.status != FleetStatus::Change) continue;
        const DeviceRecord& device = table[static_cast<std::size_t>(p.entry)];
        for (const FieldChange& c : p.changes)
            if (auto refusal = refusalOf(*columnOf(c.column), device)) {
                p.status = FleetStatus::Invalid;
                p.message = c.column + ": " + *refusal;
                break;
            }
        if (p.status != FleetStatus::Change) continue;
        std::vector<Ipv4> others;
        for (std::size_t i = 0; i < addressAfter.size(); ++i)
            if (i != static_cast<std::size_t>(p.entry)) others.push_back(addressAfter[i]);
        Built built = buildWrite(device, drafts[n], p.changes, others, options);
        // What the device's own write would leave it holding must be what the row asks.
        if (built.refusal.empty() && changesOf(sheet.rows[n], device, built.write.expected) != p.changes)
            built.refusal = "the device's write cannot carry the row as it is";
        if (!built.refusal.empty()) {
            p.status = FleetStatus::Invalid;
            p.message = built.refusal;
            continue;
        }
        p.write = std::move(built.write);
    }
    return plans;
}

}  // namespace tavrel
