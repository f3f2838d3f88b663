// The port group of the main window: every edit goes into the shown port of the device's draft at
// once; the device's own record changes only when it answers.
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <algorithm>
#include <initializer_list>

#include "CConfigDlg.h"
#include "ClickableLabel.h"
#include "ControlIds.h"
#include "DropDownWatch.h"
#include "FocusOutWatch.h"
#include "Prompts.h"
#include "QtText.h"
#include "settings/SettingsMessages.h"

namespace tavrel {

namespace {

struct ListBinding {
    int id;
    ListField field;
};
constexpr ListBinding kListBindings[] = {
    {ids::kBaudRateList, ListField::BaudRate}, {ids::kParityList, ListField::Parity},
    {ids::kDataBitsList, ListField::DataBits}, {ids::kStopBitsList, ListField::StopBits},
    {ids::kWorkModeList, ListField::WorkMode}, {ids::kInterfaceList, ListField::InterfaceType},
};

struct NumberBinding {
    int id;
    NumberField field;
};
constexpr NumberBinding kNumberBindings[] = {
    {ids::kRemotePortEdit, NumberField::RemotePort},
    {ids::kLocalPortEdit, NumberField::LocalPort},
    {ids::kHeartbeatTimeEdit, NumberField::HeartbeatInterval},
    {ids::kModbusTimeoutEdit, NumberField::ModbusTimeout},
};

struct TextBinding {
    int id;
    TextField field;
};
constexpr TextBinding kTextBindings[] = {
    {ids::kRemoteHostEdit, TextField::RemoteHost},
    {ids::kHeartbeatDataEdit, TextField::HeartbeatData},
    {ids::kCloudIdEdit, TextField::CloudId},
    {ids::kCloudPasswordEdit, TextField::CloudPassword},
};

struct CheckBinding {
    int id;
    CheckField field;
};
constexpr CheckBinding kCheckBindings[] = {
    {ids::kEnableCheck, CheckField::Enable},
    {ids::kModbusCheck, CheckField::Modbus},
    {ids::kCloudCheck, CheckField::Cloud},
};

}  // namespace

// Lists answer `activated` and check boxes `clicked`, edits their loss of focus: all of them come
// from the user only, so painting a device into the form never writes back into its record.
void CConfigDlg::connectSettingsForm() {
    for (const ListBinding& b : kListBindings)
        connect(controlAs<QComboBox>(b.id), &QComboBox::activated, this,
                [this, field = b.field](int selection) { chooseFormEntry(field, selection); });

    formFocusWatch_ = std::make_shared<FocusOutWatch>();
    for (const NumberBinding& b : kNumberBindings) {
        auto* edit = controlAs<QLineEdit>(b.id);
        formFocusWatch_->watch(edit, [this, field = b.field, edit] { leaveFormNumber(field, edit); });
    }
    for (const TextBinding& b : kTextBindings) {
        auto* edit = controlAs<QLineEdit>(b.id);
        formFocusWatch_->watch(edit, [this, field = b.field, edit] { leaveFormText(field, edit); });
    }

    for (const CheckBinding& b : kCheckBindings)
        connect(controlAs<QCheckBox>(b.id), &QCheckBox::clicked, this,
                [this, field = b.field](bool checked) { clickFormCheck(field, checked); });
    connect(controlAs<ClickableLabel>(ids::kCloudHelpLink), &ClickableLabel::clicked, this,
            &CConfigDlg::showCloudHelp);

    auto* portList = controlAs<QComboBox>(ids::kPortList);
    portListWatch_ = std::make_shared<DropDownWatch>();
    portListWatch_->watch(portList, [this] { refillFormPortList(); });
    connect(portList, &QComboBox::activated, this, &CConfigDlg::showFormPort);
}

FormTarget CConfigDlg::formTarget() {
    DeviceRecord* device = draft();
    if (device == nullptr) return {};
    // A one-port device's list is hidden and stays on port 1.
    const int port = std::max(0, controlAs<QComboBox>(ids::kPortList)->currentIndex());
    return {device, static_cast<std::size_t>(port)};
}

DeviceRecord* CConfigDlg::draft() {
    const std::optional<int> row = selectedDevice();
    return row ? draftOf(*row) : nullptr;
}

DeviceRecord* CConfigDlg::draftOf(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= devices().size()) return nullptr;
    const DeviceRecord& now = devices()[static_cast<std::size_t>(row)];
    if (!draft_ || draft_->row != row || draft_->key != now.key)
        draft_ = FormDraft{row, now.key, now, now};
    else if (draft_->edited == draft_->base)
        draft_->base = draft_->edited = now;
    return &draft_->edited;
}

