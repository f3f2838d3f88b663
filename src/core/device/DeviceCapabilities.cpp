#include "device/DeviceCapabilities.h"

namespace tavrel {

DeviceCapabilities capabilitiesOf(const DeviceRecord& r) {
    DeviceCapabilities c;
    c.form302 = r.form302 == 1;
    if (r.imagePresent == 1) c.writeForm = WriteForm::PackedRecord;
    c.wifi = c.form302;
    c.outputTiming = c.form302 && r.outputTiming == 1;
    c.cloud = c.form302 || (c.packedWrite() && r.form866 == 1);
    if (c.form302)
        c.clock = c.outputTiming ? ClockSource::Chain : ClockSource::None;
    else if (c.packedWrite())
        c.clock = ClockSource::Image;
    c.shownPorts = displayedPortCount(r.identity.portCountChar());
    c.writtenPorts = protocolPortCount(r.identity.portCountChar());
    c.heartbeatData = c.packedWrite() || reportsHeartbeatData(r.identity);
    return c;
}

}  // namespace tavrel
