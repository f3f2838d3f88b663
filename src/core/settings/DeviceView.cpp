#include "settings/DeviceView.h"

#include <algorithm>

#include "device/DeviceCapabilities.h"
#include "timing/ConfigImage.h"
#include "util/TextBytes.h"

namespace tavrel {

DeviceView showDevice(const DeviceRecord& r, int portSelection) {
    DeviceView v;
    v.mac = macText(r.mac);
    v.firmware = r.identity.firmwareText();
    v.hardware = r.identity.hardwareText();

    v.ipTypeSelection = (r.ipType == 1 || r.ipType == 2) ? r.ipType - 1 : -1;
    v.ip = ipv4Text(r.network.ip);
    v.mask = ipv4Text(r.network.mask);
    v.gateway = ipv4Text(r.network.gateway);
    v.dns = ipv4Text(r.network.dns);
    v.user = shownText(textOf(r.user));
    v.password = shownText(textOf(r.password));
    v.outputFollow = r.ioOptions[0] == 1;
    v.sendStatus = r.ioOptions[1] == 1;
    v.rs485Address = std::to_string(r.rs485Address);

    v.wifi = showWifi(r);
    const DeviceCapabilities can = capabilitiesOf(r);
    v.cloudAvailable = can.cloud;
    if (can.form302) {
        v.portSaveEnabled = false;
        if (can.outputTiming) {
            v.ioOptionsVisible = false;
            v.outputTimingVisible = true;
            v.serialListsEnabled = false;
        }
    }
    if (can.packedWrite()) {
        v.scheduleFromImage = hasTimingMarker(r);
        v.networkSaveVisible = false;
        v.portSaveVisible = false;
        v.configSaveVisible = true;
    }
    v.portList = refillPortList(r.identity.portCountChar(), portSelection);
    const int count = static_cast<int>(v.portList.items.size());
    int selection = std::max(0, portSelection);
    if (selection > count) selection = count - 1;
    v.portList.selection = selection;
    if (selection < count) v.port = showPort(&r, static_cast<std::size_t>(selection));
    return v;
}

DeviceView emptyDeviceView() {
    DeviceView v;
    v.port = emptyPortView();
    return v;
}

}  // namespace tavrel
