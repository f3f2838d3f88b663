#include "IoRecordingArea.h"

#include <QtWidgets/QPushButton>

#include "DialogUnits.h"
#include "IoBoardLink.h"
#include "IoDataLog.h"
#include "IoHistoryView.h"
#include "Prompts.h"
#include "QtText.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {
// Below the client list of the tips group.
constexpr int kButtonsTop = 349;
constexpr int kButtonsHeight = 14;
}  // namespace

IoRecordingArea::IoRecordingArea(QWidget* window, IoBoardLink& link, const UiTexts& texts,
                                 std::shared_ptr<Prompts> prompts, const DialogUnits& du)
    : QObject(window),
      window_(window),
      link_(link),
      texts_(texts),
      prompts_(std::move(prompts)),
      dataLog_(new IoDataLog(this)) {
    clock_.start();
    logButton_ = new QPushButton(qs(texts_.ioLogToFile), window);
    logButton_->setObjectName(QStringLiteral("logToFileButton"));
    logButton_->setGeometry(du.rect(12, kButtonsTop, 68, kButtonsHeight));
    logButton_->setCheckable(true);
    logButton_->setEnabled(link_.isOpen());
    historyButton_ = new QPushButton(qs(texts_.ioHistory), window);
    historyButton_->setObjectName(QStringLiteral("historyButton"));
    historyButton_->setGeometry(du.rect(82, kButtonsTop, 68, kButtonsHeight));

    connect(logButton_, &QPushButton::clicked, this, &IoRecordingArea::onLogClicked);
    connect(historyButton_, &QPushButton::clicked, this, &IoRecordingArea::showHistory);
    connect(&link_, &IoBoardLink::panelChanged, this, &IoRecordingArea::onPanelChanged);
    connect(&link_, &IoBoardLink::openedChanged, this, [this](bool open) {
        logButton_->setEnabled(open);
        if (!open) onLinkClosed();
    });
    connect(&link_, &IoBoardLink::closed, this, &IoRecordingArea::onLinkClosed);
    connect(dataLog_, &IoDataLog::failed, this, &IoRecordingArea::onLogFailed);
}

IoRecordingArea::~IoRecordingArea() {
    dataLog_->stop();
}

void IoRecordingArea::onPanelChanged() {
    const std::vector<IoChange> changes = history_.observe(nowMs(), link_.state());
    if (changes.empty()) return;
    dataLog_->append(changes);
    if (view_ && view_->isVisible()) view_->update();
}

// The board is gone: its lanes go grey and the log ends.
void IoRecordingArea::onLinkClosed() {
    history_.observe(nowMs(), link_.state());
    if (view_ && view_->isVisible()) view_->update();
    const bool wasLogging = dataLog_->active();
    setLogging(false);
    logButton_->setEnabled(link_.isOpen());
    // A log that ends unasked is told, so that nobody takes its last row for the board's present.
    if (wasLogging) prompts_->inform(qs(texts_.infoCaption), qs(texts_.ioLogEnded) + dataLog_->path());
}

void IoRecordingArea::onLogClicked() {
    if (dataLog_->active()) {
        setLogging(false);
        return;
    }
    logButton_->setChecked(false);
    if (!link_.isOpen()) return;
    const QString path =
        prompts_->saveFileName(qs(texts_.ioLogToFile), QString(), qs(fixed::kDataLogFileFilter));
    if (path.isEmpty()) return;
    QString error;
    if (!dataLog_->start(path, &error)) {
        prompts_->inform(qs(texts_.infoCaption),
                         qs(texts_.ioLogFailed) + path + QStringLiteral(" (") + error + ')',
                         Prompts::Kind::Error);
        return;
    }
    // The states shown when the log starts are its first rows.
    IoHistory snapshot;
    dataLog_->append(snapshot.observe(nowMs(), link_.state()));
    setLogging(true);
}

void IoRecordingArea::onLogFailed(const QString& reason) {
    setLogging(false);
    prompts_->inform(qs(texts_.infoCaption),
                     qs(texts_.ioLogFailed) + dataLog_->path() + QStringLiteral(" (") + reason + ')',
                     Prompts::Kind::Error);
}

void IoRecordingArea::setLogging(bool on) {
    if (!on) dataLog_->stop();
    logButton_->setChecked(on);
    logButton_->setText(qs(on ? texts_.ioStopLogging : texts_.ioLogToFile));
}

void IoRecordingArea::showHistory() {
    if (!view_)
        view_ = new IoHistoryView(
            history_, [this] { return nowMs(); }, texts_, window_);
    view_->show();
    view_->raise();
    view_->activateWindow();
}

}  // namespace tavrel
