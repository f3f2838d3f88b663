#include "profiles/ProfileFormat.h"

#include "util/FileFilter.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>
#include <tuple>

#include "device/FixedLists.h"
#include "doctor/Doctor.h"
#include "settings/AddressText.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {

constexpr std::string_view kDeviceShortName = "Device";
constexpr std::string_view kPortShortName = "Port";

// Defaults of missing keys.
constexpr int kDefaultIpType = 1;
constexpr std::string_view kDefaultIp = "192.168.1.253";
constexpr std::string_view kDefaultMask = "255.255.255.0";
constexpr std::string_view kDefaultGateway = "192.168.1.1";
constexpr std::string_view kDefaultDns = "208.67.222.222";
constexpr std::string_view kDefaultMac = "00-CA-C1-19-00-33";
constexpr std::string_view kDefaultUser = "admin";
constexpr std::string_view kDefaultPassword = "tovin";
constexpr int kDefaultEnable = 1;
constexpr std::string_view kDefaultBaud = "9600";
constexpr std::string_view kDefaultParity = "NONE";
constexpr int kDefaultDataBits = 8;
constexpr std::string_view kDefaultStopBits = "1";
constexpr std::string_view kDefaultWorkMode = "TCP_SERVER";
constexpr std::string_view kDefaultRemoteHost = "192.168.1.253";
constexpr int kDefaultPort = 1030;
constexpr std::string_view kDefaultHeartbeat = "123";
constexpr int kDefaultInterval = 0;
constexpr int kDefaultModbus = 0;
constexpr int kDefaultInterfaceType = 10;  // no selectable interface

// Lengths the reader takes of a text value.
constexpr std::size_t kVersionChars = 4;
constexpr std::size_t kAddressChars = 19;
constexpr std::size_t kAccountChars = 19;
constexpr std::size_t kListTextChars = 64;
// The record's whole field, so a host of 32 characters survives export and import.
constexpr std::size_t kRemoteHostChars = 32;
constexpr std::size_t kHeartbeatChars = 19;

template <std::size_t N>
std::string listText(const std::array<std::string_view, N>& list, std::uint8_t position,
                     OutOfListText outOfList) {
    const std::string_view text = lists::textAt(list, position);
    if (!text.empty()) return std::string(text);
    return outOfList == OutOfListText::Number ? "#" + std::to_string(position) : std::string();
}

std::string number(unsigned long value) {
    return std::to_string(value);
}

void addPortEntries(std::vector<ProfileEntry>& out, const PortRecord& p, std::size_t port,
                    OutOfListText outOfList) {
    const std::string s = std::string(kPortShortName) + std::to_string(port + 1);
    auto add = [&](const char* key, std::string value) { out.push_back({s, key, std::move(value)}); };
    add("Enable", number(static_cast<std::uint8_t>(p.enable - 1)));
    add("BitRate", listText(lists::kBaudRates, p.baudRate, outOfList));
    add("CheckBit", listText(lists::kParities, p.parity, outOfList));
    add("DataBit", number(p.dataBits));
    add("StopBit", listText(lists::kStopBits, p.stopBits, outOfList));
    add("WorkMode", listText(lists::kWorkModes, p.workMode, outOfList));
    add("RemoteIp", textOf(p.remoteHost));
    add("RemotePort", number(p.remotePort));
    add("LocalPort", number(p.localPort));
    add("HeartbeatData", textOf(p.heartbeatData));
    add("HeartbeatInterval", number(p.heartbeatInterval));
    add("Modbus", number(p.modbus));
    // The key's name is historical: it carries the interface type.
    add("ModbusTimeout", number(p.interfaceType));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Up to four decimal numbers separated by dots; each keeps its low 8 bits, missing ones are 0.
Ipv4 lenientIpv4(std::string_view text) {
    Ipv4 out{};
    std::size_t i = 0;
    for (std::size_t part = 0; part < out.size(); ++part) {
        const bool negative = i < text.size() && text[i] == '-';
        if (negative || (i < text.size() && text[i] == '+')) ++i;
        if (i >= text.size() || !isDigit(text[i])) break;
        unsigned value = 0;
        for (; i < text.size() && isDigit(text[i]); ++i)
            value = (value * 10 + unsigned(text[i] - '0')) & 0xFFu;
        out[part] = static_cast<std::uint8_t>(negative ? 0u - value : value);
        if (i >= text.size() || text[i] != '.') break;
        ++i;
    }
    return out;
}

// Six hexadecimal numbers of at most two digits separated by '-'; missing ones are 0.
Mac lenientMac(std::string_view text) {
    Mac out{};
    std::size_t i = 0;
    for (std::size_t part = 0; part < out.size(); ++part) {
        int value = 0;
        int digits = 0;
        for (; digits < 2 && i < text.size() && hexValue(text[i]) >= 0; ++digits, ++i)
            value = value * 16 + hexValue(text[i]);
        if (digits == 0) break;
        out[part] = static_cast<std::uint8_t>(value);
        if (i >= text.size() || text[i] != '-') break;
        ++i;
    }
    return out;
}

std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

// The interval's whole unsigned range: the form takes up to 4294967295 and the writer writes it so, which
// the signed reader would cut to 2147483647. Negative numbers wrap as they always did.
std::uint32_t readUnsigned32(const PrivateProfile& file, std::string_view section, std::string_view key,
                             std::uint32_t defaultValue) {
    const auto text = file.find(section, key);
    if (!text) return defaultValue;
    std::string_view s = *text;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    constexpr std::uint64_t kMax = 0xFFFFFFFFu;
    std::uint64_t value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) value = std::min(kMax, value * 10 + unsigned(s[i] - '0'));
    return static_cast<std::uint32_t>(negative ? (kMax + 1 - value) & kMax : value);
}

