// The device list's address marks (a shared address, an address outside the card's subnet), the
// Device menu's "Export List…" and "Load Fleet Sheet…".
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtGui/QAction>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "CFleetDlg.h"
#include "ControlIds.h"
#include "IoTestSupport.h"
#include "Simulator.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

struct ListBench {
    explicit ListBench(QList<AdapterAddress> adapters) {
        QUdpSocket probe;
        probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        simulator.setDevicePort(probe.localPort());
        probe.close();
        for (std::uint8_t host : {2, 3, 4}) {
            sim::SimDeviceConfig config;
            config.address = {127, 0, 0, host};
            config.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, host};
            if (!simulator.addDevice(config)) ADD_FAILURE() << "no device at 127.0.0." << int(host);
        }
        NetworkSettings network = Harness::loopbackNetwork();
        network.devicePort = simulator.devicePort();
        window = harness.makeWindow(std::move(adapters), network);
        window->show();
    }
    bool search() {
        window->controlAs<QAbstractButton>(ids::kSearchButton)->click();
        QTableWidget* list = window->deviceList();
        return io::waitFor([&] {
            if (list->rowCount() != 3 || window->session().pendingReadouts() > 0) return false;
            for (int i = 0; i < 3; ++i)
                if (!list->item(i, 1) || list->item(i, 1)->text().isEmpty()) return false;
            return true;
        });
    }
    QTableWidgetItem* ipCell(int row) const { return window->deviceList()->item(row, 0); }

    Harness harness;
    sim::Simulator simulator;
    std::unique_ptr<CConfigDlg> window;
};

TEST(DeviceListMarks, SharedAndForeignAddressesAreMarkedInBothLanguages) {
    // A card whose subnet holds 127.0.0.2 and .3, not .4.
    ListBench b({{QStringLiteral("lo"), QStringLiteral("127.0.0.1"), QStringLiteral("255.255.255.252")}});
    ASSERT_TRUE(b.search());
    const int columns = b.window->deviceList()->columnCount();
    int foreign = -1;
    for (int row = 0; row < 3; ++row)
        if (b.ipCell(row)->text() == "127.0.0.4") foreign = row;
    ASSERT_NE(foreign, -1);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(b.ipCell(row)->toolTip().isEmpty(), row != foreign) << row;
        EXPECT_EQ(b.ipCell(row)->background().style() == Qt::NoBrush, row != foreign) << row;
    }
    EXPECT_TRUE(b.ipCell(foreign)->toolTip().contains("127.0.0.4"));

    // Two entries answering from one address (as two devices set alike would).
    const int first = foreign == 0 ? 1 : 0;
    const int second = 3 - foreign - first;
    b.window->devices()[static_cast<std::size_t>(second)].sourceAddress =
        b.window->devices()[static_cast<std::size_t>(first)].sourceAddress;
    b.window->actionById(ids::kChineseCommand)->trigger();
    const QString chinese = b.ipCell(first)->toolTip();
    EXPECT_TRUE(
        chinese.contains(QString::fromStdString(UiTexts::textOf(&UiTexts::markDuplicateIp, Language::Chinese))
                             .section("%1", 0, 0)));
    EXPECT_EQ(b.ipCell(second)->toolTip(), chinese);
    b.window->actionById(ids::kEnglishCommand)->trigger();
    EXPECT_TRUE(b.ipCell(first)->toolTip().startsWith("Another device answers from"));
    EXPECT_NE(b.ipCell(first)->background(), b.ipCell(foreign)->background());
    // Marks colour a cell; the list keeps its columns.
    EXPECT_EQ(b.window->deviceList()->columnCount(), columns);
}

