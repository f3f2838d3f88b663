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
    in.wifi = window_.wifiSettings();
    // The port edits hold port 1's fields only while port 1 is shown; otherwise its draft does.
    const DeviceRecord* device = window_.draft();
    if (window_.controlAs<QComboBox>(ids::kPortList)->currentIndex() <= 0 || device == nullptr) {
        in.remoteHost = text(ids::kRemoteHostEdit);
        in.cloudId = text(ids::kCloudIdEdit);
        in.cloudPassword = text(ids::kCloudPasswordEdit);
        in.cloud = window_.controlAs<QCheckBox>(ids::kCloudCheck)->isChecked();
    } else {
        const PackedWriteInput kept = packedWriteInputOf(*device);
        in.remoteHost = kept.remoteHost;
        in.cloudId = kept.cloudId;
        in.cloudPassword = kept.cloudPassword;
        in.cloud = kept.cloud;
    }
    return in;
}

void PackedWriteArea::save(bool setClock, bool ask) {
    if (ask && (!window_.confirmNetworkWarnings() || !window_.confirmWrite(WriteKind::Save))) return;
    window_.runDeviceCommand(
        packedWriteCommand(window_.draft(), formInput(), setClock, window_.texts().languageCode));
}

}  // namespace tavrel