std::uint16_t lowWord(int value) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(value) & 0xFFFFu);
}

// A text field from a file value: the text ends at a zero byte, as it does in the record, so nothing
// after it lingers in the field to be sent with a save.
template <std::size_t N>
void setFileText(FixedText<N>& field, const std::string& value) {
    setText(field, std::string_view(value).substr(0, value.find('\0')));
}

template <std::size_t N>
std::uint8_t readListPosition(const PrivateProfile& file, std::string_view section, std::string_view key,
                              std::string_view defaultText, const std::array<std::string_view, N>& list) {
    return static_cast<std::uint8_t>(
        profileListPosition(list, file.readString(section, key, defaultText, kListTextChars)));
}

PortRecord readPort(const PrivateProfile& file, std::string_view s) {
    PortRecord p;
    p.enable =
        lowByte(static_cast<int>(static_cast<unsigned>(file.readInt(s, "Enable", kDefaultEnable)) + 1u));
    p.baudRate = readListPosition(file, s, "BitRate", kDefaultBaud, lists::kBaudRates);
    p.parity = readListPosition(file, s, "CheckBit", kDefaultParity, lists::kParities);
    p.dataBits = lowByte(file.readInt(s, "DataBit", kDefaultDataBits));
    // "1" would otherwise find "1.5" first in the wrapped search.
    const std::string stop = file.readString(s, "StopBit", kDefaultStopBits, kListTextChars);
    p.stopBits = stop == "1" ? 1 : static_cast<std::uint8_t>(profileListPosition(lists::kStopBits, stop));
    p.workMode = readListPosition(file, s, "WorkMode", kDefaultWorkMode, lists::kWorkModes);
    setFileText(p.remoteHost, file.readString(s, "RemoteIp", kDefaultRemoteHost, kRemoteHostChars));
    p.remotePort = lowWord(file.readInt(s, "RemotePort", kDefaultPort));
    p.localPort = lowWord(file.readInt(s, "LocalPort", kDefaultPort));
    setFileText(p.heartbeatData, file.readString(s, "HeartbeatData", kDefaultHeartbeat, kHeartbeatChars));
    p.heartbeatInterval = readUnsigned32(file, s, "HeartbeatInterval", kDefaultInterval);
    p.modbus = lowByte(file.readInt(s, "Modbus", kDefaultModbus));
    p.interfaceType = lowByte(file.readInt(s, "ModbusTimeout", kDefaultInterfaceType));
    return p;
}

