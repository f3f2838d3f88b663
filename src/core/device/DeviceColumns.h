#pragma once
// A device as named fields with their value texts: the CLI's JSON nests them ("network.ip" in
// "network", "port3.baud" in port 3 of "ports"), the CSV export has one column each, and a fleet
// sheet is read back in the same names and texts. One table, so that none of them can drift.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceRecord.h"
#include "device/ReadoutProgress.h"
#include "device/Secrets.h"

namespace tavrel {

enum class DeviceField : std::uint8_t {
    Complete,
    Missing,
    Ip,
    Mac,
    Key,
    Firmware,
    Hardware,
    Source,
    ReplyPort,
    Form,
    IpType,
    NetworkIp,
    Mask,
    Gateway,
    Dns,
    User,
    Password,
    Rs485Address,
    OutputFollow,
    SendStatus,
    WifiMode,
    ApSsid,
    ApPassword,
    StaSsid,
    StaPassword,
    WifiSignal,
    OutputTiming,
    Baud,
    Parity,
    DataBits,
    StopBits,
    WorkMode,
    RemoteHost,
    RemotePort,
    LocalPort,
    Enable,
    Modbus,
    Interface,
    HeartbeatData,
    HeartbeatInterval,
    ModbusTimeout,
    Cloud,
    CloudId,
    CloudPassword,
};

enum class FieldScope : std::uint8_t {
    Device,  // one per device
    Wifi,    // one per device, shown for WiFi boards only
    Port,    // one per port: "port1.baud" .. "port8.baud"
    Port1,   // port 1 only: "port1.cloud"
};

struct FieldInfo {
    DeviceField field;
    const char* name;  // "network.ip"; a port field's own name: "baud"
    FieldScope scope;
    bool secret = false;  // a password: masked unless asked for
    bool setting = true;  // false: what the device reports of itself, never written
};

// Every field, in the order the JSON is built.
const std::vector<FieldInfo>& deviceFields();
const FieldInfo& fieldInfo(DeviceField field);

// A field of one port (1-8), or of the device (port 0).
struct Column {
    DeviceField field = DeviceField::Ip;
    int port = 0;
    bool operator==(const Column&) const = default;
};
// "network.ip", "port3.baud".
std::string columnName(Column column);
// Nothing for a name no device field has.
std::optional<Column> columnOf(std::string_view name);

struct ColumnValue {
    enum class Type : std::uint8_t { Null, Bool, Number, Text, Numbers };
    Type type = Type::Null;
    bool flag = false;
    long long number = 0;
    std::string text;  // a device text as its field holds it (bytes, not checked as UTF-8)
    std::vector<long long> numbers;

    // The CSV cell: "true"/"false", decimal, the text, numbers space-separated, empty for null.
    std::string cellText() const;
    bool operator==(const ColumnValue&) const = default;
};

// One field of a record. Complete and Missing come from the read-out, not the record: null here.
ColumnValue columnValue(const DeviceRecord& record, Column column, SecretDisplay secrets);

struct DeviceColumn {
    Column column;
    ColumnValue value;
};
// The device's fields as the CLI prints them: "missing" only while the read-out is incomplete, the
// WiFi fields and "outputTiming" only for WiFi boards, every port's fields for all eight ports.
std::vector<DeviceColumn> deviceColumns(const DeviceRecord& record, const ReadoutProgress& progress,
                                        SecretDisplay secrets);

// "serial", "302", "830", "866", "250".
std::string formName(const DeviceRecord& record);

}  // namespace tavrel
