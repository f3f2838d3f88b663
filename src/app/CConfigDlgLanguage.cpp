// The interface language: restored at start, switched by the language menu, written into the window.
#include <QtCore/QDebug>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <filesystem>
#include <system_error>

#include "CConfigDlg.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLibraryInfo>
#include <QtCore/QLocale>
#include <QtCore/QTranslator>
#include "AccessibleNames.h"
#include "ControlIds.h"
#include "IncompleteMarks.h"
#include "Prompts.h"
#include "QtText.h"
#include "StatusBar.h"
#include "WifiArea.h"
#include "device/FixedLists.h"
#include "texts/LanguageFile.h"

namespace tavrel {

namespace {

struct TextBinding {
    int id;
    std::string UiTexts::*text;
};

// Every re-labelled control with its text, area by area.
constexpr TextBinding kControlTexts[] = {
    // Device list area
    {ids::kSearchButton, &UiTexts::searchButton},
    {ids::kSelectSubnetCheck, &UiTexts::selectSubnetCheck},
    {ids::kBroadcastCheck, &UiTexts::broadcastCheck},
    {ids::kRestartButton, &UiTexts::restartButton},
    {ids::kFactoryResetButton, &UiTexts::factoryResetButton},
    {ids::kFirmwareButton, &UiTexts::firmwareUpgrade},
    // Network settings area
    {ids::kNetworkFrame, &UiTexts::networkFrame},
    {ids::kIpTypeLabel, &UiTexts::labelIpType},
    {ids::kIpAddressLabel, &UiTexts::labelIp},
    {ids::kSubnetMaskLabel, &UiTexts::labelSubnetMask},
    {ids::kGatewayLabel, &UiTexts::labelGateway},
    {ids::kDnsLabel, &UiTexts::labelDns},
    {ids::kMacLabel, &UiTexts::labelMac},
    {ids::kUserLabel, &UiTexts::labelUser},
    {ids::kPasswordLabel, &UiTexts::labelPassword},
    {ids::kSaveNetworkButton, &UiTexts::saveDataButton},
    // Port settings area
    {ids::kPortFrame, &UiTexts::portFrame},
    {ids::kEnableCheck, &UiTexts::enableCheck},
    {ids::kPortSelectLabel, &UiTexts::labelSelectPort},
    {ids::kInterfaceLabel, &UiTexts::labelSerialMode},
    {ids::kBaudRateLabel, &UiTexts::labelBaudRate},
    {ids::kParityLabel, &UiTexts::labelParity},
    {ids::kDataBitsLabel, &UiTexts::labelDataBits},
    {ids::kStopBitsLabel, &UiTexts::labelStopBits},
    {ids::kWorkModeLabel, &UiTexts::labelWorkMode},
    {ids::kRemoteHostLabel, &UiTexts::labelRemoteIp},
    {ids::kRemotePortLabel, &UiTexts::labelRemotePort},
    {ids::kLocalPortLabel, &UiTexts::labelLocalPort},
    {ids::kModbusCheck, &UiTexts::modbusTcpToRtuCheck},
    {ids::kSavePortButton, &UiTexts::saveDataButton},
    {ids::kSaveConfigButton, &UiTexts::saveDataButton},
    // Heartbeat, one-click and the IO input-change controls
    {ids::kHeartbeatDataLabel, &UiTexts::labelHeartbeatData},
    {ids::kHeartbeatTimeLabel, &UiTexts::labelHeartbeatTime},
    {ids::kOneClickButton, &UiTexts::oneClickButton},
    {ids::kInputChangedLabel, &UiTexts::labelInputChanged},
    {ids::kOutputFollowCheck, &UiTexts::outputFollowCheck},
    {ids::kSendStatusCheck, &UiTexts::sendStatusCheck},
    {ids::kTimingInputChangedLabel, &UiTexts::labelInputChanged},
    {ids::kTimingOutputFollowCheck, &UiTexts::outputFollowCheck},
    {ids::kTimingSendStatusCheck, &UiTexts::sendStatusCheck},
    // WiFi area
    {ids::kWifiFrame, &UiTexts::wifiFrame},
    {ids::kWifiModeLabel, &UiTexts::labelWifiMode},
    {ids::kWifiScanButton, &UiTexts::wifiScanButton},
    {ids::kApPasswordLabel, &UiTexts::labelWifiPassword},
    {ids::kStaPasswordLabel, &UiTexts::labelWifiPassword},
    {ids::kSignalLabel, &UiTexts::labelSignal},
    // Output time area
    {ids::kTimeFrame, &UiTexts::timeFrame},
    {ids::kComputerTimeCheck, &UiTexts::computerTimeCheck},
    {ids::kDeviceTimeLabel, &UiTexts::labelDeviceTime},
    {ids::kCalibrateButton, &UiTexts::calibrateButton},
};

// The schedule editor's labels and buttons, set after the schedule list's columns.
constexpr TextBinding kScheduleEditorTexts[] = {
    {ids::kScheduleModeLabel, &UiTexts::scheduleColumnMode},
    {ids::kTimerRadio, &UiTexts::timerCheck},
    {ids::kStrobeRadio, &UiTexts::strobeCheck},
    {ids::kWeekRadio, &UiTexts::weekCheck},
    {ids::kWeekdayLabel, &UiTexts::weekCheck},
    {ids::kTimerOpenLabel, &UiTexts::scheduleColumnOpenTime},
    {ids::kStrobeOpenLabel, &UiTexts::scheduleColumnOpenTime},
    {ids::kWeekOpenLabel, &UiTexts::scheduleColumnOpenTime},
    {ids::kTimerCloseLabel, &UiTexts::scheduleColumnCloseTime},
    {ids::kStrobeCloseLabel, &UiTexts::scheduleColumnCloseTime},
    {ids::kWeekCloseLabel, &UiTexts::scheduleColumnCloseTime},
    {ids::kYearLabel, &UiTexts::labelYear},
    {ids::kMonthLabel, &UiTexts::labelMonth},
    {ids::kDayLabel, &UiTexts::labelDay},
    {ids::kHourLabel, &UiTexts::labelHour},
    {ids::kMinuteLabel, &UiTexts::labelMinute},
    {ids::kSecondLabel, &UiTexts::labelSecond},
    {ids::kWeekHourLabel, &UiTexts::labelHour},
    {ids::kWeekMinuteLabel, &UiTexts::labelMinute},
    {ids::kWeekSecondLabel, &UiTexts::labelSecond},
    {ids::kModifyButton, &UiTexts::modifyButton},
    {ids::kReadScheduleButton, &UiTexts::readButton},
    {ids::kSaveScheduleButton, &UiTexts::saveButton},
};

void setControlText(QWidget* widget, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        frame->setTitle(text);
}

// Only the headers and widths change: dropping the columns would drop the rows' texts with them.
void setColumns(QTableWidget* list, const QStringList& headers, std::initializer_list<int> widths) {
    list->setColumnCount(static_cast<int>(headers.size()));
    list->setHorizontalHeaderLabels(headers);
    // The header's own minimum follows the font and would widen the narrow columns.
    list->horizontalHeader()->setMinimumSectionSize(1);
    int column = 0;
    for (int width : widths) list->setColumnWidth(column++, width);
}

}  // namespace

void CConfigDlg::restoreLanguage() {
    // The settings folder may not exist yet on a first start outside Windows.
    std::error_code ignored;
    std::filesystem::create_directories(paths_.languageFile.parent_path(), ignored);
    const RestoredLanguage restored = ::tavrel::restoreLanguage(paths_.languageFile);
    if (restored.failed) qWarning("language file: %s", restored.error.c_str());
    switchLanguage(restored.language);
}

void CConfigDlg::switchLanguage(Language language) {
    texts_.load(language);
    applyTexts();
    actionById(ids::kEnglishCommand)->setChecked(language == Language::English);
    actionById(ids::kChineseCommand)->setChecked(language == Language::Chinese);
    storeLanguage(language);
}

// Not being able to remember the language is no reason to bother the user; the next start asks the
// file again.
void CConfigDlg::storeLanguage(Language language) {
    const StoreResult stored = ::tavrel::storeLanguage(paths_.languageFile, language);
    if (!stored.ok) qWarning("language file: %s", stored.error.c_str());
}

// Qt's own dialogs and buttons follow the interface language too; without the translations installed
// they stay English, which is no reason to refuse the language.
void CConfigDlg::applyQtTranslations() {
    if (!qtTranslator_) qtTranslator_ = new QTranslator(this);
    QCoreApplication::removeTranslator(qtTranslator_);
    if (texts_.languageCode == kChineseLanguageCode &&
        qtTranslator_->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator_);
}

void CConfigDlg::applyTexts() {
    applyQtTranslations();
    setWindowTitle(qs(texts_.mainCaption));
    applyMenuTexts();
    applyDeviceListColumns();
    applyControlTexts();
    refillIpTypeList();
    wifiArea_->applyTexts(texts_);
    control(ids::kInterfaceList)->setEnabled(false);
    setStatusText(3, qs(texts_.broadcastAddressLabel) + broadcastAddress_);
    for (int part = 0; part < 3; ++part) setStatusText(part, QString());
    applyScheduleColumns();
    for (const TextBinding& binding : kScheduleEditorTexts)
        setControlText(control(binding.id), qs(texts_.*binding.text));
    prompts_->setButtonTexts(qs(texts_.okButton), qs(texts_.cancelButton));
    if (incompleteMarks_) incompleteMarks_->refreshAll();
    statusBar_->setAccessibleName(qs(texts_.a11yStatusBar));
    applyMainWindowNames(*this, texts_);
    if (searchProgress_ && searchProgress_->isActive())
        controlAs<QPushButton>(ids::kSearchButton)->setText(qs(texts_.stopSearchButton));
}

void CConfigDlg::applyMenuTexts() {
    deviceMenu_->setTitle(qs(texts_.deviceMenu));
    languageMenu_->setTitle(qs(texts_.languageMenu));
    adapterMenu_->setTitle(qs(texts_.adapterMenu));
    actionById(ids::kAboutCommand)->setText(qs(texts_.aboutCommand));
    actionById(ids::kFirmwareUpgradeCommand)->setText(qs(texts_.firmwareUpgrade));
    actionById(ids::kExportProfileCommand)->setText(qs(texts_.exportProfile));
    actionById(ids::kImportProfileCommand)->setText(qs(texts_.importProfile));
    actionById(ids::kIoControlCommand)->setText(qs(texts_.ioControl));
    actionById(ids::kExportListCommand)->setText(qs(texts_.exportList));
    actionById(ids::kLoadFleetSheetCommand)->setText(qs(texts_.loadFleetSheet));
    actionById(ids::kUndoLastChangeCommand)->setText(qs(texts_.undoLastChange));
    actionById(ids::kEnglishCommand)->setText(qs(texts_.englishItem));
    QAction* defaultItem = actionById(ids::kDefaultAdapterCommand);
    defaultItem->setText(qs(texts_.defaultAdapter));
    defaultItem->setChecked(defaultAdapter_);
}

void CConfigDlg::applyDeviceListColumns() {
    setControlText(control(ids::kDeviceListFrame), qs(texts_.deviceListFrame));
    setColumns(deviceList_,
               {qs(texts_.columnDeviceIp), qs(texts_.columnMac), qs(texts_.columnSoftware),
                qs(texts_.columnHardware)},
               {150, 200, 100, 100});
}

void CConfigDlg::applyControlTexts() {
    for (const TextBinding& binding : kControlTexts)
        setControlText(control(binding.id), qs(texts_.*binding.text));
}

void CConfigDlg::applyScheduleColumns() {
    setColumns(scheduleList_,
               {qs(texts_.scheduleColumnIndex), qs(texts_.scheduleColumnMode),
                qs(texts_.scheduleColumnOpenTime), qs(texts_.scheduleColumnCloseTime)},
               {65, 45, 172, 172});
}

// The items are renamed in place: a refill to "static" would turn a DHCP device static on the next save.
void CConfigDlg::refillIpTypeList() {
    auto* list = controlAs<QComboBox>(ids::kIpTypeList);
    if (list->count() != 2) {
        list->clear();
        list->addItem(QString());
        list->addItem(QString());
        list->setCurrentIndex(0);
    }
    list->setItemText(0, qs(texts_.ipTypeStatic));
    list->setItemText(1, qs(texts_.ipTypeDhcp));
}

}  // namespace tavrel
