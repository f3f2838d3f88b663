// The main window with a device whose read-out stayed incomplete, and with its reply port taken.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QSignalSpy>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "ControlIds.h"
#include "DeviceReread.h"
#include "DeviceSession.h"
#include "FormBench.h"
#include "ProfileArea.h"
#include "ProtocolSocket.h"
#include "QtText.h"
#include "texts/FixedTexts.h"

namespace tavrel::test {
namespace {

int writesTo(const sim::SimDevice& d) {
    int n = 0;
    for (const auto& f : d.frames()) n += f.op == 'W' ? 1 : 0;
    return n;
}

// Two one-port servers; the first answers its first two reads (network, MAC) and no read after them,
// which no re-request makes up for.
struct LossyBench : SimBench {
    LossyBench() : SimBench({serialServer(21, '1'), serialServer(22, '1')}) {
        sim::SimDevice& d = *simulator.device(0);
        QObject::connect(&d, &sim::SimDevice::frameReceived, &d,
                         [&d, reads = 0](const sim::ReceivedFrame& f) mutable {
                             if (f.op != 'R' || f.subCode == 1 || ++reads != 3) return;
                             sim::SimOptions options = d.options();
                             options.dropEvery = 1;
                             d.setOptions(options);
                         });
    }
    bool searchAndSettle() {
        QSignalSpy settled(&window->session(), &DeviceSession::readoutSettled);
        window->controlAs<QPushButton>(ids::kSearchButton)->click();
        return waitUntil(
            [&] {
                return window->deviceList()->rowCount() == 2 && settled.count() >= 2 &&
                       window->session().pendingReadouts() == 0 && !window->session().searching();
            },
            60000);
    }
    QTableWidgetItem* ipCell(int row) const { return window->deviceList()->item(row, 0); }
    int rowOf(int host) const {
        for (int row = 0; row < window->deviceList()->rowCount(); ++row)
            if (ipCell(row)->text() == QStringLiteral("127.0.0.%1").arg(host)) return row;
        return -1;
    }
};

}  // namespace

TEST(IncompleteDevice, RowIsMarkedInBothLanguages) {
    LossyBench b;
    ASSERT_TRUE(b.searchAndSettle());
    const int lossy = b.rowOf(21);
    const int whole = b.rowOf(22);
    ASSERT_GE(lossy, 0);
    ASSERT_GE(whole, 0);
    EXPECT_EQ(b.ipCell(lossy)->toolTip(), qs(b.window->texts().incompleteDeviceHint));
    EXPECT_EQ(b.ipCell(lossy)->toolTip(), QStringLiteral("Some settings of this device were not read."));
    EXPECT_NE(b.ipCell(lossy)->background().style(), Qt::NoBrush);
    EXPECT_TRUE(b.ipCell(whole)->toolTip().isEmpty());
    EXPECT_EQ(b.ipCell(whole)->background().style(), Qt::NoBrush);
    // The row still shows what was read.
    EXPECT_EQ(b.window->deviceList()->item(lossy, 1)->text(), QStringLiteral("00-CA-C1-00-00-15"));

    b.window->switchLanguage(Language::Chinese);
    EXPECT_EQ(b.ipCell(lossy)->toolTip(), QStringLiteral("此设备的部分参数未能读取。"));
    // A device that did not answer again after a change says that, whole or not.
    for (int row : {lossy, whole}) {
        emit b.window->reread().notBack(row);
        EXPECT_EQ(b.ipCell(row)->toolTip(), qs(b.window->texts().deviceNotBack)) << row;
        EXPECT_NE(b.ipCell(row)->background().style(), Qt::NoBrush) << row;
    }
}

// Every path that writes the device or its profile asks first, naming what is missing; Cancel sends
// and writes nothing.
TEST(IncompleteDevice, EveryWriteAsksFirstAndCancelSendsNothing) {
    LossyBench b;
    ASSERT_TRUE(b.searchAndSettle());
    sim::SimDevice& lossy = *b.simulator.device(0);
    sim::SimDevice& whole = *b.simulator.device(1);
    lossy.clearLog();
    whole.clearLog();
    auto& prompts = *b.harness.prompts;
    const QString profile = QDir(qs(b.window->paths().profileFolder.string())).filePath("whole.ini");

    // A profile of the whole device, imported, so that one-click can run.
    prompts.fileAnswer = profile;
    selectRow(*b.window, b.rowOf(22));
    b.window->profileArea().exportProfile();
    b.window->profileArea().importProfile();
    ASSERT_TRUE(b.window->control(ids::kOneClickButton)->isEnabled());
    prompts.shown.clear();

    prompts.confirmAnswer = false;
    prompts.fileAnswer = QDir(qs(b.window->paths().profileFolder.string())).filePath("lossy.ini");
    selectRow(*b.window, b.rowOf(21));
    const std::function<void()> writes[] = {
        [&] { b.window->controlAs<QPushButton>(ids::kSaveNetworkButton)->click(); },
        [&] { b.window->controlAs<QPushButton>(ids::kSavePortButton)->click(); },
        [&] { b.window->controlAs<QPushButton>(ids::kOneClickButton)->click(); },
        [&] { b.window->profileArea().exportProfile(); },
    };
    for (const auto& write : writes) {
        prompts.shown.clear();
        write();
        ASSERT_EQ(prompts.shown.size(), 1);
        const QString question = prompts.shown[0].section('|', 1);
        EXPECT_TRUE(question.startsWith("Some settings of this device were not read (")) << question.toStdString();
        EXPECT_GT(question.indexOf(')'), question.indexOf('(') + 1) << "names the missing groups";
    }
    EXPECT_FALSE(QFile::exists(prompts.fileAnswer)) << "a cancelled export writes nothing";
    // A complete device is saved without a question.
    prompts.shown.clear();
    selectRow(*b.window, b.rowOf(22));
    b.window->controlAs<QPushButton>(ids::kSavePortButton)->click();
    EXPECT_TRUE(prompts.shown.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return writesTo(whole) > 0; }));
    EXPECT_EQ(writesTo(lossy), 0) << "a cancelled save sends nothing";

    b.window->switchLanguage(Language::Chinese);
    prompts.shown.clear();
    prompts.confirmAnswer = true;
    selectRow(*b.window, b.rowOf(21));
    b.window->controlAs<QPushButton>(ids::kSavePortButton)->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].contains("此设备的部分参数未能读取（")) << prompts.shown[0].toStdString();
    EXPECT_FALSE(prompts.shown[0].contains("（）"));
    EXPECT_TRUE(waitUntil([&] { return writesTo(lossy) > 0; }));
}

