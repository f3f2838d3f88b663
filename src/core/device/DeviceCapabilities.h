#pragma once
// What a device can do, from the flags its read-out left in its record. The front ends ask this
// instead of testing flag bytes, so that a rule changes in one place.
#include <cstddef>
#include <tuple>

#include "device/DeviceRecord.h"

namespace tavrel {

enum class ClockSource {
    None,   // serial servers, boards without timing: nothing to calibrate
    Chain,  // 302-form boards with output timing: read and set through the pass-through chain
    Image,  // boards with a configuration image: the clock travels in the packed write
};

// How the device takes its settings.
enum class WriteForm {
    SerialBlocks,  // one frame per block, then a commit (serial servers)
    PackedRecord,  // the whole configuration in one frame (boards that report an image)
};

struct DeviceCapabilities {
    WriteForm writeForm = WriteForm::SerialBlocks;
    bool form302 = false;       // a 302-byte packed record (search reply of that length)
    bool wifi = false;          // access point and station settings, and a scan list
    bool outputTiming = false;  // output schedules the tool can read and write
    bool cloud = false;         // cloud pass-through on port 1
    ClockSource clock = ClockSource::None;
    int shownPorts = 1;    // the ports the port list offers
    int writtenPorts = 1;  // the ports the read-out and the port save walk through
    // Older serial-server firmware neither reports nor keeps heartbeat texts; the port save still
    // sends them, so only a comparison must leave them out.
    bool heartbeatData = true;

    bool packedWrite() const { return writeForm == WriteForm::PackedRecord; }
};

DeviceCapabilities capabilitiesOf(const DeviceRecord& record);

inline constexpr int kHeartbeatDataFirmware = 43;
inline bool reportsHeartbeatData(const Identity& identity) {
    return identity.versionNumber() >= kHeartbeatDataFirmware;
}

// Byte limits of the texts a device keeps, from the record's own fields.
inline constexpr std::size_t kUserLimit = std::tuple_size_v<decltype(DeviceRecord::user)>;
inline constexpr std::size_t kPasswordLimit = std::tuple_size_v<decltype(DeviceRecord::password)>;
inline constexpr std::size_t kRemoteHostLimit = std::tuple_size_v<decltype(PortRecord::remoteHost)>;
inline constexpr std::size_t kHeartbeatDataLimit = std::tuple_size_v<decltype(PortRecord::heartbeatData)>;
inline constexpr std::size_t kCloudIdLimit = std::tuple_size_v<decltype(PortRecord::cloudId)>;
inline constexpr std::size_t kCloudPasswordLimit = std::tuple_size_v<decltype(PortRecord::cloudPassword)>;
inline constexpr std::size_t kApSsidLimit = std::tuple_size_v<decltype(DeviceRecord::apSsid)>;
inline constexpr std::size_t kApPasswordLimit = std::tuple_size_v<decltype(DeviceRecord::apPassword)>;
inline constexpr std::size_t kStaSsidLimit = std::tuple_size_v<decltype(DeviceRecord::staSsid)>;
inline constexpr std::size_t kStaPasswordLimit = std::tuple_size_v<decltype(DeviceRecord::staPassword)>;

}  // namespace tavrel