void putVersion(Identity& identity, std::size_t at, std::string_view text) {
    text = text.substr(0, text.find('\0'));  // a version is text, as the export writes it
    for (std::size_t i = 0; i < kVersionChars; ++i)
        identity.bytes[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

bool fitsFileName(std::uint8_t c) {
    if (c < 0x20 || c > 0x7E) return false;
    return std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) == std::string_view::npos;
}

// --- the strict reader's rules

enum class ValueKind { Text, Ipv4, Mac, Number, List };
struct KeyRule {
    std::string_view key;
    ValueKind kind;
    std::uint64_t limit = 0;  // a number's highest value, a text's bytes
    std::span<const std::string_view> list{};
    bool secret = false;
};

template <class Field>
constexpr std::uint64_t widthOf = std::tuple_size_v<Field>;

constexpr std::uint64_t kByteMax = 0xFF;
constexpr std::uint64_t kWordMax = 0xFFFF;
constexpr std::uint64_t kLongMax = 0xFFFFFFFF;
// 255 is what the writer writes for an enable byte of 0: a port a packed board does not report.
constexpr std::array<std::string_view, 3> kEnableValues = {"0", "1", "255"};
// Values longer than this are shortened in messages; a damaged line may be a megabyte.
constexpr std::size_t kShownValueBytes = 40;

constexpr KeyRule kInfoRules[] = {
    {"HardwareVersion", ValueKind::Text, kVersionChars},
    {"FirmwareVersion", ValueKind::Text, kVersionChars},
};
constexpr KeyRule kDeviceRules[] = {
    {"IpType", ValueKind::Number, kByteMax},
    {"IpAddress", ValueKind::Ipv4},
    {"NetMask", ValueKind::Ipv4},
    {"NetGate", ValueKind::Ipv4},
    {"DNS", ValueKind::Ipv4},
    {"MAC", ValueKind::Mac},
    {"Username", ValueKind::Text, widthOf<decltype(DeviceRecord::user)>},
    {"Password", ValueKind::Text, widthOf<decltype(DeviceRecord::password)>, {}, true},
};
constexpr KeyRule kPortRules[] = {
    {"Enable", ValueKind::List, 0, kEnableValues},
    {"BitRate", ValueKind::List, 0, lists::kBaudRates},
    {"CheckBit", ValueKind::List, 0, lists::kParities},
    {"DataBit", ValueKind::Number, kByteMax},
    {"StopBit", ValueKind::List, 0, lists::kStopBits},
    {"WorkMode", ValueKind::List, 0, lists::kWorkModes},
    {"RemoteIp", ValueKind::Text, widthOf<decltype(PortRecord::remoteHost)>},
    {"RemotePort", ValueKind::Number, kWordMax},
    {"LocalPort", ValueKind::Number, kWordMax},
    {"HeartbeatData", ValueKind::Text, widthOf<decltype(PortRecord::heartbeatData)>},
    {"HeartbeatInterval", ValueKind::Number, kLongMax},
    {"Modbus", ValueKind::Number, kByteMax},
    {"ModbusTimeout", ValueKind::Number, kByteMax},
};

std::optional<std::uint64_t> decimal(std::string_view text, std::uint64_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + unsigned(c - '0');
        if (value > max) return std::nullopt;  // also stops a long run of digits from overflowing
    }
    return value;
}

bool inList(std::span<const std::string_view> list, std::string_view text) {
    // Empty is what the writer writes for a position outside the list.
    if (text.empty()) return true;
    return std::any_of(list.begin(), list.end(), [&](std::string_view entry) {
        return entry.size() == text.size() &&
               std::equal(entry.begin(), entry.end(), text.begin(),
                          [](char a, char b) { return profileLowerAscii(a) == profileLowerAscii(b); });
    });
}

