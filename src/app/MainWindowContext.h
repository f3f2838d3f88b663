#pragma once
// What an area of the main window (firmware, profiles, timing, WiFi, packed writes) sees of it: the
// devices and their traffic, texts and prompts, its controls by resource number, the status bar, the
// selected device and the write paths every area shares. CConfigDlg implements it; an area knows
// nothing else of the window, so the two no longer include each other.
#include <QtCore/QString>
#include <QtWidgets/QWidget>
#include <optional>
#include "protocol/WriteOutcome.h"

#include "protocol/Commands.h"
#include "protocol/Plan.h"
#include "protocol/WriteGuard.h"
#include "settings/NetworkForm.h"
#include "wifi/WifiSettings.h"

class QAction;
class QDialog;
class QTableWidget;

namespace tavrel {

class DeviceReread;
class DeviceWrite;
class DeviceSession;
class DeviceTable;
struct DeviceRecord;
class Prompts;
class UiTexts;
struct AppPaths;
struct NetworkSettings;

class MainWindowContext {
  public:
    virtual ~MainWindowContext() = default;

    // The window as a widget: parent of an area's dialogs and of the area itself.
    virtual QWidget* widget() = 0;
    virtual const UiTexts& texts() const = 0;
    virtual DeviceSession& session() = 0;
    virtual DeviceTable& devices() = 0;
    virtual Prompts& prompts() = 0;
    virtual const AppPaths& paths() const = 0;
    virtual const NetworkSettings& network() const = 0;

    // A control by its resource number, or null.
    virtual QWidget* control(int id) const = 0;
    template <class W>
    W* controlAs(int id) const {
        return qobject_cast<W*>(control(id));
    }
    virtual QAction* actionById(int id) const = 0;
    virtual QTableWidget* scheduleList() const = 0;

    virtual std::optional<int> selectedDevice() const = 0;
    // The selected device as the user edits it: a copy of its record, so that the table's record
    // stays what the device reported. Null without a selection.
    virtual DeviceRecord* draft() = 0;
    virtual void setStatusText(int part, const QString& text) = 0;
    virtual void showDevice(int index) = 0;
    // The caption of the window's message boxes.
    virtual QString caption() const = 0;
    virtual QString broadcastAddress() const = 0;
    virtual int runModal(QDialog& dialog) = 0;

    // The write guard: true when the selected device was read whole or the user agreed.
    virtual bool confirmWrite(WriteKind kind) = 0;
    // True when the network group as typed raises no warning (a gateway outside the subnet, another
    // listed device's address), or the user agreed to each.
    virtual bool confirmNetworkWarnings() = 0;
    // Hands a write to the write workflow with "Sending data..." until its outcome, which the status
    // bar then says; `scope` is what the device is compared on once read again.
    virtual void playWrite(int row, Plan plan, WriteScope scope) = 0;
    // Reads the device at `row` again once it answers (after a firmware upload), through the write
    // workflow, so that other copies of the tool know it changed.
    virtual void readAgain(int row) = 0;
    // Sends the device at `row` the upgrade-mode frame through the write workflow (its lock).
    virtual void enterUpgradeMode(int row) = 0;
    // Shows the outcome's prompt or plays its plan for the selected device.
    virtual void runDeviceCommand(CommandOutcome outcome) = 0;
    // The network group as typed, and the WiFi group's values.
    virtual NetworkFormInput networkFormInput() const = 0;
    virtual WifiSettings wifiSettings() const = 0;
    virtual DeviceReread& reread() = 0;
    // The write workflow itself, for an area that runs writes of several devices and shows their
    // outcomes (the fleet sheet); the window then says nothing of the write `writeId`.
    virtual DeviceWrite& writes() = 0;
    virtual void leaveOutcome(int writeId) = 0;
    // The device list, whose rows an area may mark.
    virtual QTableWidget* deviceList() const = 0;
};

}  // namespace tavrel
