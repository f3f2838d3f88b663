#include "PackedWriteArea.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "ControlIds.h"
#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "WifiArea.h"
#include "texts/UiTexts.h"
#include "timing/PackedWrite.h"
#include "util/Paths.h"

namespace tavrel {

PackedWriteArea::PackedWriteArea(MainWindowContext& window) : QObject(window.widget()), window_(window) {
    connect(window_.controlAs<QPushButton>(ids::kSaveConfigButton), &QPushButton::clicked, this,
            [this] { save(false, true); });
}

PackedWriteInput PackedWriteArea::formInput() const {
    auto text = [this](int id) { return window_.controlAs<QLineEdit>(id)->text().toStdString(); };
    PackedWriteInput in;
    in.network = window_.networkFormInput();
    in.rs485Address = text(ids::kRs485Edit);
    in.cloudId = text(ids::kCloudIdEdit);
    in.cloudPassword = text(ids::kCloudPasswordEdit);
    in.cloud = window_.controlAs<QCheckBox>(ids::kCloudCheck)->isChecked();
    in.wifi = window_.wifiSettings();
    // The host edit holds port 1's host only while port 1 is shown; otherwise its record does.
    const auto row = window_.selectedDevice();
    if (window_.controlAs<QComboBox>(ids::kPortList)->currentIndex() <= 0 || !row)
        in.remoteHost = text(ids::kRemoteHostEdit);
    else
        in.remoteHost = textOf(window_.devices()[static_cast<std::size_t>(*row)].ports[0].remoteHost);
    return in;
}

void PackedWriteArea::save(bool setClock, bool ask) {
    if (ask && (!window_.confirmNetworkWarnings() || !window_.confirmWrite(WriteKind::Save))) return;
    const auto row = window_.selectedDevice();
    DeviceRecord* device = row ? &window_.devices()[static_cast<std::size_t>(*row)] : nullptr;
    window_.runDeviceCommand(packedWriteCommand(device, formInput(), setClock, window_.texts().languageCode));
}

}  // namespace tavrel
