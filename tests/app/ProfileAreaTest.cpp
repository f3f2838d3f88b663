// Profiles in the main window: export and import from the device menu, the path text and the
// one-click button, against simulated devices where frames matter.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QDesktopServices>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "ClickableLabel.h"
#include "ControlIds.h"
#include "DeviceWrite.h"
#include "FormBench.h"
#include "ProfileArea.h"
#include "QtText.h"
#include "profiles/OneClick.h"
#include "profiles/ProfileFormat.h"
#include "protocol/Requests.h"
#include "texts/FixedTexts.h"

namespace tavrel::test {

// Takes the desktop's "open this file" requests, so that no editor starts.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened << url; }
};

namespace {

std::filesystem::path folderOf(const CConfigDlg& window) {
    return window.paths().profileFolder;
}

QString qPath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void command(CConfigDlg& window, int id) {
    window.actionById(id)->trigger();
}

// A profile file with this port-count character and a 115200 port 1.
std::filesystem::path profileFile(const std::filesystem::path& folder, const char* name, char portCountChar) {
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::ofstream out(path, std::ios::binary);
    out << "[Info]\r\nHardwareVersion=S" << portCountChar << "10\r\nFirmwareVersion=V143\r\n"
        << "[*****************Device****************]\r\nIpAddress=10.1.2.3\r\nUsername=ops\r\n"
        << "[*****************Port1*****************]\r\nBitRate=115200\r\nRemoteIp=example.org\r\n";
    return path;
}

QString shownText(const Harness& h, int i) {
    return h.prompts->shown.value(i);
}

}  // namespace

TEST(ProfileArea, ExportWritesTheSelectedDeviceIntoTheProfileFolder) {
    Harness h;
    auto window = h.makeWindow();
    DeviceRecord device = sampleRecord(0x21);
    std::copy_n("TCP23", 5, device.identity.bytes.begin() + 8);
    putDevices(*window, {device});

    command(*window, ids::kExportProfileCommand);
    EXPECT_EQ(window->statusText(0), qs(window->texts().selectDevicePrompt));
    EXPECT_TRUE(h.prompts->fileDialogs.isEmpty()) << "no dialog without a selected device";

    selectRow(*window, 0);
    h.prompts->fileAnswer = QString();  // cancelled
    command(*window, ids::kExportProfileCommand);
    ASSERT_EQ(h.prompts->fileDialogs.size(), 1);
    EXPECT_EQ(h.prompts->fileDialogs[0], qPath(folderOf(*window) / "TCP23-V1.ini") + "|文件 (*.ini)");
    EXPECT_TRUE(std::filesystem::is_directory(folderOf(*window)));
    EXPECT_TRUE(std::filesystem::is_empty(folderOf(*window)));

    // A name typed without an extension gets ".ini".
    h.prompts->fileAnswer = qPath(folderOf(*window) / "office");
    command(*window, ids::kExportProfileCommand);
    const auto written = folderOf(*window) / "office.ini";
    EXPECT_EQ(readProfileFile(written).network, device.network);
    EXPECT_TRUE(h.prompts->shown.isEmpty());

    // Completing the name onto an existing file asks first; "Cancel" keeps the file.
    const std::string before = readAll(written);
    window->devices()[0].ports[0].baudRate = 11;
    h.prompts->confirmAnswer = false;
    command(*window, ids::kExportProfileCommand);
    ASSERT_EQ(h.prompts->shown.size(), 1);
    EXPECT_TRUE(shownText(h, 0).contains(QDir::toNativeSeparators(qPath(written))));
    EXPECT_EQ(readAll(written), before);
    h.prompts->confirmAnswer = true;
    command(*window, ids::kExportProfileCommand);
    EXPECT_EQ(readProfileFile(written).ports[0].baudRate, 11);

    // A write that fails says so.
    h.prompts->fileAnswer = qPath(folderOf(*window) / "missing-folder" / "p.ini");
    command(*window, ids::kExportProfileCommand);
    ASSERT_EQ(h.prompts->shown.size(), 3);
    EXPECT_TRUE(shownText(h, 2).startsWith(qs(window->texts().infoCaption) + "|" +
                                           qs(window->texts().profileWriteFailed)));
}

