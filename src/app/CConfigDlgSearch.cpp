// Device search, the device list and showing a device in the form: the window's side of the
// device session, which holds the search schedule and the reply rules.
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>

#include "CBroadcastDlg.h"
#include "CConfigDlg.h"
#include "ControlIds.h"
#include "DeviceReread.h"
#include "DeviceWrite.h"
#include "IncompleteMarks.h"
#include "ProfileArea.h"
#include "SnapshotArea.h"
#include "TimingArea.h"
#include "WifiArea.h"
#include "device/FixedLists.h"
#include "protocol/Search.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {

// Shown only for 302 boards with output timing support.
constexpr int kOutputTimingControls[] = {ids::kTimingOutputFollowCheck, ids::kTimingSendStatusCheck,
                                         ids::kTimingInputChangedLabel, ids::kReadScheduleButton,
                                         ids::kSaveScheduleButton};
constexpr int kSerialLists[] = {ids::kBaudRateList, ids::kParityList, ids::kDataBitsList, ids::kStopBitsList};
// What a user can change in the network and port groups. Some of them a device then disables again.
constexpr int kFormInputs[] = {
    ids::kIpTypeList,        ids::kIpAddressEdit,     ids::kSubnetMaskEdit,    ids::kGatewayEdit,
    ids::kDnsEdit,           ids::kMacEdit,           ids::kUserEdit,          ids::kPasswordEdit,
    ids::kRs485Edit,         ids::kOutputFollowCheck, ids::kSendStatusCheck,   ids::kSaveNetworkButton,
    ids::kPortList,          ids::kEnableCheck,       ids::kInterfaceList,     ids::kBaudRateList,
    ids::kParityList,        ids::kDataBitsList,      ids::kStopBitsList,      ids::kWorkModeList,
    ids::kRemoteHostEdit,    ids::kRemotePortEdit,    ids::kLocalPortEdit,     ids::kHeartbeatDataEdit,
    ids::kHeartbeatTimeEdit, ids::kModbusCheck,       ids::kModbusTimeoutEdit, ids::kCloudCheck,
    ids::kCloudHelpLink,     ids::kSavePortButton};
// Enabled only by a device that has them.
constexpr int kCloudFields[] = {ids::kCloudIdEdit, ids::kCloudPasswordEdit};

void setText(QWidget* widget, const std::string& text) {
    auto* edit = qobject_cast<QLineEdit*>(widget);
    const QSignalBlocker quiet(edit);
    edit->setText(qs(text));
}

void select(QWidget* widget, int index) {
    auto* list = qobject_cast<QComboBox*>(widget);
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(index);
}

void check(QWidget* widget, bool checked) {
    auto* box = qobject_cast<QAbstractButton*>(widget);
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

void setCell(QTableWidget* list, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = list->item(row, column)) {
        item->setText(text);
    } else {
        list->setItem(row, column, new QTableWidgetItem(text));
    }
}

}  // namespace

void CConfigDlg::connectSearch() {
    connect(controlAs<QPushButton>(ids::kSearchButton), &QPushButton::clicked, this,
            &CConfigDlg::startSearch);
    connect(controlAs<QCheckBox>(ids::kSelectSubnetCheck), &QCheckBox::clicked, this,
            &CConfigDlg::chooseSubnet);
    connect(session_, &DeviceSession::searchTick, this, &CConfigDlg::onSearchTick);
    connect(session_, &DeviceSession::searchTimedOut, this, [this] {
        searchEnded();
        setStatusText(0, qs(texts_.searchTimeout));
    });
    searchProgress_ = new QTimer(this);
    searchProgress_->setInterval(1000);
    connect(searchProgress_, &QTimer::timeout, this, &CConfigDlg::showSearchProgress);
    // Once a device answered, the status is the documented one and a press searches anew, as before.
    connect(session_, &DeviceSession::rowAdded, this, [this] {
        if (searchProgress_->isActive()) searchEnded();
    });
    connect(session_, &DeviceSession::scanFinished, this, &CConfigDlg::onScanFinished);
    connect(session_, &DeviceSession::rowAdded, this, &CConfigDlg::addDeviceRow);
    connect(session_, &DeviceSession::deviceReady, this, &CConfigDlg::onDeviceReady);
    connect(session_, &DeviceSession::statusMessage, this, &CConfigDlg::showStatusMessage);
    // A click re-shows the selected device; a selection moved by the keyboard shows it too, so the
    // form never edits one device while showing another.
    connect(deviceList_, &QTableWidget::clicked, this, [this] {
        if (auto row = selectedDevice()) showDevice(*row);
    });
    connect(deviceList_, &QTableWidget::itemSelectionChanged, this, &CConfigDlg::onListSelectionChanged);
    connect(deviceList_, &QTableWidget::cellDoubleClicked, this, [this] { openIoControl(false); });
}

