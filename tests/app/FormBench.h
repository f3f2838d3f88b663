#pragma once
// Drives the settings form and the device commands of a main window like a user: lists chosen from
// the keyboard, edits typed and left, rows of the device list selected.
#include <QtCore/QString>
#include <functional>
#include <memory>
#include <vector>

#include "Simulator.h"
#include "WindowHarness.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tavrel::test {

// Runs the event loop until `done` holds or the deadline passes; whether it held.
bool waitUntil(const std::function<bool()>& done, int deadlineMs = 120000);
// A UDP port free on loopback right now, so that parallel tests never hear each other.
quint16 freeUdpPort();

// Shows the window and makes it active, so that focus moves between its controls.
bool showActive(CConfigDlg& window);
// Moves the list to entry `index` with the keyboard, which the list reports as a user choice.
void chooseEntry(QComboBox* list, int index);
// Gives the edit the focus, replaces its text by typing, then moves the focus to the next control.
void typeAndLeave(QLineEdit* edit, const QString& text);

// A four-port serial server as the read-out leaves it: 9600 8N1, TCP_CLIENT, Modbus on.
DeviceRecord sampleRecord(std::uint8_t lastMacByte);
// Puts records into the table as entries 0, 1, ... with a list row each; selects none.
void putDevices(CConfigDlg& window, const std::vector<DeviceRecord>& records);
void selectRow(CConfigDlg& window, int row);

// A shown, active window in English holding `records` as its devices, the first one selected unless
// told otherwise. Its device port is a free one, so a search from it reaches no device.
struct FormFixture {
    explicit FormFixture(std::vector<DeviceRecord> records = {sampleRecord(0x33)}, bool select = true);

    // What the form edits: the shown device's draft; any other device's record as the table holds it.
    DeviceRecord& record(std::size_t i = 0) {
        DeviceRecord* draft = window->selectedDevice() == static_cast<int>(i) ? window->draft() : nullptr;
        return draft ? *draft : window->devices()[i];
    }
    PortRecord& port1() { return record().ports[0]; }
    QLineEdit* edit(int id) const;
    QComboBox* list(int id) const;
    QCheckBox* check(int id) const;
    // The text of the i-th message box shown.
    QString message(int i) const;

    Harness h;
    std::unique_ptr<CConfigDlg> window;
};

// Serial servers simulated in this process on a device port of their own, and a window for them.
struct SimBench {
    // The window starts in English unless `languageFile` says otherwise.
    explicit SimBench(const std::vector<sim::SimDeviceConfig>& devices,
                      const std::string& languageFile = "e");

    // Presses "Search Device" and waits until every simulated device is read out and shown.
    bool search();

    Harness harness;
    sim::Simulator simulator;
    std::unique_ptr<CConfigDlg> window;
};

// A serial server at 127.0.0.`host` with this port-count character.
sim::SimDeviceConfig serialServer(int host, char portCountChar);

}  // namespace tavrel::test
