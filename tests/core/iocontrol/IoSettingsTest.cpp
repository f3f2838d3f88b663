#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "iocontrol/IoSettings.h"

using namespace tavrel;

namespace {

std::filesystem::path testDir(const char* name) {
    const char* home = std::getenv("TAVREL_HOME");
    auto dir = std::filesystem::path(home ? home : std::filesystem::temp_directory_path().string()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeAll(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

}  // namespace

TEST(IoSettingsFile, MissingFileGivesEveryDefault) {
    auto s = loadIoSettings(testDir("io-missing") / "io.ini");
    EXPECT_EQ(s.address, 0);
    EXPECT_EQ(s.modbus, 0);
    EXPECT_EQ(s.scanInterval, 3);
    EXPECT_EQ(scanIntervalMs(s.scanInterval), 200u);
    EXPECT_EQ(s.scanInfo, 0);
    EXPECT_EQ(s.stop, 0);
    for (const auto& t : s.timeTexts) EXPECT_EQ(t, "0");
}

TEST(IoSettingsFile, ReadsAnyCaseAndKeepsDefaultsForMissingKeys) {
    auto path = testDir("io-read") / "io.ini";
    writeAll(path,
             "[info]\nSCANINTERVAL=12\naddress = 4\nt3=12345678901234567890123\nt4=秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒秒\nt32=\nstop=x\n");
    auto s = loadIoSettings(path);
    EXPECT_EQ(s.scanInterval, 12);
    EXPECT_EQ(scanIntervalMs(s.scanInterval), 5000u);
    EXPECT_EQ(s.address, 4);
    EXPECT_EQ(s.modbus, 0);
    EXPECT_EQ(s.stop, 0);
    EXPECT_EQ(s.timeTexts[2], "1234567890123456789");  // at most 19 characters, as the edit takes them
    EXPECT_EQ(s.timeTexts[3].size(), 19u * 3);
    EXPECT_EQ(s.timeTexts[31], "");
    EXPECT_EQ(s.timeTexts[0], "0");
    EXPECT_EQ(scanIntervalMs(0), 0u);
    EXPECT_FALSE(scanIntervalMs(13));
    EXPECT_FALSE(scanIntervalMs(-1));
}

TEST(IoSettingsFile, SaveWritesWholeFileInOrderAndRoundTrips) {
    auto dir = testDir("io-save");
    auto path = dir / "io.ini";
    writeAll(path, "[Other]\nkeep=no\n");
    IoSettings s;
    s.address = 254;
    s.modbus = 1;
    s.scanInterval = 12;
    s.scanInfo = 1;
    s.stop = 1;
    for (std::size_t i = 0; i < s.timeTexts.size(); ++i) s.timeTexts[i] = std::to_string(i * 100);
    ASSERT_EQ(saveIoSettings(path, s), ProfileStatus::Ok);

    std::string expected = "[Info]\r\naddress=254\r\nmodbus=1\r\nscaninterval=12\r\nscaninfo=1\r\nstop=1\r\n";
    for (std::size_t i = 0; i < 32; ++i)
        expected += "t" + std::to_string(i + 1) + "=" + std::to_string(i * 100) + "\r\n";
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file left

    auto back = loadIoSettings(path);
    EXPECT_EQ(back.address, 254);
    EXPECT_EQ(back.modbus, 1);
    EXPECT_EQ(back.scanInterval, 12);
    EXPECT_EQ(back.scanInfo, 1);
    EXPECT_EQ(back.stop, 1);
    EXPECT_EQ(back.timeTexts, s.timeTexts);
}

TEST(IoSettingsFile, BadFieldOrUnwritablePathLosesNothingElse) {
    auto dir = testDir("io-bad");
    auto path = dir / "io.ini";
    IoSettings s;
    s.address = 7;
    s.timeTexts[4] = "1\n[evil]";
    EXPECT_EQ(saveIoSettings(path, s), ProfileStatus::BadValue);
    auto back = loadIoSettings(path);
    EXPECT_EQ(back.address, 7);
    EXPECT_EQ(back.timeTexts[4], "0");
    EXPECT_EQ(readAll(path).find("evil"), std::string::npos);

    // A folder in the file's place: the save fails and reports it.
    EXPECT_EQ(saveIoSettings(dir, s), ProfileStatus::WriteFailed);
    EXPECT_EQ(saveIoSettings(dir / "missing" / "io.ini", IoSettings{}), ProfileStatus::WriteFailed);
    EXPECT_EQ(loadIoSettings(path).address, 7);
}
