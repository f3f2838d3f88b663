// tavrel-cli fleet: the device list exported, edited as a spreadsheet would save it, planned,
// applied and checked against simulated devices of every form.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <map>

#include "CliHarness.h"
#include "util/Csv.h"

using namespace clitest;

namespace {

using Edits = std::map<std::string, std::map<std::string, std::string>>;  // key -> column -> text

// The export with some cells changed, as a spreadsheet program saves it: a byte order mark, CRLF.
QString editedSheet(const QString& exported, const QString& folder, const QString& name, const Edits& edits) {
    auto records = std::get<std::vector<tavrel::CsvRecord>>(tavrel::readCsv(exported.toStdString()));
    const std::vector<std::string> header = records.front().fields;
    const auto column = [&](const std::string& n) {
        return std::find(header.begin(), header.end(), n) - header.begin();
    };
    std::string text = "\xEF\xBB\xBF" + tavrel::csvRecord(header);
    for (std::size_t r = 1; r < records.size(); ++r) {
        auto& fields = records[r].fields;
        const auto it = edits.find(fields[static_cast<std::size_t>(column("key"))]);
        if (it != edits.end())
            for (const auto& [name, value] : it->second)
                fields[static_cast<std::size_t>(column(name))] = value;
        text += tavrel::csvRecord(fields);
    }
    const QString path = folder + '/' + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text.data(), qint64(text.size())) > 0);
    return path;
}

int writesTo(const tavrel::sim::SimDevice& device) {
    return framesWithOp(device, 'W');
}

}  // namespace

TEST(CliFleet, ExportEditPlanApplyAndCheckRoundTrip) {
    auto sim = simulate({"kind=serial,ports=4", "kind=serial,ports=8", "kind=302", "kind=830"});
    const quint16 port = sim->devicePort();
    QTemporaryDir dir;
    const CliRun exported = runCli(port, {"search", "--csv"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    auto key = [&](int i) { return tavrel::keyText(sim->device(i)->key()); };
    auto mac = [&](int i) { return QString::fromStdString(tavrel::macText(sim->device(i)->settings().mac)); };
    const Edits edits = {{key(0), {{"port1.baud", "115200"}, {"port4.parity", "even"}}},
                         {key(1), {{"network.ip", "192.168.7.30"}, {"port8.localPort", "4999"}}},
                         {key(2), {{"wifi.staSsid", "Plant-WiFi"}, {"wifi.staPassword", "plant-pass"}}}};

    // A cell that is no value of its column: named by line and column, nothing is sent.
    Edits bad = edits;
    bad[key(1)]["port2.baud"] = "9601";
    const CliRun refused =
        runCli(port, {"fleet", "apply", editedSheet(exported.out, dir.path(), "bad.csv", bad)});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(
        QRegularExpression("line [2-5], port2.baud: \"9601\" is not allowed; one of 600")))
        << refused.err.toStdString();
    for (std::size_t i = 0; i < sim->deviceCount(); ++i) EXPECT_EQ(writesTo(*sim->device(i)), 0) << i;

    const QString sheet = editedSheet(exported.out, dir.path(), "plant.csv", edits);
    const CliRun plan = runCli(port, {"--json", "fleet", "plan", sheet});
    ASSERT_EQ(plan.exitCode, 0) << plan.err.toStdString();
    QString error;
    std::map<QString, QJsonObject> planned;
    for (const QJsonValue& v : jsonArrayOf(plan.out, &error)) planned[v["mac"].toString()] = v.toObject();
    ASSERT_EQ(planned.size(), 4u) << error.toStdString();
    EXPECT_EQ(planned[mac(3)]["status"], "unchanged");
    EXPECT_EQ(planned[mac(0)]["changes"].toArray().size(), 2);
    EXPECT_EQ(planned[mac(0)]["changes"][1]["to"], "EVEN");
    EXPECT_EQ(planned[mac(1)]["changes"][0]["field"], "network.ip");
    EXPECT_EQ(planned[mac(2)]["changes"][0]["from"], "********");  // a password, masked unless asked

    const QString report = dir.filePath("applied.csv");
    const CliRun apply = runCli(port, {"fleet", "apply", sheet, "--parallel", "2", "--report", report});
    ASSERT_EQ(apply.exitCode, 0) << apply.out.toStdString() << apply.err.toStdString();
    EXPECT_EQ(writesTo(*sim->device(3)), 0);  // its row already matched
    EXPECT_EQ(tavrel::sim::baudIndex(sim->device(0)->port(1)), 11);
    // The masked account password of the 8-port row went back as the device had it.
    EXPECT_EQ(tavrel::sim::fieldText(tavrel::Bytes(sim->device(1)->settings().account).subspan(8)), "admin");
    EXPECT_EQ(tavrel::sim::fieldText(sim->device(2)->settings().board.staPassword), "plant-pass");
    QFile reportFile(report);
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(reportFile.readAll().count("written"), 3);

    const CliRun check = runCli(port, {"fleet", "check", sheet});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();

    // Changed behind the tool's back: check names the device and the field.
    auto settings = sim->device(0)->settings();
    settings.ports[0].serial[0] = 5;  // 9600
    sim->device(0)->setSettings(settings);
    const CliRun drifted = runCli(port, {"fleet", "check", sheet});
    EXPECT_EQ(drifted.exitCode, 1);
    const QString address = sim->device(0)->address().toString();
    EXPECT_TRUE(drifted.out.contains(mac(0) + "  " + address +
                                     "  differs\n    port1.baud: device 9600, sheet 115200"))
        << drifted.out.toStdString();
}
