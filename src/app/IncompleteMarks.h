#pragma once
// Marks the device-list rows of devices whose read-out stayed incomplete, keeps the form current as
// late blocks arrive, and asks before such a device is saved, so that blocks never read are not
// written back as zeros. The same IP cell shows the core's address marks (an address two devices
// share, an address outside the computer's subnets).
#include <QtCore/QObject>
#include <QtCore/QString>
#include <functional>
#include <optional>
#include <vector>

#include "doctor/Doctor.h"

class QTableWidget;

namespace tavrel {

class DeviceSession;
class Prompts;
class UiTexts;

class IncompleteMarks : public QObject {
    Q_OBJECT
  public:
    struct Window {
        std::function<std::optional<int>()> selectedRow;
        std::function<void(int)> showDevice;  // refreshes the row and the form
        std::function<QString()> caption;
        std::function<std::vector<ListMark>()> addressMarks;  // one per table entry in use
    };

    IncompleteMarks(QTableWidget* list, DeviceSession& session, const UiTexts& texts, Prompts& prompts,
                    Window window, QObject* parent = nullptr);

    // Paints or clears the mark of one row.
    void refresh(int row);
    void paint(int row, const std::vector<ListMark>& addressMarks);
    // Every row again, after a language switch.
    void refreshAll();
    // True when a save of the device at `row` may go ahead: it is complete, or the user said so.
    bool confirmSave(std::optional<int> row);

  private:
    void onSettled(int row);
    void onUpdated(int row);

    QTableWidget* list_;
    DeviceSession& session_;
    const UiTexts& texts_;
    Prompts& prompts_;
    Window window_;
};

}  // namespace tavrel