TEST(ProfileArea, ImportEnablesOneClickOnlyForAUsableProfile) {
    Harness h;
    UrlCatcher urls;
    auto window = h.makeWindow();
    auto* button = window->controlAs<QPushButton>(ids::kOneClickButton);
    auto* pathText = window->controlAs<ClickableLabel>(ids::kProfilePathLink);
    EXPECT_FALSE(button->isEnabled());

    h.prompts->fileAnswer = QString();
    command(*window, ids::kImportProfileCommand);
    ASSERT_EQ(h.prompts->fileDialogs.size(), 1);
    EXPECT_EQ(h.prompts->fileDialogs[0], qPath(folderOf(*window)) + "|(*.ini);;所有文件(*.*)");
    EXPECT_FALSE(button->isEnabled());

    const auto good = profileFile(folderOf(*window), "good.ini", '4');
    h.prompts->fileAnswer = qPath(good);
    command(*window, ids::kImportProfileCommand);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(pathText->text(), QDir::toNativeSeparators(qPath(good)));
    EXPECT_EQ(window->profileArea().profile().ports[0].baudRate, 11);
    EXPECT_TRUE(h.prompts->shown.isEmpty());
    QTest::mouseClick(pathText, Qt::LeftButton);
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(qPath(good)));

    for (const char* name : {"three.ini", "missing.ini"}) {
        if (std::string(name) == "three.ini") profileFile(folderOf(*window), name, '3');
        h.prompts->fileAnswer = qPath(folderOf(*window) / name);
        command(*window, ids::kImportProfileCommand);
        EXPECT_TRUE(h.prompts->shown.last().startsWith(qs(window->texts().infoCaption) + "|" +
                                                       qs(window->texts().badProfile)))
            << name;
        EXPECT_FALSE(button->isEnabled()) << name;
        EXPECT_TRUE(pathText->text().isEmpty()) << name;
        EXPECT_TRUE(window->profileArea().profilePath().isEmpty()) << name;
    }
    QTest::mouseClick(pathText, Qt::LeftButton);
    EXPECT_EQ(urls.opened.size(), 1) << "nothing opens after a refused import";
}

TEST(ProfileArea, OneClickRefusalsSendNothing) {
    SimBench bench({serialServer(41, '8')});
    ASSERT_TRUE(showActive(*bench.window) && bench.search());
    CConfigDlg& window = *bench.window;
    Harness& h = bench.harness;
    sim::SimDevice& device = *bench.simulator.device(0);
    device.clearLog();

    // Without a profile: the Chinese-only text in both languages.
    window.profileArea().applyProfile();
    ASSERT_EQ(h.prompts->shown.size(), 1);
    EXPECT_EQ(shownText(h, 0), window.windowTitle() + "|" + qs(fixed::kImportProfileFirst));

    h.prompts->fileAnswer = qPath(profileFile(folderOf(window), "four.ini", '4'));
    command(window, ids::kImportProfileCommand);
    window.deviceList()->clearSelection();
    window.controlAs<QPushButton>(ids::kOneClickButton)->click();
    EXPECT_EQ(window.statusText(0), qs(window.texts().selectDevicePrompt));

    const DeviceRecord before = window.devices()[0];
    selectRow(window, 0);
    window.controlAs<QPushButton>(ids::kOneClickButton)->click();
    ASSERT_EQ(h.prompts->shown.size(), 2);
    EXPECT_EQ(shownText(h, 1), qs(window.texts().infoCaption) + "|" + qs(window.texts().portCountMismatch));
    EXPECT_EQ(window.devices()[0], before);
    EXPECT_TRUE(window.session().sequencer().isIdle());
    // A restart as a marker: anything sent before it would be in the log first.
    window.controlAs<QPushButton>(ids::kRestartButton)->click();
    ASSERT_TRUE(waitUntil([&] { return device.restarts() == 1; }));
    // The restart is followed by reading the device again; nothing else went out.
    const auto& frames = device.frames();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.op == 'W'; }), 1);
}

