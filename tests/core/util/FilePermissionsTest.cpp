// A file that can hold a device password is its owner's alone before its first byte lands; the two
// settings files get the usual mode; a replaced file keeps the mode it had, whoever set it.
#include <gtest/gtest.h>

#include <fstream>

#include "../TestFiles.h"
#include "iocontrol/IoSettings.h"
#include "profiles/ProfileFormat.h"
#include "texts/LanguageFile.h"
#include "util/FileWrite.h"

using namespace tavrel;
namespace fs = std::filesystem;

namespace {

fs::perms modeOf(const fs::path& p) {
    return fs::status(p).permissions() & fs::perms::all;
}

// The temporary file's mode when its bytes are forced onto the disk, before the rename.
fs::perms modeAtSync = fs::perms::unknown;
bool recordMode(const fs::path& path, bool isFolder) {
    if (!isFolder) modeAtSync = modeOf(path);
    return true;
}

}  // namespace

TEST(FilePermissions, ProfilesAreOwnerOnlySettingsUsualAndReplacedFilesKeepTheirMode) {
#ifdef _WIN32
    GTEST_SKIP() << "owner-only modes are POSIX's; on Windows the folder's access rules apply";
#endif
    const fs::path folder = test::freshTestDir("file-permissions");
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    // What this process's umask gives any new file: the settings files must get no less, no more.
    const fs::path probe = folder / "probe";
    std::ofstream(probe) << 'x';
    const fs::perms usual = modeOf(probe);

    DeviceRecord record;
    record.identity.bytes = {'V', '1', '4', '2', 'S', '1', '1', '0'};
    setText(record.password, "s3cret");
    const fs::path profile = folder / "device.ini";
    setFileSync(recordMode);
    ASSERT_EQ(writeProfile(record, profile), ProfileStatus::Ok);
    setFileSync(nullptr);
    EXPECT_EQ(modeAtSync, ownerOnly) << "the temporary file was readable by others";
    EXPECT_EQ(modeOf(profile), ownerOnly);
    // Only what is printed is masked: the file carries the real password.
    EXPECT_NE(test::readWholeFile(profile).find("Password=s3cret\r\n"), std::string::npos);

    const fs::path io = folder / "io.ini";
    const fs::path language = folder / "vesk.ini";
    ASSERT_EQ(saveIoSettings(io, IoSettings{}), ProfileStatus::Ok);
    ASSERT_TRUE(storeLanguage(language, Language::Chinese).ok);
    EXPECT_EQ(modeOf(io), usual);
    EXPECT_EQ(modeOf(language), usual);

    // Modes the user chose, looser or stricter, survive a rewrite of secret and plain files alike.
    const fs::perms groupReadable = ownerOnly | fs::perms::group_read;
    for (const auto& [file, mode] : {std::pair{profile, groupReadable}, std::pair{io, ownerOnly},
                                     std::pair{language, fs::perms::owner_read}}) {
        SCOPED_TRACE(file.filename().string());
        fs::permissions(file, mode);
        if (file == profile)
            EXPECT_EQ(writeProfile(record, file), ProfileStatus::Ok);
        else if (file == io)
            EXPECT_EQ(saveIoSettings(file, IoSettings{}), ProfileStatus::Ok);
        else
            EXPECT_TRUE(storeLanguage(file, Language::English).ok);
        EXPECT_EQ(modeOf(file), mode);
    }
}