void CConfigDlg::startSearch() {
    if (searchProgress_->isActive() && session_->searching()) {
        session_->stopSearch();
        searchEnded();
        setStatusText(0, qs(texts_.searchStopped));
        return;
    }
    const bool broadcast = controlAs<QCheckBox>(ids::kBroadcastCheck)->isChecked();
    setStatusText(0, qs(texts_.searchingDevice));
    setStatusText(1, qs(texts_.searchPort));
    setStatusText(2, QString());
    std::optional<Mac> selectedMac;
    if (const auto row = selectedDevice()) selectedMac = devices()[static_cast<std::size_t>(*row)].mac;
    deviceList_->setRowCount(0);
    reselect_ = selectedMac;
    reread_->cancelAll();
    incompleteMarks_->clearChanges();
    clearDeviceForm();
    auto* progress = controlAs<QProgressBar>(ids::kScanProgress);
    progress->setRange(0, 255);
    progress->setValue(0);
    if (broadcast) {
        // A scan cut short by this search leaves no progress bar behind.
        progress->hide();
        session_->startBroadcastSearch(broadcastAddress_);
        setStatusText(3, qs(texts_.broadcastAddressLabel) + broadcastAddress_);
        searchClock_.start();
        searchProgress_->start();
        controlAs<QPushButton>(ids::kSearchButton)->setText(qs(texts_.stopSearchButton));
    } else {
        progress->show();
        session_->startSubnetScan(broadcastAddress_);
    }
}

void CConfigDlg::onSearchTick(const QString& destination, int host) {
    if (host <= 0) return;  // broadcast ticks show nothing until they time out
    controlAs<QProgressBar>(ids::kScanProgress)->setValue(host);
    setStatusText(3, qs(texts_.scanIpPrefix) + destination);
}

void CConfigDlg::showSearchProgress() {
    if (!session_->searching() || session_->table().usedCount() > 0) return searchEnded();
    const qint64 total = qint64(kMaxSearchRequests - 1) * kSearchRepeatMs;
    const qint64 left = std::max<qint64>(0, (total - searchClock_.elapsed() + 999) / 1000);
    setStatusText(0, qs(texts_.searchingDevice) + qs(texts_.searchProgress).arg(left));
}

void CConfigDlg::searchEnded() {
    searchProgress_->stop();
    controlAs<QPushButton>(ids::kSearchButton)->setText(qs(texts_.searchButton));
}

void CConfigDlg::onScanFinished() {
    auto* progress = controlAs<QProgressBar>(ids::kScanProgress);
    progress->hide();
    progress->setValue(0);
    setStatusText(0, qs(texts_.searchEnd));
}

void CConfigDlg::chooseSubnet() {
    auto* selectSubnet = controlAs<QCheckBox>(ids::kSelectSubnetCheck);
    if (selectSubnet->isChecked()) {
        CBroadcastDlg dialog(texts_, defaultBroadcastAddress(), this);
        runModal(dialog);
        if (dialog.result() == QDialog::Accepted) {
            broadcastAddress_ = dialog.address();
        } else {
            selectSubnet->setChecked(false);
        }
    } else {
        broadcastAddress_ = defaultBroadcastAddress();
    }
    setStatusText(3, qs(texts_.broadcastAddressLabel) + broadcastAddress_);
}

void CConfigDlg::addDeviceRow(int index) {
    if (index != deviceList_->rowCount()) return;  // the row exists already
    deviceList_->insertRow(index);
    setCell(deviceList_, index, 0, qs(devices()[static_cast<std::size_t>(index)].sourceAddress));
}

void CConfigDlg::connectReread() {
    reread_ = new DeviceReread(*session_, this);
    connect(reread_, &DeviceReread::started, this, [this](int entry) {
        incompleteMarks_->setChange(entry, IncompleteMarks::Change::Rereading);
        if (selectedDevice() == entry) setFormInputsEnabled(false);
    });
    connect(reread_, &DeviceReread::back, this, [this](int entry) {
        incompleteMarks_->setChange(entry, IncompleteMarks::Change::None);
        if (selectedDevice() == entry) showDevice(entry);
    });
    connect(reread_, &DeviceReread::notBack, this, [this](int entry) {
        incompleteMarks_->setChange(entry, IncompleteMarks::Change::NotBack);
        // The form comes back with what was last known; the status says it was not confirmed.
        if (selectedDevice() == entry) {
            showDevice(entry);
            setStatusText(2, qs(texts_.writeNotBack));
        }
    });
    for (auto answered : {&DeviceSession::deviceReady, &DeviceSession::deviceUpdated})
        connect(session_, answered, this, [this](int i) { lastAnswer_[i].start(); });
    writes_ = new DeviceWrite(*session_, *reread_, texts_, this);
    writes_->setProfileFolder(paths_.profileFolder);
    connect(writes_, &DeviceWrite::finished, this, &CConfigDlg::writeFinished);
}

