#include "ExpectedJson.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <array>
#include <string_view>

#include "PackedRecords.h"

namespace clitest {

using tavrel::sim::DeviceSettings;
using tavrel::sim::SimDevice;
using tavrel::sim::SimKind;
using tavrel::sim::SimPort;

const QStringList kDeviceKeys = {"ip",        "mac",  "key",     "firmware", "hardware", "source",
                                 "replyPort", "form", "network", "user",     "password", "ports"};
const QStringList kNetworkKeys = {"ipType", "ip", "mask", "gateway", "dns"};
const QStringList kPortKeys = {
    "port",     "baud",       "parity",        "dataBits",          "stopBits",
    "workMode", "remoteHost", "remotePort",    "localPort",         "enable",
    "modbus",   "interface",  "heartbeatData", "heartbeatInterval", "modbusTimeout"};

namespace {

// The device's list positions as its manual names them; position 1 is the first entry.
constexpr std::array<const char*, 17> kBauds = {"600",    "1200",   "2400",   "4800",   "9600",   "14400",
                                                "19200",  "38400",  "56000",  "57600",  "115200", "128000",
                                                "230400", "256000", "460800", "921600", "1024000"};
constexpr std::array<const char*, 3> kParities = {"NONE", "EVEN", "ODD"};
constexpr std::array<const char*, 3> kStopBits = {"1", "1.5", "2"};
constexpr std::array<const char*, 4> kWorkModes = {"TCP_SERVER", "TCP_CLIENT", "UDP_SERVER", "UDP_CLIENT"};
constexpr std::array<const char*, 3> kInterfaces = {"RS232", "RS485", "RS422"};
constexpr std::uint8_t kOff = 1;
constexpr std::uint8_t kOn = 2;

template <std::size_t N>
QJsonValue entry(const std::array<const char*, N>& list, int position) {
    if (position < 1 || position > static_cast<int>(N)) return QJsonValue::Null;
    return QString::fromLatin1(list[static_cast<std::size_t>(position - 1)]);
}

QJsonValue onOff(std::uint8_t value) {
    if (value == kOn) return true;
    if (value == kOff) return false;
    return QJsonValue::Null;
}

template <typename Bytes>
QString text(const Bytes& bytes, std::size_t from = 0, std::size_t width = sizeof(Bytes)) {
    QByteArray out;
    for (std::size_t i = from; i < from + width && i < bytes.size() && bytes[i] != 0; ++i)
        out.append(static_cast<char>(bytes[i]));
    return QString::fromLatin1(out);
}

QString dotted(const tavrel::sim::Block& network, std::size_t at) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(network[at])
        .arg(network[at + 1])
        .arg(network[at + 2])
        .arg(network[at + 3]);
}

QString hex(const std::uint8_t* bytes, int count, const QString& separator) {
    QStringList parts;
    for (int i = 0; i < count; ++i) parts << QStringLiteral("%1").arg(bytes[i], 2, 16, QChar('0')).toUpper();
    return parts.join(separator);
}

// The serial block fields every form reports for a port.
QJsonObject serialFields(const SimPort& p, int number) {
    QJsonObject o;
    o["port"] = number;
    o["baud"] = entry(kBauds, p.serial[0]);
    o["parity"] = entry(kParities, p.serial[1]);
    o["dataBits"] = p.serial[2] >= 7 && p.serial[2] <= 9 ? QJsonValue(QString::number(p.serial[2]))
                                                         : QJsonValue(QJsonValue::Null);
    o["stopBits"] = entry(kStopBits, p.serial[3]);
    o["workMode"] = entry(kWorkModes, p.serial[4]);
    o["remoteHost"] = text(p.host);
    o["remotePort"] = tavrel::sim::remotePortOf(p);
    o["localPort"] = tavrel::sim::localPortOf(p);
    o["modbus"] = onOff(p.serial[14]);
    o["heartbeatInterval"] = p.heartbeatInterval;
    return o;
}

QJsonObject serverPort(const SimDevice& d, std::size_t i) {
    const SimPort& p = d.settings().ports[i];
    QJsonObject o = serialFields(p, static_cast<int>(i + 1));
    o["enable"] = onOff(p.serial[13]);
    o["interface"] = entry(kInterfaces, p.serial[15]);
    // Devices before version 43 keep no heartbeat data; the tool never asks them for it.
    o["heartbeatData"] = d.config().version >= 43 ? text(p.heartbeat) : QString();
    // Only ports 1 and 2 of a device with the extra-query flag keep the timeout as a word; elsewhere
    // the serial block's last byte holds it in tens of milliseconds.
    const bool wordTimeout = d.config().extraQueryFlag == 1 && i < 2;
    o["modbusTimeout"] = wordTimeout ? p.modbusTimeout : p.serial[15] * 10;
    return o;
}

// Written out here rather than taken from the tool, so a changed mask fails the tests.
QString secret(const QString& value, tavrel::SecretDisplay secrets) {
    return secrets == tavrel::SecretDisplay::Shown ? value : QStringLiteral("********");
}

QJsonObject boardPort(const SimDevice& d, tavrel::SecretDisplay secrets) {
    const SimPort& p = d.settings().ports[0];
    const auto& b = d.settings().board;
    QJsonObject o = serialFields(p, 1);
    o["enable"] = true;  // a packed record always reports port 1 enabled
    o["heartbeatData"] = text(p.heartbeat);
    o["modbusTimeout"] = p.modbusTimeout;
    if (d.config().kind == SimKind::Board302 || d.config().kind == SimKind::Board866) {
        o["cloud"] = b.cloud == 1;
        o["cloudId"] = text(b.cloudId);
        o["cloudPassword"] = secret(text(b.cloudPassword), secrets);
    }
    return o;
}

}  // namespace

