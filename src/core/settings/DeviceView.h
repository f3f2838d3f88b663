#pragma once
// What the list row and the form show for one device entry, and which groups and buttons apply.
#include <optional>
#include <string>

#include "device/DeviceRecord.h"
#include "settings/PortView.h"
#include "wifi/WifiView.h"

namespace tavrel {

struct DeviceView {
    // List row columns 1-3; the MAC also goes to the MAC edit.
    std::string mac;
    std::string firmware;
    std::string hardware;

    int ipTypeSelection = -1;  // -1: the record holds no valid type
    std::string ip, mask, gateway, dns;
    std::string user;      // at most 8 characters
    std::string password;  // at most 8 characters
    bool outputFollow = false;
    bool sendStatus = false;
    std::string rs485Address;

    bool serialListsEnabled = true;  // baud, parity, data bits, stop bits
    bool ioOptionsVisible = true;    // "Output follow", "Send status" and their label
    bool outputTimingVisible = false;
    bool scheduleFromImage = false;  // the image carries schedules and the board clock
    bool networkSaveVisible = true;
    bool portSaveVisible = true;
    bool portSaveEnabled = true;
    bool configSaveVisible = false;  // "保存配置": the whole image is written in one frame
    bool cloudAvailable = false;     // only the 302 and 866 records carry port 1's cloud settings

    WifiView wifi;
    PortListFill portList;
    std::optional<PortView> port;  // the port shown in the port group
};

// `portSelection` is the current (0-based) selection of the port list. A selection beyond the
// device's ports moves to its last port; one just past them stays and shows no port.
DeviceView showDevice(const DeviceRecord& device, int portSelection);

// The form with no device in it, as a new search leaves it: nothing of the previous device stays.
DeviceView emptyDeviceView();

}  // namespace tavrel
