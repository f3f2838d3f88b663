// Snapshots: their names, the twenty kept per device, the board's record beside the profile, and the
// write that puts one back.
#include <gtest/gtest.h>

#include <fstream>

#include "../TestFiles.h"
#include "profiles/ProfileDiff.h"
#include "profiles/ProfileFormat.h"
#include "profiles/Snapshots.h"
#include "timing/ConfigImage.h"
#include "timing/PackedWrite.h"

using namespace tavrel;
using namespace std::chrono;

namespace {

DeviceRecord serverWith(std::uint8_t lastByte) {
    DeviceRecord r;
    r.identity.bytes = {'V', '1', '4', '3', 'S', '4', '1', '0', 1};
    r.mac = {0x00, 0xCA, 0xC1, 0x00, 0x00, lastByte};
    r.key = {0x00, 0x00, lastByte};
    r.ipType = 1;
    r.network.ip = {10, 0, 0, lastByte};
    r.replyPort = 1111;
    for (PortRecord& p : r.ports) p = PortRecord{5, 1, 8, 1, 1, {}, 1, 1, 2, 1, 0, 1};
    setText(r.user, "admin");
    return r;
}

sys_time<milliseconds> at(int second, int ms = 0) {
    return sys_days{2026y / December / 7} + 13h + 54min + seconds(second) + milliseconds(ms);
}

}  // namespace

TEST(Snapshots, NamesSortByTimeAndTheOldestGoFirst) {
    EXPECT_EQ(snapshotStem(at(7, 45)), "2026-12-07T13-54-07.045Z");
    EXPECT_EQ(snapshotFolder("/p", serverWith(0x33).mac),
              std::filesystem::path("/p/snapshots/00-CA-C1-00-00-33"));
    EXPECT_EQ(snapshotsToRemove({"b", "c", "a"}, 5), std::vector<std::string>{});
    EXPECT_EQ(snapshotsToRemove({"2026-12-07T13-54-09", "2026-12-07T13-54-07", "2026-12-07T13-54-08"}, 1),
              (std::vector<std::string>{"2026-12-07T13-54-07", "2026-12-07T13-54-08"}));

    // 21 writes, two of them in one millisecond: twenty files stay, the first one gone.
    const auto folder = test::freshTestDir("snapshots-prune");
    DeviceRecord device = serverWith(0x33);
    std::filesystem::create_directories(snapshotFolder(folder, device.mac));
    std::ofstream(snapshotFolder(folder, device.mac) / "notes.txt") << "kept";
    for (int n = 0; n < 21; ++n) {
        device.ports[0].baudRate = static_cast<std::uint8_t>(1 + n % 17);
        ASSERT_EQ(storeSnapshot(device, folder, at(n == 20 ? 19 : n)), std::nullopt) << n;
    }
    const auto files = listSnapshots(folder, device.mac);
    ASSERT_EQ(files.size(), kSnapshotsPerDevice);
    EXPECT_EQ(files.front().profile.filename(), "2026-12-07T13-54-01.000Z.ini");
    EXPECT_EQ(files.back().profile.filename(), "2026-12-07T13-54-19.000Z_2.ini");
    EXPECT_FALSE(files.back().record);
    EXPECT_EQ(readProfileFile(files.back().profile).ports[0].baudRate, 1 + 20 % 17);
    EXPECT_TRUE(std::filesystem::exists(snapshotFolder(folder, device.mac) / "notes.txt"));
    EXPECT_TRUE(listSnapshots(folder, serverWith(0x34).mac).empty());
}

