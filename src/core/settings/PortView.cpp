#include "settings/PortView.h"

#include <algorithm>

#include "device/FixedLists.h"
#include "util/TextBytes.h"

namespace tavrel {

namespace {

constexpr std::uint8_t kTcpClient = 2;
constexpr std::uint8_t kUdpClient = 4;
constexpr int kRs232 = 0;
constexpr int kRs485 = 1;

// 0-based position of a 1-based stored value (offset by `first`), -1 outside a list of `size`.
int listPosition(std::uint8_t stored, int first, std::size_t size) {
    int pos = static_cast<int>(stored) - first;
    return pos >= 0 && pos < static_cast<int>(size) ? pos : -1;
}

std::optional<bool> checkState(std::uint8_t stored) {
    if (stored == kSwitchOff) return false;
    if (stored == kSwitchOn) return true;
    return std::nullopt;
}

// The interface shown when the record's last serial byte is no interface type.
int defaultInterface(const DeviceRecord& device, std::size_t port) {
    if (port == 0) return kRs232;
    if (port == 1) return device.identity.modelChar() == 'Z' ? kRs232 : kRs485;
    return device.identity.portCountChar() == '1' ? kRs485 : kRs232;
}

}  // namespace

WorkModeEnables enablesForWorkMode(std::uint8_t workMode) {
    return {workMode == kTcpClient || workMode == kUdpClient, workMode == kTcpClient};
}

bool hasWordModbusTimeout(const DeviceRecord& device, std::size_t port) {
    return device.kindFlag == 1 && port < 2;
}

std::optional<PortView> showPort(const DeviceRecord* device, std::size_t port) {
    if (device == nullptr || port >= kPortCount) return std::nullopt;
    const PortRecord& p = device->ports[port];
    PortView v;
    v.baudRate = listPosition(p.baudRate, 1, lists::kBaudRates.size());
    v.parity = listPosition(p.parity, 1, lists::kParities.size());
    v.dataBits = listPosition(p.dataBits, 7, lists::kDataBits.size());
    v.stopBits = listPosition(p.stopBits, 1, lists::kStopBits.size());
    v.workMode = listPosition(p.workMode, 1, lists::kWorkModes.size());
    if (v.baudRate < 0 && p.baudNumber != 0) v.baudOutsideList = std::to_string(p.baudNumber);

    if (p.interfaceType >= 1 && p.interfaceType <= 3) {
        v.interfaceType = p.interfaceType - 1;
        v.interfaceTypeEnabled = true;
    } else {
        v.interfaceType = defaultInterface(*device, port);
        v.interfaceTypeEnabled = false;
    }

    v.remotePort = std::to_string(p.remotePort);
    v.localPort = std::to_string(p.localPort);
    v.enableChecked = checkState(p.enable);
    v.modbusChecked = checkState(p.modbus);
    v.remoteHost = shownText(textOf(p.remoteHost));
    v.heartbeatData = shownText(textOf(p.heartbeatData));
    v.heartbeatInterval = std::to_string(p.heartbeatInterval);
    v.modbusTimeout = hasWordModbusTimeout(*device, port) ? std::to_string(p.modbusTimeout)
                                                          : std::to_string(p.interfaceType * 10);

    if (port == 0) {
        CloudView cloud;
        cloud.checked = p.cloud == 1;
        cloud.fieldsEnabled = cloud.checked;
        cloud.id = shownText(textOf(p.cloudId));
        cloud.password = shownText(textOf(p.cloudPassword));
        v.cloud = cloud;
    }

    // Every port of a multi-port device can be chosen and edited; a one-port device shows no list.
    v.portListVisible = displayedPortCount(device->identity.portCountChar()) > 1;

    auto enables = enablesForWorkMode(p.workMode);
    v.remoteTargetEnabled = enables.remoteTarget;
    v.heartbeatEnabled = enables.heartbeat;
    return v;
}

PortView emptyPortView() {
    PortView v;
    v.interfaceType = -1;
    v.enableChecked = false;
    v.modbusChecked = false;
    v.cloud = CloudView{};
    return v;
}

PortListFill refillPortList(char portCountChar, int previousSelection) {
    const int count = std::max(1, displayedPortCount(portCountChar));
    PortListFill fill;
    for (int i = 0; i < count; ++i) fill.items.emplace_back(lists::kPorts[static_cast<std::size_t>(i)]);
    fill.selection = std::clamp(previousSelection, 0, count - 1);
    return fill;
}

}  // namespace tavrel
