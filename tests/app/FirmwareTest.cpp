// The firmware upgrade of the main window: button 1049 and the device menu's command, the dialog's
// checks and messages, and uploads to simulated devices that take them well or badly.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "CFirmwareDlg.h"
#include "ControlIds.h"
#include "FirmwareArea.h"
#include "FirmwareImage.h"
#include "FormBench.h"
#include "QtText.h"
#include "SimTftp.h"
#include "TftpTransfer.h"

namespace tavrel::test {
namespace {

constexpr std::uint8_t kEnterUpgrade = 22;

sim::SimDeviceConfig deviceAnswering(int host, sim::TftpBehaviour behaviour) {
    sim::SimDeviceConfig config = serialServer(host, '1');
    config.options.tftp = behaviour;
    return config;
}

// Simulated devices that take firmware at a TFTP port of their own, and a window that uses that port.
struct FirmwareBench : SimBench {
    explicit FirmwareBench(std::vector<sim::SimDeviceConfig> devices) : SimBench(devices) {
        QString error;
        for (int attempt = 0; attempt < 8 && !simulator.setTftpPort(freeUdpPort(), &error); ++attempt) {
        }
        NetworkSettings network = Harness::loopbackNetwork();
        network.devicePort = simulator.devicePort();
        network.tftpPort = simulator.tftpPort();
        window = harness.makeWindow({}, network);
        ready = simulator.device(0)->tftp() && showActive(*window) && search();
    }
    QString writeImage(const QString& name, qsizetype size) {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i) bytes[i] = char((i * 13 + i / 700) & 0xFF);
        image = bytes;
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QByteArray held(std::size_t device) const {
        const sim::SimTftp* t = simulator.device(device)->tftp();
        if (!t || !t->hasFirmware()) return {};
        return QByteArray(reinterpret_cast<const char*>(t->firmware().bytes.data()),
                          static_cast<qsizetype>(t->firmware().bytes.size()));
    }
    // Runs `steps` with the dialog while it is open.
    void whileOpen(std::function<void(CFirmwareDlg&)> steps) {
        harness.onModal = [steps](QDialog& d) { steps(dynamic_cast<CFirmwareDlg&>(d)); };
    }
    void pressFirmwareButton() { window->controlAs<QPushButton>(ids::kFirmwareButton)->click(); }
    QStringList messages() const { return harness.prompts->shown; }

