// The packed write of every form, from a record read from arbitrary bytes and with texts typed in
// arbitrary: a refused write changes nothing; an accepted one is a whole frame of the device's form,
// and the board's record of that frame reads back as what was written (no field a write sets differs,
// and the network, account, port 1 and WiFi values come back as they went).
#include <array>

#include "FuzzInput.h"
#include "protocol/DeviceFrame.h"
#include "protocol/PackedRecords.h"
#include "timing/PackedWrite.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
const DeviceKey kKey = {7, 8, 9};

DeviceRecord freshRecord() {
    DeviceRecord r;
    r.key = kKey;
    r.inUse = 1;
    r.sourceAddress = "127.0.0.2";
    r.replyPort = 1111;
    return r;
}

// The board stores the write and answers a search with the record in the same layout.
std::vector<std::uint8_t> boardAnswer(std::vector<std::uint8_t> frame, PackedForm form) {
    frame[2] = 'R';
    frame[3] = form == PackedForm::Form302 ? 'P' : 0x01;
    return frame;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::size_t, 3> kForms = {302, 830, 866};
    FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const std::size_t length = kForms[choice % kForms.size()];
    std::vector<std::uint8_t> d = in.bytes(length);
    d.resize(length, 0);
    d[0] = 'H', d[1] = ':', d[2] = 'R', d[3] = length == 302 ? 'P' : 0x01;
    DeviceRecord device = freshRecord();
    FUZZ_CHECK(length == 302 ? applyPacked302(d, device) : applyPackedImage(d, device));
    const PackedForm form = packedFormOf(device);
    FUZZ_CHECK(packedFrameLength(form) == length);

    PackedWriteInput input = packedWriteInputOf(device);
    if (choice & 0x10) input.remoteHost = in.text();
    if (choice & 0x20) input.cloudId = in.text().substr(0, 20), input.cloudPassword = in.text().substr(0, 8);
    if (choice & 0x40) input.rs485Address = in.text();
    if (choice & 0x80) input.wifi = WifiSettings{in.byte(), in.text(), in.text(), in.text(), in.text()};
    const bool setClock = choice & 0x08;

    const DeviceRecord before = device;
    const CommandOutcome out = packedWriteCommand(&device, input, setClock, 9);
    if (out.status != CommandStatus::Ready) {
        FUZZ_CHECK(device == before && out.plan.empty());
        return 0;
    }
    FUZZ_CHECK(out.plan.size() == 1);
    const std::vector<std::uint8_t>& frame = out.plan[0].bytes;
    FUZZ_CHECK(frame.size() == length);
    FUZZ_CHECK(frame[length - 3] == checksum8(Bytes(frame).first(length - 3)));
    FUZZ_CHECK(std::equal(kKey.begin(), kKey.end(), frame.end() - 6));

    DeviceRecord readBack = freshRecord();
    const auto answer = boardAnswer(frame, form);
    FUZZ_CHECK(form == PackedForm::Form302 ? applyPacked302(answer, readBack)
                                           : applyPackedImage(answer, readBack));
    FUZZ_CHECK(packedWriteDifferences(device, readBack).empty());
    FUZZ_CHECK(readBack.network == device.network && readBack.mac == device.mac);
    FUZZ_CHECK(readBack.ipType == device.ipType && readBack.rs485Address == device.rs485Address);
    FUZZ_CHECK(readBack.user == device.user && readBack.password == device.password);
    const PortRecord& w = device.ports[0];
    const PortRecord& r = readBack.ports[0];
    FUZZ_CHECK(r.remoteHost == w.remoteHost && r.remotePort == w.remotePort && r.localPort == w.localPort);
    FUZZ_CHECK(r.baudRate == w.baudRate && r.parity == w.parity && r.workMode == w.workMode);
    if (form != PackedForm::Form830)
        FUZZ_CHECK(r.cloud == w.cloud && r.cloudId == w.cloudId && r.cloudPassword == w.cloudPassword);
    if (form == PackedForm::Form302) {
        // A text that fills its whole field goes with its last byte zero, as the form is documented.
        DeviceRecord stored = device;
        applyWifiSettings(stored, wifiSettingsOf(device));
        FUZZ_CHECK(wifiSettingsOf(readBack) == wifiSettingsOf(stored));
        if (input.wifi) FUZZ_CHECK(readBack.wifiMode == input.wifi->mode);
    } else {
        FUZZ_CHECK(readBack.ioOptions == device.ioOptions);
    }
    return 0;
}
