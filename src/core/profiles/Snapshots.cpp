#include "profiles/Snapshots.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "device/DeviceCapabilities.h"
#include "profiles/OneClick.h"
#include "profiles/ProfileFormat.h"
#include "timing/ConfigImage.h"
#include "timing/PackedWrite.h"
#include "util/FileWrite.h"

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// Key, checksum, 'E', '.' end every packed frame.
constexpr std::size_t kFrameTrailer = 6;

bool takesPackedRecord(const DeviceRecord& device) {
    return capabilitiesOf(device).packedWrite();
}

// The record as the packed write sends it, with the set-clock flag off: a snapshot put back must not
// turn the board's clock back to when it was taken.
Frame snapshotRecord(const DeviceRecord& asRead) {
    DeviceRecord copy = asRead;
    copy.imageA[image::kSetClockFlag] = 0;
    copy.imageB[image::kSetClockFlag] = 0;
    return packedWriteFrame(copy, packedFormOf(copy));
}

std::optional<Frame> readRecordFile(const fs::path& path, std::size_t expected) {
    std::error_code error;
    if (fs::file_size(path, error) != expected || error) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    Frame bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != expected) return std::nullopt;
    return bytes;
}

}  // namespace

std::string snapshotStem(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{floor<milliseconds>(when - day)};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d-%02d-%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

fs::path snapshotFolder(const fs::path& profileFolder, const Mac& mac) {
    return profileFolder / std::string(kSnapshotFolderName) / macText(mac);
}

std::vector<SnapshotFile> listSnapshots(const fs::path& profileFolder, const Mac& mac) {
    std::vector<SnapshotFile> files;
    const fs::path folder = snapshotFolder(profileFolder, mac);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != kProfileExtension || !it->is_regular_file(error)) continue;
        SnapshotFile file{path, std::nullopt};
        fs::path record = path;
        record.replace_extension(kSnapshotRecordExtension);
        if (fs::is_regular_file(record, error)) file.record = record;
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(), [](const SnapshotFile& a, const SnapshotFile& b) {
        return a.profile.stem() < b.profile.stem();
    });
    return files;
}

std::vector<std::string> snapshotsToRemove(std::vector<std::string> stems, std::size_t keep) {
    std::sort(stems.begin(), stems.end());
    if (stems.size() <= keep) return {};
    stems.resize(stems.size() - keep);
    return stems;
}

std::optional<std::string> storeSnapshot(const DeviceRecord& asRead, const fs::path& profileFolder,
                                         std::chrono::system_clock::time_point when) {
    const fs::path folder = snapshotFolder(profileFolder, asRead.mac);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return "cannot create " + folder.string() + ": " + error.message();
    // The snapshots hold the device's passwords: their folders are the owner's alone.
    for (const fs::path& f : {folder.parent_path(), folder})
        fs::permissions(f, fs::perms::owner_all, fs::perm_options::replace, error);
    // Two writes within one millisecond still get a file each.
    std::string stem = snapshotStem(when);
    for (int n = 2; fs::exists(folder / (stem + std::string(kProfileExtension)), error); ++n)
        stem = snapshotStem(when) + "_" + std::to_string(n);
    const fs::path profile = folder / (stem + std::string(kProfileExtension));
    // The record first: a profile without its record would be put back by the wrong write.
    if (takesPackedRecord(asRead)) {
        const Frame record = snapshotRecord(asRead);
        if (auto failed = replaceFileWhole(
                folder / (stem + std::string(kSnapshotRecordExtension)),
                std::string_view(reinterpret_cast<const char*>(record.data()), record.size()),
                FileContent::Secret))
            return failed;
    }
    if (const ProfileStatus status = writeProfile(asRead, profile); status != ProfileStatus::Ok) {
        fs::remove(folder / (stem + std::string(kSnapshotRecordExtension)), error);
        return "cannot write " + profile.string() + ": " + profileStatusText(status);
    }
    std::vector<std::string> stems;
    for (const SnapshotFile& file : listSnapshots(profileFolder, asRead.mac))
        stems.push_back(file.profile.stem().string());
    for (const std::string& old : snapshotsToRemove(std::move(stems), kSnapshotsPerDevice)) {
        fs::remove(folder / (old + std::string(kProfileExtension)), error);
        fs::remove(folder / (old + std::string(kSnapshotRecordExtension)), error);
    }
    return std::nullopt;
}

