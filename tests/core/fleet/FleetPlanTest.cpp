#include <gtest/gtest.h>

#include "fleet/FleetPlan.h"
#include "util/Csv.h"

using namespace tavrel;

namespace {

enum class Kind { Serial1, Serial4, Serial8, Board302, Board830, Board866 };

// A device of each form as its read-out leaves it, every setting a listed value.
DeviceRecord deviceOf(Kind kind, std::uint8_t last) {
    DeviceRecord r;
    r.inUse = 1;
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, last};
    r.key = {0x19, 0x00, last};
    r.replyPort = 1111;
    r.sourceAddress = "127.0.0." + std::to_string(last);
    r.sourcePort = 1111;
    r.kindFlag = 1;
    r.ipType = 1;
    r.network = {{192, 168, 1, last}, {255, 255, 255, 0}, {192, 168, 1, 1}, {192, 168, 1, 1}};
    setText(r.user, "admin");
    setText(r.password, "admin");
    const char* identity = kind == Kind::Serial1   ? "V142S110"
                           : kind == Kind::Serial4 ? "V143S410"
                                                   : "V143S810";
    std::copy_n(identity, 8, r.identity.bytes.begin());
    r.searchReplyLength = 26;
    for (PortRecord& p : r.ports) {
        p.baudRate = 5;  // 9600
        p.parity = 1;
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = 1;
        p.enable = kSwitchOn;
        p.modbus = kSwitchOff;
        p.interfaceType = 2;
        p.localPort = 4001;
        setText(p.remoteHost, "192.168.1.200");
    }
    if (kind == Kind::Board302 || kind == Kind::Board830 || kind == Kind::Board866) {
        r.imagePresent = 1;
        r.kindFlag = 0;
        r.searchReplyLength = kind == Kind::Board302 ? 302 : kind == Kind::Board830 ? 830 : 866;
        r.form302 = kind == Kind::Board302;
        r.form866 = kind == Kind::Board866;
        r.ports[0].cloud = 0;
        setText(r.ports[0].cloudId, "CLOUD100001");
        setText(r.ports[0].cloudPassword, "cloud123");
        r.wifiMode = 1;
        setText(r.apSsid, "AP-1");
        setText(r.staSsid, "Office");
        setText(r.staPassword, "office-pass");
    }
    return r;
}

using Cells = std::vector<std::pair<std::string, std::string>>;

Sheet sheetOf(const std::vector<Cells>& rows) {
    std::vector<CsvCells> table;
    for (const Cells& row : rows) table.emplace_back(row.begin(), row.end());
    auto read = readSheet(csvTable(table));
    if (auto* errors = std::get_if<std::vector<SheetError>>(&read)) {
        ADD_FAILURE() << sheetErrorText(errors->front());
        return {};
    }
    return std::get<Sheet>(read);
}

std::string macOf(std::uint8_t last) {
    return macText({0x00, 0xCA, 0xC1, 0x19, 0x00, last});
}

std::vector<std::string> columnsOf(const std::vector<FieldChange>& changes) {
    std::vector<std::string> out;
    for (const FieldChange& c : changes) out.push_back(c.column);
    return out;
}

}  // namespace

// What a sheet exports, read back, asks nothing of the devices it came from: the sheet speaks the
// export's names and texts for every form.
TEST(FleetPlan, AnExportedSheetPlansNoChange) {
    DeviceTable table;
    std::vector<CsvCells> rows;
    const Kind kinds[] = {Kind::Serial1,  Kind::Serial4,  Kind::Serial8,
                          Kind::Board302, Kind::Board830, Kind::Board866};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        table[i] = deviceOf(kinds[i], static_cast<std::uint8_t>(i + 2));
        CsvCells cells;
        for (const DeviceColumn& c : deviceColumns(table[i], table.progress(i), SecretDisplay::Masked))
            cells.emplace_back(columnName(c.column), c.value.cellText());
        rows.push_back(cells);
    }
    const auto read = readSheet(csvTable(rows));
    ASSERT_TRUE(std::holds_alternative<Sheet>(read));
    const Sheet& sheet = std::get<Sheet>(read);
    const std::vector<RowPlan> plans = planFleet(sheet, table, {0, 1, 2, 3, 4, 5}, {});
    ASSERT_EQ(plans.size(), std::size(kinds));
    for (const RowPlan& p : plans) {
        EXPECT_EQ(p.status, FleetStatus::Unchanged) << p.row << ": " << p.message;
        EXPECT_TRUE(compareRow(sheet.rows[p.row], table[static_cast<std::size_t>(p.entry)], 9).holds());
    }
}

