#include "firmware/TftpUploader.h"

#include <algorithm>

#include "firmware/FirmwareFile.h"
#include "texts/FixedTexts.h"
#include "util/Printable.h"

namespace tavrel {

UploadStep TftpUploader::start(std::string firmwarePath,
                               std::shared_ptr<const std::vector<std::uint8_t>> image, TftpEndpoint target) {
    view_.barColour = BarColour::Blue;
    std::string name = firmwareFileName(firmwarePath);
    const std::uint64_t size = image ? image->size() : 0;
    auto request = tftpWriteRequest(name, size);
    if (!image || size > kFirmwareMaxBytes || !request) {
        UploadStep step;
        step.ended = UploadResult::Refused;
        return step;
    }
    path_ = std::move(firmwarePath);
    name_ = std::move(name);
    image_ = std::move(image);
    target_ = std::move(target);
    request_ = std::move(*request);
    phase_ = Phase::Requested;
    result_ = UploadResult::Running;
    blockCount_ = tftpBlockCount(size);
    blocksSent_ = 0;
    blocksAcknowledged_ = 0;

    view_.barVisible = true;
    view_.barMaximum = static_cast<int>(blockCount_);
    view_.barPosition = static_cast<int>(std::max<std::uint32_t>(1, blockCount_ / 10));
    view_.startEnabled = false;

    UploadStep step;
    step.send = request_;
    step.to = target_;
    step.timer = TimerCommand::Arm;
    step.timerMs = kRequestTimeoutMs;
    return step;
}

UploadStep TftpUploader::receive(Bytes datagram, const TftpEndpoint& sender) {
    // Nothing is listened to without an upload, nor from another host than the one asked.
    if (phase_ == Phase::Idle || sender.address != target_.address) return {};
    const auto reply = parseTftpReply(datagram);
    if (!reply) return {};
    switch (reply->kind) {
        case TftpReply::Kind::Error: {
            // The device has given the transfer up; waiting for the timer would only keep the user.
            UploadStep step = end(UploadResult::TransferError, fixed::kTransferError);
            step.detail = "TFTP error " + std::to_string(reply->errorCode);
            if (!reply->errorText.empty()) step.detail += ": " + printable(reply->errorText);
            return step;
        }
        case TftpReply::Kind::OptionAck:
            return startData(sender);
        case TftpReply::Kind::Ack:
            if (reply->block == 0) return startData(sender);
            return onAck(reply->block, sender);
        case TftpReply::Kind::Other:
            break;
    }
    return {};
}

// The device took the request (ACK 0 or an option acknowledgement); a repeated one starts over.
UploadStep TftpUploader::startData(const TftpEndpoint& sender) {
    phase_ = Phase::Transferring;
    blocksSent_ = 0;
    blocksAcknowledged_ = 0;
    return sendNextBlock(sender);
}

UploadStep TftpUploader::onAck(std::uint16_t block, const TftpEndpoint& sender) {
    if (phase_ == Phase::Requested) return {};
    view_.barPosition = std::max(view_.barPosition, static_cast<int>(blocksSent_));
    // Lock-step: a repeated acknowledgement (the device's own resend after a lost block) ends it.
    if (block != (blocksSent_ & 0xFFFF)) return end(UploadResult::WrongBlock, fixed::kBlockNumberMismatch);
    blocksAcknowledged_ = blocksSent_;
    if (phase_ == Phase::LastSent) return end(UploadResult::Completed, {});
    return sendNextBlock(sender);
}

UploadStep TftpUploader::sendNextBlock(const TftpEndpoint& to) {
    const std::size_t offset = std::size_t{blocksSent_} * kTftpBlockBytes;
    const std::size_t length = std::min(kTftpBlockBytes, image_->size() - offset);
    const auto block = static_cast<std::uint16_t>(blocksSent_ + 1);
    const std::size_t n = tftpDataPacket(packet_, block, Bytes(image_->data() + offset, length));
    ++blocksSent_;
    if (blocksSent_ == blockCount_) {
        phase_ = Phase::LastSent;
        view_.barPosition = static_cast<int>(blockCount_);
    }
    UploadStep step;
    step.send = Bytes(packet_.data(), n);
    step.to = to;
    step.timer = TimerCommand::Arm;
    // A device may erase its flash before it acknowledges the first block: that one gets the time
    // a request gets.
    step.timerMs = block == 1 ? kRequestTimeoutMs : kAckTimeoutMs;
    return step;
}

UploadStep TftpUploader::timeout() {
    if (phase_ == Phase::Idle) return {};
    return end(UploadResult::TimedOut, {});
}

UploadStep TftpUploader::stop() {
    if (phase_ == Phase::Idle) return {};
    return end(UploadResult::Stopped, {});
}

UploadStep TftpUploader::end(UploadResult result, std::string_view message) {
    phase_ = Phase::Idle;
    result_ = result;
    view_.startEnabled = true;
    if (result == UploadResult::Completed) {
        view_.barPosition = view_.barMaximum;
        view_.completed = true;
    } else {
        view_.barColour = BarColour::Red;
    }
    UploadStep step;
    step.timer = TimerCommand::Stop;
    step.message = message;
    step.ended = result;
    return step;
}

}  // namespace tavrel
