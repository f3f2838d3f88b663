#include "util/FileWrite.h"

#include <fstream>
#include <random>

namespace tavrel {

std::optional<std::string> replaceFileWhole(const std::filesystem::path& file, std::string_view bytes) {
    // A random suffix keeps two writers of the same file from sharing one temporary file.
    std::random_device random;
    auto temporary = file;
    temporary += ".tmp" + std::to_string(random() & 0xFFFFFF);
    std::error_code ignored;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot create " + temporary.string();
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, ignored);
            return "cannot write " + temporary.string();
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, ignored);
        return "cannot replace " + file.string() + ": " + error.message();
    }
    return std::nullopt;
}

}  // namespace tavrel
