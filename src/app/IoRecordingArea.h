#pragma once
// The IO window's data log and history: two buttons in its tips group, the CSV log of every change
// of the board's channels while it is connected, and the timing diagram of the last minutes.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <memory>

#include "iocontrol/IoHistory.h"
#include "texts/UiTexts.h"

class QPushButton;
class QWidget;

namespace tavrel {

class DialogUnits;
class IoBoardLink;
class IoDataLog;
class IoHistoryView;
class Prompts;

class IoRecordingArea : public QObject {
    Q_OBJECT
  public:
    IoRecordingArea(QWidget* window, IoBoardLink& link, const UiTexts& texts,
                    std::shared_ptr<Prompts> prompts, const DialogUnits& du);
    ~IoRecordingArea() override;

    const IoHistory& history() const { return history_; }
    IoDataLog& dataLog() { return *dataLog_; }
    // The diagram's window once it was opened, else nothing.
    IoHistoryView* historyView() const { return view_; }

  private:
    void onPanelChanged();
    void onLogClicked();
    void onLinkClosed();
    void onLogFailed(const QString& reason);
    void showHistory();
    void setLogging(bool on);
    long long nowMs() const { return clock_.elapsed(); }

    QWidget* window_;
    IoBoardLink& link_;
    UiTexts texts_;
    std::shared_ptr<Prompts> prompts_;
    IoHistory history_;
    QElapsedTimer clock_;
    IoDataLog* dataLog_ = nullptr;
    IoHistoryView* view_ = nullptr;
    QPushButton* logButton_ = nullptr;
    QPushButton* historyButton_ = nullptr;
};

}  // namespace tavrel