std::optional<ProfileError> checkEntry(const PrivateProfile& file, std::string_view section,
                                       const KeyRule& rule) {
    const auto value = file.find(section, rule.key);
    if (!value) return std::nullopt;
    auto refused = [&](ProfileProblem problem, std::vector<std::string> allowed) {
        std::string shown = rule.secret ? "…" : std::string(cutUtf8(*value, kShownValueBytes));
        if (!rule.secret && shown.size() < value->size()) shown += "…";
        return ProfileError{problem, file.lineOf(section, rule.key).value_or(0), std::string(rule.key),
                            std::move(shown), std::move(allowed)};
    };
    switch (rule.kind) {
        case ValueKind::Text:
            if (value->size() > rule.limit)
                return refused(ProfileProblem::TextTooLong, {std::to_string(rule.limit)});
            break;
        case ValueKind::Ipv4:
            if (!parseIpv4(*value)) return refused(ProfileProblem::NotIpv4, {});
            break;
        case ValueKind::Mac:
            if (!parseMac(*value)) return refused(ProfileProblem::NotMac, {});
            break;
        case ValueKind::Number:
            if (!decimal(*value, rule.limit))
                return refused(ProfileProblem::NumberRange, {"0", std::to_string(rule.limit)});
            break;
        case ValueKind::List:
            if (!inList(rule.list, *value))
                return refused(ProfileProblem::NotInList, {rule.list.begin(), rule.list.end()});
            break;
    }
    return std::nullopt;
}

}  // namespace

std::string profilePortSection(std::size_t port) {
    return profileFileSection(std::string(kPortShortName) + std::to_string(port + 1));
}

std::string profileFileSection(std::string_view shortName) {
    if (shortName == kDeviceShortName) return std::string(kProfileDeviceSection);
    if (shortName.starts_with(kPortShortName))
        return "*****************" + std::string(shortName) + "*****************";
    return std::string(shortName);
}

std::size_t profilePortCount(char portCountChar) {
    switch (portCountChar) {
        case '1':
            return 2;
        case '4':
            return 4;
        case '6':
            return 6;
        default:
            return kPortCount;
    }
}

bool isUsableProfile(const DeviceRecord& profile) {
    return std::string_view("12468").find(profile.identity.portCountChar()) != std::string_view::npos;
}

std::vector<ProfileEntry> profileEntries(const DeviceRecord& r, std::size_t ports, OutOfListText outOfList) {
    std::vector<ProfileEntry> out;
    const std::string info(kProfileInfoSection);
    out.push_back({info, "HardwareVersion", r.identity.hardwareText()});
    out.push_back({info, "FirmwareVersion", r.identity.firmwareText()});
    const std::string d(kDeviceShortName);
    out.push_back({d, "IpType", number(r.ipType)});
    out.push_back({d, "IpAddress", ipv4Text(r.network.ip)});
    out.push_back({d, "NetMask", ipv4Text(r.network.mask)});
    out.push_back({d, "NetGate", ipv4Text(r.network.gateway)});
    out.push_back({d, "DNS", ipv4Text(r.network.dns)});
    out.push_back({d, "MAC", macText(r.mac)});
    out.push_back({d, "Username", textOf(r.user)});
    out.push_back({d, "Password", textOf(r.password), true});
    for (std::size_t port = 0; port < std::min(ports, kPortCount); ++port)
        addPortEntries(out, r.ports[port], port, outOfList);
    return out;
}

ProfileStatus writeProfile(const DeviceRecord& record, const std::filesystem::path& path,
                           std::string* reason) {
    PrivateProfile file;
    for (const auto& e : profileEntries(record, profilePortCount(record.identity.portCountChar()))) {
        // A device text holding a line end cannot stand in the file; nothing is written then.
        if (const ProfileStatus s = file.writeString(profileFileSection(e.section), e.key, e.value);
            s != ProfileStatus::Ok)
            return s;
    }
    // A profile carries the device's password.
    return file.save(path, FileContent::Secret, reason);
}

DeviceRecord readProfile(const PrivateProfile& file) {
    DeviceRecord r;
    const std::string_view info = kProfileInfoSection;
    putVersion(r.identity, 4, file.readString(info, "HardwareVersion", "", kVersionChars));
    putVersion(r.identity, 0, file.readString(info, "FirmwareVersion", "", kVersionChars));

    const std::string_view d = kProfileDeviceSection;
    r.ipType = lowByte(file.readInt(d, "IpType", kDefaultIpType));
    r.network.ip = lenientIpv4(file.readString(d, "IpAddress", kDefaultIp, kAddressChars));
    r.network.mask = lenientIpv4(file.readString(d, "NetMask", kDefaultMask, kAddressChars));
    r.network.gateway = lenientIpv4(file.readString(d, "NetGate", kDefaultGateway, kAddressChars));
    r.network.dns = lenientIpv4(file.readString(d, "DNS", kDefaultDns, kAddressChars));
    r.mac = lenientMac(file.readString(d, "MAC", kDefaultMac, kAddressChars));
    setFileText(r.user, file.readString(d, "Username", kDefaultUser, kAccountChars));
    setFileText(r.password, file.readString(d, "Password", kDefaultPassword, kAccountChars));
    for (std::size_t port = 0; port < kPortCount; ++port)
        r.ports[port] = readPort(file, profilePortSection(port));
    return r;
}

