#include "util/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace tavrel {
namespace {

// Sets (or, given nothing, removes) a variable of this process until the end of the scope.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void set(const std::optional<std::string>& value) {
#ifdef _WIN32
        _putenv_s(name_, value ? value->c_str() : "");  // an empty value removes it there
#else
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
};

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
    const AppPaths paths = resolvePaths({true, std::nullopt, "/cfg", "/home/u"});
    EXPECT_EQ(paths.languageFile.string(), "c:\\vesk.ini");
    EXPECT_EQ(paths.ioSettingsFile.string(), "c:\\io.ini");
    EXPECT_EQ(paths.profileFolder.string(), "C:\\VESK-Config");
}

TEST(Paths, ConfigFolderFollowsXdgThenHome) {
#ifdef _WIN32
    GTEST_SKIP() << "the XDG folders are POSIX rules: Windows keeps the fixed c:\\ paths, and \"/cfg\" "
                    "is not an absolute path there";
#endif
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

// resolvePaths() of this process: TAVREL_HOME wins, and without it the rules of the system it runs on.
TEST(Paths, ProcessEnvironmentFollowsThisSystemsRules) {
    const ScopedVariable home("HOME", "/home/u");
    const ScopedVariable xdg("XDG_CONFIG_HOME", "/cfg");
    {
        const ScopedVariable tavrelHome("TAVREL_HOME", "/tmp/t");
        EXPECT_EQ(resolvePaths().languageFile, std::filesystem::path("/tmp/t/vesk.ini"));
    }
    const ScopedVariable tavrelHome("TAVREL_HOME", std::nullopt);
    const AppPaths paths = resolvePaths();
#ifdef _WIN32
    EXPECT_EQ(paths.languageFile.string(), "c:\\vesk.ini");
    EXPECT_EQ(paths.ioSettingsFile.string(), "c:\\io.ini");
    EXPECT_EQ(paths.profileFolder.string(), "C:\\VESK-Config");
#else
    EXPECT_EQ(paths.languageFile, std::filesystem::path("/cfg/tavrel/vesk.ini"));
    EXPECT_EQ(paths.ioSettingsFile, std::filesystem::path("/cfg/tavrel/io.ini"));
    EXPECT_EQ(paths.profileFolder, std::filesystem::path("/home/u/VESK-Config"));
#endif
}

}  // namespace
}  // namespace tavrel