    QTemporaryDir dir;
    QByteArray image;
    bool ready = false;
};

TEST(FirmwareUpgrade, ButtonNeedsASelectedDeviceAndAConfirmation) {
    FirmwareBench b({deviceAnswering(31, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    b.window->deviceList()->clearSelection();
    b.pressFirmwareButton();
    EXPECT_EQ(b.window->statusText(0), qs(b.window->texts().selectDevicePrompt));
    EXPECT_TRUE(b.messages().isEmpty());

    selectRow(*b.window, 0);
    b.harness.prompts->confirmAnswer = false;
    b.pressFirmwareButton();
    EXPECT_EQ(b.messages(), QStringList{"Info|Be sure to upgrade the firmware?"});
    EXPECT_EQ(b.harness.modalRuns, 0);

    // Confirmed: one frame goes out (the declined press sent none), then the dialog opens.
    b.harness.prompts->confirmAnswer = true;
    QString target;
    b.whileOpen([&](CFirmwareDlg& d) { target = d.targetEdit()->text(); });
    b.pressFirmwareButton();
    EXPECT_EQ(b.harness.modalRuns, 1);
    EXPECT_EQ(target, QStringLiteral("127.0.0.31"));
    ASSERT_TRUE(waitUntil([&] { return b.simulator.device(0)->framesReceived('W', kEnterUpgrade) > 0; }));
    EXPECT_EQ(b.simulator.device(0)->framesReceived('W', kEnterUpgrade), 1);
}

TEST(FirmwareUpgrade, UploadFromTheButtonReachesTheDevice) {
    FirmwareBench b({deviceAnswering(32, sim::TftpBehaviour::Normal),
                     deviceAnswering(33, sim::TftpBehaviour::OptionAck)});
    ASSERT_TRUE(b.ready);
    for (int row : {0, 1}) {
        b.harness.prompts->fileAnswer = b.writeImage(QStringLiteral("fw%1.bin").arg(row), 5120);
        selectRow(*b.window, row);
        b.whileOpen([&](CFirmwareDlg& d) {
            EXPECT_EQ(d.startButton()->text(), "Start Upgrade");
            EXPECT_TRUE(d.progressBar()->isHidden());
            d.browseButton()->click();
            EXPECT_EQ(d.pathEdit()->text(), b.harness.prompts->fileAnswer);
            d.startButton()->click();
            // Before any answer: range 0..11, first position 11 / 10, blue, Start disabled.
            EXPECT_EQ(d.progressBar()->maximum(), 11);
            EXPECT_EQ(d.progressBar()->value(), 1);
            EXPECT_FALSE(d.progressBar()->isHidden());
            EXPECT_EQ(d.barColour(), QColor(0, 0, 255));
            EXPECT_FALSE(d.startButton()->isEnabled());
            EXPECT_TRUE(waitUntil([&] { return d.startButton()->isEnabled(); }, 60000));
            // Success is seen: a full bar and the words, then the bar goes.
            EXPECT_FALSE(d.progressBar()->isHidden());
            EXPECT_EQ(d.progressBar()->value(), d.progressBar()->maximum());
            EXPECT_EQ(d.doneLabel()->text(), QStringLiteral("Upgraded"));
            EXPECT_LE(d.doneLabel()->fontMetrics().horizontalAdvance("Upgraded"), d.doneLabel()->width());
            EXPECT_TRUE(waitUntil([&] { return d.progressBar()->isHidden(); },
                                  CFirmwareDlg::kCompleteShownMs + 10000));
            EXPECT_EQ(d.transfer().uploader().result(), UploadResult::Completed);
        });
        b.pressFirmwareButton();
        EXPECT_EQ(b.held(static_cast<std::size_t>(row)), b.image) << row;
    }
    EXPECT_TRUE(b.messages().filter("传输错误").isEmpty());
}

TEST(FirmwareUpgrade, MenuOpensWithTheDefaultTargetAndSendsNoFrame) {
    FirmwareBench b({deviceAnswering(34, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    selectRow(*b.window, 0);
    const QString file = b.writeImage("menu.bin", 1000);
    b.whileOpen([&](CFirmwareDlg& d) {
        EXPECT_EQ(d.targetEdit()->text(), QStringLiteral("192.168.1.253"));
        // Never sent to: the target is changed to the simulated device before Start.
        d.targetEdit()->setText(QStringLiteral("127.0.0.34"));
        d.pathEdit()->setText(file);
        d.startButton()->click();
        EXPECT_TRUE(waitUntil([&] { return d.startButton()->isEnabled(); }, 60000));
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_EQ(b.harness.modalRuns, 1);
    EXPECT_EQ(b.held(0), b.image);
    EXPECT_EQ(b.simulator.device(0)->framesReceived('W', kEnterUpgrade), 0);
    EXPECT_TRUE(b.messages().isEmpty());
}

TEST(FirmwareUpgrade, DialogSpeaksTheInterfaceLanguage) {
    FirmwareBench b({deviceAnswering(39, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    b.window->switchLanguage(Language::Chinese);
    QStringList labels;
    b.whileOpen([&](CFirmwareDlg& d) {
        for (const char* name : {"firmwareTargetLabel", "firmwareFileLabel"})
            labels << d.findChild<QLabel*>(QString::fromLatin1(name))->text();
        labels << d.browseButton()->text() << d.startButton()->text();
        d.pathEdit()->setText(b.dir.path() + "/");
        d.startButton()->click();
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_EQ(labels, (QStringList{"目标", "固件", "浏览", "开始升级固件"}));
    EXPECT_EQ(b.messages(), QStringList{"信息|请先打开一个文件!"});
}

TEST(FirmwareUpgrade, DialogRefusesBeforeSending) {
    FirmwareBench b({deviceAnswering(35, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    b.whileOpen([&](CFirmwareDlg& d) {
        d.targetEdit()->setText(QStringLiteral("127.0.0.35"));
        d.pathEdit()->setText("x");
        b.harness.prompts->fileAnswer.clear();  // the file dialog is cancelled
        d.browseButton()->click();
        EXPECT_EQ(d.pathEdit()->text(), "");
        for (const QString& path : {b.dir.path() + "/", b.dir.path() + "\\", b.dir.filePath("missing.bin")}) {
            d.pathEdit()->setText(path);
            d.startButton()->click();
        }
        d.pathEdit()->setText(b.writeImage("ok.bin", 10));
        d.targetEdit()->setText(QStringLiteral("127.0.0.350"));
        d.startButton()->click();
        EXPECT_TRUE(d.startButton()->isEnabled());
        EXPECT_FALSE(d.transfer().active());
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_EQ(b.messages(),
              (QStringList{"Info|Please open a file!", "Info|Please open a file!",
                           "Info|" + b.dir.filePath("missing.bin") + "can`t open",
                           "Info|" + QString::fromStdString(b.window->texts().invalidIpAddress)}));
    EXPECT_EQ(b.simulator.device(0)->tftp()->requests(), 0);
}

TEST(FirmwareUpgrade, DeviceErrorShowsTheMessageAndARedBar) {
    FirmwareBench b({deviceAnswering(36, sim::TftpBehaviour::Error),
                     deviceAnswering(37, sim::TftpBehaviour::WrongBlock)});
    ASSERT_TRUE(b.ready);
    const QString file = b.writeImage("bad.bin", 4000);
    for (const char* target : {"127.0.0.36", "127.0.0.37"}) {
        b.whileOpen([&](CFirmwareDlg& d) {
            d.targetEdit()->setText(QString::fromLatin1(target));
            d.pathEdit()->setText(file);
            d.startButton()->click();
            EXPECT_TRUE(waitUntil([&] { return d.startButton()->isEnabled(); }, 60000));
            EXPECT_EQ(d.barColour(), QColor(255, 0, 0));
            EXPECT_FALSE(d.progressBar()->isHidden());
        });
        b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    }
    const QString caption = b.window->windowTitle();
    EXPECT_EQ(b.messages(), (QStringList{caption + "|传输错误\nTFTP error 2: access violation",
                                         caption + "|文件的序号不对!"}));
}

// A peer gone quiet after two blocks: the red bar alone would not say that the device stopped mid-way.
TEST(FirmwareUpgrade, DeviceThatStopsMidUploadGetsARedBarAndTheBlockNamed) {
    FirmwareBench b({deviceAnswering(40, sim::TftpBehaviour::Stall)});
    ASSERT_TRUE(b.ready);
    b.window->switchLanguage(Language::Chinese);
    const QString file = b.writeImage("stall.bin", 4000);
    b.whileOpen([&](CFirmwareDlg& d) {
        d.targetEdit()->setText(QStringLiteral("127.0.0.40"));
        d.pathEdit()->setText(file);
        d.startButton()->click();
        EXPECT_TRUE(waitUntil([&] { return d.startButton()->isEnabled(); }, 60000));
        EXPECT_EQ(d.transfer().uploader().result(), UploadResult::TimedOut);
        EXPECT_EQ(d.transfer().uploader().blocksAcknowledged(), 2u);
        EXPECT_EQ(d.barColour(), QColor(255, 0, 0));
        EXPECT_FALSE(d.progressBar()->isHidden());
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    const QStringList shown = b.messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(b.window->windowTitle() + "|")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("第3块"))) << shown[0].toStdString();
    EXPECT_FALSE(b.simulator.device(0)->tftp()->hasFirmware());
}

TEST(FirmwareUpgrade, ClosingTheDialogStopsTheUpload) {
    FirmwareBench b({deviceAnswering(38, sim::TftpBehaviour::Silent)});
    ASSERT_TRUE(b.ready);
    const QString file = b.writeImage("slow.bin", 4000);
    b.whileOpen([&](CFirmwareDlg& d) {
        d.targetEdit()->setText(QStringLiteral("127.0.0.38"));
        d.pathEdit()->setText(file);
        d.startButton()->click();
        EXPECT_TRUE(waitUntil([&] { return b.simulator.device(0)->tftp()->requests() == 1; }));
        EXPECT_TRUE(d.transfer().active());
        d.reject();
        EXPECT_FALSE(d.transfer().active());
        EXPECT_EQ(d.transfer().uploader().result(), UploadResult::Stopped);
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_TRUE(b.messages().isEmpty());
}

// Waits in a running event loop: waiting by turns with pauses between them would hold every block of
// a thousand-block upload for a pause.
bool runLoopUntil(const std::function<bool()>& done, int deadlineMs) {
    QEventLoop loop;
    QTimer check;
    QDeadlineTimer deadline(deadlineMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    check.start(5);
    if (!done()) loop.exec();
    return done();
}

TEST(FirmwareUpgrade, LargeImageIsReadBetweenTurnsOfTheEventLoopThenSent) {
    FirmwareBench b({deviceAnswering(39, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    const QString file = b.writeImage("large.bin", qsizetype(FirmwareImageReader::kSliceBytes + 100));
    bool busyAfterClick = false;
    bool startEnabledAfterClick = true;
    b.whileOpen([&](CFirmwareDlg& d) {
        d.targetEdit()->setText(QStringLiteral("127.0.0.39"));
        d.pathEdit()->setText(file);
        d.startButton()->click();
        busyAfterClick = d.busy();
        startEnabledAfterClick = d.startButton()->isEnabled();
        d.startButton()->click();  // ignored while the image is read
        EXPECT_TRUE(runLoopUntil([&] { return !d.busy(); }, 60000));
        EXPECT_EQ(d.transfer().uploader().result(), UploadResult::Completed);
        EXPECT_TRUE(d.startButton()->isEnabled());
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_TRUE(busyAfterClick);
    EXPECT_FALSE(startEnabledAfterClick);
    EXPECT_EQ(b.simulator.device(0)->tftp()->requests(), 1);
    EXPECT_EQ(b.held(0), b.image);
    EXPECT_TRUE(b.messages().isEmpty());
}

TEST(FirmwareUpgrade, ClosingTheDialogWhileALargeImageIsReadSendsNothing) {
    FirmwareBench b({deviceAnswering(40, sim::TftpBehaviour::Normal)});
    ASSERT_TRUE(b.ready);
    const QString file = b.writeImage("large.bin", qsizetype(3 * FirmwareImageReader::kSliceBytes));
    b.whileOpen([&](CFirmwareDlg& d) {
        d.targetEdit()->setText(QStringLiteral("127.0.0.40"));
        d.pathEdit()->setText(file);
        d.startButton()->click();
        ASSERT_TRUE(d.busy());
        d.reject();
        EXPECT_FALSE(d.busy());
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();  // any slice still queued runs
        EXPECT_FALSE(d.transfer().active());
    });
    b.window->actionById(ids::kFirmwareUpgradeCommand)->trigger();
    EXPECT_EQ(b.simulator.device(0)->tftp()->requests(), 0);
}

}  // namespace
}  // namespace tavrel::test
