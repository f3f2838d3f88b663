#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "profiles/PrivateProfile.h"

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

}  // namespace

TEST(PrivateProfileRead, CaseBlanksDefaultsAndLength) {
    auto p = PrivateProfile::parse(
        "\xEF\xBB\xBF; comment\r\n[ INFO ]\r\n  HardwareVersion = 1400 \r\nFirmwareVersion=\r\n"
        "[*****************Port1*****************]\nBitRate=9600\nnot an entry\nRemoteIp=a=b\n");
    EXPECT_EQ(p.readString("Info", "hardwareversion", "x", 100), "1400");
    EXPECT_EQ(p.readString("info", "FirmwareVersion", "x", 100), "");
    EXPECT_EQ(p.readString("Info", "Missing", "dflt", 100), "dflt");
    EXPECT_EQ(p.readString("Info", "Missing", "dflt", 2), "df");
    EXPECT_EQ(p.readString("Info", "HardwareVersion", "", 3), "140");
    EXPECT_EQ(p.readString("*****************port1*****************", "remoteip", "", 31), "a=b");
    EXPECT_EQ(p.readString("Nope", "BitRate", "none", 31), "none");
    EXPECT_FALSE(p.find("Info", "not an entry"));
    // Truncation never splits a character.
    auto cn = PrivateProfile::parse("[S]\nk=时间\n");
    EXPECT_EQ(cn.readString("S", "k", "", 4), "时");
    EXPECT_EQ(cn.readString("S", "k", "", 2), "");
}

TEST(PrivateProfileRead, Integers) {
    auto p = PrivateProfile::parse(
        "[S]\na=42\nb=-7\nc=12abc\nd=abc\ne=\nf=99999999999999\ng=-99999999999999\nh=+3\n");
    EXPECT_EQ(p.readInt("s", "a", 5), 42);
    EXPECT_EQ(p.readInt("s", "b", 5), -7);
    EXPECT_EQ(p.readInt("s", "c", 5), 12);
    EXPECT_EQ(p.readInt("s", "d", 5), 0);
    EXPECT_EQ(p.readInt("s", "e", 5), 0);
    EXPECT_EQ(p.readInt("s", "f", 5), INT_MAX);
    EXPECT_EQ(p.readInt("s", "g", 5), INT_MIN);
    EXPECT_EQ(p.readInt("s", "h", 5), 3);
    EXPECT_EQ(p.readInt("s", "missing", 5), 5);
}

TEST(PrivateProfileRead, OddFilesReadWithoutHarm) {
    // Entries before any section are never found; first section and first key win.
    auto p = PrivateProfile::parse("k=orphan\n[A]\nk=1\nk=2\n[B]\nk=b\n[a]\nk=3\nz=late\n[unclosed\nu=1");
    EXPECT_EQ(p.readString("A", "k", "-", 9), "1");
    EXPECT_EQ(p.readString("B", "k", "-", 9), "b");
    EXPECT_EQ(p.readString("A", "z", "-", 9), "-");
    EXPECT_EQ(p.readString("unclosed", "u", "-", 9), "1");
    EXPECT_EQ(PrivateProfile::parse("no sections\nk=v\n").readString("", "k", "-", 9), "-");

    std::string longLine = "[S]\nk=" + std::string(1 << 20, 'x') + "\n";
    EXPECT_EQ(PrivateProfile::parse(longLine).readString("S", "k", "", 19), std::string(19, 'x'));

    std::string binary = "[S]\nk=a";
    binary += '\0';
    binary += "\x01\xFF\n";
    EXPECT_EQ(PrivateProfile::parse(binary).find("S", "k"), std::string("a\0\x01\xFF", 4));

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255), len(0, 400);
    const char alphabet[] = "[]=;\r\n \tkSs";
    for (int i = 0; i < 2000; ++i) {
        std::string text(static_cast<std::size_t>(len(rng)), '\0');
        for (auto& c : text) c = (byte(rng) & 1) ? static_cast<char>(byte(rng)) : alphabet[byte(rng) % 11];
        auto q = PrivateProfile::parse(text);
        q.readString("S", "k", "d", 5);
        q.readInt("s", "K", 1);
        EXPECT_EQ(q.writeString("S", "k", "v"), ProfileStatus::Ok);
        EXPECT_EQ(PrivateProfile::parse(q.text()).readString("S", "k", "", 9), "v");
    }
}