TEST(Snapshots, PuttingOneBackWritesWhatWasRead) {
    const auto folder = test::freshTestDir("snapshots-rollback");
    const DeviceRecord asRead = serverWith(0x33);
    ASSERT_EQ(storeSnapshot(asRead, folder, at(1)), std::nullopt);
    const SnapshotFile file = listSnapshots(folder, asRead.mac).back();

    // A serial server: one-click's plan, and the record takes the snapshot's values back.
    DeviceRecord changed = asRead;
    changed.ports[2].baudRate = 12;
    changed.network.gateway = {10, 0, 0, 254};
    const auto differences = diffProfile(readProfileFile(file.profile), changed);
    EXPECT_EQ(rollbackChanges(differences),
              "Device NetGate: 10.0.0.254 → 0.0.0.0\nPort3 BitRate: 128000 → 9600");
    EXPECT_EQ(rollbackChanges(differences, 4),
              "设备 网关: 10.0.0.254 → 0.0.0.0\n端口3 波特率: 128000 → 9600");
    RollbackOutcome out = rollbackCommand(changed, file, 9);
    ASSERT_EQ(out.status, RollbackStatus::Ready) << out.message;
    EXPECT_FALSE(out.plan.empty());
    EXPECT_TRUE(diffProfile(out.snapshot, changed).empty());

    // Another device's snapshot is refused, with nothing changed.
    DeviceRecord other = serverWith(0x34);
    const DeviceRecord otherBefore = other;
    EXPECT_EQ(rollbackStatusText(rollbackCommand(other, file, 9)),
              "the snapshot belongs to another device (MAC 00-CA-C1-00-00-33)");
    EXPECT_EQ(other, otherBefore);
    // No profile in the file, or a device that now has more ports than the snapshot: refused too.
    SnapshotFile broken = file;
    broken.profile = folder / "broken.ini";
    std::ofstream(broken.profile) << "not a profile\n";
    EXPECT_EQ(
        rollbackStatusText(rollbackCommand(changed, broken, 9)),
        "not a usable profile: no [*****************Device****************] section: not a device profile");
    DeviceRecord grown = changed;
    grown.identity.bytes[5] = '8';
    out = rollbackCommand(grown, file, 9);
    EXPECT_EQ(out.status, RollbackStatus::Refused);
    EXPECT_EQ(rollbackStatusText(out), "the snapshot does not fit the device");
    EXPECT_TRUE(out.plan.empty());

    // A board: the packed record kept beside the profile goes back as it was, without the clock.
    DeviceRecord board = asRead;
    board.imagePresent = 1;
    board.form866 = 1;
    board.imageB[image::kSetClockFlag] = 1;
    board.imageB[10] = 0x5A;
    ASSERT_EQ(storeSnapshot(board, folder, at(2)), std::nullopt);
    const SnapshotFile boardFile = listSnapshots(folder, board.mac).back();
    ASSERT_TRUE(boardFile.record);
#ifndef _WIN32
    // Both hold the device's password: owner-only, as every profile.
    namespace fs = std::filesystem;
    const auto othersMay = fs::perms::group_all | fs::perms::others_all;
    EXPECT_EQ(fs::status(boardFile.profile).permissions() & othersMay, fs::perms::none);
    EXPECT_EQ(fs::status(*boardFile.record).permissions() & othersMay, fs::perms::none);
#endif
    DeviceRecord boardNow = board;
    boardNow.imageB[10] = 0x00;
    out = rollbackCommand(boardNow, boardFile, 9);
    ASSERT_EQ(out.status, RollbackStatus::Ready);
    ASSERT_EQ(out.plan.size(), 1u);
    DeviceRecord expected = board;
    expected.imageB[image::kSetClockFlag] = 0;
    EXPECT_EQ(out.plan[0].bytes, packedWriteFrame(expected, PackedForm::Form866));
    EXPECT_EQ(out.plan[0].replyPort, 1111);

    // The record of another form, or none at all, sends nothing.
    boardNow.form866 = 0;
    EXPECT_EQ(rollbackStatusText(rollbackCommand(boardNow, boardFile, 9)),
              "the record stored beside the snapshot is not of this board's form or key");
    EXPECT_EQ(rollbackCommand(boardNow, file, 9).status, RollbackStatus::NoRecord);
    EXPECT_EQ(
        rollbackStatusText(rollbackCommand(boardNow, file, 9)),
        "this board takes its settings as one packed record, and no record was stored beside the snapshot");

    // An 830 board keeps its clock flag in the other image.
    DeviceRecord board830 = boardNow;
    board830.imageA[image::kSetClockFlag] = 1;
    board830.imageA[10] = 0x5A;
    ASSERT_EQ(storeSnapshot(board830, folder, at(3)), std::nullopt);
    out = rollbackCommand(boardNow, listSnapshots(folder, board.mac).back(), 9);
    ASSERT_EQ(out.status, RollbackStatus::Ready) << out.message;
    board830.imageA[image::kSetClockFlag] = 0;
    EXPECT_EQ(out.plan.at(0).bytes, packedWriteFrame(board830, PackedForm::Form830));
}
