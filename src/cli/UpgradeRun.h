#pragma once
// Firmware uploads from a terminal: the upgrade-mode frame (for searched devices), then the upload,
// for up to eight devices at once, each with its own transfer; a live progress line per device.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "firmware/TftpUploader.h"

class QTimer;
class QTextStream;

namespace tavrel {
class DeviceSession;
class DeviceWrite;
struct WriteOutcome;
class TftpTransfer;
class UiTexts;
}  // namespace tavrel

namespace tavrel::cli {

inline constexpr int kMaxParallelUploads = 8;
// Between the upgrade-mode frame and the write request: the device gets ready, as it would while a
// person picks the file in the dialog.
inline constexpr int kDefaultModeWaitMs = 1000;
// How long --verify waits for an upgraded device to answer again (a restart after an upgrade).
inline constexpr int kDefaultVerifyTimeoutMs = 30000;

struct UpgradeJob {
    QString device;   // as the user named it
    QString address;  // where the upload goes; empty when the device was not found
    int entry = -1;   // table entry that gets the upgrade-mode frame; -1 for none
    UploadResult result = UploadResult::Running;
    QString message;
    std::uint32_t blocks = 0;  // acknowledged by the device
    std::uint64_t bytes = 0;
    double seconds = 0;
    bool started = false;
    bool notFound = false;
    bool skipped = false;  // already runs the version --skip-version names
    // What the device reported when it was found, and after its upload (--verify).
    QString mac;
    QString hardware;
    QString versionBefore;
    QString versionAfter;
    QString verified;  // "upgraded", "unchanged", "did-not-come-back"; empty before --verify

    bool uploads() const { return !address.isEmpty() && !skipped; }
};

struct UpgradeSettings {
    QString firmwarePath;
    std::shared_ptr<const std::vector<std::uint8_t>> image;
    quint16 tftpPort = 69;
    QHostAddress localAddress;
    int parallel = 1;
    int modeWaitMs = kDefaultModeWaitMs;
    const UiTexts* texts = nullptr;  // the messages' language
};

class UpgradeRun : public QObject {
    Q_OBJECT
  public:
    // `writer` sends the upgrade-mode frames to the session's devices; both may be null when no job
    // has an entry.
    UpgradeRun(UpgradeSettings settings, DeviceSession* session, DeviceWrite* writer, QTextStream* progress);
    ~UpgradeRun() override;

    // Runs every job that has an address and returns when all have ended.
    void run(std::vector<UpgradeJob>& jobs);
    // Ends the running uploads as stopped and starts no more; run() then returns.
    void stop();
    bool stopped() const { return stopping_; }

  signals:
    void jobsChanged();

  private:
    void startNext();
    void startUpload(std::size_t index);
    void modeFrameSent(int id, const WriteOutcome& outcome);
    void finish(std::size_t index, UploadResult result);
    void drawProgress(bool last);

    UpgradeSettings settings_;
    DeviceSession* session_ = nullptr;
    DeviceWrite* writer_ = nullptr;
    std::map<int, std::size_t> modeWrites_;  // write id -> job
    QTextStream* progress_ = nullptr;
    std::vector<UpgradeJob>* jobs_ = nullptr;
    std::vector<TftpTransfer*> transfers_;
    std::vector<QTimer*> modeWaits_;  // per job: the device's time to get ready after the upgrade-mode frame
    std::vector<QElapsedTimer> clocks_;
    std::size_t next_ = 0;
    int running_ = 0;
    bool stopping_ = false;
    int linesDrawn_ = 0;
    QTimer* redraw_ = nullptr;
};

// "completed", "timeout", "transfer-error", "wrong-block", "not-found", ...
QString resultName(const UpgradeJob& job);

}  // namespace tavrel::cli
