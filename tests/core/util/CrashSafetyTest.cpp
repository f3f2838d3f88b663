// A writer killed at any moment, a full disk or a folder that cannot be written: the previous file
// stays whole. The writers run in child processes that are killed with SIGKILL mid-loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>

#include "iocontrol/IoSettings.h"
#include "profiles/PrivateProfile.h"
#include "texts/LanguageFile.h"
#include "util/FileWrite.h"

using namespace tavrel;
namespace fs = std::filesystem;

namespace {

constexpr int kKills = 12;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("tavrel-crash-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}()));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }
};

// Runs `writeOnce(i)` for i = 0, 1, 2, ... in a child, which reports each finished write through a
// pipe; the child is killed right after its `after`-th report, while it is into the next write.
void killWriterMidLoop(const std::function<void(int)>& writeOnce, int after) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        for (int i = 0;; ++i) {
            writeOnce(i);
            const char done = 1;
            if (::write(fds[1], &done, 1) != 1) ::_exit(1);
        }
    }
    ::close(fds[1]);
    char c = 0;
    for (int seen = 0; seen < after && ::read(fds[0], &c, 1) == 1;) ++seen;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

// A profile large enough that a kill lands inside a write, with every value `fill` repeated.
PrivateProfile bigProfile(char fill) {
    PrivateProfile p;
    for (int port = 1; port <= 8; ++port)
        for (int key = 0; key < 150; ++key)
            p.writeString("Port" + std::to_string(port), "Key" + std::to_string(key), std::string(160, fill));
    return p;
}

}  // namespace

TEST(CrashSafety, KilledProfileWriterLeavesAWholeFile) {
    TempDir dir;
    const fs::path file = dir.path / "device.ini";
    const std::string a = bigProfile('a').text();
    const std::string b = bigProfile('b').text();
    ASSERT_EQ(writeFileWhole(file, a, FileContent::Plain), ProfileStatus::Ok);
    for (int k = 0; k < kKills; ++k) {
        killWriterMidLoop([&](int i) { writeFileWhole(file, i % 2 ? a : b, FileContent::Plain); }, 1 + k % 3);
        const std::string now = readAll(file);
        ASSERT_TRUE(now == a || now == b) << "kill " << k << ": " << now.size() << " bytes";
    }
}

TEST(CrashSafety, KilledIoSettingsWriterLeavesAWholeFile) {
    TempDir dir;
    const fs::path file = dir.path / "io.ini";
    IoSettings a;
    IoSettings b;
    b.address = 7;
    b.scanInterval = 12;
    for (auto& t : b.timeTexts) t = "12:34:56";
    ASSERT_EQ(saveIoSettings(file, a), ProfileStatus::Ok);
    const std::string textA = readAll(file);
    for (int k = 0; k < kKills; ++k) {
        killWriterMidLoop([&](int i) { saveIoSettings(file, i % 2 ? a : b); }, 1 + k % 4);
        const IoSettings read = loadIoSettings(file);
        const bool isA = read.address == a.address && read.timeTexts == a.timeTexts;
        const bool isB =
            read.address == b.address && read.scanInterval == b.scanInterval && read.timeTexts == b.timeTexts;
        ASSERT_TRUE(isA || isB) << "kill " << k << ":\n" << readAll(file);
    }
}

TEST(CrashSafety, KilledLanguageWriterLeavesAWholeFile) {
    TempDir dir;
    const fs::path file = dir.path / "vesk.ini";
    // What follows the letter is kept by every store; a large tail makes each store take a while.
    const std::string tail(512 * 1024, 'x');
    ASSERT_FALSE(replaceFileWhole(file, "z" + tail, FileContent::Plain));
    for (int k = 0; k < kKills; ++k) {
        killWriterMidLoop([&](int i) { storeLanguage(file, i % 2 ? Language::Chinese : Language::English); },
                          1 + k % 3);
        const std::string now = readAll(file);
        ASSERT_EQ(now.size(), tail.size() + 1) << "kill " << k;
        EXPECT_TRUE(now[0] == 'z' || now[0] == 'e');
        EXPECT_EQ(now.compare(1, std::string::npos, tail), 0);
    }
}

// A disk that fills up mid-write: the file size limit makes the write fail the same way.
TEST(CrashSafety, FullDiskKeepsTheOldFileAndSaysSo) {
    TempDir dir;
    const fs::path profile = dir.path / "device.ini";
    const fs::path language = dir.path / "vesk.ini";
    const std::string old = bigProfile('a').text();
    ASSERT_EQ(writeFileWhole(profile, old, FileContent::Plain), ProfileStatus::Ok);
    ASSERT_FALSE(replaceFileWhole(language, "z" + std::string(4096, 'x'), FileContent::Plain));

    const PrivateProfile replacement = bigProfile('b');
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto error = replaceFileWhole(profile, replacement.text(), FileContent::Plain);
        const bool profileFailed =
            replacement.save(profile, FileContent::Plain) == ProfileStatus::WriteFailed;
        const StoreResult stored = storeLanguage(language, Language::English);
        const std::string report = (error ? *error : std::string("no error")) + "\n" +
                                   (profileFailed ? "failed" : "saved") + "\n" + stored.error;
        (void)!::write(fds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);

    EXPECT_NE(report.find("cannot write"), std::string::npos) << report;
    EXPECT_NE(report.find("File too large"), std::string::npos) << report;
    EXPECT_NE(report.find("device.ini"), std::string::npos) << report;
    EXPECT_NE(report.find("\nfailed\n"), std::string::npos) << report;
    EXPECT_NE(report.find("vesk.ini"), std::string::npos) << report;
    EXPECT_EQ(readAll(profile), old);
    EXPECT_EQ(readAll(language)[0], 'z');
    // Nothing of the failed attempts is left beside the files.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

TEST(CrashSafety, ReadOnlyFolderKeepsTheOldFileAndSaysSo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const fs::path file = dir.path / "io.ini";
    IoSettings a;
    ASSERT_EQ(saveIoSettings(file, a), ProfileStatus::Ok);
    const std::string old = readAll(file);
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
    IoSettings b;
    b.address = 3;
    EXPECT_EQ(saveIoSettings(file, b), ProfileStatus::WriteFailed);
    const auto error = replaceFileWhole(file, "x", FileContent::Plain);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("cannot create"), std::string::npos) << *error;
    EXPECT_EQ(readAll(file), old);
}