QJsonObject expectedJson(const SimDevice& d, tavrel::SecretDisplay secrets) {
    const DeviceSettings& s = d.settings();
    const auto kind = d.config().kind;
    const bool server = tavrel::sim::isSerialServer(kind);
    QJsonObject o;
    o["ip"] = d.address().toString();
    o["mac"] = hex(s.mac.data(), 6, "-");
    o["key"] = hex(s.mac.data() + 3, 3, "");
    o["firmware"] = text(d.identity(), 0, 4);
    o["hardware"] = text(d.identity(), 4, 4);
    o["source"] = QStringLiteral("%1:%2").arg(d.address().toString()).arg(d.replyPort());
    o["replyPort"] = d.replyPort();
    o["form"] = QString::fromStdString(tavrel::sim::kindName(kind));
    QJsonObject net;
    net["ipType"] = s.ipType == 1 ? QJsonValue("static") : s.ipType == 2 ? QJsonValue("dhcp") : QJsonValue();
    net["ip"] = dotted(s.network, 0);
    net["mask"] = dotted(s.network, 4);
    net["gateway"] = dotted(s.network, 8);
    net["dns"] = dotted(s.network, 12);
    o["network"] = net;
    o["user"] = text(s.account, 0, 8);
    o["password"] = secret(text(s.account, 8, 8), secrets);
    // A 302 board has no IO input options in its record.
    o["outputFollow"] = kind != SimKind::Board302 && s.ioOptions[0] == 1;
    o["sendStatus"] = kind != SimKind::Board302 && s.ioOptions[1] == 1;
    if (kind == SimKind::Board302 || kind == SimKind::Board830 || kind == SimKind::Board866)
        o["rs485Address"] = s.board.rs485Address;
    if (kind == SimKind::Board302) {
        QJsonObject wifi;
        wifi["mode"] = s.board.wifiMode == 1 ? "AP" : s.board.wifiMode == 2 ? "STA" : QJsonValue();
        wifi["apSsid"] = text(s.board.apSsid);
        wifi["apPassword"] = secret(text(s.board.apPassword), secrets);
        wifi["staSsid"] = text(s.board.staSsid);
        wifi["staPassword"] = secret(text(s.board.staPassword), secrets);
        wifi["signal"] = s.board.signal;  // dBm, negative
        o["wifi"] = wifi;
        o["outputTiming"] = s.board.outputTiming == 1;
    }
    QJsonArray ports;
    if (server) {
        const int count = tavrel::sim::storedPortCount(d.config().portCountChar);
        for (int i = 0; i < count; ++i) ports.append(serverPort(d, static_cast<std::size_t>(i)));
    } else {
        ports.append(boardPort(d, secrets));
    }
    o["ports"] = ports;
    return o;
}

QStringList passwordsOf(const QJsonObject& expected) {
    const QJsonObject wifi = expected["wifi"].toObject();
    QStringList out;
    for (const QString& v :
         {expected["password"].toString(), wifi["apPassword"].toString(), wifi["staPassword"].toString(),
          expected["ports"].toArray()[0].toObject()["cloudPassword"].toString()})
        if (!v.isEmpty()) out << v;
    return out;
}