void CConfigDlg::onDeviceReady(int index) {
    if (index < 0 || index >= deviceList_->rowCount()) return;
    const std::optional<int> selected = selectedDevice();
    const bool remembered = reselect_ && devices()[static_cast<std::size_t>(index)].mac == *reselect_;
    if (remembered) reselect_.reset();
    // Nothing takes the selection while the device selected before the search may still answer.
    if (remembered || (selected ? *selected == index : !reselect_)) {
        if (!reread_->pending(index)) showDevice(index);
        return;
    }
    refreshRow(index, tavrel::showDevice(devices()[static_cast<std::size_t>(index)], 0));
}

void CConfigDlg::refreshRow(int index, const DeviceView& view) {
    setCell(deviceList_, index, 0, qs(devices()[static_cast<std::size_t>(index)].sourceAddress));
    setCell(deviceList_, index, 1, qs(view.mac));
    setCell(deviceList_, index, 2, qs(view.firmware));
    setCell(deviceList_, index, 3, qs(view.hardware));
}

void CConfigDlg::showStatusMessage(int part, StatusMessage message) {
    switch (message) {
        case StatusMessage::SearchEnd:
            setStatusText(part, qs(texts_.searchEnd));
            break;
        case StatusMessage::Saved:
            setStatusText(part, qs(texts_.savedSuccessfully));
            break;
        case StatusMessage::SaveFailed:
            setStatusText(part, qs(fixed::kConfigFailed));
            break;
        case StatusMessage::None:
            break;
    }
}

void CConfigDlg::onListSelectionChanged() {
    if (showingDevice_) return;
    auto row = selectedDevice();
    // The user's own choice wins over the one remembered from before the search.
    if (row) reselect_.reset();
    // The last device's "Successfully saved" says nothing about this one.
    if (row != lastSelectedRow_) setStatusText(2, QString());
    lastSelectedRow_ = row;
    if (row) showDevice(*row);
    if (snapshotArea_) snapshotArea_->refreshCommand();
}

void CConfigDlg::showDevice(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= devices().size()) return;
    // Another device starts at its port 1: a port chosen for one device means nothing for the next.
    const bool sameDevice =
        draft_ && draft_->row == index && draft_->key == devices()[static_cast<std::size_t>(index)].key;
    const DeviceRecord& record = *draftOf(index);
    const int port = sameDevice ? controlAs<QComboBox>(ids::kPortList)->currentIndex() : 0;
    const DeviceView view = tavrel::showDevice(record, port);
    // A device being read again shows what it was told, and takes no edit until it has answered.
    setFormInputsEnabled(!reread_->pending(index));
    fillDeviceRow(index, view);
    fillNetworkGroup(view);
    applyGroupStates(view);
    wifiArea_->showDevice(view.wifi);
    {
        // The list holds the device's ports, so that the one shown can be read off it.
        auto* ports = controlAs<QComboBox>(ids::kPortList);
        const QSignalBlocker quiet(ports);
        ports->clear();
        for (const std::string& item : view.portList.items) ports->addItem(qs(item));
    }
    select(control(ids::kPortList), view.portList.selection);
    if (view.port) fillPortGroup(*view.port);
    if (timingArea_) timingArea_->showDevice(index);
}

// The previous search's devices are gone from the table, so the form lets go of them too.
void CConfigDlg::clearDeviceForm() {
    draft_.reset();
    const DeviceView view = emptyDeviceView();
    setText(control(ids::kMacEdit), view.mac);
    fillNetworkGroup(view);
    applyGroupStates(view);
    wifiArea_->showDevice(view.wifi);
    if (view.port) fillPortGroup(*view.port);
    if (timingArea_) timingArea_->clear();
    setFormInputsEnabled(false);
}

// Without a device nothing in the form is a setting, so nothing there can be changed.
void CConfigDlg::setFormInputsEnabled(bool enabled) {
    for (int id : kFormInputs) control(id)->setEnabled(enabled);
    if (!enabled)
        for (int id : kCloudFields) control(id)->setEnabled(false);
}

void CConfigDlg::fillDeviceRow(int index, const DeviceView& view) {
    if (index < deviceList_->rowCount()) {
        showingDevice_ = true;
        deviceList_->selectRow(index);
        deviceList_->setCurrentCell(index, 0, QItemSelectionModel::SelectCurrent | QItemSelectionModel::Rows);
        showingDevice_ = false;
        setCell(deviceList_, index, 0, qs(devices()[static_cast<std::size_t>(index)].sourceAddress));
        setCell(deviceList_, index, 1, qs(view.mac));
        setCell(deviceList_, index, 2, qs(view.firmware));
        setCell(deviceList_, index, 3, qs(view.hardware));
    }
    setText(control(ids::kMacEdit), view.mac);
}

