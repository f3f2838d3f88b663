#include "protocol/Commands.h"

#include <algorithm>

#include "device/DeviceCapabilities.h"
#include "protocol/Requests.h"
#include "settings/SettingsMessages.h"
#include "util/TextBytes.h"

namespace tavrel {

namespace {

constexpr int kFrameGapMs = 10;
constexpr int kIoOptionsGapMs = 100;  // after the IO input options, before the account block
constexpr int kAfterPort2GapMs = 50;
constexpr int kWordsGapMs = 50;
constexpr std::size_t kHostHalf = 16;

CommandOutcome noDevice() {
    CommandOutcome out;
    out.status = CommandStatus::NoDevice;
    return out;
}

CommandOutcome singleFrame(Frame frame) {
    CommandOutcome out;
    out.plan.push_back({0, std::move(frame), Destination::BroadcastDevicePort, 0});
    return out;
}

// Appends frames to the device's reply port; each frame waits the pause left by the one before.
class PlanWriter {
  public:
    PlanWriter(Plan& plan, std::uint16_t replyPort, int firstGapMs)
        : plan_(plan), replyPort_(replyPort), pending_(firstGapMs) {}
    void send(Frame frame) {
        plan_.push_back({pending_, std::move(frame), Destination::BroadcastReplyPort, replyPort_});
        pending_ = 0;
    }
    void pause(int ms) { pending_ += ms; }

  private:
    Plan& plan_;
    std::uint16_t replyPort_;
    int pending_;
};

// Port 1 sends the second half only past 16 characters, ports 2 to 8 from 16 on.
bool needsSecondHostFrame(std::size_t port, std::size_t length) {
    return port == 0 ? length > kHostHalf : length >= kHostHalf;
}

template <std::size_t N>
std::string_view rawBytes(const FixedText<N>& field) {
    return std::string_view(field.data(), N);
}

// The frames go out of the record's own bytes, so a host or heartbeat text the user did not edit
// reaches the device exactly as it was read; the reserved serial bytes too.
void writePort(PlanWriter& w, DeviceRecord& device, std::size_t port, const std::string& host) {
    PortRecord& p = device.ports[port];
    storeEdited(p.remoteHost, host);
    w.send(writeRemoteHostRequest(device.key, port, 0, rawBytes(p.remoteHost)));
    if (needsSecondHostFrame(port, textOf(p.remoteHost).size())) {
        w.pause(kFrameGapMs);
        w.send(writeRemoteHostRequest(device.key, port, 1, rawBytes(p.remoteHost)));
    }
    w.pause(kFrameGapMs);

    w.send(writeSerialBlockRequest(device.key, port, p));
    w.pause(kFrameGapMs);

    w.send(writeHeartbeatDataRequest(device.key, port, rawBytes(p.heartbeatData)));
    if (port == 0) w.pause(kFrameGapMs);
    if (port == 1) w.pause(kAfterPort2GapMs);
}

void writeWordBlocks(PlanWriter& w, const DeviceRecord& device) {
    std::array<std::uint16_t, kPortCount> timeouts{};
    std::array<std::uint16_t, kPortCount> intervals{};
    for (std::size_t i = 0; i < kPortCount; ++i) {
        timeouts[i] = device.ports[i].modbusTimeout;
        intervals[i] = static_cast<std::uint16_t>(device.ports[i].heartbeatInterval & 0xFFFF);
    }
    w.pause(kWordsGapMs);
    w.send(writeWordsRequest(device.key, subcode::kModbusTimeouts, timeouts));
    w.pause(kWordsGapMs);
    w.send(writeWordsRequest(device.key, subcode::kHeartbeatIntervals, intervals));
}

// Ports the save walks through before it stops, and whether it commits then.
struct SaveExtent {
    std::size_t ports;
    bool commit;
};
SaveExtent saveExtent(char portCountChar) {
    switch (portCountChar) {
        case '1':
            return {2, false};
        case '4':
            return {4, true};
        case '6':
            return {6, true};
        default:
            return {8, true};
    }
}

}  // namespace

CommandOutcome restartCommand(const DeviceRecord* selected) {
    if (selected == nullptr) return noDevice();
    return singleFrame(restartRequest(selected->key));
}

CommandOutcome factoryResetCommand(const DeviceRecord* selected) {
    if (selected == nullptr) return noDevice();
    return singleFrame(factoryResetRequest(selected->key));
}

CommandOutcome upgradeModeCommand(const DeviceRecord* selected) {
    if (selected == nullptr) return noDevice();
    return singleFrame(commandRequest(subcode::kEnterUpgrade, selected->key));
}

CommandOutcome saveNetworkCommand(DeviceRecord* selected, const NetworkFormInput& form, int languageCode) {
    if (selected == nullptr) return noDevice();
    auto read = readNetworkForm(form, *selected);
    if (auto* error = std::get_if<SettingsFinding>(&read)) {
        CommandOutcome out;
        out.status = CommandStatus::Refused;
        out.message = settingsMessage(*error, languageCode);
        return out;
    }
    const auto& s = std::get<NetworkGroup>(read);
    applyNetworkGroup(*selected, s);

    const DeviceRecord& d = *selected;
    CommandOutcome out;
    out.showSending = true;
    PlanWriter w(out.plan, d.replyPort, kSaveStartGapMs);
    w.send(writeNetworkRequest(d.key, d.network));
    w.pause(kFrameGapMs);
    w.send(writeMacModeRequest(d.key, d.mac, d.ipType));
    w.pause(kFrameGapMs);
    w.send(writeIoOptionsRequest(d.key, d.ioOptions[0], d.ioOptions[1]));
    w.pause(kIoOptionsGapMs);
    w.send(writeAccountRequest(d.key, d.user, d.password));
    w.pause(kFrameGapMs);
    if (d.identity.portCountChar() != '1') w.send(commitRequest(d.key));
    return out;
}

CommandOutcome savePortsCommand(DeviceRecord* selected) {
    if (selected == nullptr) return noDevice();
    std::array<std::string, kPortCount> hosts;
    for (std::size_t i = 0; i < kPortCount; ++i) hosts[i] = shownText(textOf(selected->ports[i].remoteHost));
    return savePortsCommand(selected, hosts);
}

CommandOutcome savePortsCommand(DeviceRecord* selected, const std::array<std::string, kPortCount>& hosts) {
    if (selected == nullptr) return noDevice();
    DeviceRecord& d = *selected;
    const SaveExtent extent = saveExtent(d.identity.portCountChar());
    CommandOutcome out;
    // Every host is checked before anything changes or goes out: a refused save sends nothing.
    for (std::size_t port = 0; port < extent.ports; ++port) {
        if (hosts[port].size() > kRemoteHostLimit && !isUnedited(d.ports[port].remoteHost, hosts[port])) {
            out.status = CommandStatus::Refused;
            out.message = kInvalidHostMessage;
            return out;
        }
    }
    out.showSending = true;
    PlanWriter w(out.plan, d.replyPort, kSaveStartGapMs);
    for (std::size_t port = 0; port < extent.ports; ++port) {
        writePort(w, d, port, hosts[port]);
        if (port == 1) writeWordBlocks(w, d);
    }
    if (extent.commit) w.send(commitRequest(d.key));
    return out;
}

}  // namespace tavrel