TEST(PrivateProfileWrite, ReplacesInPlaceAddsKeysAndSections) {
    // A commented-out entry is no entry: a new key goes after the last real one, before it.
    auto p = PrivateProfile::parse("[Info]\r\nA=1\r\nB=2\r\n;D=old\r\n\r\n[Other]\r\nC=3\r\n");
    EXPECT_EQ(p.writeString("INFO", "b", "20"), ProfileStatus::Ok);
    EXPECT_EQ(p.writeString("Info", "D", "4"), ProfileStatus::Ok);
    EXPECT_EQ(p.writeString("New", "E", ""), ProfileStatus::Ok);
    EXPECT_EQ(p.text(), "[Info]\r\nA=1\r\nb=20\r\nD=4\r\n;D=old\r\n\r\n[Other]\r\nC=3\r\n[New]\r\nE=\r\n");

    EXPECT_EQ(p.writeString("Info", "k", "a\nb"), ProfileStatus::BadValue);
    EXPECT_EQ(p.writeString("Info", "k=1", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.writeString("Info", "", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.writeString("In]fo", "k", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.writeString("Info", "[k", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.writeString("Info", ";k", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.writeString("", "k", "v"), ProfileStatus::BadName);
    EXPECT_EQ(p.text(), "[Info]\r\nA=1\r\nb=20\r\nD=4\r\n;D=old\r\n\r\n[Other]\r\nC=3\r\n[New]\r\nE=\r\n");
    // What a refusal is called where it is reported.
    EXPECT_STREQ(profileStatusText(ProfileStatus::Ok), "ok");
    EXPECT_STREQ(profileStatusText(ProfileStatus::BadName), "section or key name not allowed");
    EXPECT_STREQ(profileStatusText(ProfileStatus::BadValue), "value holds a line end");
    EXPECT_STREQ(profileStatusText(ProfileStatus::WriteFailed), "file could not be written");
}

TEST(PrivateProfileFile, SaveReplacesWholeAndLoadsBack) {
    auto dir = testDir("profile-save");
    auto path = dir / "p.ini";
    EXPECT_EQ(PrivateProfile::load(path).text(), "");
    PrivateProfile p;
    ASSERT_EQ(p.writeString("Info", "HardwareVersion", "1400"), ProfileStatus::Ok);
    ASSERT_EQ(p.save(path, FileContent::Plain), ProfileStatus::Ok);
    EXPECT_EQ(readAll(path), "[Info]\r\nHardwareVersion=1400\r\n");
    EXPECT_EQ(PrivateProfile::load(path).readString("INFO", "hardwareVersion", "", 4), "1400");

    EXPECT_EQ(writeFileWhole(path, "second", FileContent::Plain), ProfileStatus::Ok);
    EXPECT_EQ(readAll(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_EQ(writeFileWhole(dir / "no" / "such.ini", "x", FileContent::Plain), ProfileStatus::WriteFailed);
    EXPECT_EQ(writeFileWhole(dir, "x", FileContent::Plain), ProfileStatus::WriteFailed);
    EXPECT_EQ(readAll(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

// Found by fuzz/profile.cpp (input kept as fuzz/corpus/profile/regression-double-bom): a second mark
// started the first line, hid its section, and was taken as the mark by the next read.
TEST(PrivateProfileRead, EveryLeadingByteOrderMarkIsSkipped) {
    const PrivateProfile p = PrivateProfile::parse("\xEF\xBB\xBF\xEF\xBB\xBF[Info]\r\nkey=1\r\n");
    EXPECT_EQ(p.find("Info", "key"), "1");
    EXPECT_EQ(PrivateProfile::parse(p.text()).text(), p.text());
}
