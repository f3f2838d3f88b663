#pragma once
// What the port group shows for one port of a device record, and the port list it offers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"

namespace tavrel {

// Remote host/port follow the client modes; heartbeat only TCP_CLIENT.
struct WorkModeEnables {
    bool remoteTarget = false;  // remote host and remote port
    bool heartbeat = false;     // heartbeat data and interval
};
WorkModeEnables enablesForWorkMode(std::uint8_t workMode);

// Ports 1 and 2 of a record with kind flag 1 keep the Modbus timeout in its own 16-bit field; every
// other port keeps it, in 10 ms units, in the serial block's last byte.
bool hasWordModbusTimeout(const DeviceRecord& device, std::size_t port);

struct CloudView {
    bool checked = false;
    bool fieldsEnabled = false;  // cloud ID and password edits
    std::string id;              // at most 20 characters
    std::string password;        // at most 8 characters
};

struct PortView {
    // 0-based list positions; -1 when the record holds a value outside the list.
    int baudRate = -1;
    int parity = -1;
    int dataBits = -1;
    int stopBits = -1;
    int workMode = -1;
    // A rate the board reported outside the list: the baud list shows it as one more entry, chosen.
    std::string baudOutsideList;
    int interfaceType = 0;
    bool interfaceTypeEnabled = false;

    std::string remotePort;
    std::string localPort;
    std::string remoteHost;
    std::string heartbeatData;
    std::string heartbeatInterval;
    std::string modbusTimeout;

    // Nothing: the record's byte is neither 1 nor 2, so the box is left as it is.
    std::optional<bool> enableChecked;
    std::optional<bool> modbusChecked;

    bool remoteTargetEnabled = false;
    bool heartbeatEnabled = false;
    // The timeout edit follows the Modbus box as it stands once the view is shown, which is the
    // box's previous state when the record leaves it as it is.
    bool modbusTimeoutEnabled(bool modbusBoxWasChecked) const {
        return modbusChecked.value_or(modbusBoxWasChecked);
    }

    // Port 1 only; nothing leaves the cloud controls as they are.
    std::optional<CloudView> cloud;

    // The port list shows for a device with more than one port (two for '1' and 'B' as the list
    // counts them); the interface-type list and the enable box stay hidden.
    bool portListVisible = false;
    bool interfaceTypeVisible = false;
    bool enableVisible = false;
};

// The view of port `port` (0-based); nothing when there is no device or no such port.
std::optional<PortView> showPort(const DeviceRecord* device, std::size_t port);
// The port group with no device: every edit empty and every list without a choice, boxes unchecked,
// the edits that depend on a mode or a box disabled.
PortView emptyPortView();

struct PortListFill {
    std::vector<std::string> items;  // "PORT1" ...
    int selection = 0;
};
// The refilled port list: two ports for '1' and 'B', else the count the character gives (at least
// port 1); the previous selection is kept when it still exists, else the last port is selected.
PortListFill refillPortList(char portCountChar, int previousSelection);

}  // namespace tavrel
