#pragma once
// Snapshots in the main window: each device's settings as last read, kept as a snapshot before every
// write to it, and the device menu's "Undo Last Change" that writes the newest one back.
#include <QtCore/QObject>
#include <map>

#include "device/DeviceRecord.h"

class QAction;

namespace tavrel {

class DeviceSession;
class MainWindowContext;

class SnapshotArea : public QObject {
    Q_OBJECT
  public:
    SnapshotArea(MainWindowContext& window, DeviceSession& session, QAction* undoCommand);

    // A write to the device at `row` went out: the device holds the record as it stands now.
    void written(int row);
    // Asks, showing what changes, then writes the selected device's newest snapshot back.
    void undo();
    // The undo command is enabled for a selected device that has a snapshot.
    void refreshCommand();

    // The device at `row` as its read-out left it (the table's record holds the form's edits).
    const DeviceRecord& asRead(int row) const;

  private:
    void remember(int row);

    MainWindowContext& window_;
    DeviceSession& session_;
    QAction* undoCommand_;
    // The record as its read-out left it: the form writes edits into the table's record at once.
    std::map<int, DeviceRecord> asRead_;
};

}  // namespace tavrel
