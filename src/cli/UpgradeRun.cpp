#include "UpgradeRun.h"

#include <QtCore/QEventLoop>
#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <algorithm>

#include "Commands.h"
#include "DeviceSession.h"
#include "DeviceWrite.h"
#include "TftpTransfer.h"
#include "firmware/FirmwareFile.h"
#include "protocol/Commands.h"
#include "protocol/Requests.h"

namespace tavrel::cli {

namespace {
constexpr int kRedrawMs = 100;
constexpr int kBarWidth = 30;

}  // namespace

QString resultName(const UpgradeJob& job) {
    if (job.notFound) return QStringLiteral("not-found");
    if (job.skipped) return QStringLiteral("skipped");
    if (!job.verified.isEmpty()) return job.verified;
    switch (job.result) {
        case UploadResult::Completed:
            return QStringLiteral("completed");
        case UploadResult::TimedOut:
            return QStringLiteral("timeout");
        case UploadResult::TransferError:
            return QStringLiteral("transfer-error");
        case UploadResult::WrongBlock:
            return QStringLiteral("wrong-block");
        case UploadResult::Stopped:
            return QStringLiteral("stopped");
        case UploadResult::Refused:
            return QStringLiteral("refused");
        case UploadResult::Running:
            break;
    }
    return QStringLiteral("not-started");
}

UpgradeRun::UpgradeRun(UpgradeSettings settings, DeviceSession* session, DeviceWrite* writer,
                       QTextStream* progress)
    : settings_(std::move(settings)), session_(session), writer_(writer), progress_(progress) {
    settings_.parallel = std::clamp(settings_.parallel, 1, kMaxParallelUploads);
    if (writer_) connect(writer_, &DeviceWrite::finished, this, &UpgradeRun::modeFrameSent);
    redraw_ = new QTimer(this);
    connect(redraw_, &QTimer::timeout, this, [this] { drawProgress(false); });
}

UpgradeRun::~UpgradeRun() = default;

void UpgradeRun::run(std::vector<UpgradeJob>& jobs) {
    jobs_ = &jobs;
    transfers_.assign(jobs.size(), nullptr);
    modeWaits_.assign(jobs.size(), nullptr);
    clocks_.assign(jobs.size(), QElapsedTimer());
    next_ = 0;
    running_ = 0;
    QEventLoop loop;
    auto allEnded = [&] {
        return running_ == 0 && std::none_of(jobs.begin() + static_cast<long>(next_), jobs.end(),
                                             [](const UpgradeJob& j) { return j.uploads(); });
    };
    connect(this, &UpgradeRun::jobsChanged, &loop, [&] {
        if (allEnded()) loop.quit();
    });
    startNext();
    if (progress_) {
        drawProgress(false);
        redraw_->start(kRedrawMs);
    }
    if (!allEnded()) loop.exec();
    redraw_->stop();
    if (progress_) drawProgress(true);
    jobs_ = nullptr;
}

void UpgradeRun::startNext() {
    while (!stopping_ && running_ < settings_.parallel && next_ < jobs_->size()) {
        const std::size_t i = next_++;
        UpgradeJob& job = (*jobs_)[i];
        if (!job.uploads()) continue;
        ++running_;
        job.started = true;
        if (job.entry >= 0 && writer_ && session_) {
            const int id = writer_->start(
                upgradeModeRequest(job.entry, session_->table()[static_cast<std::size_t>(job.entry)]));
            modeWrites_[id] = i;
        } else {
            startUpload(i);
        }
    }
    emit jobsChanged();
}

void UpgradeRun::modeFrameSent(int id, const WriteOutcome& outcome) {
    const auto it = modeWrites_.find(id);
    if (it == modeWrites_.end()) return;
    const std::size_t i = it->second;
    modeWrites_.erase(it);
    if (!outcome.done()) {
        // Not sent (another copy of the tool is writing the device, or the socket failed): no upload.
        UpgradeJob& job = (*jobs_)[i];
        job.result = UploadResult::Refused;
        if (settings_.texts)
            job.message = said(*settings_.texts, writeOutcomeText(outcome, *settings_.texts));
        --running_;
        return startNext();
    }
    if (stopping_) return startUpload(i);
    auto* wait = new QTimer(this);
    wait->setSingleShot(true);
    // Never early: a coarse timer may fire 5% before the device is ready.
    wait->setTimerType(Qt::PreciseTimer);
    connect(wait, &QTimer::timeout, this, [this, i] { startUpload(i); });
    modeWaits_[i] = wait;
    wait->start(settings_.modeWaitMs);
}

void UpgradeRun::stop() {
    if (stopping_ || jobs_ == nullptr) return;
    stopping_ = true;
    next_ = jobs_->size();
    for (TftpTransfer* transfer : transfers_)
        if (transfer) transfer->stop();
    // A device still getting ready is not waited for: Ctrl-C ends the run now, not after the wait.
    for (std::size_t i = 0; i < modeWaits_.size(); ++i) {
        if (modeWaits_[i] && modeWaits_[i]->isActive()) {
            modeWaits_[i]->stop();
            startUpload(i);
        }
    }
    emit jobsChanged();
}

void UpgradeRun::startUpload(std::size_t i) {
    // Stopped while the device was getting ready: its upload never starts.
    if (stopping_) {
        (*jobs_)[i].result = UploadResult::Stopped;
        --running_;
        emit jobsChanged();
        return;
    }
    auto* transfer = new TftpTransfer(this);
    transfers_[i] = transfer;
    clocks_[i].start();  // the upload's own time, without the wait after the upgrade-mode frame
    connect(transfer, &TftpTransfer::finished, this, [this, i](UploadResult r) { finish(i, r); });
    connect(transfer, &TftpTransfer::message, this, [this, i](const QString& text) {
        (*jobs_)[i].message = said(*settings_.texts, text.toStdString());
    });
    const UploadResult started = transfer->start(settings_.firmwarePath, settings_.image, (*jobs_)[i].address,
                                                 settings_.tftpPort, settings_.localAddress);
    if (started == UploadResult::Refused) finish(i, started);
}

void UpgradeRun::finish(std::size_t i, UploadResult result) {
    UpgradeJob& job = (*jobs_)[i];
    if (job.result != UploadResult::Running) return;
    const TftpUploader& up = transfers_[i]->uploader();
    job.result = result;
    job.blocks = up.blocksAcknowledged();
    job.bytes = std::min<std::uint64_t>(std::uint64_t{job.blocks} * kTftpBlockBytes, up.fileSize());
    job.seconds = static_cast<double>(clocks_[i].nsecsElapsed()) / 1e9;
    if (result == UploadResult::TimedOut && settings_.texts)
        job.message = QString::fromStdString(uploadTimeoutText(*settings_.texts, up.blocksSent()));
    --running_;
    startNext();
}

void UpgradeRun::drawProgress(bool last) {
    if (jobs_->empty()) return;
    QTextStream& out = *progress_;
    if (linesDrawn_ > 0) out << "\x1b[" << linesDrawn_ << 'A';
    linesDrawn_ = 0;
    const int width =
        static_cast<int>(std::max_element(jobs_->begin(), jobs_->end(), [](const auto& a, const auto& b) {
                             return a.device.size() < b.device.size();
                         })->device.size());
    for (std::size_t i = 0; i < jobs_->size(); ++i) {
        const UpgradeJob& job = (*jobs_)[i];
        const TftpTransfer* t = transfers_[i];
        const std::uint32_t count = t ? t->uploader().blockCount() : 0;
        const std::uint32_t done = t ? t->uploader().blocksAcknowledged() : 0;
        const int filled = count ? static_cast<int>(std::uint64_t{done} * kBarWidth / count) : 0;
        out << "\x1b[2K" << job.device.leftJustified(width) << "  [" << QString(filled, '#')
            << QString(kBarWidth - filled, '-') << "] ";
        if (job.result != UploadResult::Running || job.notFound)
            out << resultName(job);
        else if (!job.started)
            out << "waiting";
        else
            out << QString::number(count ? 100 * done / count : 0).rightJustified(3) << '%';
        out << '\n';
        ++linesDrawn_;
    }
    if (last) linesDrawn_ = 0;
    out.flush();
}

}  // namespace tavrel::cli
