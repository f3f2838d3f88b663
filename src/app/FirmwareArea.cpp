#include "FirmwareArea.h"

#include <QtGui/QAction>
#include <QtWidgets/QPushButton>

#include "CFirmwareDlg.h"
#include "ControlIds.h"
#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "TftpTransfer.h"
#include "protocol/Commands.h"
#include "protocol/Requests.h"
#include "texts/UiTexts.h"
#include "util/Paths.h"

namespace tavrel {

FirmwareArea::FirmwareArea(MainWindowContext& window) : QObject(window.widget()), window_(window) {
    connect(window_.controlAs<QPushButton>(ids::kFirmwareButton), &QPushButton::clicked, this,
            &FirmwareArea::upgradeSelectedDevice);
    connect(window_.actionById(ids::kFirmwareUpgradeCommand), &QAction::triggered, this,
            &FirmwareArea::upgradeFromMenu);
}

void FirmwareArea::upgradeSelectedDevice() {
    const std::optional<int> row = window_.selectedDevice();
    if (!row) {
        window_.setStatusText(0, qs(window_.texts().selectDevicePrompt));
        return;
    }
    const UiTexts& texts = window_.texts();
    if (!window_.prompts().confirm(qs(texts.infoCaption), qs(texts.confirmUpgrade))) return;
    // No answer to this frame is awaited: the dialog opens at once.
    window_.enterUpgradeMode(*row);
    target_ = qs(window_.devices()[static_cast<std::size_t>(*row)].sourceAddress);
    openDialog(*row);
}

void FirmwareArea::upgradeFromMenu() {
    target_ = QString::fromLatin1(kDefaultUpgradeTarget);
    openDialog();
}

void FirmwareArea::openDialog(std::optional<int> entry) {
    FirmwareDlgSettings settings;
    settings.target = target_;
    settings.tftpPort = window_.network().tftpPort;
    const QHostAddress local = window_.session().socket().localAddress();
    if (local != QHostAddress::AnyIPv4 && local != QHostAddress::Any) settings.localAddress = local;
    settings.messageCaption = window_.caption();
    CFirmwareDlg dialog(window_.texts(), window_.prompts(), settings, window_.widget());
    // New firmware may bring other settings: the device is read again once it is back.
    if (entry)
        connect(&dialog.transfer(), &TftpTransfer::finished, this, [this, entry](UploadResult result) {
            if (result == UploadResult::Completed) window_.readAgain(*entry);
        });
    window_.runModal(dialog);
}

}  // namespace tavrel
