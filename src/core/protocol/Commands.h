#pragma once
// The four device commands as timed frame plans: restart, factory reset, save network, save ports.
// The window and the CLI both play these, so they send the same frames with the same gaps.
#include <array>
#include <string>

#include "device/DeviceRecord.h"
#include "protocol/Plan.h"
#include "settings/NetworkForm.h"

namespace tavrel {

inline constexpr int kSaveStartGapMs = 500;

enum class CommandStatus {
    Ready,     // play the plan
    NoDevice,  // status field 0: "Please select a device"; nothing is sent
    Refused,   // message box; nothing is sent
};

struct CommandOutcome {
    CommandStatus status = CommandStatus::Ready;
    Plan plan;
    bool showSending = false;  // status field 2: "Sending data..." as the plan starts
    std::string message;       // message box text for Refused
};

// `selected` is the device of the first selected row, or null when no row is selected.
CommandOutcome restartCommand(const DeviceRecord* selected);
CommandOutcome factoryResetCommand(const DeviceRecord* selected);
// The frame that puts a device into its firmware upgrade mode; it answers nothing.
CommandOutcome upgradeModeCommand(const DeviceRecord* selected);

// Checks the form first against the record (readNetworkForm with the record): a field that does not
// read, a changed value the device cannot hold or an over-long account text refuses the command in
// the interface language (9 English, 4 Chinese), nothing sent or changed. Otherwise the form is
// copied into the record.
CommandOutcome saveNetworkCommand(DeviceRecord* selected, const NetworkFormInput& form, int languageCode);

// Sends the port records, every byte the user did not change as it was read.
CommandOutcome savePortsCommand(DeviceRecord* selected);
// The same with the remote hosts as typed, before the record's 32-character field would cut them:
// a host over 32 characters refuses the whole save with "无效的网址！", nothing sent or changed.
// Hosts that are sent are stored in the record.
CommandOutcome savePortsCommand(DeviceRecord* selected, const std::array<std::string, kPortCount>& hosts);

}  // namespace tavrel
