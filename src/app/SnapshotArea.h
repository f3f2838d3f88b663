#pragma once
// Snapshots in the main window: each device's settings as last read, kept as a snapshot before every
// write to it, and the device menu's "Undo Last Change" that writes the newest one back.
#include <QtCore/QObject>
#include <filesystem>
#include <set>

#include "device/DeviceRecord.h"

class QAction;

namespace tavrel {

class DeviceSession;
class MainWindowContext;

class SnapshotArea : public QObject {
    Q_OBJECT
  public:
    SnapshotArea(MainWindowContext& window, DeviceSession& session, QAction* undoCommand);

    // Asks, showing what changes, then writes the selected device's newest snapshot back that it
    // differs from; an undo after an undo goes one change further back.
    void undo();
    // The undo command is enabled for a selected device that has a snapshot.
    void refreshCommand();

  private:
    MainWindowContext& window_;
    DeviceSession& session_;
    QAction* undoCommand_;
    // The snapshots that undos kept: writing one back would redo what was undone.
    std::set<std::filesystem::path> keptByUndo_;
};

}  // namespace tavrel
