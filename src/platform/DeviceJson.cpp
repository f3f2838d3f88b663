#include "DeviceJson.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>

#include <array>
#include <map>

#include "device/DeviceColumns.h"
#include "protocol/ReadoutRetry.h"

namespace tavrel {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QJsonValue jsonOf(const ColumnValue& v) {
    switch (v.type) {
        case ColumnValue::Type::Null:
            return QJsonValue::Null;
        case ColumnValue::Type::Bool:
            return v.flag;
        case ColumnValue::Type::Number:
            return static_cast<qint64>(v.number);
        case ColumnValue::Type::Text:
            return q(v.text);
        case ColumnValue::Type::Numbers: {
            QJsonArray items;
            for (long long n : v.numbers) items.append(static_cast<qint64>(n));
            return items;
        }
    }
    return QJsonValue::Null;
}

QString missingGroups(const ReadoutProgress& progress) {
    QStringList names;
    for (const std::string& name : missingGroupNames(progress)) names << q(name);
    return names.join(QStringLiteral(", "));
}

}  // namespace

QJsonObject deviceJson(const DeviceRecord& r, const ReadoutProgress& progress, SecretDisplay secrets) {
    QJsonObject o;
    std::map<QString, QJsonObject> groups;  // "network", "wifi"
    std::array<QJsonObject, kPortCount> ports;
    for (const DeviceColumn& c : deviceColumns(r, progress, secrets)) {
        const QString name = QString::fromLatin1(fieldInfo(c.column.field).name);
        if (c.column.port > 0) {
            ports[static_cast<std::size_t>(c.column.port - 1)][name] = jsonOf(c.value);
        } else if (const qsizetype dot = name.indexOf('.'); dot > 0) {
            groups[name.left(dot)][name.mid(dot + 1)] = jsonOf(c.value);
        } else {
            o[name] = jsonOf(c.value);
        }
    }
    for (const auto& [group, fields] : groups) o[group] = fields;
    QJsonArray portList;
    for (std::size_t i = 0; i < kPortCount; ++i) {
        ports[i]["port"] = static_cast<int>(i + 1);
        portList.append(ports[i]);
    }
    o["ports"] = portList;
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
