#pragma once
// The Device menu's "Load Fleet Sheet…": a fleet sheet read and planned against the devices listed,
// shown as a table, applied on confirmation through the write workflow, and the device list's rows
// of devices that differ from the loaded sheet marked.
#include <QtCore/QObject>
#include <optional>
#include <set>
#include <vector>

#include "fleet/FleetPlan.h"

namespace tavrel {

class CFleetDlg;
class MainWindowContext;

// Devices written at once from the window: half the sequencer's lanes, so that the window's own
// commands still find one.
inline constexpr int kFleetParallelWrites = 4;

class FleetArea : public QObject {
    Q_OBJECT
  public:
    explicit FleetArea(MainWindowContext& window);

    void load();
    // Marks the rows of listed devices that do not hold their row of the loaded sheet.
    void refreshMarks();

  private:
    void open(const QString& path);
    void apply(CFleetDlg& dialog);
    QString resultText(const SheetRow& row, const WriteOutcome& outcome, bool& holds) const;

    MainWindowContext& window_;
    std::optional<Sheet> sheet_;
    std::vector<RowPlan> plans_;
    std::set<int> marked_;  // device list rows
};

}  // namespace tavrel