// One row against one device: what changes, in which write, or why the device cannot take it. A
// planned write leaves the device holding its row.
TEST(FleetPlan, EachRowIsPlannedInItsDevicesForm) {
    struct Case {
        const char* name;
        Kind kind;
        Cells cells;
        FleetStatus status;
        std::vector<std::string> changed;  // Change: the columns
        WriteScope scope = WriteScope::None;
        const char* says = "";  // Invalid: part of the reason
    };
    using F = FleetStatus;
    // clang-format off
    const Case cases[] = {
        {"same values", Kind::Serial4, {{"port1.baud", "9600"}, {"network.ip", "192.168.1.2"}}, F::Unchanged, {}},
        {"a port", Kind::Serial4, {{"port1.baud", "115200"}, {"port4.workMode", "tcp_client"}}, F::Change,
         {"port1.baud", "port4.workMode"}, WriteScope::Ports},
        {"the network", Kind::Serial4, {{"network.ip", "192.168.1.40"}}, F::Change, {"network.ip"},
         WriteScope::Network},
        {"both", Kind::Serial8, {{"network.gateway", "192.168.1.254"}, {"port8.localPort", "5000"}}, F::Change,
         {"network.gateway", "port8.localPort"}, WriteScope::Profile},
        {"a password", Kind::Serial1, {{"password", "s3cret"}}, F::Change, {"password"}, WriteScope::Network},
        {"a port the device lacks", Kind::Serial4, {{"port5.baud", "115200"}}, F::Invalid, {}, WriteScope::None,
         "port5.baud: the device has 4 ports"},
        {"a lacking port's cell as the device reports it", Kind::Serial4, {{"port5.baud", "9600"}}, F::Unchanged,
         {}},
        {"a one-port device's second port", Kind::Serial1, {{"port2.parity", "ODD"}}, F::Change, {"port2.parity"},
         WriteScope::Ports},
        {"a board's port 1", Kind::Board830, {{"port1.baud", "115200"}, {"rs485Address", "7"}}, F::Change,
         {"port1.baud", "rs485Address"}, WriteScope::Packed},
        {"a board's port 2", Kind::Board866, {{"port2.baud", "115200"}}, F::Invalid, {}, WriteScope::None,
         "port 1 only"},
        {"WiFi of a board", Kind::Board302, {{"wifi.staSsid", "Plant"}, {"wifi.mode", "sta"}}, F::Change,
         {"wifi.staSsid", "wifi.mode"}, WriteScope::Packed},
        {"WiFi of a server", Kind::Serial4, {{"wifi.staSsid", "Plant"}}, F::Invalid, {}, WriteScope::None,
         "no WiFi"},
        {"cloud of an 830 board", Kind::Board830, {{"port1.cloud", "true"}}, F::Invalid, {}, WriteScope::None,
         "no cloud pass-through"},
        {"cloud of an 866 board", Kind::Board866, {{"port1.cloudId", "CLOUD100002000000000"}}, F::Change,
         {"port1.cloudId"}, WriteScope::Packed},
        {"a cloud ID of the wrong length", Kind::Board866, {{"port1.cloudId", "CLOUD2"}}, F::Invalid, {},
         WriteScope::None, "port1.cloudId"},
        {"input options of a 302 board", Kind::Board302, {{"sendStatus", "true"}}, F::Invalid, {},
         WriteScope::None, "no input options"},
        {"an RS485 address of a server", Kind::Serial4, {{"rs485Address", "3"}}, F::Invalid, {}, WriteScope::None,
         "no RS485 address"},
        {"a timeout a byte port keeps", Kind::Serial4, {{"port3.modbusTimeout", "30"}}, F::Change,
         {"port3.modbusTimeout"}, WriteScope::Ports},
        {"a timeout a byte port cannot keep", Kind::Serial4, {{"port3.modbusTimeout", "25"}}, F::Invalid, {},
         WriteScope::None, "steps of 10 ms"},
        {"a timeout of a word port", Kind::Serial4, {{"port1.modbusTimeout", "25"}}, F::Change,
         {"port1.modbusTimeout"}, WriteScope::Ports},
        {"an interface that is the timeout byte", Kind::Serial4, {{"port3.interface", "RS232"}}, F::Unchanged, {}},
        {"an interface of its own", Kind::Serial4, {{"port2.interface", "RS232"}}, F::Change,
         {"port2.interface"}, WriteScope::Ports},
        {"addresses of a DHCP row", Kind::Serial4, {{"network.ipType", "dhcp"}, {"network.ip", "10.0.0.9"}},
         F::Change, {"network.ipType"}, WriteScope::Network},
        {"an address no device can hold", Kind::Serial4, {{"network.ip", "224.0.0.1"}}, F::Invalid, {},
         WriteScope::None, "multicast"},
        {"a gateway outside the subnet", Kind::Serial4, {{"network.gateway", "10.0.0.1"}}, F::Invalid, {},
         WriteScope::None, "--force"},
        {"a host as long as its field", Kind::Board830, {{"port1.remoteHost", std::string(32, 'h')}}, F::Change,
         {"port1.remoteHost"}, WriteScope::Packed},
    };
    // clang-format on
    for (const Case& c : cases) {
        DeviceTable table;
        table[0] = deviceOf(c.kind, 2);
        Cells cells = c.cells;
        cells.insert(cells.begin(), {"mac", macOf(2)});
        const Sheet sheet = sheetOf({cells});
        ASSERT_EQ(sheet.rows.size(), 1u) << c.name;
        const RowPlan p = planFleet(sheet, table, {0}, {}).front();
        EXPECT_EQ(p.status, c.status) << c.name << ": " << p.message;
        EXPECT_NE(p.message.find(c.says), std::string::npos) << c.name << ": " << p.message;
        if (p.status != FleetStatus::Change) continue;
        EXPECT_EQ(columnsOf(p.changes), c.changed) << c.name;
        EXPECT_EQ(p.write.scope, c.scope) << c.name;
        EXPECT_EQ(p.write.packed, c.scope == WriteScope::Packed) << c.name;
        EXPECT_FALSE(p.write.plan.empty()) << c.name;
        EXPECT_TRUE(compareRow(sheet.rows[0], p.write.expected, 9).holds()) << c.name;
        EXPECT_FALSE(compareRow(sheet.rows[0], table[0], 9).holds()) << c.name;
    }
}

