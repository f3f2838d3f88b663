#include "util/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace tavrel {
namespace {

PathEnvironment unixEnvironment(std::optional<std::string> tavrelHome, std::optional<std::string> xdg,
                                std::optional<std::string> home) {
    return {false, std::move(tavrelHome), std::move(xdg), std::move(home)};
}

TEST(Paths, TavrelHomeHoldsEverything) {
    for (bool windows : {false, true}) {
        PathEnvironment environment = unixEnvironment("/tmp/t", "/x", "/home/u");
        environment.windows = windows;
        const AppPaths paths = resolvePaths(environment);
        EXPECT_EQ(paths.languageFile, std::filesystem::path("/tmp/t/vesk.ini"));
        EXPECT_EQ(paths.ioSettingsFile, std::filesystem::path("/tmp/t/io.ini"));
        EXPECT_EQ(paths.profileFolder, std::filesystem::path("/tmp/t/VESK-Config"));
    }
}

TEST(Paths, WindowsUsesTheFixedPaths) {
    const AppPaths paths = resolvePaths({true, std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(paths.languageFile.string(), "c:\\vesk.ini");
    EXPECT_EQ(paths.ioSettingsFile.string(), "c:\\io.ini");
    EXPECT_EQ(paths.profileFolder.string(), "C:\\VESK-Config");
}

TEST(Paths, ConfigFolderFollowsXdgThenHome) {
    AppPaths paths = resolvePaths(unixEnvironment(std::nullopt, "/cfg", "/home/u"));
    EXPECT_EQ(paths.languageFile, std::filesystem::path("/cfg/tavrel/vesk.ini"));
    EXPECT_EQ(paths.ioSettingsFile, std::filesystem::path("/cfg/tavrel/io.ini"));
    EXPECT_EQ(paths.profileFolder, std::filesystem::path("/home/u/VESK-Config"));

    paths = resolvePaths(unixEnvironment(std::nullopt, std::nullopt, "/home/u"));
    EXPECT_EQ(paths.languageFile, std::filesystem::path("/home/u/.config/tavrel/vesk.ini"));
    EXPECT_EQ(paths.ioSettingsFile, std::filesystem::path("/home/u/.config/tavrel/io.ini"));

    // A relative XDG_CONFIG_HOME is ignored.
    paths = resolvePaths(unixEnvironment(std::nullopt, "cfg", "/home/u"));
    EXPECT_EQ(paths.languageFile, std::filesystem::path("/home/u/.config/tavrel/vesk.ini"));
}

TEST(Paths, EmptyVariablesCountAsUnset) {
    const std::map<std::string, std::string> variables = {
        {"TAVREL_HOME", ""}, {"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}};
    const EnvLookup lookup = [&](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    };
    const PathEnvironment environment = environmentFrom(lookup, false);
    EXPECT_FALSE(environment.tavrelHome);
    EXPECT_FALSE(environment.xdgConfigHome);
    EXPECT_EQ(environment.home, "/home/u");
    EXPECT_EQ(resolvePaths(environment).languageFile,
              std::filesystem::path("/home/u/.config/tavrel/vesk.ini"));
}

TEST(Paths, ProcessEnvironmentIsRead) {
    const char* home = std::getenv("TAVREL_HOME");
    if (home == nullptr || *home == '\0') GTEST_SKIP() << "run through tests/isolated.sh";
    EXPECT_EQ(resolvePaths().languageFile, std::filesystem::path(home) / "vesk.ini");
}

}  // namespace
}  // namespace tavrel
