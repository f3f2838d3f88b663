// Restart, factory reset and the two saves of the main window: the core plans the frames, the
// device session plays them; acknowledgements come back through the session's status messages.
#include <QtCore/QTimer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <algorithm>

#include "CConfigDlg.h"
#include "ControlIds.h"
#include "DeviceReread.h"
#include "DeviceSession.h"
#include "DeviceWrite.h"
#include "IncompleteMarks.h"
#include "QtText.h"
#include "SnapshotArea.h"
#include "WifiArea.h"
#include "device/DeviceCapabilities.h"
#include "settings/NetworkForm.h"

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
    // The workflow keeps the snapshot once the write goes ahead.
    return incompleteMarks_->confirmWrite(row, kind);
}

void CConfigDlg::restartDevice() {
    runDeviceCommand(restartCommand(draft()), Reread::Unicast);
}

QString CConfigDlg::deviceName(int row) const {
    const DeviceRecord& d = session_->table()[static_cast<std::size_t>(row)];
    return QStringLiteral("%1 (%2)").arg(qs(d.sourceAddress), qs(macText(d.mac)));
}

void CConfigDlg::factoryResetDevice() {
    const DeviceRecord* device = draft();
    // A reset cannot be taken back: it is asked first (restart is not).
    if (device != nullptr &&
        !prompts_->confirm(qs(texts_.infoCaption),
                           qs(texts_.factoryResetQuestion) + "\n" + deviceName(*selectedDevice())))
        return;
    // The factory address may differ from the one the device answers from now.
    runDeviceCommand(factoryResetCommand(device), Reread::Broadcast);
}

bool CConfigDlg::confirmNetworkWarnings() {
    const std::optional<int> row = selectedDevice();
    if (!row) return true;
    std::vector<Ipv4> others;
    for (std::size_t i = 0; i < devices().usedCount(); ++i)
        if (static_cast<int>(i) != *row) others.push_back(devices()[i].network.ip);
    const auto warnings =
        networkFormWarnings(networkFormInput(), devices()[static_cast<std::size_t>(*row)], others);
    if (warnings.empty()) return true;
    std::string text;
    for (const SettingsFinding& w : warnings) text += settingsMessage(w, texts_.languageCode) + "\n";
    std::string question = texts_.addressWarningQuestion;
    if (const auto at = question.find("%s"); at != std::string::npos) question.replace(at, 2, text);
    return prompts_->confirm(qs(texts_.infoCaption), qs(question));
}

void CConfigDlg::saveNetworkSettings() {
    if (draft() != nullptr && !confirmNetworkWarnings()) return;
    if (!confirmWrite(WriteKind::Save)) return;
    runDeviceCommand(saveNetworkCommand(draft(), networkFormInput(), texts_.languageCode), Reread::None,
                     WriteScope::Network);
}

void CConfigDlg::savePortSettings() {
    const std::optional<int> row = selectedDevice();
    if (!row) return runDeviceCommand(savePortsCommand(nullptr));
    const bool whole = writes_->check(*row).whole;
    if (!confirmWrite(WriteKind::Save)) return;
    // A device that lost replies would likely lose them again: the user agreed to write it as it is.
    if (!whole) return savePortSettingsNow();
    saveWhenFresh([this] { savePortSettingsNow(); });
}

void CConfigDlg::saveWhenFresh(std::function<void()> save) {
    const std::optional<int> row = selectedDevice();
    if (!row || draft() == nullptr) return save();
    const auto heard = lastAnswer_.find(*row);
    if (heard != lastAnswer_.end() && heard->second.isValid() && heard->second.elapsed() < freshAnswerMs_) {
        if (takeDeviceChanges()) save();
        return;
    }
    setStatusText(2, qs(texts_.sendingData));
    afterFreshRead_[writes_->start(rereadRequest(*row, devices()[static_cast<std::size_t>(*row)]))] =
        std::move(save);
}

bool CConfigDlg::takeDeviceChanges() {
    const std::optional<int> row = selectedDevice();
    if (!row || !draft_ || draft_->row != *row) return true;
    const DeviceRecord& now = devices()[static_cast<std::size_t>(*row)];
    std::vector<std::size_t> changed;
    std::string names;
    const auto ports = static_cast<std::size_t>(capabilitiesOf(now).writtenPorts);
    for (std::size_t p = 0; p < ports && p < kPortCount; ++p) {
        if (draft_->base.ports[p] == now.ports[p] || draft_->edited.ports[p] != draft_->base.ports[p])
            continue;
        changed.push_back(p);
        names += (names.empty() ? "PORT" : ", PORT") + std::to_string(p + 1);
    }
    if (changed.empty()) return true;
    std::string question = texts_.deviceChangedSinceShown;
    if (const auto at = question.find("%s"); at != std::string::npos) question.replace(at, 2, names);
    if (!prompts_->confirm(qs(texts_.infoCaption), qs(question))) return false;
    for (std::size_t p : changed) draft_->base.ports[p] = draft_->edited.ports[p] = now.ports[p];
    return true;
}