TEST(ProfileArea, OneClickWritesTheProfileWithThePauseBetweenTheSaves) {
    for (char portCountChar : {'4', '1'}) {
        SimBench bench({serialServer(42, portCountChar)});
        ASSERT_TRUE(showActive(*bench.window) && bench.search());
        CConfigDlg& window = *bench.window;
        sim::SimDevice& device = *bench.simulator.device(0);
        const Mac mac = device.settings().mac;
        device.clearLog();

        bench.harness.prompts->fileAnswer = qPath(profileFile(folderOf(window), "four.ini", '4'));
        command(window, ids::kImportProfileCommand);
        selectRow(window, 0);
        window.controlAs<QPushButton>(ids::kOneClickButton)->click();
        // The click returns at once; the sequencer sends the frames later.
        EXPECT_TRUE(device.frames().empty());
        EXPECT_EQ(window.statusText(2), qs(window.texts().sendingData));
        EXPECT_EQ(window.controlAs<QLineEdit>(ids::kIpAddressEdit)->text(), QStringLiteral("10.1.2.3"));
        EXPECT_EQ(window.controlAs<QComboBox>(ids::kBaudRateList)->currentText(), QStringLiteral("115200"));

        // The last frame: the port save's commit, or the intervals on a device that takes none.
        const bool commits = portCountChar != '1';
        // Firmware 42 keeps no heartbeat texts: the read-back must not call that a difference.
        ASSERT_TRUE(waitUntil([&] {
            return window.session().sequencer().isIdle() && !window.findChild<DeviceWrite*>()->running() &&
                   (commits ? device.framesReceived('W', subcode::kCommit) == 2
                            : device.framesReceived('W', subcode::kHeartbeatIntervals) == 1);
        })) << portCountChar;
        EXPECT_EQ(window.statusText(2), qs(window.texts().savedSuccessfully));
        // The network save ends with the account frame (and a commit unless the device is '1'),
        // the port save starts with port 1's host after the pause.
        const auto& frames = device.frames();
        auto at = [&](std::uint8_t sub) {
            return std::find_if(frames.begin(), frames.end(),
                                [&](const auto& f) { return f.subCode == sub; });
        };
        const auto account = at(subcode::kAccount);
        const auto host = at(subcode::kRemoteHostFirst[0]);
        ASSERT_NE(account, frames.end());
        ASSERT_NE(host, frames.end());
        EXPECT_GE(host->at - account->at, std::chrono::milliseconds(kOneClickGapMs + kSaveStartGapMs));
        EXPECT_EQ(device.framesReceived('W', subcode::kCommit), commits ? 2 : 0);
        if (const QByteArray path = qgetenv("TAVREL_PROFILE_SCREENSHOT"); !path.isEmpty() && commits)
            window.grab().save(QString::fromLocal8Bit(path));

        EXPECT_EQ(device.settings().mac, mac) << "the device keeps its own MAC";
        EXPECT_EQ(std::vector<int>(device.settings().network.begin(), device.settings().network.begin() + 4),
                  (std::vector<int>{10, 1, 2, 3}));
        EXPECT_EQ(sim::baudIndex(device.port(1)), 11);
        EXPECT_EQ(sim::fieldText(device.port(1).host), "example.org");
        EXPECT_EQ(sim::baudIndex(device.port(2)), 5);
        EXPECT_FALSE(device.hasStagedChanges());
    }
}

}  // namespace tavrel::test

#include "ProfileAreaTest.moc"
