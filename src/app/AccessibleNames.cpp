#include "AccessibleNames.h"

#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <vector>

#include "ControlIds.h"
#include "MainWindowContext.h"
#include "QtText.h"
#include "device/DeviceCapabilities.h"
#include "device/FixedLists.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {

// One piece of a name: a control's shown text, a text of the interface language, or a fixed text.
struct NamePart {
    int control = 0;
    std::string UiTexts::*text = nullptr;
    std::string_view fixed;
};

struct NamedControl {
    int control;
    std::vector<NamePart> parts;
    FieldHint hint;
    // The label a screen reader relates to the control; by default the one label that names it.
    int buddy = 0;
};

NamePart shown(int id) {
    return {id, nullptr, {}};
}
NamePart said(std::string UiTexts::*text) {
    return {0, text, {}};
}
NamePart fixedText(std::string_view text) {
    return {0, nullptr, text};
}

FieldHint atMost(std::size_t bytes) {
    return {.atMostBytes = bytes};
}
FieldHint exactly(std::size_t bytes) {
    return {.exactBytes = bytes};
}

std::vector<NamedControl> mainWindowTable() {
    using namespace ids;
    std::vector<NamedControl> table = {
        {kDeviceList, {shown(kDeviceListFrame)}, {}},
        {kScanProgress, {shown(kSearchButton)}, {}},
        // Device settings
        {kIpTypeList, {shown(kIpTypeLabel)}, {}},
        {kIpAddressEdit, {shown(kIpAddressLabel)}, kAddressHint},
        {kSubnetMaskEdit, {shown(kSubnetMaskLabel)}, kAddressHint},
        {kGatewayEdit, {shown(kGatewayLabel)}, kAddressHint},
        {kDnsEdit, {shown(kDnsLabel)}, kAddressHint},
        {kMacEdit, {shown(kMacLabel)}, {.format = &UiTexts::a11yMacFormat}},
        {kUserEdit, {shown(kUserLabel)}, atMost(kUserLimit)},
        {kPasswordEdit, {shown(kPasswordLabel)}, atMost(kPasswordLimit)},
        {kRs485Edit, {shown(kRs485Label)}, {}},
        {kOutputFollowCheck, {shown(kInputChangedLabel), shown(kOutputFollowCheck)}, {}},
        {kSendStatusCheck, {shown(kInputChangedLabel), shown(kSendStatusCheck)}, {}},
        // WiFi: the two SSID labels read alike, their groups tell them apart
        {kWifiModeList, {shown(kWifiModeLabel)}, {}},
        {kApSsidEdit, {fixedText(fixed::kSsidLabel), fixedText(lists::kWifiModes[0])}, atMost(kApSsidLimit)},
        {kApPasswordEdit,
         {shown(kApPasswordLabel), fixedText(lists::kWifiModes[0])},
         atMost(kApPasswordLimit)},
        {kStaSsidEdit,
         {fixedText(fixed::kSsidLabel), fixedText(lists::kWifiModes[1])},
         atMost(kStaSsidLimit)},
        {kStaPasswordEdit,
         {shown(kStaPasswordLabel), fixedText(lists::kWifiModes[1])},
         atMost(kStaPasswordLimit)},
        {kSignalBar, {shown(kSignalLabel)}, {}},
        // Port settings
        {kPortList, {shown(kPortSelectLabel)}, {}},
        {kInterfaceList, {shown(kInterfaceLabel)}, {}},
        {kBaudRateList, {shown(kBaudRateLabel)}, {}},
        {kParityList, {shown(kParityLabel)}, {}},
        {kDataBitsList, {shown(kDataBitsLabel)}, {}},
        {kStopBitsList, {shown(kStopBitsLabel)}, {}},
        {kWorkModeList, {shown(kWorkModeLabel)}, {}},
        {kRemoteHostEdit, {shown(kRemoteHostLabel)}, atMost(kRemoteHostLimit)},
        {kRemotePortEdit, {shown(kRemotePortLabel)}, kNumberHint},
        {kLocalPortEdit, {shown(kLocalPortLabel)}, kNumberHint},
        {kHeartbeatDataEdit, {shown(kHeartbeatDataLabel)}, atMost(kHeartbeatDataLimit)},
        {kHeartbeatTimeEdit,
         {shown(kHeartbeatTimeLabel)},
         {.unit = &UiTexts::a11ySeconds, .maximum = kNumberEditMaximum}},
        // The limit follows the device's Modbus form; the unit is the same for both.
        {kModbusTimeoutEdit, {shown(kModbusTimeoutLabel)}, {.unit = &UiTexts::a11yMilliseconds}},
        {kCloudHelpLink, {said(&UiTexts::a11yCloudHelp)}, {}},
        {kCloudIdEdit, {shown(kCloudIdLabel)}, exactly(kCloudIdLimit)},
        {kCloudPasswordEdit, {shown(kCloudPasswordLabel)}, exactly(kCloudPasswordLimit)},
        // Output time
        {kBoardDate, {shown(kDeviceTimeLabel), said(&UiTexts::a11yDate)}, {}},
        {kBoardTime, {shown(kDeviceTimeLabel), said(&UiTexts::a11yTime)}, {}},
        {kBoardWeekday, {shown(kDeviceTimeLabel), said(&UiTexts::a11yWeekday)}, {}},
        {kTimingOutputFollowCheck, {shown(kTimingInputChangedLabel), shown(kTimingOutputFollowCheck)}, {}},
        {kTimingSendStatusCheck, {shown(kTimingInputChangedLabel), shown(kTimingSendStatusCheck)}, {}},
        {kScheduleList, {said(&UiTexts::a11yScheduleList)}, {}},
        {kStrobeOpenEdit, {shown(kStrobeRadio), shown(kStrobeOpenLabel)}, {}},
        {kStrobeCloseEdit, {shown(kStrobeRadio), shown(kStrobeCloseLabel)}, {}},
        // Qt on Linux names a list box by its value and relates its label instead: the row label.
        {kOpenWeekdayList,
         {shown(kWeekRadio), shown(kWeekOpenLabel), shown(kWeekdayLabel)},
         {},
         kWeekOpenLabel},
        {kCloseWeekdayList,
         {shown(kWeekRadio), shown(kWeekCloseLabel), shown(kWeekdayLabel)},
         {},
         kWeekCloseLabel},
        {kProfilePathLink, {said(&UiTexts::a11yProfilePath)}, {}},
    };
    // The schedule editor's grids: mode, row and column together say what a field holds.
    for (int k = 0; k < 6; ++k) {
        table.push_back(
            {kOpenYearEdit + k, {shown(kTimerRadio), shown(kTimerOpenLabel), shown(kYearLabel + k)}, {}});
        table.push_back(
            {kCloseYearEdit + k, {shown(kTimerRadio), shown(kTimerCloseLabel), shown(kYearLabel + k)}, {}});
    }
    for (int k = 0; k < 3; ++k) {
        table.push_back({kWeekOpenHourEdit + k,
                         {shown(kWeekRadio), shown(kWeekOpenLabel), shown(kWeekHourLabel + k)},
                         {}});
        table.push_back({kWeekCloseHourEdit + k,
                         {shown(kWeekRadio), shown(kWeekCloseLabel), shown(kWeekHourLabel + k)},
                         {}});
    }
    return table;
}

