#include "TimingArea.h"

#include "timing/ClockSource.h"

#include <QtCore/QDateTime>
#include <QtCore/QEvent>
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QTimeEdit>

#include "ControlIds.h"
#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "PackedWriteArea.h"
#include "Prompts.h"
#include "QtText.h"
#include "TimingLink.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"
#include "timing/ConfigImage.h"
#include "timing/ScheduleText.h"
#include "util/Paths.h"

namespace tavrel {

namespace {

using ids::kCloseYearEdit, ids::kOpenYearEdit, ids::kWeekCloseHourEdit, ids::kWeekOpenHourEdit;
constexpr int kTimerEdits[] = {kOpenYearEdit,      kOpenYearEdit + 1,  kOpenYearEdit + 2,
                               kOpenYearEdit + 3,  kOpenYearEdit + 4,  kOpenYearEdit + 5,
                               kCloseYearEdit,     kCloseYearEdit + 1, kCloseYearEdit + 2,
                               kCloseYearEdit + 3, kCloseYearEdit + 4, kCloseYearEdit + 5};
constexpr int kStrobeEdits[] = {ids::kStrobeOpenEdit, ids::kStrobeCloseEdit};
constexpr int kWeekControls[] = {ids::kOpenWeekdayList,  ids::kCloseWeekdayList, kWeekOpenHourEdit,
                                 kWeekOpenHourEdit + 1,  kWeekOpenHourEdit + 2,  kWeekCloseHourEdit,
                                 kWeekCloseHourEdit + 1, kWeekCloseHourEdit + 2};
// Everything of the panel a device without a board clock cannot use.
constexpr int kPanelControls[] = {ids::kBoardDate,
                                  ids::kBoardTime,
                                  ids::kBoardWeekday,
                                  ids::kCalibrateButton,
                                  ids::kComputerTimeCheck,
                                  ids::kScheduleList,
                                  ids::kTimerRadio,
                                  ids::kStrobeRadio,
                                  ids::kWeekRadio,
                                  ids::kModifyButton,
                                  ids::kReadScheduleButton,
                                  ids::kSaveScheduleButton,
                                  ids::kTimingOutputFollowCheck,
                                  ids::kTimingSendStatusCheck};
constexpr std::pair<int, ScheduleMode> kModeRadios[] = {{ids::kTimerRadio, ScheduleMode::Timer},
                                                        {ids::kStrobeRadio, ScheduleMode::Strobe},
                                                        {ids::kWeekRadio, ScheduleMode::Week}};

CalendarTime calendarOf(const QDate& date, const QTime& time) {
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

}  // namespace

TimingArea::TimingArea(MainWindowContext& window, PackedWriteArea& packedWrite)
    : QObject(window.widget()), window_(window), packedWrite_(packedWrite) {
    link_ = new TimingLink(window_.session(), this);
    link_->setObserver([this](int entry, const TimingAction& action) { onAction(entry, action); });
    list_ = window_.scheduleList();
    listViewport_ = list_->viewport();
    listViewport_->installEventFilter(this);

    auto button = [this](int id) { return window_.controlAs<QPushButton>(id); };
    connect(button(ids::kReadScheduleButton), &QPushButton::clicked, this, &TimingArea::read);
    connect(button(ids::kSaveScheduleButton), &QPushButton::clicked, this, &TimingArea::save);
    connect(button(ids::kCalibrateButton), &QPushButton::clicked, this, &TimingArea::calibrate);
    connect(button(ids::kModifyButton), &QPushButton::clicked, this, &TimingArea::modify);
    for (auto [id, mode] : kModeRadios)
        connect(window_.controlAs<QRadioButton>(id), &QRadioButton::clicked, this,
                [this, mode = mode] { selectMode(mode); });
    connect(window_.controlAs<QDateEdit>(ids::kBoardDate), &QDateEdit::dateChanged, this,
            &TimingArea::showPickedWeekday);
    connect(&window_.session(), &DeviceSession::deviceReady, this, [this](int i) {
        recordReadAt_[window_.devices()[static_cast<std::size_t>(i)].key] = QTime::currentTime();
    });
    // A picker without a clock read shows nothing rather than some other time.
    window_.controlAs<QDateEdit>(ids::kBoardDate)->setSpecialValueText(QStringLiteral(" "));
    window_.controlAs<QTimeEdit>(ids::kBoardTime)->setSpecialValueText(QStringLiteral(" "));
    clearClock();
}

bool TimingArea::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address only: the filter also sees the events of the list's own destruction.
    if (event->type() == QEvent::MouseButtonRelease && watched == listViewport_) loadRow();
    return QObject::eventFilter(watched, event);
}

void TimingArea::message(const std::string& text) {
    window_.prompts().inform(window_.caption(), qs(text), Prompts::Kind::Information);
}

void TimingArea::setStatus(TimingStatus status) {
    if (status == TimingStatus::None) return;
    window_.controlAs<QLabel>(ids::kTimingStatusLabel)
        ->setText(qs(timingStatusText(status, window_.texts())));
}

DeviceRecord* TimingArea::selectedBoard() {
    const auto row = window_.selectedDevice();
    if (!row) {
        window_.setStatusText(0, qs(window_.texts().selectDevicePrompt));
        return nullptr;
    }
    return window_.draft();
}

void TimingArea::read() {
    if (!selectedBoard()) return;
    link_->startRead(*window_.selectedDevice());
}

void TimingArea::save() {
    // The hint comes first and stays when there is nothing read to save.
    setStatus(TimingStatus::ReadFirst);
    if (!selectedBoard()) return;
    if (list_->rowCount() > 0 && !window_.confirmWrite(WriteKind::Save)) return;
    // The chain sends the schedules from the device's record, so the draft's go there first.
    const DeviceRecord& edited = *selectedBoard();
    DeviceRecord& stored = window_.devices()[static_cast<std::size_t>(*window_.selectedDevice())];
    for (std::size_t n = 0; n < kScheduleChannels; ++n) setSchedule(stored, n, scheduleOf(edited, n));
    link_->startSave(
        *window_.selectedDevice(), window_.controlAs<QCheckBox>(ids::kTimingOutputFollowCheck)->isChecked(),
        window_.controlAs<QCheckBox>(ids::kTimingSendStatusCheck)->isChecked(), list_->rowCount() > 0);
}

BoardClock TimingArea::pickedClock() const {
    return boardClockOf(calendarOf(window_.controlAs<QDateEdit>(ids::kBoardDate)->date(),
                                   window_.controlAs<QTimeEdit>(ids::kBoardTime)->time()));
}

void TimingArea::calibrate() {
    const auto row = window_.selectedDevice();
    DeviceRecord* device = window_.draft();
    if (device == nullptr) {
        window_.setStatusText(0, qs(window_.texts().selectDevicePrompt));
        return;
    }
    // A device without a board clock has no image to carry one: a write would send zeros.
    const ClockSource source = clockSourceOf(*device);
    if (source == ClockSource::None) {
        message(std::string(fixed::kNoRtcSupport));
        return;
    }
    if (!window_.confirmWrite(WriteKind::Save)) return;
    if (source == ClockSource::Image) {
        setClock(*device, pickedClock());
        packedWrite_.save(true, false);
        return;
    }
    BoardClock clock = pickedClock();
    if (window_.controlAs<QCheckBox>(ids::kComputerTimeCheck)->isChecked()) {
        const QDateTime now = QDateTime::currentDateTime();
        clock = boardClockOf(calendarOf(now.date(), now.time()));
    }
    link_->calibrate(*row, clock);
}

void TimingArea::onAction(int entry, const TimingAction& a) {
    setStatus(a.status);
    // Widgets show the selected device only; another board's chain still runs into its own record.
    if (window_.selectedDevice() != entry) return;
    DeviceRecord& device = *window_.draft();
    // What the chain read replaces the draft's schedules too.
    if (a.refillList) {
        const DeviceRecord& read = window_.devices()[static_cast<std::size_t>(entry)];
        for (std::size_t n = 0; n < kScheduleChannels; ++n) setSchedule(device, n, scheduleOf(read, n));
    }
    if (a.clearList) list_->setRowCount(0);
    if (a.boardText) window_.controlAs<QLabel>(ids::kBoardTextLabel)->setText(qs(*a.boardText));
    if (a.options) {
        window_.controlAs<QCheckBox>(ids::kTimingOutputFollowCheck)->setChecked((*a.options)[0]);
        window_.controlAs<QCheckBox>(ids::kTimingSendStatusCheck)->setChecked((*a.options)[1]);
    }
    if (a.clock) {
        showClock(*a.clock, QTime::currentTime());
        window_.controlAs<QLineEdit>(ids::kBoardWeekday)->setText(qs(weekdayName(a.clock->weekday)));
    }
    if (a.refillList) fillList(device);
}

void TimingArea::showClock(const BoardClock& c, const QTime& readAt) {
    auto* date = window_.controlAs<QDateEdit>(ids::kBoardDate);
    auto* time = window_.controlAs<QTimeEdit>(ids::kBoardTime);
    const QSignalBlocker quiet(date);
    date->setDate(QDate(c.fullYear(), c.month, c.day));
    time->setTime(QTime(c.hour, c.minute, c.second));
    date->setEnabled(true);
    time->setEnabled(true);
    const QString when =
        qs(window_.texts().boardClockReadAt).arg(readAt.toString(QStringLiteral("HH:mm:ss")));
    date->setToolTip(when);
    time->setToolTip(when);
    window_.controlAs<QLabel>(ids::kTimingStatusLabel)->setText(when);
}

void TimingArea::clearClock() {
    auto* date = window_.controlAs<QDateEdit>(ids::kBoardDate);
    auto* time = window_.controlAs<QTimeEdit>(ids::kBoardTime);
    const QSignalBlocker quietDate(date);
    const QSignalBlocker quietTime(time);
    date->setDate(date->minimumDate());
    time->setTime(time->minimumTime());
    date->setEnabled(false);
    time->setEnabled(false);
    date->setToolTip(QString());
    time->setToolTip(QString());
    window_.controlAs<QLineEdit>(ids::kBoardWeekday)->clear();
}

void TimingArea::showPickedWeekday() {
    const QDate d = window_.controlAs<QDateEdit>(ids::kBoardDate)->date();
    window_.controlAs<QLineEdit>(ids::kBoardWeekday)
        ->setText(qs(weekdayName(weekdayOf(d.year(), d.month(), d.day()))));
}

void TimingArea::fillList(const DeviceRecord& device) {
    list_->setRowCount(0);
    const int rows = scheduleRowCount(device);
    for (int n = 0; n < rows; ++n) {
        list_->insertRow(n);
        setRow(n, device);
    }
}

void TimingArea::setRow(int row, const DeviceRecord& device) {
    const ScheduleRow texts =
        scheduleRow(static_cast<std::size_t>(row), scheduleOf(device, static_cast<std::size_t>(row)));
    const std::string* cells[] = {&texts.index, &texts.mode, &texts.open, &texts.close};
    for (int column = 0; column < 4; ++column) {
        if (QTableWidgetItem* item = list_->item(row, column))
            item->setText(qs(*cells[column]));
        else
            list_->setItem(row, column, new QTableWidgetItem(qs(*cells[column])));
    }
}

void TimingArea::clear() {
    list_->setRowCount(0);
    window_.controlAs<QLabel>(ids::kBoardTextLabel)->clear();
    window_.controlAs<QLabel>(ids::kTimingStatusLabel)->clear();
    for (int id : kTimerEdits) window_.controlAs<QLineEdit>(id)->clear();
    for (int id : kStrobeEdits) window_.controlAs<QLineEdit>(id)->clear();
    for (int id : kWeekControls)
        if (auto* edit = window_.controlAs<QLineEdit>(id)) edit->clear();
    setPanelEnabled(false);
    clearClock();
}

void TimingArea::setPanelEnabled(bool enabled) {
    for (int id : kPanelControls) window_.control(id)->setEnabled(enabled);
    if (enabled) return;
    for (auto [id, mode] : kModeRadios) window_.controlAs<QRadioButton>(id)->setChecked(false);
    for (int id : kTimerEdits) window_.control(id)->setEnabled(false);
    for (int id : kStrobeEdits) window_.control(id)->setEnabled(false);
    for (int id : kWeekControls) window_.control(id)->setEnabled(false);
}

void TimingArea::showDevice(int index) {
    const DeviceRecord* draft = window_.selectedDevice() == index ? window_.draft() : nullptr;
    const DeviceRecord& device = draft ? *draft : window_.devices()[static_cast<std::size_t>(index)];
    // Another device's clock, board name, status and schedules never stay on this one.
    if (index != shownIndex_ || clockSourceOf(device) == ClockSource::None) clear();
    shownIndex_ = index;
    list_->setRowCount(0);
    setPanelEnabled(clockSourceOf(device) != ClockSource::None);
    // The pickers stay empty until this board's clock is read (a 302 board's by Read).
    if (index != shownIndex_ || !capabilitiesOf(device).packedWrite()) clearClock();
    if (!capabilitiesOf(device).packedWrite() || !hasTimingMarker(device)) return;
    fillList(device);
    const BoardClock clock = clockOf(device);
    const auto readAt = recordReadAt_.find(device.key);
    showClock(clock, readAt != recordReadAt_.end() ? readAt->second : QTime::currentTime());
    const std::string name = weekdayName(clock.weekday);
    window_.controlAs<QLineEdit>(ids::kBoardWeekday)
        ->setText(qs(name.empty() ? fixed::withNumber(fixed::kUnknownWeekdayPattern, clock.weekday) : name));
}

void TimingArea::selectMode(ScheduleMode mode) {
    for (auto [id, m] : kModeRadios) window_.controlAs<QRadioButton>(id)->setChecked(m == mode);
    for (int id : kTimerEdits) window_.control(id)->setEnabled(mode == ScheduleMode::Timer);
    for (int id : kStrobeEdits) window_.control(id)->setEnabled(mode == ScheduleMode::Strobe);
    for (int id : kWeekControls) window_.control(id)->setEnabled(mode == ScheduleMode::Week);
}

void TimingArea::loadRow() {
    const int row = list_->currentRow();
    if (row < 0 || list_->selectedItems().isEmpty()) {
        message(window_.texts().chooseScheduleRow);
        return;
    }
    const auto device = window_.selectedDevice();
    if (!device) {
        message(window_.texts().chooseBoard);
        return;
    }
    const DeviceRecord& board = *window_.draft();
    if (!hasTimingMarker(board)) {
        message(std::string(fixed::kNoRtcSupport));
        return;
    }
    const ScheduleFields f = scheduleFields(scheduleOf(board, static_cast<std::size_t>(row)));
    auto setEdit = [this](int id, const std::string& text) {
        window_.controlAs<QLineEdit>(id)->setText(qs(text));
    };
    if (f.timer) {
        for (int k = 0; k < 6; ++k) {
            setEdit(ids::kOpenYearEdit + k, f.timer->open[static_cast<std::size_t>(k)]);
            setEdit(ids::kCloseYearEdit + k, f.timer->close[static_cast<std::size_t>(k)]);
        }
        selectMode(ScheduleMode::Timer);
    } else if (f.strobe) {
        setEdit(ids::kStrobeOpenEdit, f.strobe->open);
        setEdit(ids::kStrobeCloseEdit, f.strobe->close);
        selectMode(ScheduleMode::Strobe);
    } else if (f.week) {
        window_.controlAs<QComboBox>(ids::kOpenWeekdayList)->setCurrentIndex(f.week->openWeekday);
        window_.controlAs<QComboBox>(ids::kCloseWeekdayList)->setCurrentIndex(f.week->closeWeekday);
        for (int k = 0; k < 3; ++k) {
            setEdit(ids::kWeekOpenHourEdit + k, f.week->open[static_cast<std::size_t>(k)]);
            setEdit(ids::kWeekCloseHourEdit + k, f.week->close[static_cast<std::size_t>(k)]);
        }
        selectMode(ScheduleMode::Week);
    }
}

void TimingArea::modify() {
    const int row = list_->currentRow();
    if (row < 0 || list_->selectedItems().isEmpty()) return;
    const auto device = window_.selectedDevice();
    if (!device) {
        message(std::string(fixed::kChooseBoard));
        return;
    }
    DeviceRecord& board = *window_.draft();
    if (!hasTimingMarker(board)) {
        message(std::string(fixed::kNoRtcSupport));
        return;
    }
    auto edit = [this](int id) { return window_.controlAs<QLineEdit>(id)->text().toStdString(); };
    const auto channel = static_cast<std::size_t>(row);
    const OutputSchedule before = scheduleOf(board, channel);
    OutputSchedule after;
    if (window_.controlAs<QRadioButton>(ids::kTimerRadio)->isChecked()) {
        TimerFields e;
        for (int k = 0; k < 6; ++k) {
            e.open[static_cast<std::size_t>(k)] = edit(ids::kOpenYearEdit + k);
            e.close[static_cast<std::size_t>(k)] = edit(ids::kCloseYearEdit + k);
        }
        after = modifyTimer(before, e);
    } else if (window_.controlAs<QRadioButton>(ids::kStrobeRadio)->isChecked()) {
        after = modifyStrobe(before, {edit(ids::kStrobeOpenEdit), edit(ids::kStrobeCloseEdit)});
    } else if (window_.controlAs<QRadioButton>(ids::kWeekRadio)->isChecked()) {
        WeekFields e;
        e.openWeekday = window_.controlAs<QComboBox>(ids::kOpenWeekdayList)->currentIndex();
        e.closeWeekday = window_.controlAs<QComboBox>(ids::kCloseWeekdayList)->currentIndex();
        for (int k = 0; k < 3; ++k) {
            e.open[static_cast<std::size_t>(k)] = edit(ids::kWeekOpenHourEdit + k);
            e.close[static_cast<std::size_t>(k)] = edit(ids::kWeekCloseHourEdit + k);
        }
        after = modifyWeek(before, e);
    } else {
        message(std::string(fixed::kChooseMode));
        return;
    }
    setSchedule(board, channel, after);
    setRow(row, board);
}

}  // namespace tavrel