DeviceRecord readProfileFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxProfileFileBytes) return readProfile(PrivateProfile());
    return readProfile(PrivateProfile::load(path));
}

std::variant<DeviceRecord, ProfileError> readProfileStrict(const PrivateProfile& file) {
    if (!file.hasSection(kProfileDeviceSection))
        return ProfileError{ProfileProblem::NoDeviceSection, 0, {}, {}, {std::string(kProfileDeviceSection)}};
    std::optional<ProfileError> first;
    auto check = [&](std::string_view section, std::span<const KeyRule> rules) {
        for (const KeyRule& rule : rules) {
            auto error = checkEntry(file, section, rule);
            if (error && (!first || error->line < first->line)) first = std::move(error);
        }
    };
    check(kProfileInfoSection, kInfoRules);
    check(kProfileDeviceSection, kDeviceRules);
    for (std::size_t port = 0; port < kPortCount; ++port) check(profilePortSection(port), kPortRules);
    if (first) return *first;
    DeviceRecord record = readProfile(file);
    // The lenient MAC reader knows only the dashed form; the other forms accepted above read here.
    if (const auto mac = file.find(kProfileDeviceSection, "MAC")) record.mac = *parseMac(*mac);
    return record;
}

std::variant<DeviceRecord, ProfileError> readProfileFileStrict(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return ProfileError{};
    if (size > kMaxProfileFileBytes)
        return ProfileError{ProfileProblem::TooLarge, 0, {}, {}, {std::to_string(kMaxProfileFileBytes)}};
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return ProfileError{};
    return readProfileStrict(PrivateProfile::parse(bytes));
}

std::string profileErrorText(const ProfileError& e, int languageCode) {
    const Language language = languageCode == kEnglishLanguageCode ? Language::English : Language::Chinese;
    auto text = [&](std::string UiTexts::*member) { return UiTexts::textOf(member, language); };
    std::string reason;
    switch (e.problem) {
        case ProfileProblem::NotIpv4:
            reason = text(&UiTexts::profileNotIpv4);
            break;
        case ProfileProblem::NotMac:
            reason = text(&UiTexts::profileNotMac);
            break;
        case ProfileProblem::NumberRange:
            reason = fillIn(text(&UiTexts::profileNumberRange), e.allowed);
            break;
        case ProfileProblem::NotInList: {
            std::string joined;
            for (const std::string& v : e.allowed) joined += (joined.empty() ? "" : ", ") + v;
            reason = fillIn(text(&UiTexts::profileNotInList), {joined});
            break;
        }
        case ProfileProblem::TextTooLong:
            reason = fillIn(text(&UiTexts::profileTextTooLong), e.allowed);
            break;
        case ProfileProblem::NoDeviceSection:
            reason = fillIn(text(&UiTexts::profileNoDeviceSection), e.allowed);
            break;
        case ProfileProblem::TooLarge:
            reason = fillIn(text(&UiTexts::profileTooLarge), e.allowed);
            break;
        case ProfileProblem::Unreadable:
            reason = text(&UiTexts::profileUnreadable);
            break;
    }
    if (e.line == 0) return reason;
    return fillIn(text(&UiTexts::profileLineError), {std::to_string(e.line), e.key, e.value, reason});
}

std::string proposedProfileName(const Identity& identity) {
    const auto& b = identity.bytes;
    const std::array<std::uint8_t, 8> name = {b[8], b[9], b[10], b[11], b[12], '-', b[0], b[1]};
    std::string out;
    for (std::uint8_t c : name) {
        if (!fitsFileName(c)) break;
        out += static_cast<char>(c);
    }
    return out + std::string(kProfileExtension);
}

std::filesystem::path withProfileExtension(const std::filesystem::path& chosen) {
    return withDefaultExtension(chosen, kProfileExtension);
}

}  // namespace tavrel
