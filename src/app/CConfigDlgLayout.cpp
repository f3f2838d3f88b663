// The main window's controls at their places, in dialog units, area by area.
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QTimeEdit>

#include "CConfigDlg.h"
#include "ClickableLabel.h"
#include "ControlIds.h"
#include "DialogUnits.h"
#include "FocusRing.h"
#include "QtText.h"
#include "device/FixedLists.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {

// Label rows sit a little lower than the fields beside them, so that texts line up.
constexpr int kLabelDrop = 2;
constexpr int kRowHeight = 12;
constexpr int kLabelHeight = 10;
constexpr int kButtonHeight = 14;

// The selected row's colour of both list views, RGB(51,153,255), also while the list has no focus.
void styleReportList(QTableWidget* list) {
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control; the arrow keys move the selection.
    list->setTabKeyNavigation(false);
    FocusRing::attach(list);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setStretchLastSection(false);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    QPalette palette = list->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(51, 153, 255));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Base, Qt::white);
    }
    list->setPalette(palette);
}

template <class W>
W* plain(QWidget* page, const DialogUnits& du, const char* name, int x, int y, int w, int h) {
    auto* widget = new W(page);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(du.rect(x, y, w, h));
    return widget;
}

}  // namespace

template <class W>
W* CConfigDlg::place(int id, QWidget* page, const DialogUnits& du, int x, int y, int w, int h) {
    auto* widget = new W(page);
    widget->setGeometry(du.rect(x, y, w, h));
    if constexpr (std::is_base_of_v<QPushButton, W>) widget->setAutoDefault(false);
    register_(id, widget);
    return widget;
}

void CConfigDlg::buildLayout(QWidget* page, const DialogUnits& du) {
    buildDeviceListArea(page, du);
    buildNetworkArea(page, du);
    buildWifiArea(page, du);
    buildPortArea(page, du);
    buildTimeArea(page, du);
    buildScheduleEditor(page, du);
    buildBottomRow(page, du);
    for (int id : {ids::kPortList, ids::kPortSelectLabel, ids::kEnableCheck, ids::kInterfaceLabel,
                   ids::kInterfaceList, ids::kScanProgress, ids::kStopEncryptionButton,
                   ids::kStartEncryptionButton, ids::kComputerTimeCheck})
        control(id)->hide();
}

void CConfigDlg::buildDeviceListArea(QWidget* page, const DialogUnits& du) {
    place<QGroupBox>(ids::kDeviceListFrame, page, du, 7, 7, 332, 121);
    deviceList_ = place<QTableWidget>(ids::kDeviceList, page, du, 13, 18, 320, 72);
    styleReportList(deviceList_);
    place<QCheckBox>(ids::kSelectSubnetCheck, page, du, 13, 94, 62, kRowHeight);
    place<QCheckBox>(ids::kBroadcastCheck, page, du, 77, 94, 52, kRowHeight);
    auto* progress = place<QProgressBar>(ids::kScanProgress, page, du, 133, 96, 200, 8);
    progress->setTextVisible(false);
    progress->setRange(0, 255);
    place<QPushButton>(ids::kSearchButton, page, du, 13, 109, 62, kButtonHeight);
    place<QPushButton>(ids::kRestartButton, page, du, 79, 109, 62, kButtonHeight);
    place<QPushButton>(ids::kFactoryResetButton, page, du, 145, 109, 62, kButtonHeight);
    place<QPushButton>(ids::kFirmwareButton, page, du, 211, 109, 70, kButtonHeight);
}

