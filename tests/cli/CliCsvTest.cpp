// tavrel-cli search --csv and show --csv, read back with Python's csv module: every device a row,
// every field of the JSON a column, texts with commas, quotes, line breaks and Chinese intact.
#include <gtest/gtest.h>

#include <QtCore/QJsonDocument>
#include <QtCore/QProcess>
#include <map>

#include "CliHarness.h"
#include "ExpectedJson.h"

using namespace clitest;

namespace {

using Row = std::map<QString, QString>;

// The JSON's fields as the CSV must name them, stated here on its own: nested objects by dots,
// ports by their number ("port3.baud"), lists of values space-separated, null empty.
void flatten(const QString& prefix, const QJsonValue& value, Row& row) {
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            flatten(prefix.isEmpty() ? it.key() : prefix + '.' + it.key(), it.value(), row);
    } else if (value.isArray() && prefix == "ports") {
        for (const QJsonValue& port : value.toArray()) {
            const QJsonObject p = port.toObject();
            for (auto it = p.begin(); it != p.end(); ++it)
                if (it.key() != "port")
                    flatten(QStringLiteral("port%1.%2").arg(p["port"].toInt()).arg(it.key()), it.value(),
                            row);
        }
    } else if (value.isArray()) {
        QStringList items;
        for (const QJsonValue& item : value.toArray()) items << QString::number(item.toInteger());
        row[prefix] = items.join(' ');
    } else if (value.isBool()) {
        row[prefix] = value.toBool() ? "true" : "false";
    } else if (value.isDouble()) {
        row[prefix] = QString::number(value.toInteger());
    } else {
        row[prefix] = value.toString();
    }
}

// The CSV parsed by Python's csv module: a header and one dictionary per record.
std::vector<Row> parsedByPython(const QString& csv, QString* header) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, io, json, sys\n"
                                 "text = sys.stdin.buffer.read().decode('utf-8')\n"
                                 "rows = list(csv.reader(io.StringIO(text, newline=''), strict=True))\n"
                                 "print(json.dumps(rows))\n")});
    python.write(csv.toUtf8());
    python.closeWriteChannel();
    python.waitForFinished(30000);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonArray records = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    std::vector<Row> rows;
    if (records.isEmpty()) return rows;
    const QJsonArray names = records[0].toArray();
    QStringList headerNames;
    for (const QJsonValue& n : names) headerNames << n.toString();
    *header = headerNames.join(',');
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QJsonArray fields = records[r].toArray();
        EXPECT_EQ(fields.size(), names.size()) << "record " << r;
        Row row;
        for (qsizetype i = 0; i < fields.size() && i < names.size(); ++i)
            row[names[i].toString()] = fields[i].toString();
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(CliCsv, EveryDeviceAndFieldReadsBackThroughPythonsCsvModule) {
    // The last one loses every reply but the search's: its "missing" list is one field of many codes.
    auto sim =
        simulate({"kind=serial,ports=1", "kind=serial,ports=4", "kind=serial,ports=8", "kind=302,timing",
                  "kind=830", "kind=866", "kind=250", "kind=serial,ports=4,drop=1"});
    for (std::size_t i = 0; i < sim->deviceCount(); ++i) {
        auto settings = variedSettings(*sim->device(i), static_cast<int>(i + 3));
        // A comma, a quote, a line break and two Chinese characters in texts that reach the JSON.
        const std::string beat = "a,b\"c\r\nd中文";
        settings.ports[0].heartbeat = {};
        std::copy(beat.begin(), beat.end(), settings.ports[0].heartbeat.begin());
        sim->device(i)->setSettings(settings);
    }
    const CliRun json = runCli(sim->devicePort(), {"--json", "search"});
    const CliRun csv = runCli(sim->devicePort(), {"search", "--csv"});
    ASSERT_TRUE(json.finished && csv.finished);
    ASSERT_EQ(csv.exitCode, 0) << csv.err.toStdString();
    EXPECT_TRUE(csv.out.startsWith("ip,mac,key,")) << csv.out.left(80).toStdString();
    QString error;
    const QJsonArray devices = jsonArrayOf(json.out, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(devices.size(), qsizetype(sim->deviceCount()));

    QString header;
    const std::vector<Row> rows = parsedByPython(csv.out, &header);
    ASSERT_EQ(rows.size(), std::size_t(devices.size()));
    EXPECT_EQ(header.split(',').removeDuplicates(), 0);
    // The two searches list the devices in the order they answered; match them by key.
    int awkward = 0;
    for (const QJsonValue& device : devices) {
        Row expected;
        flatten({}, device, expected);
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
            return r.count("key") && r.at("key") == expected["key"];
        });
        ASSERT_NE(row, rows.end()) << expected["key"].toStdString();
        for (const auto& [column, text] : expected) {
            ASSERT_TRUE(row->count(column)) << column.toStdString();
            EXPECT_EQ(row->at(column), text) << expected["key"].toStdString() << ' ' << column.toStdString();
        }
        // Boards with packed records carry no heartbeat; the serial servers carry the awkward text.
        if (row->at("port1.heartbeatData") == QString::fromUtf8("a,b\"c\r\nd中文")) ++awkward;
        // Columns this device does not have (a board's WiFi) are empty, never another device's.
        for (const auto& [column, text] : *row) {
            if (expected.count(column)) continue;
            EXPECT_TRUE(text.isEmpty()) << column.toStdString();
        }
    }

    EXPECT_GE(awkward, 3);
    const auto unread =
        std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.at("complete") == "false"; });
    ASSERT_NE(unread, rows.end());
    EXPECT_GT(unread->at("missing").count(' '), 1) << unread->at("missing").toStdString();

    // show --csv: the same row for one device, the WiFi board.
    QJsonObject board;
    for (const QJsonValue& device : devices)
        if (device.toObject().contains("wifi")) board = device.toObject();
    const QString key = board["key"].toString();
    const CliRun show = runCli(sim->devicePort(), {"show", key, "--csv"});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const std::vector<Row> one = parsedByPython(show.out, &header);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].at("key"), key);
    EXPECT_EQ(one[0].at("wifi.apSsid"), board["wifi"].toObject()["apSsid"].toString());
}
