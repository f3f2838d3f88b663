// io.ini: any file content loads; what is saved and loaded again stays the same from then on. (The
// first load may end a time text cut to its width with a blank, which the next load trims.)
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "FuzzInput.h"
#include "iocontrol/IoSettings.h"

using namespace tavrel;

namespace {
bool sameSettings(const IoSettings& a, const IoSettings& b) {
    return a.address == b.address && a.modbus == b.modbus && a.scanInterval == b.scanInterval &&
           a.scanInfo == b.scanInfo && a.stop == b.stop && a.timeTexts == b.timeTexts;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tavrel-fuzz-io-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "io.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const IoSettings loaded = loadIoSettings(file);
    const auto saved = dir / "saved.ini";
    if (saveIoSettings(saved, loaded) != ProfileStatus::Ok) return 0;
    const IoSettings once = loadIoSettings(saved);
    FUZZ_CHECK(once.address == loaded.address && once.modbus == loaded.modbus && once.stop == loaded.stop);
    FUZZ_CHECK(saveIoSettings(saved, once) == ProfileStatus::Ok);
    FUZZ_CHECK(sameSettings(loadIoSettings(saved), once));
    return 0;
}