TEST(DeviceListExport, ExportListWritesEveryDeviceAsCsvInTheProfileFolder) {
    ListBench b({});
    ASSERT_TRUE(b.search());
    const QString path = b.harness.home.filePath("list.csv");
    b.harness.prompts->fileAnswer = path;
    QAction* command = b.window->actionById(ids::kExportListCommand);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QString::fromStdString(b.window->texts().exportList));
    command->trigger();
    ASSERT_EQ(b.harness.prompts->fileDialogs.size(), 1);
    EXPECT_TRUE(
        b.harness.prompts->fileDialogs[0].startsWith(b.harness.home.filePath("VESK-Config/devices.csv")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList records = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(records.size(), 4);
    EXPECT_TRUE(records[0].startsWith("ip,mac,key,firmware,hardware"));
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(records[row + 1].startsWith(b.ipCell(row)->text() + ','));
    EXPECT_FALSE(records[1].contains("********"));  // the harness says yes to the passwords question
    // Told no, the list masks them, as the CLI's does.
    b.harness.prompts->confirmAnswer = false;
    command->trigger();
    QFile masked(path);
    ASSERT_TRUE(masked.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(masked.readAll()).contains("********"));
    b.harness.prompts->shown.clear();

    // A file that cannot be written is said so; nothing else changes.
    b.harness.prompts->fileAnswer = b.harness.home.filePath("missing-folder/list.csv");
    command->trigger();
    ASSERT_EQ(b.harness.prompts->shown.size(), 2);  // the passwords question, then the failure
    EXPECT_TRUE(b.harness.prompts->shown[1].contains("missing-folder"));
}

// The sheet's plan as a table in the interface language, applied on confirmation with each device's
// outcome; a device that leaves its row afterwards is marked in the list.
TEST(DeviceListExport, FleetSheetIsPlannedAppliedAndDriftMarked) {
    ListBench b({});
    ASSERT_TRUE(b.search());
    const QString path = b.harness.home.filePath("plant.csv");
    QFile sheet(path);
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write(
        "mac,port1.baud,port1.parity\r\n00-CA-C1-00-00-02,115200,even\r\n00-CA-C1-00-00-03,,\r\n"
        "00-CA-C1-00-00-09,9600,\r\n");
    sheet.close();
    b.harness.prompts->fileAnswer = path;
    b.window->actionById(ids::kChineseCommand)->trigger();
    const UiTexts& texts = b.window->texts();
    QStringList headers;
    std::vector<QStringList> rows;
    b.harness.onModal = [&](QDialog& d) {
        auto& dialog = dynamic_cast<CFleetDlg&>(d);
        QTableWidget* table = dialog.planTable();
        for (int c = 0; c < table->columnCount(); ++c) headers << table->horizontalHeaderItem(c)->text();
        dialog.applyButton()->click();
        EXPECT_TRUE(io::waitFor([&] { return dialog.progressBar()->value() == 1; }));
        for (int r = 0; r < table->rowCount(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < table->columnCount(); ++c) rows.back() << table->item(r, c)->text();
        }
    };
    b.window->actionById(ids::kLoadFleetSheetCommand)->trigger();
    EXPECT_EQ(headers, (QStringList{"设备", "字段", "原值", "新值", "结果"}));
    ASSERT_EQ(rows.size(), 4u);  // two changes of one device, one unchanged, one not listed
    EXPECT_TRUE(rows[0][0].startsWith("00-CA-C1-00-00-02 (127.0.0.2)"));
    EXPECT_EQ(rows[0].mid(1, 3), (QStringList{"port1.baud", "9600", "115200"}));
    EXPECT_EQ(rows[1].mid(1, 3), (QStringList{"port1.parity", "NONE", "EVEN"}));
    EXPECT_EQ(rows[0][4], QString::fromStdString(texts.fleetWritten));
    EXPECT_EQ(rows[2][3], QString::fromStdString(texts.fleetUnchanged));
    EXPECT_EQ(rows[3][3], QString::fromStdString(texts.fleetMissing));
    EXPECT_EQ(sim::baudIndex(b.simulator.device(0)->port(1)), 11);

    // Changed behind the window's back, then found by a new search: its row is marked.
    auto settings = b.simulator.device(0)->settings();
    settings.ports[0].serial[0] = 5;
    b.simulator.device(0)->setSettings(settings);
    ASSERT_TRUE(b.search());
    QTableWidget* list = b.window->deviceList();
    EXPECT_TRUE(io::waitFor([&] {
        for (int row = 0; row < 3; ++row)
            if (list->item(row, 1)->toolTip().contains("port1.baud")) return true;
        return false;
    }));
    for (int row = 0; row < 3; ++row) {
        const bool drifted = list->item(row, 1)->text() == "00-CA-C1-00-00-02";
        EXPECT_EQ(list->item(row, 1)->toolTip().contains("port1.baud"), drifted) << row;
        EXPECT_EQ(list->item(row, 1)->background().style() == Qt::NoBrush, !drifted) << row;
    }
}

}  // namespace
}  // namespace tavrel::test