// A label made the control's buddy is what a screen reader relates to it (on Linux, for a list box,
// the only name it reads besides the value).
void applyName(QWidget* control, const QStringList& parts, QWidget* ownLabel, const QString& description) {
    if (auto* label = qobject_cast<QLabel*>(ownLabel)) label->setBuddy(control);
    nameControl(control, parts.join(QStringLiteral(", ")), description);
}

}  // namespace

QString accessibleTextOf(const QWidget* label) {
    QString text;
    if (auto* plain = qobject_cast<const QLabel*>(label))
        text = plain->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(label))
        text = button->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(label))
        text = group->title();
    return qs(accessibleLabel(text.toStdString()));
}

void nameControl(QWidget* control, const QString& name, const QString& description) {
    if (!control) return;
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

void nameByLabels(QWidget* control, std::initializer_list<QWidget*> labels, const UiTexts& texts,
                  const FieldHint& hint) {
    QStringList parts;
    for (const QWidget* label : labels) parts << accessibleTextOf(label);
    applyName(control, parts, labels.size() == 1 ? *labels.begin() : nullptr, qs(describeField(texts, hint)));
}

void applyMainWindowNames(const MainWindowContext& window, const UiTexts& texts) {
    static const std::vector<NamedControl> table = mainWindowTable();
    for (const NamedControl& entry : table) {
        QStringList parts;
        for (const NamePart& part : entry.parts) {
            if (part.control != 0)
                parts << accessibleTextOf(window.control(part.control));
            else if (part.text)
                parts << qs(accessibleLabel(texts.*part.text));
            else
                parts << qs(accessibleLabel(part.fixed));
        }
        int buddy = entry.buddy;
        if (buddy == 0 && entry.parts.size() == 1) buddy = entry.parts.front().control;
        applyName(window.control(entry.control), parts, buddy != 0 ? window.control(buddy) : nullptr,
                  qs(describeField(texts, entry.hint)));
    }
}

}  // namespace tavrel
