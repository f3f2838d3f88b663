#pragma once
// Parameter profiles: one device's network and serial port settings as a private-profile file. The
// writer and the reader here are the one definition of the format.
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "device/DeviceRecord.h"
#include "profiles/PrivateProfile.h"

namespace tavrel {

inline constexpr std::string_view kProfileInfoSection = "Info";
inline constexpr std::string_view kProfileDeviceSection = "*****************Device****************";
inline constexpr std::string_view kProfileExtension = ".ini";
// Larger files are not profiles; reading one gives the empty profile instead of filling memory.
inline constexpr std::uintmax_t kMaxProfileFileBytes = 1024 * 1024;

// "*****************Port1*****************" for port 0.
std::string profilePortSection(std::size_t port);

// Port sections the writer produces for a port-count character: 2 for '1', 4 for '4', 6 for '6',
// 8 for every other character. The save commands and the read-out cover the same ports.
std::size_t profilePortCount(char portCountChar);

// Whether an imported profile can be applied: its port-count character is '1', '2', '4', '6' or '8'.
bool isUsableProfile(const DeviceRecord& profile);

// 1 + the index of the first entry that begins with `text` (ignoring case), searching from the
// second entry to the last and then the first; 0 when none does, and for an empty text.
template <std::size_t N>
int profileListPosition(const std::array<std::string_view, N>& list, std::string_view text);

// One entry of a profile, in the terms of the file. `section` is the short name ("Info", "Device",
// "Port1".."Port8"); the file's section name comes from profileFileSection().
struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
    bool secret = false;  // shown only when asked for
    bool operator==(const ProfileEntry&) const = default;
};
std::string profileFileSection(std::string_view shortName);

// How a list position outside its list is written. In a file the value is left empty, which reads
// back as position 0 ("no entry"); a comparison shows the stored number instead.
enum class OutOfListText { Empty, Number };

// Info, Device, then the sections of the first `ports` ports, each entry in file order.
std::vector<ProfileEntry> profileEntries(const DeviceRecord& record, std::size_t ports,
                                         OutOfListText outOfList = OutOfListText::Empty);

// Writes the record's sections by the port-count rule, entries in order, replacing the file whole;
// an existing file stays as it was when the write fails.
ProfileStatus writeProfile(const DeviceRecord& record, const std::filesystem::path& path,
                           std::string* reason = nullptr);

// A fresh record from a profile: every missing key takes its default; fields the file does not
// carry stay zero.
DeviceRecord readProfile(const PrivateProfile& file);
// A missing, unreadable or oversized file gives the profile of an empty file (defaults only, an
// empty HardwareVersion, so not usable).
DeviceRecord readProfileFile(const std::filesystem::path& path);

// Why the strict reader refused a profile. `line` is 1-based, 0 for the file as a whole.
enum class ProfileProblem {
    NotIpv4,
    NotMac,
    NumberRange,
    NotInList,
    TextTooLong,
    NoDeviceSection,
    TooLarge,
    Unreadable
};
struct ProfileError {
    ProfileProblem problem = ProfileProblem::Unreadable;
    std::size_t line = 0;
    std::string key;
    std::string value;                 // as in the file, shortened; empty for the password
    std::vector<std::string> allowed;  // the range, the list or the limit the text names
    bool operator==(const ProfileError&) const = default;
};

// The strict reader, for every profile that is about to be written to a device (import, apply,
// rollback). Gives the record readProfile() gives, or the entry nearest the top of the file that a
// device's record cannot hold as written; nothing is ever cut or wrapped:
// - IpAddress, NetMask, NetGate, DNS: four numbers 0-255 joined by dots; MAC: twelve hexadecimal
//   digits (pairs joined by '-' or ':');
// - numbers are decimal digits only, within their field: RemotePort, LocalPort 0-65535,
//   HeartbeatInterval 0-4294967295, IpType, DataBit, Modbus, ModbusTimeout 0-255; Enable is 0 or 1
//   (or 255, which the writer writes for a port whose enable byte was never reported);
// - BitRate, CheckBit, StopBit, WorkMode: one of their list's texts (any case), or empty, which the
//   writer writes for a position outside the list and which keeps the device's own value;
// - texts at most their record field: HardwareVersion, FirmwareVersion 4 bytes, Username,
//   Password 8, RemoteIp 32, HeartbeatData 16.
// A missing key or a missing port section takes its default, as in readProfile(); a file without the
// Device section is refused (it would write the defaults to a device), and so is a missing,
// unreadable or oversized file. Keys the reader does not know are left alone. Address rules (a
// multicast IP and the like) are the save's business, not the file's.
std::variant<DeviceRecord, ProfileError> readProfileStrict(const PrivateProfile& file);
std::variant<DeviceRecord, ProfileError> readProfileFileStrict(const std::filesystem::path& path);

// "line 7: IpAddress=999.999.999.999: not an IPv4 address (four numbers 0-255)" in the interface
// language (9 English, otherwise Chinese); a refusal of the whole file is its reason alone.
std::string profileErrorText(const ProfileError& error, int languageCode);

// The name the export proposes: identity bytes 8-12, "-", bytes 0-1, ending at the first byte that
// is zero or cannot stand in a file name; then ".ini".
std::string proposedProfileName(const Identity& identity);
// The chosen path with ".ini" added when its name has no extension.
std::filesystem::path withProfileExtension(const std::filesystem::path& chosen);

// --- template definition

inline char profileLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

template <std::size_t N>
int profileListPosition(const std::array<std::string_view, N>& list, std::string_view text) {
    if (text.empty()) return 0;
    auto beginsWith = [&](std::string_view entry) {
        if (entry.size() < text.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (profileLowerAscii(entry[i]) != profileLowerAscii(text[i])) return false;
        return true;
    };
    for (std::size_t step = 1; step <= N; ++step) {
        const std::size_t i = step % N;
        if (beginsWith(list[i])) return static_cast<int>(i + 1);
    }
    return 0;
}

}  // namespace tavrel
