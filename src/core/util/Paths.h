#pragma once
// Where the program keeps its files: the language settings file, the IO window's settings file and
// the profile folder. Pure: the environment is handed in, so tests need no real one.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavrel {

struct PathEnvironment {
    bool windows = false;
    std::optional<std::string> tavrelHome;     // TAVREL_HOME
    std::optional<std::string> xdgConfigHome;  // XDG_CONFIG_HOME
    std::optional<std::string> home;           // HOME
};

struct AppPaths {
    std::filesystem::path languageFile;    // vesk.ini
    std::filesystem::path ioSettingsFile;  // io.ini
    std::filesystem::path profileFolder;   // VESK-Config
};

// Looks a variable up by name; nothing when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

PathEnvironment environmentFrom(const EnvLookup& lookup, bool windows);
AppPaths resolvePaths(const PathEnvironment& environment);
// The same, from this process's environment.
AppPaths resolvePaths();

}  // namespace tavrel
