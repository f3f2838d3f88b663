#pragma once
// The "输出时间设置" group: the board clock and its calibration, the schedule list and editor, and
// the read and save chains of 302-byte boards. Changes go into the device's schedule table; they
// reach the board through the save chain, or the packed write for boards with an image.
#include <QtCore/QObject>
#include <QtCore/QTime>
#include <map>
#include <string>

#include "device/DeviceRecord.h"

#include "timing/BoardClock.h"
#include "timing/TimingChain.h"

class QTableWidget;

namespace tavrel {

class MainWindowContext;
class PackedWriteArea;
class TimingLink;
struct DeviceRecord;

class TimingArea : public QObject {
    Q_OBJECT
  public:
    TimingArea(MainWindowContext& window, PackedWriteArea& packedWrite);

    // Fills the group for a device that is being shown; a device without a board clock leaves it
    // empty and disabled.
    void showDevice(int index);
    // No device: nothing of the last one stays, and nothing can be used.
    void clear();

    void read();
    void save();
    void calibrate();
    void modify();
    void loadRow();
    void selectMode(ScheduleMode mode);

    TimingLink& link() { return *link_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onAction(int entry, const TimingAction& action);
    void fillList(const DeviceRecord& device);
    void setRow(int row, const DeviceRecord& device);
    // The pickers show a board's clock only once it was read, with the time of that read.
    void showClock(const BoardClock& clock, const QTime& readAt);
    void clearClock();
    std::map<DeviceKey, QTime> recordReadAt_;  // boards whose image (and clock) came with the search
    void showWeekdayOf(const BoardClock& clock);
    void showPickedWeekday();
    void setStatus(TimingStatus status);
    void setPanelEnabled(bool enabled);
    // The selected device, or null with the status bar prompt.
    DeviceRecord* selectedBoard();
    BoardClock pickedClock() const;
    void message(const std::string& text);

    MainWindowContext& window_;
    PackedWriteArea& packedWrite_;
    TimingLink* link_ = nullptr;
    QTableWidget* list_ = nullptr;
    QObject* listViewport_ = nullptr;
    int shownIndex_ = -1;
};

}  // namespace tavrel
