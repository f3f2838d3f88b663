#include "device/DeviceColumns.h"

#include <algorithm>
#include <charconv>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "settings/PortView.h"

namespace tavrel {

namespace {

using D = DeviceField;
using S = FieldScope;

const std::vector<FieldInfo> kFields = {
    {D::Complete, "complete", S::Device, false, false},
    {D::Missing, "missing", S::Device, false, false},
    {D::Ip, "ip", S::Device, false, false},
    {D::Mac, "mac", S::Device, false, false},
    {D::Key, "key", S::Device, false, false},
    {D::Firmware, "firmware", S::Device, false, false},
    {D::Hardware, "hardware", S::Device, false, false},
    {D::Source, "source", S::Device, false, false},
    {D::ReplyPort, "replyPort", S::Device, false, false},
    {D::Form, "form", S::Device, false, false},
    {D::IpType, "network.ipType", S::Device},
    {D::NetworkIp, "network.ip", S::Device},
    {D::Mask, "network.mask", S::Device},
    {D::Gateway, "network.gateway", S::Device},
    {D::Dns, "network.dns", S::Device},
    {D::User, "user", S::Device},
    {D::Password, "password", S::Device, true},
    {D::Rs485Address, "rs485Address", S::Device},
    {D::OutputFollow, "outputFollow", S::Device},
    {D::SendStatus, "sendStatus", S::Device},
    {D::WifiMode, "wifi.mode", S::Wifi},
    {D::ApSsid, "wifi.apSsid", S::Wifi},
    {D::ApPassword, "wifi.apPassword", S::Wifi, true},
    {D::StaSsid, "wifi.staSsid", S::Wifi},
    {D::StaPassword, "wifi.staPassword", S::Wifi, true},
    {D::WifiSignal, "wifi.signal", S::Wifi, false, false},
    {D::OutputTiming, "outputTiming", S::Wifi, false, false},
    {D::Baud, "baud", S::Port},
    {D::Parity, "parity", S::Port},
    {D::DataBits, "dataBits", S::Port},
    {D::StopBits, "stopBits", S::Port},
    {D::WorkMode, "workMode", S::Port},
    {D::RemoteHost, "remoteHost", S::Port},
    {D::RemotePort, "remotePort", S::Port},
    {D::LocalPort, "localPort", S::Port},
    {D::Enable, "enable", S::Port},
    {D::Modbus, "modbus", S::Port},
    {D::Interface, "interface", S::Port},
    {D::HeartbeatData, "heartbeatData", S::Port},
    {D::HeartbeatInterval, "heartbeatInterval", S::Port},
    {D::ModbusTimeout, "modbusTimeout", S::Port},
    {D::Cloud, "cloud", S::Port1},
    {D::CloudId, "cloudId", S::Port1},
    {D::CloudPassword, "cloudPassword", S::Port1, true},
};

constexpr std::string_view kPortPrefix = "port";

ColumnValue null() {
    return {};
}
ColumnValue boolean(bool value) {
    ColumnValue v;
    v.type = ColumnValue::Type::Bool;
    v.flag = value;
    return v;
}
ColumnValue number(long long value) {
    ColumnValue v;
    v.type = ColumnValue::Type::Number;
    v.number = value;
    return v;
}
ColumnValue text(std::string value) {
    ColumnValue v;
    v.type = ColumnValue::Type::Text;
    v.text = std::move(value);
    return v;
}
template <std::size_t N>
ColumnValue listText(const std::array<std::string_view, N>& list, int position) {
    const std::string_view t = lists::textAt(list, position);
    return t.empty() ? null() : text(std::string(t));
}
// Check boxes: 2 on, 1 off, anything else neither.
ColumnValue onOff(std::uint8_t value) {
    if (value == kSwitchOn) return boolean(true);
    if (value == kSwitchOff) return boolean(false);
    return null();
}
template <std::size_t N>
ColumnValue secret(const FixedText<N>& field, SecretDisplay secrets) {
    return text(shownSecret(textOf(field), secrets));
}

ColumnValue portValue(const DeviceRecord& r, std::size_t i, DeviceField field, SecretDisplay secrets) {
    const PortRecord& p = r.ports[i];
    switch (field) {
        case D::Baud:
            return listText(lists::kBaudRates, p.baudRate);
        case D::Parity:
            return listText(lists::kParities, p.parity);
        case D::DataBits:
            return listText(lists::kDataBits, p.dataBits - 6);
        case D::StopBits:
            return listText(lists::kStopBits, p.stopBits);
        case D::WorkMode:
            return listText(lists::kWorkModes, p.workMode);
        case D::RemoteHost:
            return text(textOf(p.remoteHost));
        case D::RemotePort:
            return number(p.remotePort);
        case D::LocalPort:
            return number(p.localPort);
        case D::Enable:
            return onOff(p.enable);
        case D::Modbus:
            return onOff(p.modbus);
        case D::Interface:
            return listText(lists::kInterfaces, p.interfaceType);
        case D::HeartbeatData:
            return text(textOf(p.heartbeatData));
        case D::HeartbeatInterval:
            return number(p.heartbeatInterval);
        case D::ModbusTimeout:
            // Ports without the 16-bit field keep it in 10 ms units in the interface byte.
            return number(hasWordModbusTimeout(r, i) ? p.modbusTimeout : p.interfaceType * 10);
        case D::Cloud:
            return boolean(p.cloud == 1);
        case D::CloudId:
            return text(textOf(p.cloudId));
        case D::CloudPassword:
            return secret(p.cloudPassword, secrets);
        default:
            return null();
    }
}

ColumnValue deviceValue(const DeviceRecord& r, DeviceField field, SecretDisplay secrets) {
    switch (field) {
        case D::Ip:
            return text(r.sourceAddress);
        case D::Mac:
            return text(macText(r.mac));
        case D::Key:
            return text(keyText(r.key));
        case D::Firmware:
            return text(r.identity.firmwareText());
        case D::Hardware:
            return text(r.identity.hardwareText());
        case D::Source:
            return text(r.sourceAddress + ":" + std::to_string(r.sourcePort));
        case D::ReplyPort:
            return number(r.replyPort);
        case D::Form:
            return text(formName(r));
        case D::IpType:
            return r.ipType == 1 ? text("static") : r.ipType == 2 ? text("dhcp") : null();
        case D::NetworkIp:
            return text(ipv4Text(r.network.ip));
        case D::Mask:
            return text(ipv4Text(r.network.mask));
        case D::Gateway:
            return text(ipv4Text(r.network.gateway));
        case D::Dns:
            return text(ipv4Text(r.network.dns));
        case D::User:
            return text(textOf(r.user));
        case D::Password:
            return secret(r.password, secrets);
        case D::Rs485Address:
            return number(r.rs485Address);
        case D::OutputFollow:
            return boolean(r.ioOptions[0] == 1);
        case D::SendStatus:
            return boolean(r.ioOptions[1] == 1);
        case D::WifiMode:
            return listText(lists::kWifiModes, r.wifiMode);
        case D::ApSsid:
            return text(textOf(r.apSsid));
        case D::ApPassword:
            return secret(r.apPassword, secrets);
        case D::StaSsid:
            return text(textOf(r.staSsid));
        case D::StaPassword:
            return secret(r.staPassword, secrets);
        case D::WifiSignal:
            return number(static_cast<std::int8_t>(r.signal));  // dBm, a signed byte on the wire
        case D::OutputTiming:
            return boolean(capabilitiesOf(r).outputTiming);
        default:
            return null();
    }
}

}  // namespace

const std::vector<FieldInfo>& deviceFields() {
    return kFields;
}

const FieldInfo& fieldInfo(DeviceField field) {
    return *std::find_if(kFields.begin(), kFields.end(),
                         [&](const FieldInfo& f) { return f.field == field; });
}

std::string columnName(Column column) {
    const FieldInfo& info = fieldInfo(column.field);
    if (column.port == 0) return info.name;
    return std::string(kPortPrefix) + std::to_string(column.port) + "." + info.name;
}

std::optional<Column> columnOf(std::string_view name) {
    int port = 0;
    if (name.substr(0, kPortPrefix.size()) == kPortPrefix) {
        const char* digits = name.data() + kPortPrefix.size();
        auto [end, ec] = std::from_chars(digits, name.data() + name.size(), port);
        if (ec != std::errc() || end == name.data() + name.size() || *end != '.' || end != digits + 1 ||
            port < 1 || port > static_cast<int>(kPortCount))
            return std::nullopt;
        name.remove_prefix(static_cast<std::size_t>(end + 1 - name.data()));
    }
    for (const FieldInfo& f : kFields) {
        if (name != f.name) continue;
        const bool perPort = f.scope == S::Port || f.scope == S::Port1;
        if (perPort != (port != 0) || (f.scope == S::Port1 && port != 1)) return std::nullopt;
        return Column{f.field, port};
    }
    return std::nullopt;
}

std::string ColumnValue::cellText() const {
    switch (type) {
        case Type::Null:
            return {};
        case Type::Bool:
            return flag ? "true" : "false";
        case Type::Number:
            return std::to_string(number);
        case Type::Text:
            return text;
        case Type::Numbers: {
            std::string out;
            for (long long n : numbers) out += (out.empty() ? "" : " ") + std::to_string(n);
            return out;
        }
    }
    return {};
}

ColumnValue columnValue(const DeviceRecord& record, Column column, SecretDisplay secrets) {
    if (column.port >= 1 && column.port <= static_cast<int>(kPortCount))
        return portValue(record, static_cast<std::size_t>(column.port - 1), column.field, secrets);
    return deviceValue(record, column.field, secrets);
}

std::vector<DeviceColumn> deviceColumns(const DeviceRecord& record, const ReadoutProgress& progress,
                                        SecretDisplay secrets) {
    std::vector<DeviceColumn> out;
    const bool wifi = capabilitiesOf(record).wifi;
    for (const FieldInfo& f : kFields) {
        if (f.field == D::Complete) {
            out.push_back({{f.field, 0}, boolean(progress.complete())});
        } else if (f.field == D::Missing) {
            if (progress.complete()) continue;
            ColumnValue codes;
            codes.type = ColumnValue::Type::Numbers;
            for (std::uint8_t code : progress.missing()) codes.numbers.push_back(code);
            out.push_back({{f.field, 0}, codes});
        } else if (f.scope == S::Device || (f.scope == S::Wifi && wifi)) {
            out.push_back({{f.field, 0}, columnValue(record, {f.field, 0}, secrets)});
        }
    }
    for (int port = 1; port <= static_cast<int>(kPortCount); ++port)
        for (const FieldInfo& f : kFields)
            if (f.scope == S::Port || (f.scope == S::Port1 && port == 1))
                out.push_back({{f.field, port}, columnValue(record, {f.field, port}, secrets)});
    return out;
}

std::string formName(const DeviceRecord& record) {
    switch (record.searchReplyLength) {
        case 302:
            return "302";
        case 830:
            return "830";
        case 866:
            return "866";
        case 250:
            return "250";
        default:
            return "serial";
    }
}

}  // namespace tavrel
