// The whole-file writer forces the new bytes onto the disk before they take the old file's name, and
// a refused sync keeps the old file and leaves no temporary file behind.
#include <gtest/gtest.h>

#include <vector>

#include "../TestFiles.h"
#include "util/FileWrite.h"

using namespace tavrel;

namespace {

struct SyncCall {
    std::filesystem::path path;
    bool isFolder;
    std::string contentThen;  // what the path held when it was synced
    bool targetHeldOld;       // the file being replaced still held its old bytes
};
std::vector<SyncCall> calls;
std::filesystem::path target;
bool refuse = false;

std::string contentOf(const std::filesystem::path& p) {
    return test::readWholeFile(p);
}

bool recordSync(const std::filesystem::path& path, bool isFolder) {
    calls.push_back({path, isFolder, isFolder ? std::string() : contentOf(path), contentOf(target) == "old"});
    return !refuse;
}

}  // namespace

TEST(FileSync, NewBytesReachTheDiskBeforeTheRenameAndARefusalKeepsTheOldFile) {
    const std::filesystem::path folder = test::freshTestDir("file-sync");
    target = folder / "profile.ini";
    ASSERT_FALSE(replaceFileWhole(target, "old", FileContent::Plain));
    setFileSync(recordSync);
    calls.clear();
    refuse = false;
    EXPECT_FALSE(replaceFileWhole(target, "new", FileContent::Plain));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].path, target);
    EXPECT_FALSE(calls[0].isFolder);
    EXPECT_EQ(calls[0].contentThen, "new");
    EXPECT_TRUE(calls[0].targetHeldOld);
    EXPECT_TRUE(calls[1].isFolder);
    EXPECT_EQ(calls[1].path, folder);
    EXPECT_EQ(contentOf(target), "new");

    ASSERT_FALSE(replaceFileWhole(target, "old", FileContent::Plain));
    refuse = true;
    EXPECT_TRUE(replaceFileWhole(target, "lost", FileContent::Plain));
    setFileSync(nullptr);
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}