void CConfigDlg::fillNetworkGroup(const DeviceView& view) {
    select(control(ids::kIpTypeList), view.ipTypeSelection);
    setText(control(ids::kIpAddressEdit), view.ip);
    setText(control(ids::kSubnetMaskEdit), view.mask);
    setText(control(ids::kGatewayEdit), view.gateway);
    setText(control(ids::kDnsEdit), view.dns);
    setText(control(ids::kUserEdit), view.user);
    setText(control(ids::kPasswordEdit), view.password);
    check(control(ids::kOutputFollowCheck), view.outputFollow);
    check(control(ids::kSendStatusCheck), view.sendStatus);
    setText(control(ids::kRs485Edit), view.rs485Address);
}

void CConfigDlg::applyGroupStates(const DeviceView& view) {
    for (int id : kSerialLists) control(id)->setEnabled(view.serialListsEnabled);
    for (int id : {ids::kOutputFollowCheck, ids::kSendStatusCheck, ids::kInputChangedLabel})
        control(id)->setVisible(view.ioOptionsVisible);
    for (int id : kOutputTimingControls) control(id)->setVisible(view.outputTimingVisible);
    // The schedules and the board clock of an image are filled by the timing area.
    scheduleList_->setRowCount(0);
    control(ids::kSaveNetworkButton)->setVisible(view.networkSaveVisible);
    control(ids::kSavePortButton)->setVisible(view.portSaveVisible);
    control(ids::kSavePortButton)->setEnabled(view.portSaveEnabled);
    control(ids::kSaveConfigButton)->setVisible(view.configSaveVisible);
}

void CConfigDlg::fillPortGroup(const PortView& port) {
    auto* baud = controlAs<QComboBox>(ids::kBaudRateList);
    {
        const QSignalBlocker quiet(baud);
        while (baud->count() > static_cast<int>(lists::kBaudRates.size()))
            baud->removeItem(baud->count() - 1);
        if (!port.baudOutsideList.empty()) baud->addItem(qs(port.baudOutsideList));
    }
    select(baud, port.baudOutsideList.empty() ? port.baudRate : baud->count() - 1);
    select(control(ids::kParityList), port.parity);
    select(control(ids::kDataBitsList), port.dataBits);
    select(control(ids::kStopBitsList), port.stopBits);
    select(control(ids::kWorkModeList), port.workMode);
    select(control(ids::kInterfaceList), port.interfaceType);
    control(ids::kInterfaceList)->setEnabled(port.interfaceTypeEnabled);

    setText(control(ids::kRemotePortEdit), port.remotePort);
    setText(control(ids::kLocalPortEdit), port.localPort);
    setText(control(ids::kRemoteHostEdit), port.remoteHost);
    setText(control(ids::kHeartbeatDataEdit), port.heartbeatData);
    setText(control(ids::kHeartbeatTimeEdit), port.heartbeatInterval);
    setText(control(ids::kModbusTimeoutEdit), port.modbusTimeout);
    if (port.enableChecked) check(control(ids::kEnableCheck), *port.enableChecked);
    auto* modbus = controlAs<QCheckBox>(ids::kModbusCheck);
    const bool modbusWasChecked = modbus->isChecked();
    if (port.modbusChecked) check(modbus, *port.modbusChecked);

    control(ids::kRemoteHostEdit)->setEnabled(port.remoteTargetEnabled);
    control(ids::kRemotePortEdit)->setEnabled(port.remoteTargetEnabled);
    control(ids::kHeartbeatDataEdit)->setEnabled(port.heartbeatEnabled);
    control(ids::kHeartbeatTimeEdit)->setEnabled(port.heartbeatEnabled);
    control(ids::kModbusTimeoutEdit)->setEnabled(port.modbusTimeoutEnabled(modbusWasChecked));

    if (port.cloud) {
        check(control(ids::kCloudCheck), port.cloud->checked);
        setText(control(ids::kCloudIdEdit), port.cloud->id);
        setText(control(ids::kCloudPasswordEdit), port.cloud->password);
        control(ids::kCloudIdEdit)->setEnabled(port.cloud->fieldsEnabled);
        control(ids::kCloudPasswordEdit)->setEnabled(port.cloud->fieldsEnabled);
    }

    for (int id : {ids::kPortList, ids::kPortSelectLabel}) control(id)->setVisible(port.portListVisible);
    for (int id : {ids::kInterfaceList, ids::kInterfaceLabel})
        control(id)->setVisible(port.interfaceTypeVisible);
    control(ids::kEnableCheck)->setVisible(port.enableVisible);
}

}  // namespace tavrel
