// The device menu's "Undo Last Change": a save keeps the device as read, the undo shows what it puts
// back, asks, and writes it, until the simulated device holds every field as before.
#include <gtest/gtest.h>

#include <QtGui/QAction>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "ControlIds.h"
#include "FormBench.h"
#include "QtText.h"
#include "profiles/ProfileFormat.h"
#include "profiles/Snapshots.h"

namespace tavrel::test {

TEST(SnapshotArea, UndoPutsTheLastChangeBack) {
    SimBench bench({serialServer(42, '4')});
    ASSERT_TRUE(showActive(*bench.window) && bench.search());
    CConfigDlg& window = *bench.window;
    sim::SimDevice& device = *bench.simulator.device(0);
    RecordingPrompts& prompts = *bench.harness.prompts;
    const auto before = device.settings();
    QAction* undo = window.actionById(ids::kUndoLastChangeCommand);
    ASSERT_NE(undo, nullptr);
    selectRow(window, 0);
    EXPECT_FALSE(undo->isEnabled()) << "no snapshot yet";
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Last Change"));

    chooseEntry(window.controlAs<QComboBox>(ids::kBaudRateList), 10);
    typeAndLeave(window.controlAs<QLineEdit>(ids::kRemoteHostEdit), QStringLiteral("changed.example"));
    window.controlAs<QPushButton>(ids::kSavePortButton)->click();
    ASSERT_TRUE(waitUntil([&] {
        return window.session().sequencer().isIdle() &&
               window.statusText(2) == qs(window.texts().savedSuccessfully);
    }));
    ASSERT_EQ(sim::baudIndex(device.port(1)), 11);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(listSnapshots(window.paths().profileFolder, device.settings().mac).size(), 1u);

    // Cancelled: nothing is sent.
    prompts.confirmAnswer = false;
    device.clearLog();
    undo->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].contains(QStringLiteral("Port1 BitRate: 115200 → 9600")))
        << prompts.shown[0].toStdString();
    EXPECT_TRUE(prompts.shown[0].contains(QStringLiteral("Port1 RemoteIp: changed.example → ")))
        << prompts.shown[0].toStdString();
    EXPECT_FALSE(waitUntil([&] { return !device.frames().empty(); }, 500));

    prompts.confirmAnswer = true;
    undo->trigger();
    ASSERT_TRUE(waitUntil(
        [&] { return window.session().sequencer().isIdle() && device.settings() == before; }, 15000));
    EXPECT_FALSE(device.hasStagedChanges());
    EXPECT_EQ(window.controlAs<QComboBox>(ids::kBaudRateList)->currentText(), QStringLiteral("9600"));
    // The undo kept the changed state too, so it can be undone in turn.
    EXPECT_EQ(listSnapshots(window.paths().profileFolder, device.settings().mac).size(), 2u);

    // Read anew, the device holds its snapshot's every setting.
    ASSERT_TRUE(bench.search());
    const auto first = listSnapshots(window.paths().profileFolder, device.settings().mac).front();
    EXPECT_TRUE(diffProfile(readProfileFile(first.profile), window.devices()[0]).empty());
}

}  // namespace tavrel::test
