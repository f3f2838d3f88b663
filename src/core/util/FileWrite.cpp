#include "util/FileWrite.h"

#include <cerrno>
#include <fstream>
#include <random>
#include <system_error>

namespace tavrel {

namespace {
FileSync installedSync = nullptr;

// Why the last stream operation failed ("No space left on device"), as far as the system said.
std::string reason() {
    const int code = errno;
    return code == 0 ? std::string("unknown error") : std::generic_category().message(code);
}

// The permissions the new file must get: those of the file it replaces, owner-only for a new secret
// one, and for a new plain one whatever the system gives new files.
std::optional<std::filesystem::perms> wantedPermissions(const std::filesystem::path& file,
                                                        FileContent content) {
    std::error_code error;
    const auto old = std::filesystem::status(file, error);
    if (!error && std::filesystem::exists(old)) return old.permissions();
    if (content == FileContent::Secret)
        return std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    return std::nullopt;
}
}  // namespace

std::optional<std::string> replaceFileWhole(const std::filesystem::path& file, std::string_view bytes,
                                            FileContent content) {
    // A random suffix keeps two writers of the same file from sharing one temporary file.
    std::random_device random;
    auto temporary = file;
    temporary += ".tmp" + std::to_string(random() & 0xFFFFFF);
    std::error_code ignored;
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot create " + temporary.string() + ": " + reason();
        // Before the first byte, so a secret is never readable by others, not even in the temporary file.
        if (const auto permissions = wantedPermissions(file, content)) {
            std::error_code error;
            std::filesystem::permissions(temporary, *permissions, std::filesystem::perm_options::replace,
                                         error);
            // A plain file whose old mode cannot be copied is still better written than not.
            if (error && content == FileContent::Secret) {
                out.close();
                std::filesystem::remove(temporary, ignored);
                return "cannot set the permissions of " + temporary.string() + ": " + error.message();
            }
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string why = reason();
            std::filesystem::remove(temporary, ignored);
            return "cannot write " + temporary.string() + ": " + why;
        }
    }
    // On the disk before it takes the old file's name: a rename that lands first could leave an empty file.
    if (installedSync != nullptr && !installedSync(temporary, false)) {
        const std::string why = reason();
        std::filesystem::remove(temporary, ignored);
        return "cannot write " + temporary.string() + " to the disk: " + why;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, ignored);
        return "cannot replace " + file.string() + ": " + error.message();
    }
    // The rename itself lives in the folder; a failure here leaves a whole file, old or new.
    if (installedSync != nullptr) installedSync(file.has_parent_path() ? file.parent_path() : ".", true);
    return std::nullopt;
}

void setFileSync(FileSync sync) {
    installedSync = sync;
}

}  // namespace tavrel