void CConfigDlg::buildNetworkArea(QWidget* page, const DialogUnits& du) {
    place<QGroupBox>(ids::kNetworkFrame, page, du, 7, 132, 205, 193);
    struct Row {
        int label;
        int field;
    };
    constexpr Row kRows[] = {{ids::kIpTypeLabel, ids::kIpTypeList},
                             {ids::kIpAddressLabel, ids::kIpAddressEdit},
                             {ids::kSubnetMaskLabel, ids::kSubnetMaskEdit},
                             {ids::kGatewayLabel, ids::kGatewayEdit},
                             {ids::kDnsLabel, ids::kDnsEdit},
                             {ids::kMacLabel, ids::kMacEdit},
                             {ids::kUserLabel, ids::kUserEdit},
                             {ids::kPasswordLabel, ids::kPasswordEdit},
                             {ids::kRs485Label, ids::kRs485Edit}};
    int y = 144;
    for (const Row& row : kRows) {
        place<QLabel>(row.label, page, du, 14, y + kLabelDrop, 64, kLabelHeight);
        if (row.field == ids::kIpTypeList)
            place<QComboBox>(row.field, page, du, 80, y, 124, kRowHeight);
        else
            place<QLineEdit>(row.field, page, du, 80, y, 124, kRowHeight);
        y += 15;
    }
    for (int id : {ids::kIpAddressEdit, ids::kSubnetMaskEdit, ids::kGatewayEdit, ids::kDnsEdit})
        controlAs<QLineEdit>(id)->setMaxLength(15);
    controlAs<QLabel>(ids::kRs485Label)->setText(qs(fixed::kRs485AddressLabel));
    place<QLabel>(ids::kInputChangedLabel, page, du, 14, 280, 190, kLabelHeight);
    place<QCheckBox>(ids::kOutputFollowCheck, page, du, 14, 292, 90, kRowHeight);
    place<QCheckBox>(ids::kSendStatusCheck, page, du, 106, 292, 98, kRowHeight);
    place<QPushButton>(ids::kSaveNetworkButton, page, du, 14, 307, 60, kButtonHeight);
    place<QPushButton>(ids::kStopEncryptionButton, page, du, 80, 307, 60, kButtonHeight)
        ->setText(qs(fixed::kStopEncryptionButton));
}

void CConfigDlg::buildWifiArea(QWidget* page, const DialogUnits& du) {
    place<QGroupBox>(ids::kWifiFrame, page, du, 213, 132, 127, 193);
    place<QLabel>(ids::kWifiModeLabel, page, du, 219, 146, 32, kLabelHeight);
    place<QComboBox>(ids::kWifiModeList, page, du, 253, 144, 81, kRowHeight);

    plain<QGroupBox>(page, du, "wifiApFrame", 219, 160, 115, 48)->setTitle(qs(lists::kWifiModes[0]));
    plain<QLabel>(page, du, "apSsidLabel", 224, 173, 28, kLabelHeight)->setText(qs(fixed::kSsidLabel));
    place<QLineEdit>(ids::kApSsidEdit, page, du, 254, 171, 76, kRowHeight);
    place<QLabel>(ids::kApPasswordLabel, page, du, 224, 189, 28, kLabelHeight);
    place<QLineEdit>(ids::kApPasswordEdit, page, du, 254, 187, 76, kRowHeight);

    plain<QGroupBox>(page, du, "wifiStaFrame", 219, 212, 115, 66)->setTitle(qs(lists::kWifiModes[1]));
    plain<QLabel>(page, du, "staSsidLabel", 224, 225, 28, kLabelHeight)->setText(qs(fixed::kSsidLabel));
    place<QLineEdit>(ids::kStaSsidEdit, page, du, 254, 223, 76, kRowHeight);
    place<QLabel>(ids::kStaPasswordLabel, page, du, 224, 241, 28, kLabelHeight);
    place<QLineEdit>(ids::kStaPasswordEdit, page, du, 254, 239, 76, kRowHeight);
    place<QPushButton>(ids::kWifiScanButton, page, du, 254, 256, 50, kButtonHeight);

    place<QLabel>(ids::kSignalLabel, page, du, 219, 287, 40, kLabelHeight);
    auto* signal = place<QProgressBar>(ids::kSignalBar, page, du, 260, 286, 74, 10);
    signal->setRange(0, 70);
    signal->setValue(0);
    signal->setTextVisible(false);
    place<QLabel>(ids::kSignalText, page, du, 260, 300, 74, kLabelHeight);
}

