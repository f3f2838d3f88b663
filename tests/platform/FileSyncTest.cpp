// The program's own sync under a whole-file write on this system's real files.
#include <gtest/gtest.h>

#include <QtCore/QTemporaryDir>
#include <fstream>
#include <sstream>

#include "FileSync.h"
#include "util/FileWrite.h"

using namespace tavrel;

TEST(FileSync, AWholeFileWriteSyncsAndLandsOnThisSystem) {
    QTemporaryDir dir;
    const std::filesystem::path file = std::filesystem::path(dir.path().toStdString()) / "synced.ini";
    installFileSync();
    EXPECT_FALSE(replaceFileWhole(file, "first\r\n", FileContent::Plain));
    EXPECT_FALSE(replaceFileWhole(file, "second\r\n", FileContent::Secret));
    setFileSync(nullptr);
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "second\r\n");
}
