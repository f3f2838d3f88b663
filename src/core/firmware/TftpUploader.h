#pragma once
// One firmware upload as a state machine with neither clock nor socket: it takes the start, the
// device's datagrams, the time-out and a stop, and answers with what to send and to whom, which timer
// to arm and what the dialog shows. The device drives the transfer in lock-step: each DATA block goes
// once, in answer to the acknowledgement of the block before it, to the port that acknowledgement
// came from.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/TftpPackets.h"

namespace tavrel {

// From the write request to the device's first answer, and from the first block to its acknowledgement.
inline constexpr int kRequestTimeoutMs = 12000;
inline constexpr int kAckTimeoutMs = 4000;  // from one acknowledgement to the next

enum class BarColour { Blue, Red };

// The dialog's progress bar (range 0..barMaximum) and Start button.
struct FirmwareView {
    int barMaximum = 0;
    int barPosition = 0;
    BarColour barColour = BarColour::Blue;
    bool barVisible = false;
    bool startEnabled = true;
    // The last block was acknowledged: the bar stands full and the dialog says so before it hides it.
    bool completed = false;
    bool operator==(const FirmwareView&) const = default;
};

struct TftpEndpoint {
    std::string address;  // dotted IPv4
    std::uint16_t port = 0;
    bool operator==(const TftpEndpoint&) const = default;
};

enum class UploadResult {
    Running,        // not ended (yet)
    Completed,      // the device acknowledged the last block
    TimedOut,       // no answer in time
    TransferError,  // the device sent an ERROR
    WrongBlock,     // an acknowledgement of another block than the one sent last
    Stopped,        // stopped by the user (dialog closed)
    Refused,        // not started: no valid write request for this name and size
};

enum class TimerCommand { Keep, Arm, Stop };

// What one event asks of the socket, the timer and the dialog.
struct UploadStep {
    Bytes send;  // empty: nothing to send; valid until the uploader's next event
    TftpEndpoint to;
    TimerCommand timer = TimerCommand::Keep;
    int timerMs = 0;
    std::string_view message;  // message box text, empty for none
    std::string detail;        // the cause the device gave for an error, to show below it
    UploadResult ended = UploadResult::Running;
};

class TftpUploader {
  public:
    // Sends the write request for `image` to the device's TFTP port. The image is shared, not copied,
    // so that uploads of one file to many devices hold it once.
    UploadStep start(std::string firmwarePath, std::shared_ptr<const std::vector<std::uint8_t>> image,
                     TftpEndpoint target);
    UploadStep receive(Bytes datagram, const TftpEndpoint& sender);
    UploadStep timeout();
    UploadStep stop();

    bool active() const { return phase_ != Phase::Idle; }
    const FirmwareView& view() const { return view_; }
    const std::string& firmwarePath() const { return path_; }
    const std::string& fileName() const { return name_; }
    const TftpEndpoint& target() const { return target_; }
    std::uint64_t fileSize() const { return image_ ? image_->size() : 0; }
    std::uint32_t blockCount() const { return blockCount_; }
    std::uint32_t blocksSent() const { return blocksSent_; }
    // Blocks the device has confirmed (all of them once completed).
    std::uint32_t blocksAcknowledged() const { return blocksAcknowledged_; }
    UploadResult result() const { return result_; }

  private:
    enum class Phase { Idle, Requested, Transferring, LastSent };

    UploadStep startData(const TftpEndpoint& sender);
    UploadStep onAck(std::uint16_t block, const TftpEndpoint& sender);
    UploadStep sendNextBlock(const TftpEndpoint& to);
    UploadStep end(UploadResult result, std::string_view message);

    Phase phase_ = Phase::Idle;
    std::string path_;
    std::string name_;
    std::shared_ptr<const std::vector<std::uint8_t>> image_;
    TftpEndpoint target_;
    std::uint32_t blockCount_ = 0;
    std::uint32_t blocksSent_ = 0;
    std::uint32_t blocksAcknowledged_ = 0;
    UploadResult result_ = UploadResult::Running;
    FirmwareView view_;
    std::vector<std::uint8_t> request_;
    std::array<std::uint8_t, kTftpDataPacketMax> packet_{};
};

}  // namespace tavrel