void CConfigDlg::buildPortArea(QWidget* page, const DialogUnits& du) {
    place<QGroupBox>(ids::kPortFrame, page, du, 344, 7, 182, 319);
    // The port list heads the group when the device has more than one port; the rows below keep
    // their places whether it shows or not. The enable box and the interface list stay hidden.
    place<QLabel>(ids::kPortSelectLabel, page, du, 351, 22, 64, kLabelHeight);
    place<QComboBox>(ids::kPortList, page, du, 417, 20, 102, kRowHeight);
    place<QCheckBox>(ids::kEnableCheck, page, du, 351, 36, 64, kRowHeight);
    place<QLabel>(ids::kInterfaceLabel, page, du, 351, 52, 64, kLabelHeight);
    place<QComboBox>(ids::kInterfaceList, page, du, 417, 50, 102, kRowHeight);

    struct Row {
        int label;
        int field;
        bool list;
    };
    constexpr Row kRows[] = {{ids::kBaudRateLabel, ids::kBaudRateList, true},
                             {ids::kParityLabel, ids::kParityList, true},
                             {ids::kDataBitsLabel, ids::kDataBitsList, true},
                             {ids::kStopBitsLabel, ids::kStopBitsList, true},
                             {ids::kWorkModeLabel, ids::kWorkModeList, true},
                             {ids::kRemoteHostLabel, ids::kRemoteHostEdit, false},
                             {ids::kRemotePortLabel, ids::kRemotePortEdit, false},
                             {ids::kLocalPortLabel, ids::kLocalPortEdit, false},
                             {ids::kHeartbeatDataLabel, ids::kHeartbeatDataEdit, false}};
    int y = 36;
    for (const Row& row : kRows) {
        place<QLabel>(row.label, page, du, 351, y + kLabelDrop, 64, kLabelHeight);
        if (row.list)
            place<QComboBox>(row.field, page, du, 417, y, 102, kRowHeight);
        else
            place<QLineEdit>(row.field, page, du, 417, y, 102, kRowHeight);
        y += 16;
    }
    place<QLabel>(ids::kHeartbeatTimeLabel, page, du, 351, y + kLabelDrop, 64, kLabelHeight);
    place<QLineEdit>(ids::kHeartbeatTimeEdit, page, du, 417, y, 88, kRowHeight);
    plain<QLabel>(page, du, "heartbeatUnitLabel", 508, y + kLabelDrop, 12, kLabelHeight)
        ->setText(qs(fixed::kSecondsUnit));

    place<QCheckBox>(ids::kModbusCheck, page, du, 351, 200, 160, kRowHeight);
    place<QLabel>(ids::kModbusTimeoutLabel, page, du, 351, 218, 64, kLabelHeight)
        ->setText(qs(fixed::kModbusTimeoutLabel));
    place<QLineEdit>(ids::kModbusTimeoutEdit, page, du, 417, 216, 88, kRowHeight);
    plain<QLabel>(page, du, "modbusTimeoutUnitLabel", 508, 218, 14, kLabelHeight)
        ->setText(qs(fixed::kMillisecondsUnit));

    place<QCheckBox>(ids::kCloudCheck, page, du, 351, 234, 43, kRowHeight)
        ->setText(qs(fixed::kCloudPassThroughCheck));
    auto* help = place<ClickableLabel>(ids::kCloudHelpLink, page, du, 396, 235, 10, kLabelHeight);
    help->setText(qs(fixed::kCloudHelpMark));
    help->setCursor(Qt::PointingHandCursor);
    place<QLabel>(ids::kCloudIdLabel, page, du, 351, 252, 64, kLabelHeight)
        ->setText(qs(fixed::kCloudIdLabel));
    place<QLineEdit>(ids::kCloudIdEdit, page, du, 417, 250, 102, kRowHeight);
    place<QLabel>(ids::kCloudPasswordLabel, page, du, 351, 268, 64, kLabelHeight)
        ->setText(qs(fixed::kCloudPasswordLabel));
    place<QLineEdit>(ids::kCloudPasswordEdit, page, du, 417, 266, 102, kRowHeight);

    place<QPushButton>(ids::kSavePortButton, page, du, 351, 290, 60, kButtonHeight);
    place<QPushButton>(ids::kStartEncryptionButton, page, du, 417, 290, 60, kButtonHeight)
        ->setText(qs(fixed::kStartEncryptionButton));
}

