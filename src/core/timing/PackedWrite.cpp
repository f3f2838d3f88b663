#include "timing/PackedWrite.h"

#include <algorithm>
#include <charconv>

#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "protocol/DeviceFrame.h"
#include "settings/SettingsMessages.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"
#include "timing/ConfigImage.h"
#include "util/TextBytes.h"

namespace tavrel {

namespace {

constexpr std::size_t kPayloadAt = 4;
constexpr std::size_t kTrailer = 6;  // key, checksum, 'E', '.'

constexpr std::uint8_t kForm302Code = 0x02;
constexpr std::uint8_t kImageFormCode = 0x00;

template <class Field>
void place(std::span<std::uint8_t> out, std::size_t at, const Field& field) {
    std::size_t i = 0;
    for (auto c : field) out[at + i++] = static_cast<std::uint8_t>(c);
}

// A text field of the 302 form: zero padded, its last byte always zero.
template <std::size_t N>
void placeText(std::span<std::uint8_t> out, std::size_t at, const FixedText<N>& field) {
    place(out, at, field);
    out[at + N - 1] = 0;
}

std::uint32_t baudRateOf(std::uint8_t position) {
    const std::string_view text = lists::textAt(lists::kBaudRates, position);
    std::uint32_t rate = 0;
    std::from_chars(text.data(), text.data() + text.size(), rate);
    return rate;
}

std::optional<std::uint8_t> parseByte(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

CommandOutcome refused(std::string message) {
    CommandOutcome out;
    out.status = CommandStatus::Refused;
    out.message = std::move(message);
    return out;
}

// The network group and port 1 into the image at their offsets.
void writeImage(DeviceRecord& d, std::span<std::uint8_t> img, bool withCloud) {
    place(img, image::kIpAddress, d.network.ip);
    place(img, image::kGateway, d.network.gateway);
    place(img, image::kSubnetMask, d.network.mask);
    place(img, image::kDns, d.network.dns);
    img[image::kIpType] = d.ipType;
    place(img, image::kMac, d.mac);
    place(img, image::kUser, d.user);
    place(img, image::kPassword, d.password);
    img[image::kRs485Address] = d.rs485Address;
    img[image::kOutputFollow] = d.ioOptions[0];
    img[image::kSendStatus] = d.ioOptions[1];

    const PortRecord& p = d.ports[0];
    // A rate outside the list is kept as the number the board reported.
    const std::uint32_t listed = baudRateOf(p.baudRate);
    putLe32(&img[image::kBaudRate], listed != 0 ? listed : p.baudNumber);
    img[image::kDataBits] = p.dataBits;
    img[image::kParity] = p.parity;
    img[image::kStopBits] = p.stopBits;
    img[image::kWorkMode] = p.workMode;
    putLe16(&img[image::kRemotePort], p.remotePort);
    putLe16(&img[image::kLocalPort], p.localPort);
    img[image::kModbus] = p.modbus;
    place(img, image::kRemoteHost, p.remoteHost);
    place(img, image::kHeartbeatData, p.heartbeatData);
    putLe16(&img[image::kHeartbeatInterval], static_cast<std::uint16_t>(p.heartbeatInterval & 0xFFFF));
    putLe16(&img[image::kModbusTimeout], p.modbusTimeout);
    if (withCloud) {
        img[image::kCloud] = p.cloud;
        place(img, image::kCloudId, p.cloudId);
        place(img, image::kCloudPassword, p.cloudPassword);
    }
}

Frame frameAround(std::uint8_t code, Bytes payload, std::size_t length, const DeviceKey& key) {
    Frame f(length, 0);
    f[0] = 'H';
    f[1] = ':';
    f[2] = 'W';
    f[3] = code;
    std::copy(payload.begin(), payload.end(), f.begin() + kPayloadAt);
    std::copy(key.begin(), key.end(), f.end() - kTrailer);
    f[length - 3] = checksum8(Bytes(f).first(length - 3));
    f[length - 2] = 'E';
    f[length - 1] = '.';
    return f;
}

struct FieldRange {
    const char* name;
    std::size_t at;
    std::size_t width;
};

constexpr FieldRange kImageFields[] = {
    {"baud rate", image::kBaudRate, 4},
    {"data bits", image::kDataBits, 1},
    {"parity", image::kParity, 1},
    {"stop bits", image::kStopBits, 1},
    {"work mode", image::kWorkMode, 1},
    {"remote port", image::kRemotePort, 2},
    {"local port", image::kLocalPort, 2},
    {"modbus", image::kModbus, 1},
    {"remote host", image::kRemoteHost, 32},
    {"ip address", image::kIpAddress, 4},
    {"gateway", image::kGateway, 4},
    {"subnet mask", image::kSubnetMask, 4},
    {"dns", image::kDns, 4},
    {"ip type", image::kIpType, 1},
    {"mac", image::kMac, 6},
    {"user", image::kUser, 8},
    {"password", image::kPassword, 8},
    {"rs485 address", image::kRs485Address, 1},
    {"heartbeat data", image::kHeartbeatData, 16},
    {"heartbeat interval", image::kHeartbeatInterval, 2},
    {"input options", image::kOutputFollow, 2},
    {"modbus timeout", image::kModbusTimeout, 2},
    {"schedules", image::kSchedules, kScheduleChannels* kScheduleSize},
};
constexpr FieldRange kCloudImageFields[] = {{"cloud", image::kCloud, 1},
                                            {"cloud id", image::kCloudId, 20},
                                            {"cloud password", image::kCloudPassword, 8}};
constexpr FieldRange k302Fields[] = {
    {"wifi mode", 1, 1},         {"ap ssid", 2, 32},
    {"ap password", 34, 16},     {"sta password", 50, 16},
    {"sta ssid", 66, 32},        {"network", 98, 16},
    {"mac and ip type", 114, 7}, {"account", 121, 16},
    {"serial settings", 154, 5}, {"remote port", 160, 2},
    {"local port", 162, 2},      {"remote host", 168, 32},
    {"heartbeat data", 200, 16}, {"heartbeat interval", 216, 2},
    {"modbus", 218, 1},          {"modbus timeout", 220, 2},
    {"rs485 address", 228, 1},   {"cloud", 251, 1},
    {"cloud id", 252, 20},       {"cloud password", 272, 8},
};

template <std::size_t N>
void compare(const FieldRange (&fields)[N], Bytes a, Bytes b, std::vector<std::string>& out) {
    for (const FieldRange& f : fields)
        if (!std::equal(a.begin() + f.at, a.begin() + f.at + f.width, b.begin() + f.at))
            out.emplace_back(f.name);
}

}  // namespace

std::vector<std::string> packedWriteDifferences(const DeviceRecord& written, const DeviceRecord& readBack) {
    std::vector<std::string> out;
    const PackedForm form = packedFormOf(written);
    if (packedFormOf(readBack) != form || readBack.imagePresent != 1) return {"form"};
    switch (form) {
        case PackedForm::Form302: {
            const auto a = packed302Payload(written);
            const auto b = packed302Payload(readBack);
            compare(k302Fields, a, b, out);
            break;
        }
        case PackedForm::Form830:
            compare(kImageFields, written.imageA, readBack.imageA, out);
            break;
        case PackedForm::Form866:
            compare(kImageFields, written.imageB, readBack.imageB, out);
            compare(kCloudImageFields, written.imageB, readBack.imageB, out);
            break;
    }
    return out;
}

std::vector<std::string> packedFrameDifferences(Bytes frame, const DeviceRecord& device) {
    const PackedForm form = packedFormOf(device);
    if (frame.size() != packedFrameLength(form) || device.imagePresent != 1) return {"form"};
    std::vector<std::string> out;
    const Bytes payload = frame.subspan(4);
    switch (form) {
        case PackedForm::Form302:
            compare(k302Fields, payload, packed302Payload(device), out);
            break;
        case PackedForm::Form830:
            compare(kImageFields, payload, device.imageA, out);
            break;
        case PackedForm::Form866:
            compare(kImageFields, payload, device.imageB, out);
            compare(kCloudImageFields, payload, device.imageB, out);
            break;
    }
    return out;
}

PackedForm packedFormOf(const DeviceRecord& d) {
    if (d.form302 == 1) return PackedForm::Form302;
    return d.form866 == 1 ? PackedForm::Form866 : PackedForm::Form830;
}

std::size_t packedFrameLength(PackedForm form) {
    switch (form) {
        case PackedForm::Form302:
            return 302;
        case PackedForm::Form830:
            return 830;
        case PackedForm::Form866:
            return 866;
    }
    return 0;
}

PackedWriteInput packedWriteInputOf(const DeviceRecord& d) {
    PackedWriteInput in;
    in.network.ipTypeSelection = d.ipType == 2 ? 1 : d.ipType == 1 ? 0 : -1;
    in.network.ip = ipv4Text(d.network.ip);
    in.network.mask = ipv4Text(d.network.mask);
    in.network.gateway = ipv4Text(d.network.gateway);
    in.network.dns = ipv4Text(d.network.dns);
    in.network.mac = macText(d.mac);
    in.network.user = shownText(textOf(d.user));
    in.network.password = shownText(textOf(d.password));
    in.network.outputFollow = d.ioOptions[0] == 1;
    in.network.sendStatus = d.ioOptions[1] == 1;
    in.rs485Address = std::to_string(d.rs485Address);
    in.remoteHost = shownText(textOf(d.ports[0].remoteHost));
    in.cloudId = shownText(textOf(d.ports[0].cloudId));
    in.cloudPassword = shownText(textOf(d.ports[0].cloudPassword));
    in.cloud = d.ports[0].cloud == 1;
    return in;
}

std::vector<std::uint8_t> packed302Payload(const DeviceRecord& d) {
    std::vector<std::uint8_t> bytes(kPacked302PayloadSize, 0);
    std::span<std::uint8_t> p(bytes);
    putWifiSettings(p, wifiSettingsOf(d));
    // The texts themselves go back as the record holds them: edits were cut to their fields when
    // they were stored, and what was not edited is the board's own bytes.
    place(p, wifi302::kApSsid, d.apSsid);
    place(p, wifi302::kApPassword, d.apPassword);
    place(p, wifi302::kStaPassword, d.staPassword);
    place(p, wifi302::kStaSsid, d.staSsid);
    place(p, 98, d.network.ip);
    place(p, 102, d.network.mask);
    place(p, 106, d.network.gateway);
    place(p, 110, d.network.dns);
    place(p, 114, d.mac);
    p[120] = d.ipType;
    place(p, 121, d.user);
    place(p, 129, d.password);
    const PortRecord& port = d.ports[0];
    p[154] = port.baudRate;
    p[155] = port.parity;
    p[156] = port.dataBits;
    p[157] = port.stopBits;
    p[158] = port.workMode;
    putLe16(&p[160], port.remotePort);
    putLe16(&p[162], port.localPort);
    p[164] = port.portFlag;
    putLe16(&p[166], port.portValue);
    place(p, 168, port.remoteHost);
    placeText(p, 200, port.heartbeatData);
    putLe16(&p[216], static_cast<std::uint16_t>(port.heartbeatInterval & 0xFFFF));
    p[218] = port.modbus;
    putLe16(&p[220], port.modbusTimeout);
    p[222] = 2;
    p[225] = 2;
    p[228] = d.rs485Address;
    p[251] = port.cloud;
    place(p, 252, port.cloudId);
    place(p, 272, port.cloudPassword);
    return bytes;
}

Frame packedWriteFrame(const DeviceRecord& d, PackedForm form) {
    const std::size_t length = packedFrameLength(form);
    switch (form) {
        case PackedForm::Form302:
            return frameAround(kForm302Code, packed302Payload(d), length, d.key);
        case PackedForm::Form830:
            return frameAround(kImageFormCode, d.imageA, length, d.key);
        case PackedForm::Form866:
            return frameAround(kImageFormCode, d.imageB, length, d.key);
    }
    return {};
}

CommandOutcome packedWriteCommand(DeviceRecord* selected, const PackedWriteInput& in, bool setClock,
                                  int languageCode) {
    if (selected == nullptr) {
        CommandOutcome out;
        out.status = CommandStatus::NoDevice;
        return out;
    }
    // Every field is checked before the record changes, so a refusal loses nothing.
    auto read = readNetworkForm(in.network, *selected);
    if (auto* error = std::get_if<SettingsFinding>(&read))
        return refused(settingsMessage(*error, languageCode));
    const auto rs485 = parseByte(in.rs485Address);
    if (!rs485) return refused(fixed::withNumber(fixed::kNumberRangePattern, 255));
    // A host cut to the field would point the board somewhere else.
    if (in.remoteHost.size() > kRemoteHostLimit && !isUnedited(selected->ports[0].remoteHost, in.remoteHost))
        return refused(std::string(kInvalidHostMessage));

    // A WiFi text longer than its field is refused, never cut (a cut may split a character).
    if (in.wifi && packedFormOf(*selected) == PackedForm::Form302) {
        const DeviceRecord& r = *selected;
        const struct {
            const std::string& typed;
            bool unedited;
            std::size_t limit;
            const char* name;
        } texts[] = {{in.wifi->apSsid, isUnedited(r.apSsid, in.wifi->apSsid), kMaxSsidBytes, "AP SSID"},
                     {in.wifi->apPassword, isUnedited(r.apPassword, in.wifi->apPassword),
                      kMaxWifiPasswordBytes, "AP password"},
                     {in.wifi->staSsid, isUnedited(r.staSsid, in.wifi->staSsid), kMaxSsidBytes, "STA SSID"},
                     {in.wifi->staPassword, isUnedited(r.staPassword, in.wifi->staPassword),
                      kMaxWifiPasswordBytes, "STA password"}};
        for (const auto& t : texts)
            if (t.typed.size() > t.limit && !t.unedited)
                return refused(
                    std::string(t.name) + (languageCode == kEnglishLanguageCode ? ": at most " : "：最多 ") +
                    std::to_string(t.limit) + (languageCode == kEnglishLanguageCode ? " bytes" : " 字节"));
    }

    DeviceRecord& d = *selected;
    const PackedForm form = packedFormOf(d);
    const auto keptOptions = d.ioOptions;
    applyNetworkGroup(d, std::get<NetworkGroup>(read));
    if (form == PackedForm::Form302) {
        d.ioOptions = keptOptions;  // the 302 form carries no input options
        if (in.wifi) applyWifiSettings(d, *in.wifi);
    }
    d.rs485Address = *rs485;
    PortRecord& port1 = d.ports[0];
    storeEdited(port1.remoteHost, in.remoteHost);
    if (form != PackedForm::Form830) {
        storeEdited(port1.cloudId, in.cloudId);
        storeEdited(port1.cloudPassword, in.cloudPassword);
        if ((port1.cloud == 1) != in.cloud) port1.cloud = in.cloud ? 1 : 0;
    }
    if (form != PackedForm::Form302) {
        auto img = form == PackedForm::Form866 ? std::span<std::uint8_t>(d.imageB)
                                               : std::span<std::uint8_t>(d.imageA);
        writeImage(d, img, form == PackedForm::Form866);
        img[image::kSetClockFlag] = setClock ? 1 : 0;
    }

    CommandOutcome out;
    out.showSending = true;
    out.plan.push_back(
        {kPackedWriteGapMs, packedWriteFrame(d, form), Destination::BroadcastReplyPort, d.replyPort});
    return out;
}

}  // namespace tavrel
