#include "fleet/FleetSheet.h"

#include <algorithm>
#include <map>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "settings/AddressText.h"
#include "settings/NumberCheck.h"
#include "util/Csv.h"
#include "util/TextBytes.h"
#include "wifi/WifiSettings.h"

namespace tavrel {

namespace {

using D = DeviceField;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr char kNoteMark = '#';

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

CellReading value(std::string text) {
    return {std::move(text), {}};
}
CellReading refused(std::string allowed) {
    return {std::nullopt, std::move(allowed)};
}

template <std::size_t N>
CellReading listCell(const std::array<std::string_view, N>& list, std::string_view text) {
    // Letters in any case: a person typing "even" means EVEN.
    for (std::string_view entry : list)
        if (upper(entry) == upper(text)) return value(std::string(entry));
    std::string allowed = "one of";
    for (std::string_view entry : list) allowed += " " + std::string(entry);
    return refused(allowed);
}

CellReading numberCell(std::string_view text, std::uint32_t maximum) {
    if (!text.empty() && checkNumber(text, maximum))
        return value(std::to_string(*checkNumber(text, maximum)));
    return refused("a number from 0 to " + std::to_string(maximum));
}

CellReading textCell(std::string_view text, std::size_t limit) {
    if (shownText(text) != text) return refused("UTF-8 text (save the sheet as CSV UTF-8)");
    if (text.size() > limit) return refused("text of at most " + std::to_string(limit) + " bytes");
    return value(std::string(text));
}

CellReading addressCell(std::string_view text) {
    if (const auto ip = parseIpv4(text)) return value(ipv4Text(*ip));
    return refused("an IPv4 address such as 192.168.1.20");
}

// Spreadsheet programs save the two as TRUE and FALSE.
CellReading switchCell(std::string_view text) {
    if (upper(text) == "TRUE") return value("true");
    if (upper(text) == "FALSE") return value("false");
    return refused("true or false");
}

}  // namespace

std::string sheetErrorText(const SheetError& e) {
    std::string out;
    if (e.line > 0) out = "line " + std::to_string(e.line);
    if (!e.column.empty()) out += (out.empty() ? "" : ", ") + e.column;
    return out + (out.empty() ? "" : ": ") + e.message;
}

CellReading readCell(Column column, std::string_view text) {
    switch (column.field) {
        case D::IpType:
            if (upper(text) == "STATIC" || upper(text) == "DHCP")
                return value(text.size() == 4 ? "dhcp" : "static");
            return refused("static or dhcp");
        case D::NetworkIp:
        case D::Mask:
        case D::Gateway:
        case D::Dns:
            return addressCell(text);
        case D::User:
            return textCell(text, kUserLimit);
        case D::Password:
            return textCell(text, kPasswordLimit);
        case D::Rs485Address:
            return numberCell(text, 255);
        case D::OutputFollow:
        case D::SendStatus:
        case D::Enable:
        case D::Modbus:
        case D::Cloud:
            return switchCell(text);
        case D::WifiMode:
            return listCell(lists::kWifiModes, text);
        case D::ApSsid:
            return textCell(text, kApSsidLimit);
        case D::ApPassword:
            return textCell(text, kApPasswordLimit);
        case D::StaSsid:
            return textCell(text, kStaSsidLimit);
        case D::StaPassword:
            return textCell(text, kStaPasswordLimit);
        case D::Baud:
            return listCell(lists::kBaudRates, text);
        case D::Parity:
            return listCell(lists::kParities, text);
        case D::DataBits:
            return listCell(lists::kDataBits, text);
        case D::StopBits:
            return listCell(lists::kStopBits, text);
        case D::WorkMode:
            return listCell(lists::kWorkModes, text);
        case D::Interface:
            return listCell(lists::kInterfaces, text);
        case D::RemoteHost:
            return textCell(text, kRemoteHostLimit);
        case D::HeartbeatData:
            return textCell(text, kHeartbeatDataLimit);
        case D::CloudId:
            return textCell(text, kCloudIdLimit);
        case D::CloudPassword:
            return textCell(text, kCloudPasswordLimit);
        case D::RemotePort:
        case D::LocalPort:
        case D::HeartbeatInterval:
        case D::ModbusTimeout:
            return numberCell(text, kNumberEditMaximum);
        default:
            return value(std::string(text));  // reported only: never read as a setting
    }
}

namespace {

struct Header {
    std::vector<std::optional<Column>> columns;  // nothing: a note column, or an unnamed empty one
    std::vector<std::string> names;
    int mac = -1;
    int key = -1;
};

char separatorOf(std::string_view text) {
    const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    char best = ',';
    std::size_t most = 0;
    for (char c : {',', ';', '\t'}) {
        const auto n = static_cast<std::size_t>(std::count(first.begin(), first.end(), c));
        if (n > most) {
            most = n;
            best = c;
        }
    }
    return best;
}

bool blank(const CsvRecord& record) {
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const std::string& f) { return f.empty(); });
}