void CConfigDlg::chooseFormEntry(ListField field, int selection) {
    applyFormResult(chooseListEntry(formTarget(), field, selection), nullptr);
}

void CConfigDlg::leaveFormNumber(NumberField field, QLineEdit* edit) {
    applyFormResult(leaveNumberEdit(formTarget(), field, edit->text().toStdString()), edit);
}

void CConfigDlg::leaveFormText(TextField field, QLineEdit* edit) {
    applyFormResult(leaveTextEdit(formTarget(), field, edit->text().toStdString(), texts_.languageCode),
                    edit);
}

void CConfigDlg::clickFormCheck(CheckField field, bool checked) {
    applyFormResult(clickCheckBox(formTarget(), field, checked), nullptr);
}

void CConfigDlg::applyFormResult(const FormResult& result, QLineEdit* edit) {
    if (result.noDevice) {
        setStatusText(0, qs(texts_.selectDevicePrompt));
        return;
    }
    if (!result.message.empty()) showMessage(result.message, Prompts::Kind::Warning);
    if (edit != nullptr) {
        if (result.clearEdit) edit->clear();
        if (result.restoreText) {
            const QSignalBlocker quiet(edit);
            edit->setText(qs(*result.restoreText));
        }
    }

    auto enable = [this](const std::optional<bool>& on, std::initializer_list<int> controlIds) {
        if (!on) return;
        for (int id : controlIds) control(id)->setEnabled(*on);
    };
    const FormEnables& e = result.enables;
    enable(e.remoteTarget, {ids::kRemoteHostEdit, ids::kRemotePortEdit});
    enable(e.heartbeat, {ids::kHeartbeatDataEdit, ids::kHeartbeatTimeEdit});
    enable(e.modbusTimeout, {ids::kModbusTimeoutEdit});
    enable(e.cloudFields, {ids::kCloudIdEdit, ids::kCloudPasswordEdit});
}

void CConfigDlg::showCloudHelp() {
    // Like every handler of the group it wants a device, though it only explains.
    if (!selectedDevice()) {
        setStatusText(0, qs(texts_.selectDevicePrompt));
        return;
    }
    showMessage(cloudHelpText(), Prompts::Kind::Information);
}

void CConfigDlg::refillFormPortList() {
    const DeviceRecord* device = formTarget().device;
    if (device == nullptr) {
        setStatusText(0, qs(texts_.selectDevicePrompt));
        return;
    }
    auto* list = controlAs<QComboBox>(ids::kPortList);
    const PortListFill fill = refillPortList(device->identity.portCountChar(), list->currentIndex());
    const QSignalBlocker quiet(list);
    list->clear();
    for (const std::string& item : fill.items) list->addItem(qs(item));
    list->setCurrentIndex(fill.selection);
}

void CConfigDlg::showFormPort(int selection) {
    const DeviceRecord* device = formTarget().device;
    if (device == nullptr) {
        setStatusText(0, qs(texts_.selectDevicePrompt));
        return;
    }
    if (const std::optional<PortView> view =
            showPort(device, static_cast<std::size_t>(std::max(0, selection))))
        fillPortGroup(*view);
}

// Form and command messages carry the application's title, as the system's own boxes do.
void CConfigDlg::showMessage(const std::string& text, Prompts::Kind kind) {
    prompts_->inform(windowTitle(), qs(text), kind);
}

}  // namespace tavrel