void CConfigDlg::buildTimeArea(QWidget* page, const DialogUnits& du) {
    place<QGroupBox>(ids::kTimeFrame, page, du, 529, 7, 241, 319);
    place<QLabel>(ids::kDeviceTimeLabel, page, du, 535, 21, 44, kLabelHeight);
    auto* date = place<QDateEdit>(ids::kBoardDate, page, du, 581, 19, 56, kRowHeight);
    date->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    date->setCalendarPopup(true);
    date->setDate(QDate::currentDate());
    auto* time = place<QTimeEdit>(ids::kBoardTime, page, du, 639, 19, 44, kRowHeight);
    time->setDisplayFormat(QStringLiteral("H:mm:ss"));
    time->setTime(QTime::currentTime());
    place<QLineEdit>(ids::kBoardWeekday, page, du, 685, 19, 30, kRowHeight)->setReadOnly(true);
    place<QPushButton>(ids::kCalibrateButton, page, du, 717, 18, 47, kButtonHeight);
    place<QCheckBox>(ids::kComputerTimeCheck, page, du, 535, 34, 80, kRowHeight);

    place<QLabel>(ids::kTimingInputChangedLabel, page, du, 535, 36, 66, kLabelHeight);
    place<QCheckBox>(ids::kTimingOutputFollowCheck, page, du, 603, 34, 78, kRowHeight);
    place<QCheckBox>(ids::kTimingSendStatusCheck, page, du, 683, 34, 81, kRowHeight);

    scheduleList_ = place<QTableWidget>(ids::kScheduleList, page, du, 535, 50, 229, 98);
    styleReportList(scheduleList_);
}

