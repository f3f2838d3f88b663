#include "util/Paths.h"

#include <cstdlib>

namespace tavrel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLanguageFileName = "vesk.ini";
constexpr const char* kIoSettingsFileName = "io.ini";
constexpr const char* kProfileFolderName = "VESK-Config";

// An empty variable counts as unset, as the XDG rules ask.
std::optional<std::string> nonEmpty(std::optional<std::string> value) {
    if (value && value->empty()) return std::nullopt;
    return value;
}

}  // namespace

PathEnvironment environmentFrom(const EnvLookup& lookup, bool windows) {
    PathEnvironment environment;
    environment.windows = windows;
    environment.tavrelHome = nonEmpty(lookup("TAVREL_HOME"));
    environment.xdgConfigHome = nonEmpty(lookup("XDG_CONFIG_HOME"));
    environment.home = nonEmpty(lookup("HOME"));
    return environment;
}

AppPaths resolvePaths(const PathEnvironment& environment) {
    // TAVREL_HOME wins everywhere, Windows included, so that tests never touch the user's files.
    if (environment.tavrelHome && !environment.tavrelHome->empty()) {
        const fs::path base(*environment.tavrelHome);
        return {base / kLanguageFileName, base / kIoSettingsFileName, base / kProfileFolderName};
    }
    if (environment.windows)
        return {fs::path("c:\\vesk.ini"), fs::path("c:\\io.ini"), fs::path("C:\\VESK-Config")};

    // Without HOME the paths stay relative to the working folder rather than guessing one.
    const fs::path home =
        environment.home && !environment.home->empty() ? fs::path(*environment.home) : fs::path();
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    fs::path config = home / ".config";
    if (environment.xdgConfigHome && fs::path(*environment.xdgConfigHome).is_absolute())
        config = fs::path(*environment.xdgConfigHome);
    const fs::path settings = config / "tavrel";
    return {settings / kLanguageFileName, settings / kIoSettingsFileName, home / kProfileFolderName};
}

AppPaths resolvePaths() {
#ifdef _WIN32
    constexpr bool kWindows = true;
#else
    constexpr bool kWindows = false;
#endif
    const EnvLookup lookup = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
    return resolvePaths(environmentFrom(lookup, kWindows));
}

}  // namespace tavrel
