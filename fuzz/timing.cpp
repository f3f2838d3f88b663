// Board frames and the output-timing chains fed arbitrary replies, resend timers and new starts:
// every frame sent is a whole pass-through frame with the device's key and a right checksum; a reply
// changes nothing of the device beyond its timing image; resends stop after three; a schedule read
// from the wire is the one later written back, and both byte orders round-trip.
#include <algorithm>

#include "FuzzInput.h"
#include "protocol/DeviceFrame.h"
#include "timing/ConfigImage.h"
#include "timing/TimingChain.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
const DeviceKey kKey = {0x11, 0x22, 0x33};

void checkSent(const Frame& f) {
    if (f.empty()) return;
    FUZZ_CHECK(f.size() == 25 || f.size() == 35);
    FUZZ_CHECK(f[0] == 'H' && f[1] == ':' && f[2] == 'W' && f[3] == 0x03);
    FUZZ_CHECK(std::equal(kKey.begin(), kKey.end(), f.end() - 6));
    FUZZ_CHECK(f[f.size() - 3] == checksum8(Bytes(f).first(f.size() - 3)));
    FUZZ_CHECK(f[f.size() - 2] == 'E' && f[f.size() - 1] == '.');
    const Bytes inner = Bytes(f).subspan(4, f.size() - 10);
    const auto reply = readBoardReply(inner);
    FUZZ_CHECK(reply && inner[0] == 'H' && inner[1] == ':' && inner[2] == 0x01);
    FUZZ_CHECK(inner[inner.size() - 3] == checksum8(inner.first(inner.size() - 3)));
    if (reply->code >= board::kWriteSchedule && reply->code < board::kWriteSchedule + kScheduleChannels)
        FUZZ_CHECK(f.size() == 35);
}

// The device apart from its timing image.
DeviceRecord withoutTiming(DeviceRecord d) {
    std::ranges::fill(timingImage(d), std::uint8_t{0});
    return d;
}

OutputSchedule scheduleFrom(FuzzInput& in) {
    const auto b = in.bytes(kScheduleSize);
    std::vector<std::uint8_t> padded(b);
    padded.resize(kScheduleSize, 0);
    return *scheduleFromWire(padded);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    DeviceRecord device;
    device.key = kKey;
    device.inUse = 1;
    device.sourceAddress = "127.0.0.2";
    const std::uint8_t form = in.byte();
    device.form302 = form & 1;
    device.form866 = (form >> 1) & 1;

    const OutputSchedule s = scheduleFrom(in);
    FUZZ_CHECK(scheduleFromWire(wireBytes(s)) == s && scheduleFromImage(imageBytes(s)) == s);
    FUZZ_CHECK(!scheduleFromWire(Bytes(wireBytes(s)).first(kScheduleSize - 1)));

    TimingChain chain;
    int resendsInARow = 0;
    while (!in.empty()) {
        const std::uint8_t what = in.byte();
        TimingAction a;
        switch (what % 8) {
            case 0:
                a = chain.startRead(kKey);
                break;
            case 1:
                a = chain.startSave(kKey, what & 0x10, what & 0x20, what & 0x40);
                break;
            case 2: {
                BoardClock c;
                c.year = in.byte(), c.month = in.byte(), c.day = in.byte(), c.hour = in.byte();
                a = chain.calibrate(kKey, c);
                break;
            }
            case 3:
                a = chain.readClock(kKey);
                break;
            case 4:
                a = chain.onResendTimer();
                resendsInARow = a.send.empty() ? 0 : resendsInARow + 1;
                FUZZ_CHECK(resendsInARow <= kMaxResends && chain.resends() <= kMaxResends);
                break;
            default: {
                // A board frame with a code the chains answer to, or bytes as they come.
                std::vector<std::uint8_t> frame;
                if (what & 0x80) {
                    frame = in.bytes(in.byte() % 30);
                } else {
                    const std::uint8_t code = in.byte();
                    const auto payload = in.bytes(in.byte() % 20);
                    frame = boardFrame(code, payload);
                }
                const DeviceRecord before = withoutTiming(device);
                const OutputSchedule channel0 = scheduleOf(device, 0);
                a = chain.onReply(device, frame);
                FUZZ_CHECK(withoutTiming(device) == before);
                const auto reply = readBoardReply(frame);
                if (reply && reply->code == board::kScheduleReply && !chain.reading())
                    FUZZ_CHECK(scheduleOf(device, 0) == channel0);
                break;
            }
        }
        if (what % 8 != 4) resendsInARow = 0;
        checkSent(a.send);
        // A schedule write carries the schedule the device holds.
        if (a.send.size() == 35) {
            const Bytes inner = Bytes(a.send).subspan(4, 25);
            const std::size_t channel = inner[3] - board::kWriteSchedule;
            FUZZ_CHECK(channel < kScheduleChannels);
            FUZZ_CHECK(scheduleFromWire(inner.subspan(4, kScheduleSize)) == scheduleOf(device, channel));
        }
    }
    return 0;
}
