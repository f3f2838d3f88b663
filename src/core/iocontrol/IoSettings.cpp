#include "iocontrol/IoSettings.h"

#include "util/Bytes.h"

namespace tavrel {
namespace {

std::string timeKey(std::size_t index) {
    return "t" + std::to_string(index + 1);
}

}  // namespace

std::optional<unsigned> scanIntervalMs(int position) {
    if (position < 0 || position >= static_cast<int>(kScanIntervalTexts.size())) return std::nullopt;
    if (position == 0) return 0u;
    return static_cast<unsigned>(
        std::stoul(std::string(kScanIntervalTexts[static_cast<std::size_t>(position)])));
}

std::array<std::string, kMaxIoChannels> IoSettings::defaultTimeTexts() {
    std::array<std::string, kMaxIoChannels> texts;
    texts.fill("0");
    return texts;
}

IoSettings loadIoSettings(const std::filesystem::path& path) {
    const PrivateProfile file = PrivateProfile::load(path);
    const auto section = kIoSettingsSection;
    IoSettings s;
    s.address = file.readInt(section, "address", s.address);
    s.modbus = file.readInt(section, "modbus", s.modbus);
    s.scanInterval = file.readInt(section, "scaninterval", s.scanInterval);
    s.stop = file.readInt(section, "stop", s.stop);
    s.scanInfo = file.readInt(section, "scaninfo", s.scanInfo);
    for (std::size_t i = 0; i < s.timeTexts.size(); ++i) {
        // The edit limits characters, not bytes: a typed Chinese time must read back whole.
        s.timeTexts[i] = std::string(
            cutUtf8Characters(file.readString(section, timeKey(i), s.timeTexts[i], std::string::npos), kTimeTextMaxChars));
    }
    return s;
}

ProfileStatus saveIoSettings(const std::filesystem::path& path, const IoSettings& settings) {
    PrivateProfile file;
    const auto section = kIoSettingsSection;
    // A field that cannot be written is reported, but the others are still saved.
    ProfileStatus first = ProfileStatus::Ok;
    auto write = [&](const std::string& key, const std::string& value) {
        auto st = file.writeString(section, key, value);
        if (first == ProfileStatus::Ok) first = st;
    };
    write("address", std::to_string(settings.address));
    write("modbus", std::to_string(settings.modbus));
    write("scaninterval", std::to_string(settings.scanInterval));
    write("scaninfo", std::to_string(settings.scanInfo));
    write("stop", std::to_string(settings.stop));
    for (std::size_t i = 0; i < settings.timeTexts.size(); ++i) write(timeKey(i), settings.timeTexts[i]);
    auto saved = file.save(path);
    return saved != ProfileStatus::Ok ? saved : first;
}

}  // namespace tavrel