void CConfigDlg::savePortSettingsNow() {
    DeviceRecord* device = draft();
    if (device == nullptr) {
        runDeviceCommand(savePortsCommand(nullptr));
        return;
    }
    // The shown port's host goes as typed, so that one too long for the record is refused here
    // instead of being cut without a word.
    std::array<std::string, kPortCount> hosts;
    for (std::size_t i = 0; i < kPortCount; ++i) hosts[i] = textOf(device->ports[i].remoteHost);
    const int shown = std::max(0, controlAs<QComboBox>(ids::kPortList)->currentIndex());
    if (shown < static_cast<int>(kPortCount))
        hosts[static_cast<std::size_t>(shown)] =
            controlAs<QLineEdit>(ids::kRemoteHostEdit)->text().toStdString();
    runDeviceCommand(savePortsCommand(device, hosts), Reread::None, WriteScope::Ports);
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

void CConfigDlg::runDeviceCommand(CommandOutcome outcome, Reread after, WriteScope scope) {
    switch (outcome.status) {
        case CommandStatus::NoDevice:
            setStatusText(0, qs(texts_.selectDevicePrompt));
            return;
        case CommandStatus::Refused:
            showMessage(outcome.message, Prompts::Kind::Warning);
            return;
        case CommandStatus::Ready:
            break;
    }
    const std::optional<int> row = selectedDevice();
    if (!row) return;
    if (outcome.showSending) {
        playWrite(*row, std::move(outcome.plan), scope);
        return;
    }
    // Restart and reset: the device answers nothing, and is read again when asked.
    const bool reset = after == Reread::Broadcast;
    setStatusText(
        2, qs(reset ? texts_.resettingDevice : texts_.restartingDevice).replace("%s", deviceName(*row)));
    // Enter must not repeat the command: the focus goes back to the list.
    deviceList_->setFocus();
    WriteRequest request;
    request.entry = *row;
    request.plan = std::move(outcome.plan);
    request.expected = devices()[static_cast<std::size_t>(*row)];
    request.answer = AnswerRule::None;
    request.reread = after == Reread::Broadcast ? RereadRule::Broadcast
                     : after == Reread::Unicast ? RereadRule::Unicast
                                                : RereadRule::None;
    // A reset loses every setting: they are kept so that they can be put back.
    request.snapshot = after == Reread::Broadcast;
    request.forced = true;
    const int id = writes_->start(std::move(request));
    announcedWrites_[id] =
        qs(reset ? texts_.deviceResetDone : texts_.deviceRestarted).replace("%s", deviceName(*row));
}

void CConfigDlg::readAgain(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= devices().size()) return;
    startWrite(rereadRequest(row, devices()[static_cast<std::size_t>(row)]), true);
}

void CConfigDlg::enterUpgradeMode(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= devices().size()) return;
    startWrite(upgradeModeRequest(row, devices()[static_cast<std::size_t>(row)]), true);
}

void CConfigDlg::playWrite(int row, Plan plan, WriteScope scope) {
    setStatusText(2, qs(texts_.sendingData));
    const auto entry = static_cast<std::size_t>(row);
    WriteRequest request;
    request.entry = row;
    request.plan = std::move(plan);
    // The commands made the plan from the draft; the table's record is the device as read, which
    // the snapshot keeps.
    const DeviceRecord* edited = draftOf(row);
    request.expected = edited ? *edited : devices()[entry];
    request.scope = scope;
    if (capabilitiesOf(devices()[entry]).packedWrite()) request.answer = AnswerRule::Optional;
    // What the device took is known only from the device, which may answer from a new address.
    request.reread = RereadRule::Broadcast;
    // The guard asked before the plan was made.
    request.forced = true;
    // The edits are on their way: from now on the draft follows what the device answers. A write
    // that fails leaves them in the form, to be saved again.
    if (draft_ && draft_->row == row) draft_->base = draft_->edited;
    startWrite(std::move(request));
}

void CConfigDlg::startWrite(WriteRequest request, bool quiet) {
    const int id = writes_->start(std::move(request));
    if (quiet) quietWrites_.insert(id);
}

void CConfigDlg::writeFinished(int id, const WriteOutcome& outcome) {
    if (leftOutcomes_.erase(id) > 0) return;
    if (const auto fresh = afterFreshRead_.find(id); fresh != afterFreshRead_.end()) {
        const std::function<void()> save = std::move(fresh->second);
        afterFreshRead_.erase(fresh);
        setStatusText(2, QString());
        if (outcome.result != WriteResult::Verified) {
            setStatusText(2, qs(writeOutcomeText(outcome, texts_)));
            return;
        }
        // After the read's run has ended: the save is a new write of the same device.
        QTimer::singleShot(0, this, [this, save] {
            if (takeDeviceChanges()) save();
        });
        return;
    }
    const bool quiet = quietWrites_.erase(id) > 0;
    if (const auto announced = announcedWrites_.find(id); announced != announcedWrites_.end()) {
        const QString done = announced->second;
        announcedWrites_.erase(announced);
        // Not read again because a search or a newer write came first: the status is theirs.
        if (outcome.result == WriteResult::Unverified) return;
        if (outcome.result != WriteResult::NotSent) {
            setStatusText(
                2, outcome.result == WriteResult::Verified ? done : qs(writeOutcomeText(outcome, texts_)));
            return;
        }
    }
    if (!outcome.snapshotWarning.empty()) {
        std::string text = texts_.snapshotFailed;
        if (const auto at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, outcome.snapshotWarning);
        showMessage(text, Prompts::Kind::Warning);
    }
    if (outcome.result == WriteResult::NotSent) {
        showMessage(outcome.reason, Prompts::Kind::Warning);
        return;
    }
    // Restart, reset and the read after an upload end on their re-read; the list row says how.
    if (quiet) return;
    setStatusText(2, qs(writeOutcomeText(outcome, texts_)));
}

}  // namespace tavrel
