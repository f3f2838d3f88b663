// The TFTP reply parser and the upload state machine fed arbitrary datagrams, time-outs and stops:
// every DATA packet carries a block of the file with that block's own bytes, goes only to the host
// asked, and no block beyond the file is ever sent; the counters and the bar stay in range.
#include <memory>

#include "FuzzInput.h"
#include "firmware/TftpUploader.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
constexpr std::size_t kMaxImage = 4 * kTftpBlockBytes + 3;
const TftpEndpoint kTarget{"127.0.0.2", 6969};
const TftpEndpoint kOther{"127.0.0.3", 6969};

void checkStep(const UploadStep& step, const TftpUploader& up, const std::vector<std::uint8_t>& image,
               bool started) {
    FUZZ_CHECK(up.blocksAcknowledged() <= up.blocksSent());
    FUZZ_CHECK(up.blocksSent() <= up.blockCount());
    FUZZ_CHECK(up.view().barPosition <= up.view().barMaximum);
    if (step.ended == UploadResult::Completed) FUZZ_CHECK(up.blocksAcknowledged() == up.blockCount());
    if (step.send.empty()) return;
    FUZZ_CHECK(step.to.address == kTarget.address);
    if (started) return;  // the write request
    FUZZ_CHECK(step.send.size() >= kTftpHeaderBytes && step.send.size() <= kTftpDataPacketMax);
    FUZZ_CHECK(getBe16(step.send.data()) == tftp::kData);
    const std::uint16_t block = getBe16(step.send.data() + 2);
    FUZZ_CHECK(block >= 1 && block <= up.blockCount());
    const std::size_t offset = std::size_t{block - 1u} * kTftpBlockBytes;
    FUZZ_CHECK(offset <= image.size());
    const std::size_t length = std::min(kTftpBlockBytes, image.size() - offset);
    FUZZ_CHECK(step.send.size() == kTftpHeaderBytes + length);
    FUZZ_CHECK(std::equal(step.send.begin() + kTftpHeaderBytes, step.send.end(), image.begin() + offset));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::size_t imageSize = in.u16() % (kMaxImage + 1);
    auto image = std::make_shared<std::vector<std::uint8_t>>(imageSize);
    for (std::size_t i = 0; i < imageSize; ++i) (*image)[i] = static_cast<std::uint8_t>(i * 7 + i / 251);

    TftpUploader up;
    const UploadStep first = up.start("fw/image.bin", image, kTarget);
    checkStep(first, up, *image, true);
    while (!in.empty()) {
        const std::uint8_t what = in.byte();
        UploadStep step;
        switch (what % 8) {
            case 0:
                step = up.timeout();
                break;
            case 1:
                step = up.stop();
                break;
            case 2:
                step = up.start("image.bin", image, kTarget);
                checkStep(step, up, *image, true);
                continue;
            case 3: {  // an acknowledgement of a nearby block: the lock-step path
                std::uint8_t ack[4] = {0, tftp::kAck, 0, 0};
                putBe16(ack + 2, static_cast<std::uint16_t>(up.blocksSent() - (in.byte() % 3) + 1));
                step = up.receive(Bytes(ack, 4), kTarget);
                break;
            }
            default: {
                const auto datagram = in.bytes(in.byte() % 40);
                const auto reply = parseTftpReply(datagram);
                if (datagram.size() < 2) FUZZ_CHECK(!reply);
                if (reply && reply->kind == TftpReply::Kind::Ack) FUZZ_CHECK(datagram.size() >= 4);
                step = up.receive(datagram, (what & 0x80) ? kOther : kTarget);
                break;
            }
        }
        checkStep(step, up, *image, false);
    }
    return 0;
}
