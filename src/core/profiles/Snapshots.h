#pragma once
// Snapshots: a device's settings as read, kept as a profile file before every write to it, so that a
// change can be put back. One folder per device (by MAC) under the profile folder, newest last by
// name, at most kSnapshotsPerDevice of them. Boards that take packed records also keep the record
// as the packed write would send it, since a profile does not carry all of it.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "profiles/ProfileDiff.h"
#include "protocol/Plan.h"
#include "texts/UiTexts.h"

namespace tavrel {

inline constexpr std::size_t kSnapshotsPerDevice = 20;
inline constexpr std::string_view kSnapshotFolderName = "snapshots";
inline constexpr std::string_view kSnapshotRecordExtension = ".record";

// "2026-12-07T13-54-17.123Z": UTC, sortable by name, no character a file name may not hold.
std::string snapshotStem(std::chrono::system_clock::time_point when);

// <profile folder>/snapshots/00-CA-C1-19-00-33
std::filesystem::path snapshotFolder(const std::filesystem::path& profileFolder, const Mac& mac);

struct SnapshotFile {
    std::filesystem::path profile;                // the .ini
    std::optional<std::filesystem::path> record;  // the packed record beside it, when there is one
};

// The snapshots of one device, oldest first; files of other names in the folder are left out.
std::vector<SnapshotFile> listSnapshots(const std::filesystem::path& profileFolder, const Mac& mac);

// The stems to remove so that `keep` remain: the oldest by name.
std::vector<std::string> snapshotsToRemove(std::vector<std::string> stems, std::size_t keep);

// Stores the record as a snapshot and prunes the device's folder. Nothing on success; otherwise what
// failed (an earlier snapshot is never touched by a failed store).
std::optional<std::string> storeSnapshot(const DeviceRecord& asRead,
                                         const std::filesystem::path& profileFolder,
                                         std::chrono::system_clock::time_point when);

enum class RollbackStatus {
    Ready,
    NotUsable,       // the file is not a profile of a device; `message` names the line when it is damaged
    OtherDevice,     // the snapshot's MAC is not the device's
    NoRecord,        // a packed-record board, but no record beside the snapshot
    RecordMismatch,  // the record is not of the board's form or key
    Refused,         // the one-click checks refused the snapshot's values (message)
};

struct RollbackOutcome {
    RollbackStatus status = RollbackStatus::Ready;
    Plan plan;
    DeviceRecord snapshot;  // what the device should read back as
    std::string message;
};

// The write that puts a snapshot back: one-click's sequences for a serial server (the device's record
// takes the snapshot's settings), the stored packed record for a board. Nothing changes unless Ready.
RollbackOutcome rollbackCommand(DeviceRecord& device, const SnapshotFile& file, int languageCode);

// What a rollback changes, one line each: "Port1 BitRate: 115200 → 9600" (the device's value, then the
// snapshot's), from diffProfile(snapshot, device). In Chinese the fields take the form's names
// ("端口1 波特率").
std::string rollbackChanges(const std::vector<ProfileDifference>& differences,
                            int languageCode = kEnglishLanguageCode);

// A status other than Ready as text.
std::string rollbackStatusText(const RollbackOutcome& outcome);

}  // namespace tavrel