Header readHeader(const CsvRecord& record, const std::vector<CsvRecord>& rows,
                  std::vector<SheetError>& errors) {
    Header h;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
        const std::string& name = record.fields[i];
        h.names.push_back(name);
        h.columns.emplace_back();
        if (!name.empty() && name.front() == kNoteMark) continue;
        if (name.empty()) {
            const bool used = std::any_of(rows.begin(), rows.end(), [&](const CsvRecord& r) {
                return i < r.fields.size() && !r.fields[i].empty();
            });
            if (used)
                errors.push_back(
                    {record.line, {}, "column " + std::to_string(i + 1) + " has cells but no name"});
            continue;
        }
        if (!seen.emplace(name, static_cast<int>(i)).second) {
            errors.push_back({record.line, name, "the column is named twice"});
            continue;
        }
        h.columns.back() = columnOf(name);
        if (!h.columns.back())
            errors.push_back({record.line, name,
                              "not a column of the device list (search --csv writes them); a column of "
                              "the sheet's own starts with #"});
        else if (h.columns.back()->field == D::Mac)
            h.mac = static_cast<int>(i);
        else if (h.columns.back()->field == D::Key)
            h.key = static_cast<int>(i);
    }
    if (h.mac < 0 && h.key < 0)
        errors.push_back({record.line, {}, "no mac or key column: every row must name its device"});
    return h;
}

// The row's device, by MAC or key; false with an error when it names none or two.
bool readDevice(const Header& h, const CsvRecord& r, SheetRow& row, std::vector<SheetError>& errors) {
    const std::string mac = h.mac >= 0 ? r.fields[static_cast<std::size_t>(h.mac)] : std::string();
    const std::string key = h.key >= 0 ? r.fields[static_cast<std::size_t>(h.key)] : std::string();
    std::optional<DeviceSelector> byKey;
    if (!key.empty()) {
        byKey = parseDeviceSelector(key);
        if (!byKey || byKey->kind != DeviceSelector::Kind::Key) {
            errors.push_back(
                {r.line, "key", "\"" + key + "\" is not a key; six hexadecimal digits such as 190033"});
            return false;
        }
    }
    if (!mac.empty()) {
        const auto parsed = parseMac(mac);
        if (!parsed) {
            errors.push_back(
                {r.line, "mac",
                 "\"" + mac + "\" is not a MAC; twelve hexadecimal digits such as 00-CA-C1-19-00-33"});
            return false;
        }
        if (byKey && byKey->key != DeviceKey{(*parsed)[3], (*parsed)[4], (*parsed)[5]}) {
            errors.push_back({r.line, "key", "\"" + key + "\" is not the key of MAC " + macText(*parsed)});
            return false;
        }
        row.device.kind = DeviceSelector::Kind::MacAddress;
        row.device.mac = *parsed;
        row.name = macText(*parsed);
        return true;
    }
    if (!byKey) {
        errors.push_back({r.line, {}, "the row names no device: its mac and key cells are empty"});
        return false;
    }
    row.device = *byKey;
    row.name = keyText(byKey->key);
    return true;
}

