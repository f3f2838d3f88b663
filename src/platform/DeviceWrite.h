#pragma once
// The one way the window and the CLI write to a device. Each write runs, in this order:
//   guard     an incomplete read-out is written only when the request says the user agreed (--force);
//   lock      no other copy of the tool is writing the device, nor wrote it since it was read;
//   snapshot  the device as read is kept, so that the change can be rolled back (a failure to keep it
//             is reported, the write still goes: a full disk must not stop a repair);
//   play      the plan, on the device's lane of the sequencer;
//   answer    a refusal (17) of any frame, or this device's acknowledgement (16) arriving after the last
//             frame left, within answerWaitMs. Devices may answer every frame or the last alone, so
//             that acknowledgement may still be a late one of the frame before: the compare after the
//             re-read is what tells a write done. Answers of other devices never count;
//   re-read   the device is searched again (by broadcast when the write moved it) until it is read
//             whole, within the re-read limit;
//   compare   the fields of the request's scope, expected against what the device now holds.
// Its outcome is one WriteOutcome, given by finished(); a front end shows it and never waits, keeps
// a snapshot or reads a device again by itself. The table's record changes only through the
// device's own answers: the request carries what should be written as a separate record.
// The device is locked while its frames go out and are answered; a write that only waits for its
// re-read gives way to a new write of the same device (a reset after a restart). Writes to
// different devices run side by side; stop() lets those under way finish their frames and
// their answer, skips their re-read, and refuses new ones.
#include <QtCore/QObject>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceRecord.h"
#include "protocol/Plan.h"
#include "protocol/WriteGuard.h"
#include "protocol/WriteOutcome.h"
#include "texts/UiTexts.h"

class QTimer;

namespace tavrel {

class DeviceSession;
class DeviceReread;
class DeviceLock;
struct FleetWrite;

// The deadlines of a write; tests shorten them.
struct WriteTimings {
    int answerWaitMs = 2000;  // after the last frame left
    int rereadIntervalMs = 1000;
    int rereadLimitMs = 30000;
};

enum class AnswerRule {
    Required,  // no answer is a failure (serial-block saves)
    Optional,  // a board may not answer its packed write: the re-read decides
    None,      // restart, reset, the upgrade-mode frame: the device answers nothing
};

enum class RereadRule { None, Unicast, Broadcast };

struct WriteRequest {
    int entry = -1;
    Plan plan;
    DeviceRecord expected;  // what the device should hold afterwards
    WriteScope scope = WriteScope::None;
    AnswerRule answer = AnswerRule::Required;
    RereadRule reread = RereadRule::Unicast;
    bool snapshot = true;
    // The device as read, when the table's record already holds the form's edits (the window);
    // the snapshot is kept of it. Without it, the table's record is the device as read.
    std::optional<DeviceRecord> asRead;
    bool forced = false;  // write an incomplete read-out (the user agreed, or --force)
};

class DeviceWrite : public QObject {
    Q_OBJECT
  public:
    DeviceWrite(DeviceSession& session, DeviceReread& reread, const UiTexts& texts,
                QObject* parent = nullptr);
    ~DeviceWrite() override;

    void setTimings(const WriteTimings& timings);
    // Where snapshots go; the user's profile folder unless set (the window's may be given to it).
    void setProfileFolder(const std::filesystem::path& folder) { profileFolder_ = folder; }
    const WriteTimings& timings() const { return timings_; }

    // Starts a write and returns its number; its outcome comes with finished(), never before this
    // returns. A write refused before sending also finishes that way.
    int start(WriteRequest request);
    // What the guard says of an entry now; the window asks its question from it.
    WriteCheck check(int entry) const;
    bool busy(int entry) const;
    // For the writes a board's own chain carries (its clock and schedules over the pass-through):
    // keeps the snapshot the workflow would; what failed, if anything.
    std::optional<std::string> keepSnapshot(int entry) const;
    bool running() const { return !runs_.empty(); }
    void stop();
    bool stopped() const { return stopped_; }

  signals:
    void finished(int id, const tavrel::WriteOutcome& outcome);

  private:
    struct Run;
    void lastFrameSent(int id);
    void answered(int id);
    void rereadDone(int entry, bool back);
    void finish(int id, WriteOutcome outcome);
    void finishLater(int id, WriteOutcome outcome);
    Run* runOf(int id);
    std::filesystem::path profileFolder() const;

    DeviceSession& session_;
    DeviceReread& reread_;
    const UiTexts& texts_;
    WriteTimings timings_;
    std::map<int, std::unique_ptr<Run>> runs_;
    int nextId_ = 1;
    bool stopped_ = false;
    std::filesystem::path profileFolder_;
};

// The upgrade-mode frame: no answer, no re-read (that comes after the upload), no whole read-out needed.
WriteRequest upgradeModeRequest(int entry, const DeviceRecord& record);
// The write a fleet sheet planned for the device at `entry`: a packed record may go unanswered and
// is looked for by broadcast afterwards.
WriteRequest fleetWriteRequest(int entry, const FleetWrite& write);
// No frame: the device is read again (after a firmware upload), and nothing compared.
WriteRequest rereadRequest(int entry, const DeviceRecord& record, RereadRule rule = RereadRule::Unicast);

// Writes of several devices with at most `parallel` under way, the next started as one ends (a
// fleet): each outcome comes with ended() as it comes, finished() once the last has ended.
class WriteBatch : public QObject {
    Q_OBJECT
  public:
    WriteBatch(DeviceWrite& writer, std::vector<WriteRequest> requests, int parallel,
               QObject* parent = nullptr);
    void start();
    // Starts no further write; those under way end as they will.
    void stopStarting() { starting_ = false; }
    bool running() const { return !waiting_.empty(); }

  signals:
    void started(int writeId);  // before any outcome of it can come
    void ended(std::size_t request, const tavrel::WriteOutcome& outcome);
    void finished();

  private:
    void startMore();

    DeviceWrite& writer_;
    std::vector<WriteRequest> requests_;
    int parallel_ = 1;
    std::size_t next_ = 0;
    bool starting_ = true;
    std::map<int, std::size_t> waiting_;  // write id -> request
};

// Runs writes to their end in a local event loop: for the CLI, which has nothing else to do meanwhile.
// The outcomes are in the order of the requests.
std::vector<WriteOutcome> runWrites(DeviceWrite& writer, std::vector<WriteRequest> requests);
// Hears each outcome as it comes, with its request's index; false starts no further write.
using WriteEnded = std::function<bool(std::size_t request, const WriteOutcome& outcome)>;
// The same with at most `parallel` writes under way, the next one started as one ends. A request
// never started (after `ended` said false) ends NotSent with the reason "not started".
std::vector<WriteOutcome> runWrites(DeviceWrite& writer, std::vector<WriteRequest> requests, int parallel,
                                    const WriteEnded& ended);
WriteOutcome runWrite(DeviceWrite& writer, WriteRequest request);

}  // namespace tavrel