void CConfigDlg::buildScheduleEditor(QWidget* page, const DialogUnits& du) {
    place<QLabel>(ids::kScheduleModeLabel, page, du, 535, 155, 30, kLabelHeight);
    place<QRadioButton>(ids::kTimerRadio, page, du, 567, 153, 44, kRowHeight);
    place<QRadioButton>(ids::kStrobeRadio, page, du, 613, 153, 44, kRowHeight);
    place<QRadioButton>(ids::kWeekRadio, page, du, 659, 153, 44, kRowHeight);
    place<QLabel>(ids::kBoardTextLabel, page, du, 705, 155, 59, kLabelHeight);

    // Timer mode: a header row of units over an open row and a close row of six fields each.
    constexpr int kFieldLeft = 583;
    constexpr int kFieldPitch = 30;
    constexpr int kFieldWidth = 28;
    constexpr int kTimerHeaders[] = {ids::kYearLabel, ids::kMonthLabel,  ids::kDayLabel,
                                     ids::kHourLabel, ids::kMinuteLabel, ids::kSecondLabel};
    for (int k = 0; k < 6; ++k) {
        const int x = kFieldLeft + k * kFieldPitch;
        place<QLabel>(kTimerHeaders[k], page, du, x, 169, kFieldWidth, kLabelHeight);
        place<QLineEdit>(ids::kOpenYearEdit + k, page, du, x, 179, kFieldWidth, kRowHeight);
        place<QLineEdit>(ids::kCloseYearEdit + k, page, du, x, 194, kFieldWidth, kRowHeight);
    }
    place<QLabel>(ids::kTimerOpenLabel, page, du, 535, 181, 46, kLabelHeight);
    place<QLabel>(ids::kTimerCloseLabel, page, du, 535, 196, 46, kLabelHeight);

    // Strobe mode: open and close times side by side.
    place<QLabel>(ids::kStrobeOpenLabel, page, du, 535, 214, 46, kLabelHeight);
    place<QLineEdit>(ids::kStrobeOpenEdit, page, du, kFieldLeft, 212, 58, kRowHeight);
    place<QLabel>(ids::kStrobeCloseLabel, page, du, 645, 214, 46, kLabelHeight);
    place<QLineEdit>(ids::kStrobeCloseEdit, page, du, 693, 212, 58, kRowHeight);

    // Week mode: weekday list and time, for opening and for closing.
    constexpr int kWeekTimeLeft = 643;
    place<QLabel>(ids::kWeekdayLabel, page, du, kFieldLeft, 229, 56, kLabelHeight);
    constexpr int kWeekHeaders[] = {ids::kWeekHourLabel, ids::kWeekMinuteLabel, ids::kWeekSecondLabel};
    for (int k = 0; k < 3; ++k) {
        const int x = kWeekTimeLeft + k * kFieldPitch;
        place<QLabel>(kWeekHeaders[k], page, du, x, 229, kFieldWidth, kLabelHeight);
        place<QLineEdit>(ids::kWeekOpenHourEdit + k, page, du, x, 239, kFieldWidth, kRowHeight);
        place<QLineEdit>(ids::kWeekCloseHourEdit + k, page, du, x, 254, kFieldWidth, kRowHeight);
    }
    place<QLabel>(ids::kWeekOpenLabel, page, du, 535, 241, 46, kLabelHeight);
    place<QComboBox>(ids::kOpenWeekdayList, page, du, kFieldLeft, 239, 56, kRowHeight);
    place<QLabel>(ids::kWeekCloseLabel, page, du, 535, 256, 46, kLabelHeight);
    place<QComboBox>(ids::kCloseWeekdayList, page, du, kFieldLeft, 254, 56, kRowHeight);

    place<QPushButton>(ids::kModifyButton, page, du, 535, 274, 56, kButtonHeight);
    place<QPushButton>(ids::kReadScheduleButton, page, du, 597, 274, 56, kButtonHeight);
    place<QPushButton>(ids::kSaveScheduleButton, page, du, 659, 274, 56, kButtonHeight);
    place<QLabel>(ids::kTimingStatusLabel, page, du, 535, 294, 229, kLabelHeight);
}

void CConfigDlg::buildBottomRow(QWidget* page, const DialogUnits& du) {
    place<QPushButton>(ids::kSaveConfigButton, page, du, 7, 330, 60, kButtonHeight)
        ->setText(qs(fixed::kSaveConfigButton));
    place<QPushButton>(ids::kOneClickButton, page, du, 72, 330, 70, kButtonHeight);
    auto* path = place<ClickableLabel>(ids::kProfilePathLink, page, du, 148, 333, 378, kLabelHeight);
    path->setTextFormat(Qt::PlainText);
}

namespace {

template <std::size_t N>
void fill(QComboBox* list, const std::array<std::string_view, N>& entries, int selected) {
    list->clear();
    for (std::string_view entry : entries) list->addItem(qs(entry));
    list->setCurrentIndex(selected);
}

}  // namespace

void CConfigDlg::fillFixedLists() {
    refillIpTypeList();
    fill(controlAs<QComboBox>(ids::kPortList), lists::kPorts, 0);
    fill(controlAs<QComboBox>(ids::kInterfaceList), lists::kInterfaces, 0);
    fill(controlAs<QComboBox>(ids::kBaudRateList), lists::kBaudRates, 0);
    fill(controlAs<QComboBox>(ids::kParityList), lists::kParities, 0);
    fill(controlAs<QComboBox>(ids::kDataBitsList), lists::kDataBits, 0);
    fill(controlAs<QComboBox>(ids::kStopBitsList), lists::kStopBits, 0);
    fill(controlAs<QComboBox>(ids::kWorkModeList), lists::kWorkModes, 0);
    // Weekdays read in Chinese in both languages; nothing is chosen until a schedule is loaded.
    fill(controlAs<QComboBox>(ids::kOpenWeekdayList), lists::kWeekdays, -1);
    fill(controlAs<QComboBox>(ids::kCloseWeekdayList), lists::kWeekdays, -1);
}

}  // namespace tavrel
