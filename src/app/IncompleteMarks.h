#pragma once
// Marks the device-list rows of devices whose read-out stayed incomplete, keeps the form current as
// late blocks arrive, and asks before such a device is saved, so that blocks never read are not
// written back as zeros.
#include <QtCore/QObject>
#include <QtCore/QString>
#include <functional>
#include <map>
#include <optional>

#include "protocol/WriteGuard.h"

class QTableWidget;

namespace tavrel {

class DeviceSession;
class Prompts;

class IncompleteMarks : public QObject {
    Q_OBJECT
  public:
    struct Window {
        std::function<std::optional<int>()> selectedRow;
        std::function<void(int)> showDevice;  // refreshes the row and the form
        std::function<QString()> caption;
    };

    IncompleteMarks(QTableWidget* list, DeviceSession& session, const UiTexts& texts, Prompts& prompts,
                    Window window, QObject* parent = nullptr);

    // A device that changed itself: being read again, or not answering since.
    enum class Change { None, Rereading, NotBack };
    void setChange(int row, Change change);
    // A new search: no row carries a mark of the devices before.
    void clearChanges() { changes_.clear(); }

    // Paints or clears the mark of one row.
    void refresh(int row);
    // Every row again, after a language switch.
    void refreshAll();
    // True when a write (or an export) of the device at `row` may go ahead: it was read whole, or
    // the user agreed after being told which groups are missing.
    bool confirmWrite(std::optional<int> row, WriteKind kind);

  private:
    void onSettled(int row);
    void onUpdated(int row);

    QTableWidget* list_;
    DeviceSession& session_;
    const UiTexts& texts_;
    Prompts& prompts_;
    Window window_;
    std::map<int, Change> changes_;
};

}  // namespace tavrel
