#include "SnapshotArea.h"

#include <QtGui/QAction>
#include <chrono>

#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "profiles/ProfileDiff.h"
#include "profiles/ProfileFormat.h"
#include "profiles/Snapshots.h"
#include "texts/UiTexts.h"
#include "util/Paths.h"

namespace tavrel {

namespace {

QString withText(const std::string& pattern, const std::string& text) {
    std::string out = pattern;
    if (const auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, text);
    return qs(out);
}

}  // namespace

SnapshotArea::SnapshotArea(MainWindowContext& window, DeviceSession& session, QAction* undoCommand)
    : QObject(window.widget()), window_(window), session_(session), undoCommand_(undoCommand) {
    // A new search empties the table; a row's old copy must not outlive its device. A device
    // answering a repeated search keeps its copy: the table's record may hold unsaved edits.
    connect(&session_, &DeviceSession::rowAdded, this, [this](int row) {
        const auto it = asRead_.find(row);
        const bool sameDevice = it != asRead_.end() &&
                                static_cast<std::size_t>(row) < session_.table().size() &&
                                it->second.key == session_.table()[static_cast<std::size_t>(row)].key;
        if (!sameDevice) asRead_.erase(row);
        refreshCommand();
    });
    connect(&session_, &DeviceSession::deviceReady, this, &SnapshotArea::remember);
    connect(&session_, &DeviceSession::deviceUpdated, this, &SnapshotArea::remember);
    connect(&session_, &DeviceSession::readoutSettled, this, &SnapshotArea::remember);
    refreshCommand();
}

void SnapshotArea::remember(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= session_.table().size()) return;
    // A read-out that lost blocks (a device read again that never came back) holds zeros: the copy
    // from before stays the better picture of the device.
    if (session_.table().progress(static_cast<std::size_t>(row)).complete() || !asRead_.count(row))
        asRead_[row] = session_.table()[static_cast<std::size_t>(row)];
    refreshCommand();
}

const DeviceRecord& SnapshotArea::asRead(int row) const {
    const auto it = asRead_.find(row);
    return it != asRead_.end() ? it->second : session_.table()[static_cast<std::size_t>(row)];
}

void SnapshotArea::written(int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < session_.table().size())
        asRead_[row] = session_.table()[static_cast<std::size_t>(row)];
}

void SnapshotArea::refreshCommand() {
    const auto row = window_.selectedDevice();
    const bool any = row && static_cast<std::size_t>(*row) < session_.table().size() &&
                     !listSnapshots(window_.paths().profileFolder, asRead(*row).mac).empty();
    undoCommand_->setEnabled(any);
}

void SnapshotArea::undo() {
    const UiTexts& texts = window_.texts();
    const auto row = window_.selectedDevice();
    if (!row || static_cast<std::size_t>(*row) >= session_.table().size()) {
        window_.setStatusText(0, qs(texts.selectDevicePrompt));
        return;
    }
    DeviceRecord& device = session_.table()[static_cast<std::size_t>(*row)];
    const auto files = listSnapshots(window_.paths().profileFolder, device.mac);
    if (files.empty()) return;
    // Planned on a copy of the device as read, so that unsaved edits neither show as changes nor
    // survive a refusal.
    DeviceRecord target = asRead(*row);
    RollbackOutcome outcome = rollbackCommand(target, files.back(), texts.languageCode);
    if (outcome.status != RollbackStatus::Ready) {
        window_.prompts().inform(window_.caption(), qs(rollbackStatusText(outcome)), Prompts::Kind::Warning);
        return;
    }
    const auto changes = diffProfile(outcome.snapshot, asRead(*row));
    if (changes.empty()) {
        window_.prompts().inform(window_.caption(), qs(texts.undoNothingDiffers));
        return;
    }
    if (!window_.prompts().confirm(window_.caption(), withText(texts.undoQuestion, rollbackChanges(changes))))
        return;
    // The guard keeps the device as it is now, so the undo itself can be undone.
    if (!window_.confirmWrite(WriteKind::Save)) return;
    device = target;
    window_.showDevice(*row);
    window_.playWrite(*row, std::move(outcome.plan), WriteScope::Profile);
}

}  // namespace tavrel
