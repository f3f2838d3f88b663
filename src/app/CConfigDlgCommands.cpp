// Restart, factory reset and the two saves of the main window: the core plans the frames, the
// device session plays them; acknowledgements come back through the session's status messages.
#include <QtCore/QTimer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <algorithm>

#include "CConfigDlg.h"
#include "ControlIds.h"
#include "DeviceReread.h"
#include "DeviceSession.h"
#include "IncompleteMarks.h"
#include "QtText.h"
#include "SnapshotArea.h"
#include "WifiArea.h"

namespace tavrel {

void CConfigDlg::connectDeviceCommands() {
    connect(controlAs<QPushButton>(ids::kRestartButton), &QPushButton::clicked, this,
            &CConfigDlg::restartDevice);
    connect(controlAs<QPushButton>(ids::kFactoryResetButton), &QPushButton::clicked, this,
            &CConfigDlg::factoryResetDevice);
    connect(controlAs<QPushButton>(ids::kSaveNetworkButton), &QPushButton::clicked, this,
            &CConfigDlg::saveNetworkSettings);
    connect(controlAs<QPushButton>(ids::kSavePortButton), &QPushButton::clicked, this,
            &CConfigDlg::savePortSettings);
}

WifiSettings CConfigDlg::wifiSettings() const {
    return wifiArea_->settings();
}

bool CConfigDlg::confirmWrite(WriteKind kind) {
    const std::optional<int> row = selectedDevice();
    if (!incompleteMarks_->confirmWrite(row, kind)) return false;
    if (kind == WriteKind::Save && row) snapshotArea_->keep(*row);
    return true;
}

DeviceRecord* CConfigDlg::selectedRecord() {
    const std::optional<int> row = selectedDevice();
    return row ? &devices()[static_cast<std::size_t>(*row)] : nullptr;
}

void CConfigDlg::restartDevice() {
    runDeviceCommand(restartCommand(selectedRecord()), Reread::Unicast);
}

void CConfigDlg::factoryResetDevice() {
    const DeviceRecord* device = selectedRecord();
    // A reset cannot be taken back: it is asked first (restart is not).
    if (device != nullptr && !prompts_->confirm(qs(texts_.infoCaption), qs(texts_.factoryResetQuestion)))
        return;
    // The factory address may differ from the one the device answers from now.
    runDeviceCommand(factoryResetCommand(device), Reread::Broadcast);
}

void CConfigDlg::saveNetworkSettings() {
    if (!confirmWrite(WriteKind::Save)) return;
    runDeviceCommand(saveNetworkCommand(selectedRecord(), networkFormInput(), texts_.languageCode));
}

void CConfigDlg::savePortSettings() {
    DeviceRecord* device = selectedRecord();
    if (device == nullptr) {
        runDeviceCommand(savePortsCommand(nullptr));
        return;
    }
    if (!confirmWrite(WriteKind::Save)) return;
    // The shown port's host goes as typed, so that one too long for the record is refused here
    // instead of being cut without a word.
    std::array<std::string, kPortCount> hosts;
    for (std::size_t i = 0; i < kPortCount; ++i) hosts[i] = textOf(device->ports[i].remoteHost);
    const int shown = std::max(0, controlAs<QComboBox>(ids::kPortList)->currentIndex());
    if (shown < static_cast<int>(kPortCount))
        hosts[static_cast<std::size_t>(shown)] =
            controlAs<QLineEdit>(ids::kRemoteHostEdit)->text().toStdString();
    runDeviceCommand(savePortsCommand(device, hosts));
}

NetworkFormInput CConfigDlg::networkFormInput() const {
    auto text = [this](int id) { return controlAs<QLineEdit>(id)->text().toStdString(); };
    NetworkFormInput in;
    in.ipTypeSelection = controlAs<QComboBox>(ids::kIpTypeList)->currentIndex();
    in.ip = text(ids::kIpAddressEdit);
    in.mask = text(ids::kSubnetMaskEdit);
    in.gateway = text(ids::kGatewayEdit);
    in.dns = text(ids::kDnsEdit);
    in.mac = text(ids::kMacEdit);
    in.user = text(ids::kUserEdit);
    in.password = text(ids::kPasswordEdit);
    in.outputFollow = controlAs<QCheckBox>(ids::kOutputFollowCheck)->isChecked();
    in.sendStatus = controlAs<QCheckBox>(ids::kSendStatusCheck)->isChecked();
    return in;
}

void CConfigDlg::runDeviceCommand(CommandOutcome outcome, Reread after) {
    switch (outcome.status) {
        case CommandStatus::NoDevice:
            setStatusText(0, qs(texts_.selectDevicePrompt));
            return;
        case CommandStatus::Refused:
            showMessage(outcome.message, Prompts::Kind::Warning);
            return;
        case CommandStatus::Ready:
        case CommandStatus::Stopped:
            break;
    }
    const std::optional<int> row = selectedDevice();
    if (!row) return;
    // The last save's answer says nothing of a device that changes itself now.
    if (after != Reread::None) setStatusText(2, QString());
    if (outcome.showSending) {
        playWrite(*row, std::move(outcome.plan));
    } else if (!outcome.plan.empty()) {
        const int entry = *row;
        session().play(static_cast<std::size_t>(entry), std::move(outcome.plan), [this, entry, after] {
            if (after != Reread::None) reread_->start(entry, after == Reread::Broadcast);
        });
    }
    if (outcome.status == CommandStatus::Stopped) showMessage(outcome.message, Prompts::Kind::Warning);
}

void CConfigDlg::playWrite(int row, Plan plan) {
    const QString sending = qs(texts_.sendingData);
    setStatusText(2, sending);
    snapshotArea_->written(row);
    const int write = ++writeCount_;
    const auto entry = static_cast<std::size_t>(row);
    // "Sending..." never stays for ever: the answer replaces it, or this does once the wait is over.
    session().play(entry, std::move(plan), [this, write, sending, entry, key = devices()[entry].key] {
        QTimer::singleShot(kWriteAnswerWaitMs, this, [this, write, sending] {
            if (write == writeCount_ && statusText(2) == sending) setStatusText(2, qs(texts_.noAnswer));
        });
        // What the device took is known only from the device, which may answer from a new address;
        // a new search may have replaced the entry meanwhile.
        if (entry < devices().size() && devices()[entry].key == key)
            reread_->start(static_cast<int>(entry), true);
    });
}

}  // namespace tavrel
