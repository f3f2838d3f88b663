#include "WifiArea.h"

#include <QtCore/QSignalBlocker>
#include <QtNetwork/QHostAddress>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "texts/UiTexts.h"
#include "util/Paths.h"
#include "CWifiListDlg.h"
#include "ControlIds.h"
#include "DeviceSession.h"
#include "QtText.h"
#include "device/FixedLists.h"

namespace tavrel {

namespace {
std::string textOfEdit(const QWidget* edit) {
    return qobject_cast<const QLineEdit*>(edit)->text().toStdString();
}
}  // namespace

WifiArea::WifiArea(MainWindowContext& window, DeviceSession& session)
    : QObject(window.widget()), window_(window), session_(session) {
    auto* modes = window_.controlAs<QComboBox>(ids::kWifiModeList);
    connect(modes, &QComboBox::currentIndexChanged, this, &WifiArea::applyModeRule);
    connect(window_.controlAs<QPushButton>(ids::kWifiScanButton), &QPushButton::clicked, this,
            &WifiArea::scan);
}

void WifiArea::showDevice(const WifiView& view) {
    groupEnabled_ = view.groupEnabled;
    deviceMode_ = view.deviceMode;
    for (auto [id, text] : {std::pair{ids::kApSsidEdit, &view.apSsid},
                            {ids::kApPasswordEdit, &view.apPassword},
                            {ids::kStaSsidEdit, &view.staSsid},
                            {ids::kStaPasswordEdit, &view.staPassword}}) {
        auto* edit = window_.controlAs<QLineEdit>(id);
        const QSignalBlocker quiet(edit);
        edit->setText(qs(*text));
    }
    auto* modes = window_.controlAs<QComboBox>(ids::kWifiModeList);
    {
        const QSignalBlocker quiet(modes);
        modes->setCurrentIndex(view.modeSelection < modes->count() ? view.modeSelection : -1);
    }
    modes->setEnabled(view.groupEnabled);
    applyModeRule(view.modeSelection);
    // A strength beyond the bar's range pins it at an end rather than leaving the old position.
    window_.controlAs<QProgressBar>(ids::kSignalBar)->setValue(qBound(0, view.signalPosition, kSignalRange));
    window_.controlAs<QLabel>(ids::kSignalText)->setText(qs(view.signalText));
}

void WifiArea::applyModeRule(int modeSelection) {
    const WifiModeEnables enables = enablesForWifiMode(modeSelection);
    const bool on = groupEnabled_;
    window_.control(ids::kApSsidEdit)->setEnabled(on && enables.apFields);
    window_.control(ids::kApPasswordEdit)->setEnabled(on && enables.apFields);
    window_.control(ids::kStaSsidEdit)->setEnabled(on && enables.staFields);
    window_.control(ids::kStaPasswordEdit)->setEnabled(on && enables.staFields);
    window_.control(ids::kWifiScanButton)->setEnabled(on && enables.scan);
}

void WifiArea::applyTexts(const UiTexts&) {
    auto* modes = window_.controlAs<QComboBox>(ids::kWifiModeList);
    const QSignalBlocker quiet(modes);
    // The first fill shows the first entry, as a new list does; later ones keep the device's mode.
    const bool firstFill = modes->count() == 0;
    const int shown = modes->currentIndex();
    modes->clear();
    for (std::string_view mode : lists::kWifiModes) modes->addItem(qs(mode));
    if (!firstFill) modes->setCurrentIndex(shown);
}

WifiSettings WifiArea::settings() const {
    WifiSettings s;
    s.mode = wifiModeOf(window_.controlAs<QComboBox>(ids::kWifiModeList)->currentIndex(), deviceMode_);
    s.apSsid = textOfEdit(window_.control(ids::kApSsidEdit));
    s.apPassword = textOfEdit(window_.control(ids::kApPasswordEdit));
    s.staSsid = textOfEdit(window_.control(ids::kStaSsidEdit));
    s.staPassword = textOfEdit(window_.control(ids::kStaPasswordEdit));
    return s;
}

void WifiArea::scan() {
    const auto row = window_.selectedDevice();
    if (!row || static_cast<std::size_t>(*row) >= session_.table().size()) {
        window_.setStatusText(0, qs(window_.texts().selectDevicePrompt));
        return;
    }
    const DeviceRecord& device = session_.table()[static_cast<std::size_t>(*row)];
    const bool broadcast = window_.controlAs<QCheckBox>(ids::kBroadcastCheck)->isChecked();
    const std::string destination =
        scanDestination(broadcast, window_.broadcastAddress().toStdString(), device);

    CWifiListDlg list(window_.texts(), window_.widget(), scanTickMs_);
    connect(&session_, &DeviceSession::wifiScanResult, &list, &CWifiListDlg::showScanResult);
    session_.socket().send(wifiScanRequest(device.key), QHostAddress(qs(destination)),
                           session_.settings().devicePort);
    window_.runModal(list);
    if (list.chosen()) window_.controlAs<QLineEdit>(ids::kStaSsidEdit)->setText(list.chosenSsid());
}

}  // namespace tavrel
