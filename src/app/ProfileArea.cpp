#include "ProfileArea.h"

#include "device/DeviceCapabilities.h"

#include <QtCore/QDir>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>
#include <QtWidgets/QPushButton>
#include <filesystem>
#include <system_error>

#include "ClickableLabel.h"
#include "ControlIds.h"
#include "DeviceCsv.h"
#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "profiles/AddressPlan.h"
#include "profiles/OneClick.h"
#include "profiles/ProfileFormat.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"
#include "util/FileFilter.h"
#include "util/FileWrite.h"
#include "util/Paths.h"

namespace tavrel {

namespace {

namespace fs = std::filesystem;

QString qPath(const fs::path& path) {
    return QString::fromStdU16String(path.u16string());
}

fs::path fsPath(const QString& path) {
    return fs::path(path.toStdU16String());
}

}  // namespace

ProfileArea::ProfileArea(MainWindowContext& window) : QObject(window.widget()), window_(window) {
    connect(window_.controlAs<QPushButton>(ids::kOneClickButton), &QPushButton::clicked, this,
            &ProfileArea::applyProfile);
    connect(window_.controlAs<ClickableLabel>(ids::kProfilePathLink), &ClickableLabel::clicked, this,
            &ProfileArea::openProfileText);
    setProfilePath(QString());
}

void ProfileArea::exportProfile() {
    const UiTexts& texts = window_.texts();
    const std::optional<int> row = window_.selectedDevice();
    if (!row) {
        window_.setStatusText(0, qs(texts.selectDevicePrompt));
        return;
    }
    if (!window_.confirmWrite(WriteKind::Export)) return;
    // A copy: the table may change while the dialog is open.
    const DeviceRecord record = window_.devices()[static_cast<std::size_t>(*row)];
    const fs::path folder = window_.paths().profileFolder;
    std::error_code ignored;  // the dialog opens elsewhere when the folder cannot be made
    fs::create_directories(folder, ignored);

    Prompts& prompts = window_.prompts();
    // A model name that makes no file name would propose a bare ".ini": the MAC names it instead.
    std::string proposed = proposedProfileName(record.identity);
    if (proposed == kProfileExtension) proposed = macText(record.mac) + proposed;
    const QString chosen = prompts.saveFileName(qs(texts.exportProfile), qPath(folder / proposed),
                                                qs(qtFileFilter(fixed::kProfileSaveFilter)));
    if (chosen.isEmpty()) return;
    // The dialog asked about the name as typed; a name completed here is asked about here.
    const fs::path path = withProfileExtension(fsPath(chosen));
    if (path != fsPath(chosen) && fs::exists(path, ignored) &&
        !prompts.confirm(qs(texts.exportProfile),
                         qs(texts.profileOverwrite).arg(QDir::toNativeSeparators(qPath(path)))))
        return;
    std::string reason;
    if (writeProfile(record, path, &reason) != ProfileStatus::Ok)
        prompts.inform(qs(texts.infoCaption),
                       qs(texts.profileWriteFailed) + QDir::toNativeSeparators(qPath(path)) +
                           (reason.empty() ? QString() : "\n" + qs(reason)),
                       Prompts::Kind::Warning);
    else
        window_.setStatusText(2, qs(texts.profileExported).arg(QDir::toNativeSeparators(qPath(path))));
}

void ProfileArea::exportList() {
    const UiTexts& texts = window_.texts();
    const fs::path folder = window_.paths().profileFolder;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    // Taken before the dialog: what was listed when the user chose the command.
    const DeviceTable& listed = window_.devices();
    const std::string shown = devicesCsv(listed, listed.usedCount(), SecretDisplay::Shown);
    const std::string masked = devicesCsv(listed, listed.usedCount(), SecretDisplay::Masked);
    const QString chosen = window_.prompts().saveFileName(qs(texts.exportList), qPath(folder / "devices.csv"),
                                                          qs(qtFileFilter(fixed::kCsvSaveFilter)));
    if (chosen.isEmpty()) return;
    // Masked unless the user asks for the passwords; a file that holds them is owner-only.
    const bool secrets = window_.prompts().confirm(qs(texts.infoCaption), qs(texts.exportListSecrets));
    if (auto error = replaceFileWhole(fsPath(chosen), secrets ? shown : masked,
                                      secrets ? FileContent::Secret : FileContent::Plain))
        window_.prompts().inform(
            qs(texts.infoCaption),
            qs(texts.exportListFailed) + QDir::toNativeSeparators(chosen) + "\n" + qs(*error),
            Prompts::Kind::Warning);
}

void ProfileArea::importProfile() {
    const UiTexts& texts = window_.texts();
    Prompts& prompts = window_.prompts();
    const QString chosen = prompts.openFileName(qs(texts.importProfile), qPath(window_.paths().profileFolder),
                                                qs(qtFileFilter(fixed::kProfileOpenFilter)));
    if (chosen.isEmpty()) return;
    // A damaged value is named with its line, never taken as some other value.
    auto read = readProfileFileStrict(fsPath(chosen));
    if (const auto* error = std::get_if<ProfileError>(&read)) {
        prompts.inform(qs(texts.infoCaption),
                       qs(texts.badProfile) + "\n" + qs(profileErrorText(*error, texts.languageCode)));
        setProfilePath(QString());
        return;
    }
    profile_ = std::get<DeviceRecord>(read);
    if (isUsableProfile(profile_)) {
        setProfilePath(chosen);
        window_.setStatusText(2, qs(texts.profileImported).arg(QDir::toNativeSeparators(chosen)));
        return;
    }
    prompts.inform(qs(texts.infoCaption), qs(texts.badProfile));
    setProfilePath(QString());
}

void ProfileArea::applyProfile() {
    const UiTexts& texts = window_.texts();
    const std::optional<int> row = window_.selectedDevice();
    DeviceRecord* device = window_.draft();
    Prompts& prompts = window_.prompts();
    // The board's own packed write carries port 1 and its network only: refused, as `apply` does.
    if (device != nullptr && !path_.isEmpty() && capabilitiesOf(*device).packedWrite()) {
        prompts.inform(window_.caption(), qs(texts.oneClickPackedBoard), Prompts::Kind::Warning);
        return;
    }
    if (device != nullptr && !path_.isEmpty()) {
        if (!window_.confirmWrite(WriteKind::Save)) return;
        if (!confirmAddress(*row)) return;
    }
    OneClickOutcome outcome =
        oneClickCommand(device, path_.isEmpty() ? nullptr : &profile_, texts.languageCode);
    switch (outcome.status) {
        case OneClickStatus::NoDevice:
            window_.setStatusText(0, qs(texts.selectDevicePrompt));
            return;
        case OneClickStatus::NoProfile:
            prompts.inform(window_.caption(), qs(fixed::kImportProfileFirst));
            return;
        case OneClickStatus::PortCountMismatch:
            prompts.inform(qs(texts.infoCaption), qs(texts.portCountMismatch));
            return;
        case OneClickStatus::Refused:
            prompts.inform(window_.caption(), qs(outcome.message), Prompts::Kind::Warning);
            return;
        case OneClickStatus::Ready:
            break;
    }
    // The form shows what is about to be sent.
    window_.showDevice(*row);
    window_.playWrite(*row, std::move(outcome.plan), WriteScope::Profile);
}

// The profile's static address on a device while another listed device holds it gives two devices
// one address; the user is asked first.
bool ProfileArea::confirmAddress(int row) {
    if (profile_.ipType == 2) return true;
    const auto holders =
        devicesHolding(window_.devices(), profile_.network.ip, static_cast<std::size_t>(row));
    if (holders.empty()) return true;
    const UiTexts& texts = window_.texts();
    const QString question =
        qs(texts.profileAddressInUse)
            .arg(qs(ipv4Text(profile_.network.ip)), qs(macText(window_.devices()[holders.front()].mac)));
    return window_.prompts().confirm(qs(texts.infoCaption), question);
}

void ProfileArea::openProfileText() {
    if (path_.isEmpty()) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(path_));
}

void ProfileArea::setProfilePath(const QString& path) {
    path_ = path;
    auto* label = window_.controlAs<ClickableLabel>(ids::kProfilePathLink);
    label->setText(QDir::toNativeSeparators(path));
    label->setToolTip(label->text());
    // An empty link would be a tab stop that does nothing.
    label->setFocusPolicy(path.isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
    window_.control(ids::kOneClickButton)->setEnabled(!path.isEmpty());
}

}  // namespace tavrel
