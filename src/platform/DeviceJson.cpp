#include "DeviceJson.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "protocol/ReadoutRetry.h"
#include "settings/PortView.h"

namespace tavrel {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

template <std::size_t N>
QJsonValue listText(const std::array<std::string_view, N>& list, int position) {
    auto text = lists::textAt(list, position);
    if (text.empty()) return QJsonValue::Null;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonValue onOff(std::uint8_t value) {
    if (value == kSwitchOn) return true;
    if (value == kSwitchOff) return false;
    return QJsonValue::Null;
}

template <std::size_t N>
QString secret(const FixedText<N>& field, SecretDisplay secrets) {
    return q(shownSecret(textOf(field), secrets));
}

int modbusTimeoutMs(const DeviceRecord& r, std::size_t port) {
    if (hasWordModbusTimeout(r, port)) return r.ports[port].modbusTimeout;
    return r.ports[port].interfaceType * 10;
}

QJsonObject portJson(const DeviceRecord& r, std::size_t i, SecretDisplay secrets) {
    const PortRecord& p = r.ports[i];
    QJsonObject o;
    o["port"] = static_cast<int>(i + 1);
    o["baud"] = listText(lists::kBaudRates, p.baudRate);
    o["parity"] = listText(lists::kParities, p.parity);
    o["dataBits"] = listText(lists::kDataBits, p.dataBits - 6);
    o["stopBits"] = listText(lists::kStopBits, p.stopBits);
    o["workMode"] = listText(lists::kWorkModes, p.workMode);
    o["remoteHost"] = q(textOf(p.remoteHost));
    o["remotePort"] = p.remotePort;
    o["localPort"] = p.localPort;
    o["enable"] = onOff(p.enable);
    o["modbus"] = onOff(p.modbus);
    o["interface"] = listText(lists::kInterfaces, p.interfaceType);
    o["heartbeatData"] = q(textOf(p.heartbeatData));
    o["heartbeatInterval"] = static_cast<qint64>(p.heartbeatInterval);
    o["modbusTimeout"] = modbusTimeoutMs(r, i);
    if (i == 0) {
        o["cloud"] = p.cloud == 1;
        o["cloudId"] = q(textOf(p.cloudId));
        o["cloudPassword"] = secret(p.cloudPassword, secrets);
    }
    return o;
}

QString missingGroups(const ReadoutProgress& progress) {
    QStringList names;
    for (const std::string& name : missingGroupNames(progress)) names << q(name);
    return names.join(QStringLiteral(", "));
}

}  // namespace

QString formName(const DeviceRecord& r) {
    switch (r.searchReplyLength) {
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

QJsonObject deviceJson(const DeviceRecord& r, const ReadoutProgress& progress, SecretDisplay secrets) {
    QJsonObject o;
    o["complete"] = progress.complete();
    if (!progress.complete()) {
        QJsonArray missing;
        for (std::uint8_t code : progress.missing()) missing.append(code);
        o["missing"] = missing;
    }
    o["ip"] = q(r.sourceAddress);
    o["mac"] = q(macText(r.mac));
    o["key"] = q(keyText(r.key));
    o["firmware"] = q(r.identity.firmwareText());
    o["hardware"] = q(r.identity.hardwareText());
    o["source"] = QStringLiteral("%1:%2").arg(q(r.sourceAddress)).arg(r.sourcePort);
    o["replyPort"] = r.replyPort;
    o["form"] = formName(r);
    QJsonObject net;
    net["ipType"] = r.ipType == 1   ? QJsonValue("static")
                    : r.ipType == 2 ? QJsonValue("dhcp")
                                    : QJsonValue::Null;
    net["ip"] = q(ipv4Text(r.network.ip));
    net["mask"] = q(ipv4Text(r.network.mask));
    net["gateway"] = q(ipv4Text(r.network.gateway));
    net["dns"] = q(ipv4Text(r.network.dns));
    o["network"] = net;
    o["user"] = q(textOf(r.user));
    o["password"] = secret(r.password, secrets);
    o["rs485Address"] = r.rs485Address;
    o["outputFollow"] = r.ioOptions[0] == 1;
    o["sendStatus"] = r.ioOptions[1] == 1;
    if (capabilitiesOf(r).wifi) {
        QJsonObject wifi;
        wifi["mode"] = listText(lists::kWifiModes, r.wifiMode);
        wifi["apSsid"] = q(textOf(r.apSsid));
        wifi["apPassword"] = secret(r.apPassword, secrets);
        wifi["staSsid"] = q(textOf(r.staSsid));
        wifi["staPassword"] = secret(r.staPassword, secrets);
        wifi["signal"] = static_cast<std::int8_t>(r.signal);  // dBm, a signed byte on the wire
        o["wifi"] = wifi;
        o["outputTiming"] = capabilitiesOf(r).outputTiming;
    }
    QJsonArray ports;
    for (std::size_t i = 0; i < kPortCount; ++i) ports.append(portJson(r, i, secrets));
    o["ports"] = ports;
    return o;
}

QString deviceRow(const DeviceRecord& r, const ReadoutProgress& progress) {
    QString row = QStringLiteral("%1  %2  %3  %4")
                      .arg(q(r.sourceAddress), -15)
                      .arg(q(macText(r.mac)), -17)
                      .arg(q(r.identity.firmwareText()), -8)
                      .arg(q(r.identity.hardwareText()));
    if (!progress.complete()) row += QStringLiteral("  (not read: %1)").arg(missingGroups(progress));
    return row;
}

QString deviceDetails(const DeviceRecord& r, const ReadoutProgress& progress, SecretDisplay secrets) {
    // The JSON object already names every field; print it flat for people.
    QString out;
    QTextStream s(&out);
    const QJsonObject o = deviceJson(r, progress, secrets);
    if (!progress.complete()) s << "not read: " << missingGroups(progress) << '\n';
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (it.key() == "ports" || it.key() == "network" || it.key() == "wifi" || it.key() == "missing")
            continue;
        s << it.key() << ": " << it.value().toVariant().toString() << '\n';
    }
    for (const char* group : {"network", "wifi"}) {
        const QJsonObject g = o[group].toObject();
        for (auto it = g.begin(); it != g.end(); ++it)
            s << group << '.' << it.key() << ": " << it.value().toVariant().toString() << '\n';
    }
    for (const auto& portValue : o["ports"].toArray()) {
        const QJsonObject p = portValue.toObject();
        s << "port " << p["port"].toInt() << ':';
        for (auto it = p.begin(); it != p.end(); ++it) {
            if (it.key() == "port") continue;
            s << ' ' << it.key() << '=' << it.value().toVariant().toString();
        }
        s << '\n';
    }
    return out;
}

}  // namespace tavrel
