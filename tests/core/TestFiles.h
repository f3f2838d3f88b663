#pragma once
// Files for core tests: a fresh folder under TAVREL_HOME (which CTest sets per run) and whole reads.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavrel::test {

inline std::filesystem::path freshTestDir(const char* name) {
    const char* home = std::getenv("TAVREL_HOME");
    auto dir = std::filesystem::path(home ? home : std::filesystem::temp_directory_path().string()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string readWholeFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace tavrel::test