DeviceKey keyOf(const DeviceSelector& s) {
    return s.kind == DeviceSelector::Kind::Key ? s.key : DeviceKey{s.mac[3], s.mac[4], s.mac[5]};
}

// Two rows for one device: by MAC when both give one, else by key.
bool sameDevice(const DeviceSelector& a, const DeviceSelector& b) {
    if (a.kind == DeviceSelector::Kind::MacAddress && b.kind == DeviceSelector::Kind::MacAddress)
        return a.mac == b.mac;
    return keyOf(a) == keyOf(b);
}

void readCells(const Header& h, const CsvRecord& r, SheetRow& row, std::vector<SheetError>& errors) {
    for (std::size_t i = 0; i < h.columns.size(); ++i) {
        const auto& column = h.columns[i];
        const std::string& text = i < r.fields.size() ? r.fields[i] : std::string();
        if (!column || text.empty() || !fieldInfo(column->field).setting) continue;
        // A masked password stands for "whatever it is": it is never written as one.
        if (fieldInfo(column->field).secret && text == kSecretMask) continue;
        const CellReading reading = readCell(*column, text);
        if (reading.value)
            row.cells.push_back({*column, *reading.value});
        else
            errors.push_back({r.line, h.names[i], "\"" + text + "\" is not allowed; " + reading.allowed});
    }
}

}  // namespace

std::variant<Sheet, std::vector<SheetError>> readSheet(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        return std::vector<SheetError>{{0, {}, "the file is UTF-16 text; save the sheet as CSV UTF-8"}};
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) bytes.remove_prefix(kUtf8Mark.size());
    auto read = readCsv(bytes, separatorOf(bytes));
    if (const auto* error = std::get_if<CsvReadError>(&read))
        return std::vector<SheetError>{{error->line, {}, error->message}};
    std::vector<CsvRecord> records = std::get<std::vector<CsvRecord>>(std::move(read));
    std::erase_if(records, blank);
    if (records.empty()) return std::vector<SheetError>{{0, {}, "the file holds no header line"}};
    const CsvRecord headerRecord = records.front();
    records.erase(records.begin());

    std::vector<SheetError> errors;
    const Header header = readHeader(headerRecord, records, errors);
    if (!errors.empty()) return errors;
    const bool ended = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
    Sheet sheet;
    for (std::size_t n = 0; n < records.size(); ++n) {
        CsvRecord& r = records[n];
        const std::size_t width = header.names.size();
        // Spreadsheet programs may leave out a row's empty cells at its end, or add empty ones.
        if (r.fields.size() < width && n + 1 == records.size() && !ended) {
            errors.push_back({r.line, {}, "the file ends inside this row (is it cut short?)"});
            continue;
        }
        if (r.fields.size() > width &&
            std::any_of(r.fields.begin() + static_cast<std::ptrdiff_t>(width), r.fields.end(),
                        [](const std::string& f) { return !f.empty(); })) {
            errors.push_back(
                {r.line,
                 {},
                 std::to_string(r.fields.size()) + " cells where the header names " + std::to_string(width)});
            continue;
        }
        r.fields.resize(std::max(width, r.fields.size()));
        SheetRow row;
        row.line = r.line;
        if (!readDevice(header, r, row, errors)) continue;
        const auto twin = std::find_if(sheet.rows.begin(), sheet.rows.end(), [&](const SheetRow& other) {
            return sameDevice(other.device, row.device);
        });
        if (twin != sheet.rows.end()) {
            errors.push_back({r.line, row.device.kind == DeviceSelector::Kind::Key ? "key" : "mac",
                              row.name + " is the device of line " + std::to_string(twin->line) + " again"});
            continue;
        }
        readCells(header, r, row, errors);
        sheet.rows.push_back(std::move(row));
    }
    if (!errors.empty()) return errors;
    return sheet;
}

}  // namespace tavrel
