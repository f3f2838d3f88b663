#include "FormBench.h"

#include <gtest/gtest.h>

#include <QtNetwork/QUdpSocket>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceSession.h"

namespace tavrel::test {

bool waitUntil(const std::function<bool()>& done, int deadlineMs) {
    return QTest::qWaitFor(done, deadlineMs);
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

bool showActive(CConfigDlg& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

void chooseEntry(QComboBox* list, int index) {
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(list, Qt::Key_Down);
}

void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

DeviceRecord sampleRecord(std::uint8_t lastMacByte) {
    DeviceRecord r;
    r.inUse = 1;
    r.kindFlag = 1;
    r.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, lastMacByte};
    r.key = {0x19, 0x00, lastMacByte};
    r.identity.bytes = {'V', '1', '4', '2', 'S', '4', '1', '0'};
    r.ipType = 1;
    r.network.ip = {192, 168, 1, lastMacByte};
    r.network.mask = {255, 255, 255, 0};
    r.network.gateway = {192, 168, 1, 1};
    r.network.dns = {192, 168, 1, 1};
    r.replyPort = 1111;
    for (PortRecord& p : r.ports) {
        p.baudRate = 5;
        p.parity = 1;
        p.dataBits = 8;
        p.stopBits = 1;
        p.workMode = 2;
        p.remotePort = 8234;
        p.localPort = 20108;
        p.enable = 2;
        p.modbus = 2;
        p.interfaceType = 1;
        setText(p.remoteHost, "192.168.1.200");
        setText(p.heartbeatData, "HB");
        p.heartbeatInterval = 60;
        p.modbusTimeout = 200;
    }
    return r;
}

void putDevices(CConfigDlg& window, const std::vector<DeviceRecord>& records) {
    QTableWidget* list = window.deviceList();
    list->setRowCount(static_cast<int>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) window.devices()[i] = records[i];
}

void selectRow(CConfigDlg& window, int row) {
    window.deviceList()->selectRow(row);
}

FormFixture::FormFixture(std::vector<DeviceRecord> records, bool select) {
    h.writeLanguageFile("e");
    NetworkSettings network = Harness::loopbackNetwork();
    network.devicePort = freeUdpPort();
    window = h.makeWindow({}, network);
    EXPECT_TRUE(showActive(*window));
    putDevices(*window, records);
    if (select) selectRow(*window, 0);
}

QLineEdit* FormFixture::edit(int id) const {
    return window->controlAs<QLineEdit>(id);
}

QComboBox* FormFixture::list(int id) const {
    return window->controlAs<QComboBox>(id);
}

QCheckBox* FormFixture::check(int id) const {
    return window->controlAs<QCheckBox>(id);
}

QString FormFixture::message(int i) const {
    return h.prompts->shown.value(i).section('|', 1);
}

sim::SimDeviceConfig serialServer(int host, char portCountChar) {
    sim::SimDeviceConfig config;
    config.kind = sim::SimKind::SerialServer;
    config.portCountChar = portCountChar;
    config.address = {127, 0, 0, static_cast<std::uint8_t>(host)};
    config.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, static_cast<std::uint8_t>(host)};
    return config;
}

SimBench::SimBench(const std::vector<sim::SimDeviceConfig>& devices, const std::string& languageFile) {
    harness.writeLanguageFile(languageFile);
    NetworkSettings network = Harness::loopbackNetwork();
    network.devicePort = freeUdpPort();
    simulator.setDevicePort(network.devicePort);
    for (const auto& config : devices) {
        QString error;
        if (!simulator.addDevice(config, &error)) qFatal("simulated device: %s", qPrintable(error));
    }
    window = harness.makeWindow({}, network);
}

bool SimBench::search() {
    QSignalSpy ready(&window->session(), &DeviceSession::deviceReady);
    window->controlAs<QPushButton>(ids::kSearchButton)->click();
    const auto count = static_cast<qsizetype>(simulator.deviceCount());
    // The repeated broadcasts are over too, so that no search reaches a device after this returns.
    return waitUntil([&] {
        return window->deviceList()->rowCount() == count && ready.count() >= count &&
               window->session().pendingReadouts() == 0 && !window->session().searching();
    });
}

}  // namespace tavrel::test
