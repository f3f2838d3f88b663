// The device menu's "Undo Last Change": a save keeps the device as read, the undo shows what it puts
// back, asks, and writes it, until the simulated device holds every field as before.
#include <gtest/gtest.h>

#include <QtGui/QAction>
#include <QtTest/QSignalSpy>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "ControlIds.h"
#include "DeviceReread.h"
#include "FormBench.h"
#include "profiles/ProfileDiff.h"
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

    QSignalSpy back(&window.reread(), &DeviceReread::back);
    chooseEntry(window.controlAs<QComboBox>(ids::kBaudRateList), 10);
    typeAndLeave(window.controlAs<QLineEdit>(ids::kLocalPortEdit), QStringLiteral("4242"));
    // A repeated search answered meanwhile: the snapshot is still the device as read, not the edits.
    emit window.session().rowAdded(0);
    window.controlAs<QPushButton>(ids::kSavePortButton)->click();
    ASSERT_TRUE(waitUntil([&] { return back.count() == 1; }, DeviceReread::kLimitMs + 5000));
    ASSERT_EQ(sim::baudIndex(device.settings().ports[0]), 11);
    ASSERT_EQ(sim::localPortOf(device.settings().ports[0]), 4242);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(listSnapshots(window.paths().profileFolder, device.settings().mac).size(), 1u);

    // Cancelled: nothing is sent.
    prompts.confirmAnswer = false;
    device.clearLog();
    undo->trigger();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].contains(QStringLiteral("Port1 BitRate: 115200 → 9600")))
        << prompts.shown[0].toStdString();
    EXPECT_TRUE(window.session().sequencer().isIdle());

    prompts.confirmAnswer = true;
    undo->trigger();
    ASSERT_TRUE(waitUntil([&] { return back.count() == 2; }, DeviceReread::kLimitMs + 5000));
    EXPECT_TRUE(device.settings() == before);
    EXPECT_EQ(window.controlAs<QComboBox>(ids::kBaudRateList)->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(window.controlAs<QLineEdit>(ids::kLocalPortEdit)->text(),
              QString::number(sim::localPortOf(before.ports[0])));
    // The undo kept the changed state too, for a rollback; a second undo does not redo the change.
    const auto kept = listSnapshots(window.paths().profileFolder, device.settings().mac);
    ASSERT_EQ(kept.size(), 2u);
    // As read anew, the device holds its first snapshot's every setting.
    EXPECT_TRUE(diffProfile(readProfileFile(kept.front().profile), window.devices()[0]).empty());
    prompts.shown.clear();
    undo->trigger();
    EXPECT_TRUE(prompts.shown.value(0).contains("already holds the settings it had before"))
        << prompts.shown.value(0).toStdString();
    EXPECT_TRUE(window.session().sequencer().isIdle());
}

}  // namespace tavrel::test