RollbackOutcome rollbackCommand(DeviceRecord& device, const SnapshotFile& file, int languageCode) {
    RollbackOutcome out;
    // A damaged snapshot must not put wrapped or default values on the device.
    auto read = readProfileFileStrict(file.profile);
    if (const auto* error = std::get_if<ProfileError>(&read)) {
        out.status = RollbackStatus::NotUsable;
        out.message = profileErrorText(*error, languageCode);
        return out;
    }
    out.snapshot = std::get<DeviceRecord>(std::move(read));
    // A board goes back through its record; only a serial server's ports come from the profile.
    if (!takesPackedRecord(device) && !isUsableProfile(out.snapshot)) {
        out.status = RollbackStatus::NotUsable;
        return out;
    }
    if (out.snapshot.mac != device.mac) {
        out.status = RollbackStatus::OtherDevice;
        return out;
    }
    if (takesPackedRecord(device)) {
        if (!file.record) {
            out.status = RollbackStatus::NoRecord;
            return out;
        }
        const std::size_t length = packedFrameLength(packedFormOf(device));
        const auto record = readRecordFile(*file.record, length);
        if (!record || (*record)[0] != 'H' || (*record)[1] != ':' || (*record)[2] != 'W' ||
            !std::equal(device.key.begin(), device.key.end(), record->end() - kFrameTrailer)) {
            out.status = RollbackStatus::RecordMismatch;
            return out;
        }
        out.plan.push_back({kPackedWriteGapMs, *record, Destination::BroadcastReplyPort, device.replyPort});
        return out;
    }
    // Ports beyond the snapshot's sections were not in it: they keep what the device holds instead of
    // taking a profile's defaults (the interval block carries all eight).
    DeviceRecord source = out.snapshot;
    for (std::size_t p = profilePortCount(source.identity.portCountChar()); p < kPortCount; ++p)
        source.ports[p] = device.ports[p];
    OneClickOutcome oneClick = oneClickCommand(&device, &source, languageCode);
    if (oneClick.status != OneClickStatus::Ready) {
        out.status = RollbackStatus::Refused;
        out.message = oneClick.message.empty() ? "the snapshot does not fit the device" : oneClick.message;
        return out;
    }
    out.plan = std::move(oneClick.plan);
    return out;
}

namespace {

// The form's Chinese label of each profile key.
constexpr std::pair<std::string_view, std::string_view> kChineseFieldNames[] = {
    {"IpType", "IP地址类型"},
    {"IpAddress", "IP"},
    {"NetMask", "子网掩码"},
    {"NetGate", "网关"},
    {"DNS", "DNS"},
    {"MAC", "MAC地址"},
    {"Username", "用户名"},
    {"Password", "密码"},
    {"Enable", "启用"},
    {"BitRate", "波特率"},
    {"CheckBit", "校验位"},
    {"DataBit", "数据位"},
    {"StopBit", "停止位"},
    {"WorkMode", "工作模式"},
    {"RemoteIp", "目标IP/域名"},
    {"RemotePort", "目标端口"},
    {"LocalPort", "本地端口"},
    {"HeartbeatData", "心跳包数据"},
    {"HeartbeatInterval", "心跳包间隔"},
    {"Modbus", "Modbus TCP转RTU"},
    {"ModbusTimeout", "Timeout"},
};

std::string fieldName(const ProfileDifference& d, int languageCode) {
    if (languageCode == kEnglishLanguageCode) return d.section + " " + d.key;
    std::string section = d.section == "Device" ? "设备" : d.section;
    if (d.section.rfind("Port", 0) == 0) section = "端口" + d.section.substr(4);
    for (const auto& [key, name] : kChineseFieldNames)
        if (d.key == key) return section + " " + std::string(name);
    return section + " " + d.key;
}

}  // namespace

std::string rollbackChanges(const std::vector<ProfileDifference>& differences, int languageCode) {
    std::string out;
    for (const ProfileDifference& d : differences) {
        if (!out.empty()) out += '\n';
        out += fieldName(d, languageCode) + ": " + d.deviceValue + " → " + d.profileValue;
    }
    return out;
}

std::string rollbackStatusText(const RollbackOutcome& outcome) {
    switch (outcome.status) {
        case RollbackStatus::Ready:
            return {};
        case RollbackStatus::NotUsable:
            return outcome.message.empty() ? "not a usable profile"
                                           : "not a usable profile: " + outcome.message;
        case RollbackStatus::OtherDevice:
            return "the snapshot belongs to another device (MAC " + macText(outcome.snapshot.mac) + ")";
        case RollbackStatus::NoRecord:
            return "this board takes its settings as one packed record, and no record was stored beside the "
                   "snapshot";
        case RollbackStatus::RecordMismatch:
            return "the record stored beside the snapshot is not of this board's form or key";
        case RollbackStatus::Refused:
            return outcome.message;
    }
    return {};
}

}  // namespace tavrel
