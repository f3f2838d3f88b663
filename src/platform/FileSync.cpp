#include "FileSync.h"

#include "util/FileWrite.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavrel {

namespace {

#ifdef _WIN32
bool syncPath(const std::filesystem::path& path, bool isFolder) {
    // Windows commits a rename with the file's own flush; folders cannot be opened for writing.
    if (isFolder) return true;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return ok;
}
#else
bool syncPath(const std::filesystem::path& path, bool isFolder) {
    const int fd = ::open(path.c_str(), (isFolder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
#endif

}  // namespace

void installFileSync() {
    setFileSync(syncPath);
}

}  // namespace tavrel