// Rows are judged against the whole fleet as it will be: an address another device keeps is refused
// unless forced, two devices may trade addresses, and a device that did not answer or was not read
// whole is named.
TEST(FleetPlan, AddressesAreJudgedAgainstTheFleetAfterTheSheet) {
    DeviceTable table;
    for (std::uint8_t i = 0; i < 4; ++i) table[i] = deviceOf(Kind::Serial4, static_cast<std::uint8_t>(i + 2));
    table.progress(3).expected.set(83);  // a block that never came
    const Sheet sheet = sheetOf({{{"mac", macOf(2)}, {"network.ip", "192.168.1.3"}},
                                 {{"mac", macOf(3)}, {"network.ip", "192.168.1.2"}},
                                 {{"mac", macOf(4)}, {"network.ip", "192.168.1.2"}},
                                 {{"mac", macOf(5)}, {"network.ip", "192.168.1.9"}},
                                 {{"mac", macOf(9)}, {"network.ip", "192.168.1.9"}}});
    const std::vector<int> entries = {0, 1, 2, 3, -1};
    const std::vector<RowPlan> plans = planFleet(sheet, table, entries, {});
    ASSERT_EQ(plans.size(), 5u);
    EXPECT_EQ(plans[0].status, FleetStatus::Change);
    EXPECT_EQ(plans[1].status, FleetStatus::Invalid);  // .2 is given to the third device too
    EXPECT_EQ(plans[2].status, FleetStatus::Invalid);
    EXPECT_NE(plans[2].message.find("192.168.1.2"), std::string::npos) << plans[2].message;
    EXPECT_EQ(plans[3].status, FleetStatus::Incomplete);
    EXPECT_EQ(plans[4].status, FleetStatus::Missing);

    FleetOptions forced;
    forced.force = true;
    EXPECT_EQ(planFleet(sheet, table, entries, forced)[2].status, FleetStatus::Change);
    const Sheet trade = sheetOf({{{"mac", macOf(2)}, {"network.ip", "192.168.1.3"}},
                                 {{"mac", macOf(3)}, {"network.ip", "192.168.1.2"}}});
    for (const RowPlan& p : planFleet(trade, table, {0, 1}, {}))
        EXPECT_EQ(p.status, FleetStatus::Change) << p.message;
}