DeviceSettings variedSettings(const SimDevice& device, int seed) {
    DeviceSettings s = device.settings();
    const auto u = [](int v) { return static_cast<std::uint8_t>(v); };
    s.network = {10, u(seed), 1, u(20 + seed), 255, 255, 254, 0, 10, u(seed), 1, 254, 8, 8, 4, u(seed)};
    s.ipType = seed % 2 ? 2 : 1;
    s.account = {};
    const std::string user = seed % 2 ? "operator" : "op" + std::to_string(seed);  // 8 fills the field
    const std::string password = "pw#" + std::to_string(seed) + "xyzw";
    std::copy_n(user.begin(), std::min<std::size_t>(user.size(), 8), s.account.begin());
    std::copy_n(password.begin(), std::min<std::size_t>(password.size(), 8), s.account.begin() + 8);
    s.ioOptions = {u(seed % 2), u((seed + 1) % 2)};
    for (std::size_t i = 0; i < s.ports.size(); ++i) {
        SimPort& p = s.ports[i];
        const int n = static_cast<int>(i);
        p.serial[0] = u(1 + (seed * 3 + n * 5) % 17);
        p.serial[1] = u(1 + (seed + n) % 3);
        p.serial[2] = u(7 + (seed + n) % 3);
        p.serial[3] = u(1 + (seed + 2 * n) % 3);
        p.serial[4] = u(1 + (seed + n) % 4);
        tavrel::putBe16(p.serial.data() + 9, static_cast<std::uint16_t>(1000 + 100 * seed + n));
        tavrel::putBe16(p.serial.data() + 11, static_cast<std::uint16_t>(30000 + 10 * seed + n));
        p.serial[13] = (seed + n) % 2 ? kOn : kOff;
        p.serial[14] = (seed + n) % 2 ? kOff : kOn;
        p.serial[15] = u(1 + (seed + n) % 3);
        // Port 1 fills all 32 host bytes and all 16 heartbeat bytes; port 2 has a 16-byte host.
        std::string host = "h" + std::to_string(seed) + "-" + std::to_string(n) + ".example.net";
        if (i == 0) host = "host-" + std::to_string(seed) + "-of-exactly-32-chars.io";
        if (i == 1) host = "sixteen-chars-" + std::to_string(seed % 10) + "x";
        host.resize(std::min<std::size_t>(host.size(), 32));
        while (i == 0 && host.size() < 32) host += 'z';
        p.host = {};
        std::copy(host.begin(), host.end(), p.host.begin());
        std::string beat =
            i == 0 ? "beat-sixteen-" + std::to_string(100 + seed) : "b" + std::to_string(seed * 10 + n);
        beat.resize(std::min<std::size_t>(beat.size(), 16));
        p.heartbeat = {};
        std::copy(beat.begin(), beat.end(), p.heartbeat.begin());
        p.heartbeatInterval = static_cast<std::uint16_t>(100 * seed + n + 1);
        p.modbusTimeout = static_cast<std::uint16_t>(300 + 10 * seed + n);
    }
    auto& b = s.board;
    b.wifiMode = seed % 2 ? 1 : 2;
    const auto fill = [](auto& field, const std::string& value) {
        field = {};
        std::copy_n(value.begin(), std::min(value.size(), field.size()), field.begin());
    };
    fill(b.apSsid, "AP-with-a-name-of-32-characters-" + std::to_string(seed));
    fill(b.apPassword, "ap-pass-" + std::to_string(seed));
    fill(b.staSsid, "station-" + std::to_string(seed));
    fill(b.staPassword, "sta-secret-" + std::to_string(seed));
    b.signal = static_cast<std::int8_t>(-40 - seed);
    b.rs485Address = u(10 + seed);
    b.cloud = 1;
    fill(b.cloudId, "CLOUD-ID-TWENTY-CHARS-" + std::to_string(seed));
    fill(b.cloudPassword, "cloudpw" + std::to_string(seed % 10));
    return s;
}

QStringList differences(const QJsonObject& expected, const QJsonObject& actual, const QString& path) {
    QStringList out;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QString where = path.isEmpty() ? it.key() : path + '.' + it.key();
        if (!actual.contains(it.key())) {
            out << where + ": missing";
            continue;
        }
        const QJsonValue want = it.value();
        const QJsonValue got = actual.value(it.key());
        if (want.isObject() && got.isObject()) {
            out << differences(want.toObject(), got.toObject(), where);
        } else if (want.isArray() && got.isArray()) {
            const QJsonArray w = want.toArray();
            const QJsonArray g = got.toArray();
            for (qsizetype i = 0; i < w.size(); ++i) {
                const QString at = QStringLiteral("%1[%2]").arg(where).arg(i);
                if (i >= g.size())
                    out << at + ": missing";
                else
                    out << differences(w[i].toObject(), g[i].toObject(), at);
            }
        } else if (want != got) {
            out << QStringLiteral("%1: expected %2, got %3")
                       .arg(where,
                            QString::fromUtf8(QJsonDocument(QJsonArray{want}).toJson(QJsonDocument::Compact)),
                            QString::fromUtf8(QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact)));
        }
    }
    return out;
}

}  // namespace clitest