// A block that arrives after the device was shown refreshes the form of the selected device, so a
// save does not write back the zeros shown before; another device's form is left alone.
TEST(IncompleteDevice, LateBlockRefreshesTheSelectedDevicesForm) {
    Harness harness;
    harness.writeLanguageFile("e");
    auto window = harness.makeWindow();
    putDevices(*window, {sampleRecord(0x21), sampleRecord(0x22)});
    selectRow(*window, 0);
    window->showDevice(0);
    auto* ip = window->controlAs<QLineEdit>(ids::kIpAddressEdit);
    const QString shown = ip->text();

    window->devices()[1].network.ip = {10, 0, 0, 22};
    emit window->session().deviceUpdated(1);
    EXPECT_EQ(ip->text(), shown);

    window->devices()[0].network.ip = {10, 0, 0, 21};
    emit window->session().deviceUpdated(0);
    EXPECT_EQ(ip->text(), QStringLiteral("10.0.0.21"));
}

TEST(ReplyPort, TakenPortIsReportedAndLeftClosedUntilAnAdapterIsChosen) {
    QUdpSocket first;  // the copy of the tool that was there first
    ASSERT_TRUE(first.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    const quint16 port = first.localPort();
    Harness harness;
    harness.writeLanguageFile("e");
    NetworkSettings network = Harness::loopbackNetwork();
    network.localPort = port;
    auto window = harness.makeWindow({}, network);
    ASSERT_TRUE(waitUntil([&] { return !harness.prompts->shown.isEmpty(); }));
    const QString message = harness.prompts->shown[0].section('|', 1);
    EXPECT_EQ(message, qs(fixed::withNumber(window->texts().portInUsePattern, port)));
    EXPECT_TRUE(message.startsWith(QStringLiteral("UDP port %1 is in use").arg(port)))
        << message.toStdString();
    EXPECT_FALSE(window->socket().isBound());

    first.close();
    window->chooseAdapter(ids::kDefaultAdapterCommand);
    EXPECT_TRUE(window->socket().isBound());
    EXPECT_EQ(window->socket().localPort(), port);
    EXPECT_EQ(harness.prompts->shown.size(), 1);
}

}  // namespace tavrel::test
