#pragma once
// The edits of the port group: each one goes into the record of the shown port at once, so that
// saving the ports only has to send the record.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "device/DeviceRecord.h"

namespace tavrel {

// The record and port an edit goes to; no device when nothing is selected in the device list.
struct FormTarget {
    DeviceRecord* device = nullptr;
    std::size_t port = 0;  // 0-based
};

// New enabled states of controls, for those the edit changes.
struct FormEnables {
    std::optional<bool> remoteTarget;  // remote host and remote port
    std::optional<bool> heartbeat;     // heartbeat data and interval
    std::optional<bool> modbusTimeout;
    std::optional<bool> cloudFields;  // cloud ID and password
    bool operator==(const FormEnables&) const = default;
};

// What the window does after an edit.
struct FormResult {
    bool noDevice = false;   // status field 0: "Please select a device"; nothing was changed
    std::string message;     // message box text, empty for none
    bool clearEdit = false;  // empty the edit that was left
    // Put this back into the edit that was left: its text was refused and the record kept its value,
    // so the form never shows what a save would not send.
    std::optional<std::string> restoreText;
    FormEnables enables;
};

enum class ListField { BaudRate, Parity, DataBits, StopBits, WorkMode, InterfaceType };
// A selection change of a list (0-based); a selection outside the list changes nothing.
FormResult chooseListEntry(FormTarget target, ListField field, int selection);

enum class NumberField { RemotePort, LocalPort, HeartbeatInterval, ModbusTimeout };
// A numeric edit lost the focus. Invalid text: number message, the edit emptied, record unchanged.
FormResult leaveNumberEdit(FormTarget target, NumberField field, std::string_view text);

enum class TextField { RemoteHost, HeartbeatData, CloudId, CloudPassword };
// A text edit lost the focus. The cloud fields belong to port 1 whatever port is shown.
FormResult leaveTextEdit(FormTarget target, TextField field, std::string_view text, int languageCode);

enum class CheckField { Enable, Modbus, Cloud };
FormResult clickCheckBox(FormTarget target, CheckField field, bool checked);

// Largest Modbus timeout the port can hold, in ms: 65535 in the 16-bit field, 2550 in the byte.
std::uint32_t modbusTimeoutMaximum(const DeviceRecord& device, std::size_t port);

}  // namespace tavrel
