#include "DeviceCsv.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <algorithm>

#include "DeviceJson.h"
#include "util/Csv.h"

namespace tavrel {

namespace {

// The columns a person looks for first; the rest follow in the JSON's order.
constexpr const char* kLeadingKeys[] = {"ip", "mac", "key", "firmware", "hardware", "form", "complete"};

std::string scalarText(const QJsonValue& v) {
    if (v.isBool()) return v.toBool() ? "true" : "false";
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d == static_cast<double>(static_cast<qint64>(d))) return std::to_string(static_cast<qint64>(d));
        return QString::number(d).toStdString();
    }
    if (v.isString()) return v.toString().toStdString();
    return {};  // null
}

void flatten(const std::string& prefix, const QJsonValue& value, CsvCells& cells);

void flattenObject(const std::string& prefix, const QJsonObject& object, CsvCells& cells, bool top) {
    if (top)
        for (const char* key : kLeadingKeys)
            if (object.contains(key)) flatten(key, object[key], cells);
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        if (top && std::find(std::begin(kLeadingKeys), std::end(kLeadingKeys), key) != std::end(kLeadingKeys))
            continue;
        flatten(prefix.empty() ? key : prefix + "." + key, it.value(), cells);
    }
}

void flatten(const std::string& prefix, const QJsonValue& value, CsvCells& cells) {
    if (value.isObject()) {
        flattenObject(prefix, value.toObject(), cells, false);
        return;
    }
    if (!value.isArray()) {
        cells.emplace_back(prefix, scalarText(value));
        return;
    }
    const QJsonArray array = value.toArray();
    if (prefix == "ports") {
        // Each port by its number: "port1.baud".
        for (const QJsonValue& port : array) {
            const QJsonObject p = port.toObject();
            for (auto it = p.begin(); it != p.end(); ++it)
                if (it.key() != "port")
                    flatten(portColumn(p["port"].toInt(), it.key().toStdString()), it.value(), cells);
        }
        return;
    }
    std::string joined;  // a list of plain values ("missing" reply codes): one field, space-separated
    for (const QJsonValue& item : array) joined += (joined.empty() ? "" : " ") + scalarText(item);
    cells.emplace_back(prefix, joined);
}

CsvCells rowOf(const DeviceTable& table, std::size_t index, SecretDisplay secrets) {
    CsvCells cells;
    flattenObject({}, deviceJson(table[index], table.progress(index), secrets), cells, true);
    return cells;
}

}  // namespace

std::string devicesCsv(const DeviceTable& table, std::size_t count, SecretDisplay secrets) {
    std::vector<CsvCells> rows;
    for (std::size_t i = 0; i < count && i < table.usedCount(); ++i) rows.push_back(rowOf(table, i, secrets));
    return csvTable(rows);
}

std::string deviceCsv(const DeviceTable& table, std::size_t index, SecretDisplay secrets) {
    return csvTable({rowOf(table, index, secrets)});
}

}  // namespace tavrel
