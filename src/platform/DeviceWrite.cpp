#include "DeviceWrite.h"

#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <algorithm>
#include <chrono>

#include "DeviceLock.h"
#include "DeviceReread.h"
#include "DeviceSession.h"
#include "ProtocolSocket.h"
#include "fleet/FleetPlan.h"
#include "profiles/Snapshots.h"
#include "protocol/Commands.h"
#include "util/Paths.h"

namespace tavrel {

namespace {

DeviceKey keyOf(const Mac& mac) {
    return {mac[3], mac[4], mac[5]};
}

}  // namespace

struct DeviceWrite::Run {
    int entry = -1;
    WriteRequest request;
    DeviceRecord asRead;
    DeviceKey key{};     // the device's key as read
    DeviceKey newKey{};  // its key once the write took (a new MAC)
    WriteOutcome outcome;
    bool lastSent = false;
    bool refused = false;
    bool rereading = false;
    QString sendError;  // the system's reason a frame could not be sent
    QTimer* answerTimer = nullptr;
    std::unique_ptr<DeviceLock> lock;
};

DeviceWrite::DeviceWrite(DeviceSession& session, DeviceReread& reread, const UiTexts& texts, QObject* parent)
    : QObject(parent), session_(session), reread_(reread), texts_(texts) {
    connect(&session_, &DeviceSession::writeAnswered, this, [this](const QString& keyText, bool accepted) {
        std::vector<int> ids;
        for (auto& [id, run] : runs_)
            if (QString::fromStdString(tavrel::keyText(run->key)) == keyText ||
                QString::fromStdString(tavrel::keyText(run->newKey)) == keyText)
                ids.push_back(id);
        for (int id : ids) {
            Run* run = runOf(id);
            if (run == nullptr || run->rereading) continue;
            if (accepted) {
                ++run->outcome.acknowledgements;
                if (run->lastSent) answered(id);
            } else {
                run->refused = true;
                if (run->lastSent) finish(id, run->outcome);
            }
        }
    });
    // The entries are other devices now: what is under way ends, unverified.
    connect(&session_, &DeviceSession::tableCleared, this, [this] {
        while (!runs_.empty()) {
            WriteOutcome o = runs_.begin()->second->outcome;
            o.result = WriteResult::Unverified;
            o.reason = texts_.writeNotBack;
            finish(runs_.begin()->first, o);
        }
    });
    // The sequencer sends for one device at a time per lane; a failure is the system's (no route,
    // no network), so every write whose frames are going out is told.
    connect(&session_.socket(), &ProtocolSocket::sendFailed, this, [this](const QString& reason) {
        for (auto& [id, run] : runs_)
            if (!run->rereading) run->sendError = reason;
    });
    connect(&reread_, &DeviceReread::back, this, [this](int entry) { rereadDone(entry, true); });
    connect(&reread_, &DeviceReread::notBack, this, [this](int entry) { rereadDone(entry, false); });
    connect(&reread_, &DeviceReread::cancelled, this, [this](int entry) {
        std::vector<int> ids;
        for (auto& [id, run] : runs_)
            if (run->rereading && run->entry == entry) ids.push_back(id);
        for (int id : ids) {
            WriteOutcome o = runs_[id]->outcome;
            o.result = WriteResult::Unverified;
            o.reason = texts_.writeNotBack;
            finish(id, o);
        }
    });
}

DeviceWrite::~DeviceWrite() = default;

void DeviceWrite::setTimings(const WriteTimings& timings) {
    timings_ = timings;
    reread_.setTimings(timings.rereadIntervalMs, timings.rereadLimitMs);
}

DeviceWrite::Run* DeviceWrite::runOf(int id) {
    auto it = runs_.find(id);
    return it == runs_.end() ? nullptr : it->second.get();
}

std::filesystem::path DeviceWrite::profileFolder() const {
    return profileFolder_.empty() ? resolvePaths().profileFolder : profileFolder_;
}

WriteCheck DeviceWrite::check(int entry) const {
    return checkWrite(session_.table().progress(static_cast<std::size_t>(entry)), texts_.languageCode);
}

std::optional<std::string> DeviceWrite::keepSnapshot(int entry) const {
    if (entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) return std::nullopt;
    return storeSnapshot(session_.table()[static_cast<std::size_t>(entry)], profileFolder(),
                         std::chrono::system_clock::now());
}

bool DeviceWrite::busy(int entry) const {
    for (const auto& [id, run] : runs_)
        if (run->entry == entry && !run->rereading) return true;
    return false;
}

int DeviceWrite::start(WriteRequest request) {
    const int id = nextId_++;
    WriteOutcome refusal;
    refusal.result = WriteResult::NotSent;
    refusal.frames = static_cast<int>(request.plan.size());
    const int entry = request.entry;
    if (entry < 0 || static_cast<std::size_t>(entry) >= session_.table().size()) {
        refusal.reason = texts_.selectDevicePrompt;
        finishLater(id, refusal);
        return id;
    }
    if (stopped_) {
        refusal.reason = "stopped before this device";
        finishLater(id, refusal);
        return id;
    }
    const WriteCheck guard = check(entry);
    if (!guard.allows(request.forced)) {
        refusal.reason = incompleteWriteRefusal(guard, WriteKind::Save);
        finishLater(id, refusal);
        return id;
    }
    // A write whose frames are answered and which only waits for its re-read gives way to this one.
    std::vector<int> superseded;
    for (auto& [otherId, other] : runs_)
        if (other->entry == entry && other->rereading) superseded.push_back(otherId);
    for (int otherId : superseded) {
        WriteOutcome o = runs_[otherId]->outcome;
        o.result = WriteResult::Unverified;
        finish(otherId, o);
    }
    auto run = std::make_unique<Run>();
    run->entry = entry;
    run->asRead = session_.table()[static_cast<std::size_t>(entry)];
    run->key = run->asRead.key;
    // A device read incompletely may hold no MAC yet: only a write that changes it changes the key.
    run->newKey = request.expected.mac != run->asRead.mac ? keyOf(request.expected.mac) : run->key;
    run->lock = std::make_unique<DeviceLock>(run->asRead.mac);
    if (busy(entry) || !run->lock->tryLock()) {
        refusal.reason = texts_.deviceBusy;
        finishLater(id, refusal);
        return id;
    }
    if (run->lock->lastWrittenAt() > session_.readStartedAt(static_cast<std::size_t>(entry))) {
        refusal.reason = texts_.deviceChangedSinceRead;
        finishLater(id, refusal);
        return id;
    }
    run->outcome.frames = static_cast<int>(request.plan.size());
    if (request.snapshot) {
        if (auto failed = storeSnapshot(request.asRead.value_or(run->asRead), profileFolder(),
                                        std::chrono::system_clock::now()))
            run->outcome.snapshotWarning = *failed;
        else
            run->outcome.snapshotKept = true;
    }
    Plan plan = std::move(request.plan);
    run->request = std::move(request);
    runs_[id] = std::move(run);
    session_.play(static_cast<std::size_t>(entry), std::move(plan), [this, id] { lastFrameSent(id); });
    return id;
}

void DeviceWrite::lastFrameSent(int id) {
    Run* run = runOf(id);
    if (run == nullptr) return;
    run->lastSent = true;
    run->lock->markWritten();
    if (run->refused) return finish(id, run->outcome);
    if (run->request.answer == AnswerRule::None && run->sendError.isEmpty()) return answered(id);
    if (run->request.answer == AnswerRule::None) {
        WriteOutcome o = run->outcome;
        o.result = WriteResult::NotSent;
        o.reason = "the frames could not be sent: " + run->sendError.toStdString();
        return finish(id, o);
    }
    run->answerTimer = new QTimer(this);
    run->answerTimer->setSingleShot(true);
    run->answerTimer->setTimerType(Qt::PreciseTimer);
    connect(run->answerTimer, &QTimer::timeout, this, [this, id] {
        Run* r = runOf(id);
        if (r == nullptr) return;
        WriteOutcome o = r->outcome;
        if (!r->sendError.isEmpty()) {
            o.result = WriteResult::NotSent;
            o.reason = "the frames could not be sent: " + r->sendError.toStdString();
            return finish(id, o);
        }
        if (r->request.answer == AnswerRule::Optional) return answered(id);
        o.result = WriteResult::NoAnswer;
        // What the device holds now is unknown: it is read again, without the outcome waiting for it.
        const int entry = r->entry;
        const bool reread = r->request.reread != RereadRule::None && !stopped_;
        finish(id, o);
        if (reread) reread_.start(entry, true);
    });
    run->answerTimer->start(timings_.answerWaitMs);
}

void DeviceWrite::answered(int id) {
    Run* run = runOf(id);
    if (run == nullptr || run->rereading) return;
    if (run->answerTimer != nullptr) run->answerTimer->stop();
    if (run->request.reread == RereadRule::None || stopped_) {
        WriteOutcome o = run->outcome;
        o.result = WriteResult::Unverified;
        if (stopped_) o.reason = "stopped before the device was read again";
        return finish(id, o);
    }
    const DeviceRecord& expected = run->request.expected;
    const bool moved = expected.network.ip != run->asRead.network.ip ||
                       expected.ipType != run->asRead.ipType || run->newKey != run->key;
    run->rereading = true;
    // The frames are out and answered: another copy may write the device from now on.
    run->lock.reset();
    const bool broadcast = run->request.reread == RereadRule::Broadcast || moved;
    reread_.start(run->entry, broadcast, run->newKey != run->key ? std::optional(run->newKey) : std::nullopt);
}

void DeviceWrite::rereadDone(int entry, bool back) {
    std::vector<int> ids;
    const DeviceTable& table = session_.table();
    for (auto& [id, run] : runs_) {
        if (!run->rereading) continue;
        const bool mine =
            back ? static_cast<std::size_t>(entry) < table.size() &&
                       (table[static_cast<std::size_t>(entry)].key == run->newKey ||
                        (entry == run->entry && table[static_cast<std::size_t>(entry)].key == run->key))
                 : entry == run->entry;
        if (mine) ids.push_back(id);
    }
    for (int id : ids) {
        Run* run = runOf(id);
        if (run == nullptr) continue;  // ended by a listener of an earlier one
        WriteOutcome o = run->outcome;
        if (!back) {
            o.result = WriteResult::NotBack;
            o.reason = texts_.writeNotBack;
        } else {
            o.entryAfter = entry;
            o.differences = heldDifferences(run->request.expected, table[static_cast<std::size_t>(entry)],
                                            run->request.scope);
            o.result = o.differences.empty() ? WriteResult::Verified : WriteResult::Differs;
        }
        finish(id, o);
    }
}

void DeviceWrite::finish(int id, WriteOutcome outcome) {
    auto it = runs_.find(id);
    if (it != runs_.end()) {
        if (it->second->refused) outcome.result = WriteResult::Refused;
        if (it->second->answerTimer != nullptr) it->second->answerTimer->deleteLater();
        runs_.erase(it);
    }
    emit finished(id, outcome);
}

void DeviceWrite::finishLater(int id, WriteOutcome outcome) {
    QTimer::singleShot(0, this, [this, id, outcome] { emit finished(id, outcome); });
}

void DeviceWrite::stop() {
    stopped_ = true;
    // Writes whose frames are out and answered skip their re-read.
    std::vector<int> ids;
    for (auto& [id, run] : runs_)
        if (run->rereading) ids.push_back(id);
    for (int id : ids) {
        WriteOutcome o = runs_[id]->outcome;
        o.result = WriteResult::Unverified;
        o.reason = "stopped before the device was read again";
        finish(id, o);
    }
}

WriteRequest upgradeModeRequest(int entry, const DeviceRecord& record) {
    WriteRequest request;
    request.entry = entry;
    request.plan = upgradeModeCommand(&record).plan;
    request.expected = record;
    request.answer = AnswerRule::None;
    request.reread = RereadRule::None;
    request.snapshot = false;
    request.forced = true;
    return request;
}

WriteRequest fleetWriteRequest(int entry, const FleetWrite& write) {
    WriteRequest request;
    request.entry = entry;
    request.plan = write.plan;
    request.expected = write.expected;
    request.scope = write.scope;
    if (write.packed) {
        request.answer = AnswerRule::Optional;
        request.reread = RereadRule::Broadcast;
    }
    return request;
}

WriteRequest rereadRequest(int entry, const DeviceRecord& record, RereadRule rule) {
    WriteRequest request;
    request.entry = entry;
    request.expected = record;
    request.answer = AnswerRule::None;
    request.reread = rule;
    request.snapshot = false;
    request.forced = true;
    return request;
}

std::vector<WriteOutcome> runWrites(DeviceWrite& writer, std::vector<WriteRequest> requests) {
    const int all = static_cast<int>(requests.size());
    return runWrites(writer, std::move(requests), all, {});
}

WriteBatch::WriteBatch(DeviceWrite& writer, std::vector<WriteRequest> requests, int parallel, QObject* parent)
    : QObject(parent), writer_(writer), requests_(std::move(requests)), parallel_(std::max(parallel, 1)) {
    connect(&writer_, &DeviceWrite::finished, this, [this](int id, const WriteOutcome& o) {
        const auto it = waiting_.find(id);
        if (it == waiting_.end()) return;
        const std::size_t index = it->second;
        waiting_.erase(it);
        emit ended(index, o);
        startMore();
    });
}

void WriteBatch::start() {
    startMore();
}

void WriteBatch::startMore() {
    while (starting_ && next_ < requests_.size() && static_cast<int>(waiting_.size()) < parallel_) {
        const std::size_t index = next_++;
        const int id = writer_.start(std::move(requests_[index]));
        waiting_[id] = index;
        emit started(id);
    }
    if (waiting_.empty()) emit finished();
}

std::vector<WriteOutcome> runWrites(DeviceWrite& writer, std::vector<WriteRequest> requests, int parallel,
                                    const WriteEnded& ended) {
    std::vector<WriteOutcome> outcomes(requests.size());
    for (WriteOutcome& o : outcomes) o.reason = "not started";
    WriteBatch batch(writer, std::move(requests), parallel);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&batch, &WriteBatch::ended, &loop, [&](std::size_t index, const WriteOutcome& o) {
        outcomes[index] = o;
        if (ended && !ended(index, o)) batch.stopStarting();
    });
    QObject::connect(&batch, &WriteBatch::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    batch.start();
    if (!done) loop.exec();
    return outcomes;
}

WriteOutcome runWrite(DeviceWrite& writer, WriteRequest request) {
    std::vector<WriteRequest> one;
    one.push_back(std::move(request));
    return runWrites(writer, std::move(one)).front();
}

}  // namespace tavrel
