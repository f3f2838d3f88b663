#include "SnapshotArea.h"

#include <QtGui/QAction>
#include <algorithm>
#include <chrono>

#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "device/DeviceCapabilities.h"
#include "profiles/ProfileDiff.h"
#include "profiles/ProfileFormat.h"
#include "profiles/Snapshots.h"
#include "texts/UiTexts.h"
#include "timing/PackedWrite.h"
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
    connect(&session_, &DeviceSession::rowAdded, this, &SnapshotArea::refreshCommand);
    connect(&session_, &DeviceSession::deviceReady, this, &SnapshotArea::refreshCommand);
    refreshCommand();
}

void SnapshotArea::refreshCommand() {
    const auto row = window_.selectedDevice();
    const bool any =
        row && static_cast<std::size_t>(*row) < session_.table().size() &&
        !listSnapshots(window_.paths().profileFolder, session_.table()[static_cast<std::size_t>(*row)].mac)
             .empty();
    undoCommand_->setEnabled(any);
}

void SnapshotArea::undo() {
    const UiTexts& texts = window_.texts();
    const auto row = window_.selectedDevice();
    if (!row || static_cast<std::size_t>(*row) >= session_.table().size()) {
        window_.setStatusText(0, qs(texts.selectDevicePrompt));
        return;
    }
    const DeviceRecord& device = session_.table()[static_cast<std::size_t>(*row)];
    const std::filesystem::path& folder = window_.paths().profileFolder;
    const auto files = listSnapshots(folder, device.mac);
    if (files.empty()) return;
    // Newest first; a snapshot the device already holds (the one the last undo put back) is passed.
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        if (keptByUndo_.count(file->profile) != 0) continue;
        // Planned on a copy of the device as read, so that unsaved edits neither show as changes nor
        // survive a refusal.
        DeviceRecord target = device;
        RollbackOutcome outcome = rollbackCommand(target, *file, texts.languageCode);
        if (outcome.status != RollbackStatus::Ready) {
            window_.prompts().inform(window_.caption(), qs(rollbackStatusText(outcome)),
                                     Prompts::Kind::Warning);
            return;
        }
        // A board goes back through its stored record, which holds more than a profile does (cloud,
        // WiFi): its fields are compared there.
        std::string changes;
        if (capabilitiesOf(device).packedWrite() && outcome.plan.size() == 1) {
            for (const std::string& field : packedFrameDifferences(outcome.plan.front().bytes, device))
                changes += (changes.empty() ? "" : "\n") + field;
        } else {
            changes = rollbackChanges(diffProfile(outcome.snapshot, device), texts.languageCode);
        }
        if (changes.empty()) continue;
        if (!window_.prompts().confirm(window_.caption(), withText(texts.undoQuestion, changes))) return;
        if (!window_.confirmWrite(WriteKind::Save)) return;
        if (DeviceRecord* draft = window_.draft()) *draft = target;
        window_.showDevice(*row);
        window_.playWrite(*row, std::move(outcome.plan), WriteScope::Profile);
        // The write kept the device as it was before the undo; that snapshot is for the CLI's
        // rollback, not for the next undo.
        for (const SnapshotFile& kept : listSnapshots(folder, device.mac))
            if (std::find_if(files.begin(), files.end(),
                             [&](const SnapshotFile& f) { return f.profile == kept.profile; }) == files.end())
                keptByUndo_.insert(kept.profile);
        return;
    }
    window_.prompts().inform(window_.caption(), qs(texts.undoNothingDiffers));
}

}  // namespace tavrel
