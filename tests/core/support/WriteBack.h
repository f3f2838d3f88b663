#pragma once
// Device bytes of every record form, read into a record and written back the way the window's saves
// write them (form values as the window shows them, optionally one field edited), and the bytes that
// then differ from what the device sent. Shared by the seeded test and the fuzz harness.
#include <array>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "protocol/Commands.h"
#include "protocol/DeviceFrame.h"
#include "protocol/PackedRecords.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/ReplyHandler.h"
#include "settings/DeviceView.h"
#include "settings/PortForm.h"
#include "timing/ConfigImage.h"
#include "timing/PackedWrite.h"
#include "util/TextBytes.h"

namespace tavrel::writeback {

// The one change a user makes before saving, or none.
enum class Edit { None, IpAddress, LocalPort1, RemoteHost1, BaudRate1 };
inline constexpr Edit kEdits[] = {Edit::None, Edit::IpAddress, Edit::LocalPort1, Edit::RemoteHost1,
                                  Edit::BaudRate1};

// A byte that goes back otherwise than it came: the reply code of its block (serial servers) or -1
// (packed records), and its offset in that block or payload.
struct Difference {
    int block;
    std::size_t at;
    bool operator==(const Difference&) const = default;
};

inline constexpr DeviceKey kKey = {0x19, 0x00, 0x33};

inline std::vector<std::uint8_t> standardReply(std::uint8_t code, const std::array<std::uint8_t, 16>& payload) {
    std::vector<std::uint8_t> d(kStandardFrameSize, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = code;
    std::copy(payload.begin(), payload.end(), d.begin() + 4);
    std::copy(kKey.begin(), kKey.end(), d.begin() + 20);
    d[23] = checksum8(Bytes(d).first(23));
    d[24] = 'E', d[25] = '.';
    return d;
}

inline NetworkFormInput shownNetworkForm(const DeviceRecord& r) {
    const DeviceView v = showDevice(r, 0);
    NetworkFormInput in;
    in.ipTypeSelection = v.ipTypeSelection;
    in.ip = v.ip, in.mask = v.mask, in.gateway = v.gateway, in.dns = v.dns, in.mac = v.mac;
    in.user = v.user, in.password = v.password;
    in.outputFollow = v.outputFollow, in.sendStatus = v.sendStatus;
    return in;
}

// The edit as the form makes it: through its own handlers, into the record of port 1.
inline void applyEdit(Edit edit, DeviceRecord& r, NetworkFormInput& network, std::string& host1) {
    const FormTarget port1{&r, 0};
    switch (edit) {
        case Edit::None:
            break;
        case Edit::IpAddress:
            network.ip = r.network.ip == Ipv4{10, 1, 2, 3} ? "10.1.2.4" : "10.1.2.3";
            break;
        case Edit::LocalPort1:
            leaveNumberEdit(port1, NumberField::LocalPort, r.ports[0].localPort == 4001 ? "4002" : "4001");
            break;
        case Edit::RemoteHost1:
            host1 = textOf(r.ports[0].remoteHost) == "edited.example" ? "other.example" : "edited.example";
            leaveTextEdit(port1, TextField::RemoteHost, host1, 9);
            break;
        case Edit::BaudRate1:
            chooseListEntry(port1, ListField::BaudRate, r.ports[0].baudRate == 5 ? 10 : 4);
            break;
    }
}

// Reply codes and how many leading bytes of their payload a record carries back in the write.
inline std::size_t carriedBytes(std::uint8_t replyCode) {
    if (replyCode == 82) return 7;  // MAC and address type
    if (replyCode == 90) return 2;  // the two input options
    return kPayloadSize;
}

// A serial server with eight ports whose read-out brought `blocks` (reply code -> payload; the
// identity block is the server's own). Both saves of the window, after `edit`.
inline std::vector<Difference> serialWriteBack(const std::map<std::uint8_t, std::array<std::uint8_t, 16>>& blocks,
                                               Edit edit) {
    DeviceRecord r;
    r.inUse = 1;
    r.key = kKey;
    r.replyPort = 1111;
    const char identity[] = "V228Z8V1";
    std::copy_n(identity, 8, r.identity.bytes.begin());
    for (const auto& [code, payload] : blocks) applyParameterReply(standardReply(code, payload), r);

    NetworkFormInput network = shownNetworkForm(r);
    std::array<std::string, kPortCount> hosts;
    for (std::size_t i = 0; i < kPortCount; ++i) hosts[i] = shownText(textOf(r.ports[i].remoteHost));
    applyEdit(edit, r, network, hosts[0]);

    Plan plan = saveNetworkCommand(&r, network, 9).plan;
    const Plan ports = savePortsCommand(&r, hosts).plan;
    plan.insert(plan.end(), ports.begin(), ports.end());

    std::vector<Difference> out;
    for (const Step& step : plan) {
        const auto reply = replyCodeOfRequest(step.bytes[3]);
        if (!reply || !blocks.count(*reply)) continue;  // the commit, or a block the device never sent
        const auto& sent = blocks.at(*reply);
        for (std::size_t i = 0; i < carriedBytes(*reply); ++i)
            if (step.bytes[4 + i] != sent[i]) out.push_back({*reply, i});
    }
    return out;
}

// Payload ranges of the 302 form that its write carries; the rest of the write's payload is its own
// (marker, flags, zeros), and the heartbeat text's last byte always goes as zero.
struct Range {
    std::size_t at, width;
};
inline constexpr Range k302Carried[] = {{1, 97},  {98, 39},  {154, 5}, {160, 5}, {166, 2},
                                        {168, 47}, {216, 3}, {220, 2}, {228, 1}, {251, 29}};

// A board that answered with the packed record `datagram` (302, 830 or 866 bytes), saved with the
// window's "保存配置" after `edit`.
inline std::vector<Difference> packedWriteBack(const std::vector<std::uint8_t>& datagram, Edit edit) {
    DeviceRecord r;
    r.inUse = 1;
    r.key = kKey;
    r.replyPort = 1111;
    if (datagram.size() == kPacked302Size ? !applyPacked302(datagram, r) : !applyPackedImage(datagram, r))
        return {{-2, 0}};
    PackedWriteInput input = packedWriteInputOf(r);
    const WifiView wifi = showWifi(r);
    input.wifi = WifiSettings{wifiModeOf(wifi.modeSelection, wifi.deviceMode), wifi.apSsid, wifi.apPassword,
                              wifi.staSsid, wifi.staPassword};
    applyEdit(edit, r, input.network, input.remoteHost);
    const CommandOutcome out = packedWriteCommand(&r, input, false, 9);
    if (out.status != CommandStatus::Ready || out.plan.size() != 1) return {{-3, 0}};
    const std::vector<std::uint8_t>& frame = out.plan[0].bytes;
    if (frame.size() != datagram.size()) return {{-4, 0}};

    std::vector<Difference> diffs;
    auto compare = [&](std::size_t at, std::size_t width) {
        for (std::size_t i = at; i < at + width; ++i)
            if (frame[4 + i] != datagram[4 + i]) diffs.push_back({-1, i});
    };
    if (datagram.size() == kPacked302Size) {
        for (const Range& range : k302Carried) compare(range.at, range.width);
    } else {
        // The whole image goes back but for the set-clock flag, which is the write's own.
        // Only the image travels; the payload past it is the write's own zeros.
        const std::size_t imageSize = datagram.size() == kPacked830Size ? kImageASize : kImageBSize;
        compare(0, image::kSetClockFlag);
        compare(image::kSetClockFlag + 1, imageSize - image::kSetClockFlag - 1);
    }
    return diffs;
}

// The payload offsets (packed) or reply code and offsets (serial) an edit may change.
inline bool editMayChange(Edit edit, bool packed, bool form302, const Difference& d) {
    const auto in = [&](std::size_t at, std::size_t width) { return d.at >= at && d.at < at + width; };
    switch (edit) {
        case Edit::None:
            return false;
        case Edit::IpAddress:
            return packed ? (form302 ? in(98, 4) : in(image::kIpAddress, 4)) : d.block == 81 && in(0, 4);
        case Edit::LocalPort1:
            return packed ? (form302 ? in(162, 2) : in(image::kLocalPort, 2)) : d.block == 83 && in(11, 2);
        case Edit::RemoteHost1:
            return packed ? (form302 ? in(168, 32) : in(image::kRemoteHost, 32)) : d.block == 87 || d.block == 88;
        case Edit::BaudRate1:
            return packed ? (form302 ? in(154, 1) : in(image::kBaudRate, 4)) : d.block == 83 && in(0, 1);
    }
    return false;
}

}  // namespace tavrel::writeback
