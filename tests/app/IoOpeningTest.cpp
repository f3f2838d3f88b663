// Opening IO control windows from the main window: the double click, the menu command without a
// device, and the subnet check.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtGui/QAction>
#include <QtNetwork/QTcpServer>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTableWidget>
#include <functional>

#include "CIoControlDlg.h"
#include "ControlIds.h"
#include "IoTestSupport.h"
#include "Simulator.h"
#include "WindowHarness.h"
#include "iocontrol/IoSettings.h"

namespace tavrel::test {
namespace {

using io::closedTcpPort;
using io::waitFor;

quint16 unusedUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

// A main window that has found one serial server at 127.0.0.2 and has it selected.
struct OpeningBench {
    explicit OpeningBench(QList<AdapterAddress> adapters) {
        simulator.setDevicePort(unusedUdpPort());
        sim::SimDeviceConfig config;
        config.address = {127, 0, 0, 2};
        config.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, 0x02};
        QString error;
        if (!simulator.addDevice(config, &error)) ADD_FAILURE() << error.toStdString();
        NetworkSettings network = Harness::loopbackNetwork();
        network.devicePort = simulator.devicePort();
        window = harness.makeWindow(std::move(adapters), network);
        window->show();
    }
    bool findAndSelect() {
        window->controlAs<QAbstractButton>(ids::kSearchButton)->click();
        QTableWidget* list = window->deviceList();
        if (!waitFor([&] {
                return list->rowCount() == 1 && list->item(0, 1) && !list->item(0, 1)->text().isEmpty() &&
                       window->session().pendingReadouts() == 0 && !window->session().searching();
            }))
            return false;
        list->selectRow(0);
        return window->selectedDevice() == 0;
    }
    void doubleClickRow() {
        QTableWidget* list = window->deviceList();
        const QRect rect = list->visualRect(list->model()->index(0, 0));
        // A double click is a press and release followed by the double-click event.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QList<CIoControlDlg*> ioWindows() const { return window->findChildren<CIoControlDlg*>(); }

    Harness harness;
    sim::Simulator simulator;
    std::unique_ptr<CConfigDlg> window;
};

TEST(IoOpening, DoubleClickOpensAConnectedWindowForTheDevice) {
    OpeningBench b({{QStringLiteral("lo"), QStringLiteral("127.0.0.1")}});
    ASSERT_TRUE(b.findAndSelect());
    // The simulated device reports an address of its own network; here it is on loopback, and it
    // serves TCP on a port where nothing listens: the window is its client.
    b.window->devices()[0].network.ip = {127, 0, 0, 2};
    PortRecord& port = b.window->devices()[0].ports[0];
    port.workMode = 1;
    port.localPort = closedTcpPort();
    b.doubleClickRow();
    ASSERT_EQ(b.ioWindows().size(), 1);
    CIoControlDlg* io = b.ioWindows().front();
    EXPECT_TRUE(io->isVisible());
    EXPECT_EQ(io->findChild<QComboBox*>("typeList")->currentIndex(), int(IoConnectionType::TcpClient));
    EXPECT_EQ(io->findChild<QLineEdit*>("ipEdit")->text(), "127.0.0.2");
    EXPECT_EQ(io->findChild<QLineEdit*>("portEdit")->text(), QString::number(port.localPort));
    auto* status = io->findChild<QLabel*>("statusLine");
    EXPECT_EQ(status->text(), QString::fromStdString(b.window->texts().ioConnecting));
    ASSERT_TRUE(
        waitFor([&] { return status->text() == QString::fromStdString(b.window->texts().ioConnectFailed); }));

    // Each opening is a window of its own; they go with the main window and keep their settings.
    b.window->actionById(ids::kIoControlCommand)->trigger();
    ASSERT_EQ(b.ioWindows().size(), 2);
    b.ioWindows().back()->findChild<QLineEdit*>("time5")->setText("42");  // the last one to go
    b.window.reset();
    EXPECT_EQ(loadIoSettings(b.harness.home.filePath("io.ini").toStdString()).timeTexts[4], "42");
}

TEST(IoOpening, BoardInAnotherSubnetShowsTheSubnetMessageAndOpensNothing) {
    OpeningBench b({{QStringLiteral("eth0"), QStringLiteral("10.1.2.3")}});
    ASSERT_TRUE(b.findAndSelect());
    b.doubleClickRow();
    EXPECT_TRUE(b.ioWindows().isEmpty());
    ASSERT_EQ(b.harness.prompts->shown.size(), 1);
    EXPECT_TRUE(
        b.harness.prompts->shown[0].endsWith(QString::fromStdString(b.window->texts().subnetMismatch)));
    b.window->switchLanguage(Language::English);
    b.window->actionById(ids::kIoControlCommand)->trigger();
    ASSERT_EQ(b.harness.prompts->shown.size(), 2);
    EXPECT_TRUE(
        b.harness.prompts->shown[1].endsWith("Device IP and computer IP are not in a subnet . Please set IP "
                                             "first to ensure that both of them are in one."));
    EXPECT_TRUE(b.ioWindows().isEmpty());
}

TEST(IoOpening, MenuWithoutDeviceOpensAnEmptyWindowAndDoubleClickNothing) {
    Harness harness;
    auto window = harness.makeWindow({}, Harness::loopbackNetwork());
    window->openIoControl(false);
    EXPECT_TRUE(window->findChildren<CIoControlDlg*>().isEmpty());
    EXPECT_EQ(window->statusText(0), QString::fromStdString(window->texts().selectDevicePrompt));
    window->actionById(ids::kIoControlCommand)->trigger();
    const auto windows = window->findChildren<CIoControlDlg*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.front()->findChild<QComboBox*>("typeList")->currentIndex(), -1);
    EXPECT_FALSE(windows.front()->link().isOpen());
    windows.front()->close();
}

}  // namespace
}  // namespace tavrel::test
