#include "settings/PortForm.h"

#include "util/TextBytes.h"

#include "device/FixedLists.h"
#include "settings/NumberCheck.h"
#include "settings/PortView.h"
#include "settings/SettingsMessages.h"

namespace tavrel {

namespace {

constexpr std::size_t kRemoteHostLimit = 32;
constexpr std::size_t kHeartbeatDataLimit = 16;
constexpr std::size_t kCloudIdLength = 20;
constexpr std::size_t kCloudPasswordLength = 8;
constexpr std::uint32_t kModbusByteUnitMs = 10;

bool usable(const FormTarget& t) {
    return t.device != nullptr && t.port < kPortCount;
}

FormResult noDevice() {
    FormResult r;
    r.noDevice = true;
    return r;
}

FormResult refusedNumber(std::uint32_t maximum) {
    FormResult r;
    r.message = numberRangeMessage(maximum);
    r.clearEdit = true;
    return r;
}

// Stores a 1-based list position (offset `first`) when the selection lies in the list.
bool storePosition(std::uint8_t& field, int selection, std::size_t size, int first = 1) {
    if (selection < 0 || selection >= static_cast<int>(size)) return false;
    field = static_cast<std::uint8_t>(selection + first);
    return true;
}

std::uint8_t switchState(bool checked) {
    return checked ? kSwitchOn : kSwitchOff;
}

// The text a text edit shows for the record; the cloud fields are port 1's.
std::string recordText(const PortRecord& port, const PortRecord& port1, TextField field) {
    switch (field) {
        case TextField::RemoteHost:
            return shownText(textOf(port.remoteHost));
        case TextField::HeartbeatData:
            return shownText(textOf(port.heartbeatData));
        case TextField::CloudId:
            return shownText(textOf(port1.cloudId));
        case TextField::CloudPassword:
            return shownText(textOf(port1.cloudPassword));
    }
    return {};
}

}  // namespace

std::uint32_t modbusTimeoutMaximum(const DeviceRecord& device, std::size_t port) {
    return hasWordModbusTimeout(device, port) ? kNumberEditMaximum : 255 * kModbusByteUnitMs;
}

FormResult chooseListEntry(FormTarget target, ListField field, int selection) {
    if (!usable(target)) return noDevice();
    PortRecord& p = target.device->ports[target.port];
    FormResult r;
    switch (field) {
        case ListField::BaudRate:
            storePosition(p.baudRate, selection, lists::kBaudRates.size());
            break;
        case ListField::Parity:
            storePosition(p.parity, selection, lists::kParities.size());
            break;
        case ListField::DataBits:
            storePosition(p.dataBits, selection, lists::kDataBits.size(), 7);
            break;
        case ListField::StopBits:
            storePosition(p.stopBits, selection, lists::kStopBits.size());
            break;
        case ListField::WorkMode:
            if (storePosition(p.workMode, selection, lists::kWorkModes.size())) {
                auto enables = enablesForWorkMode(p.workMode);
                r.enables.remoteTarget = enables.remoteTarget;
                r.enables.heartbeat = enables.heartbeat;
            }
            break;
        case ListField::InterfaceType:
            storePosition(p.interfaceType, selection, lists::kInterfaces.size());
            break;
    }
    return r;
}

FormResult leaveNumberEdit(FormTarget target, NumberField field, std::string_view text) {
    if (!usable(target)) return noDevice();
    DeviceRecord& device = *target.device;
    PortRecord& p = device.ports[target.port];
    const std::uint32_t maximum =
        field == NumberField::ModbusTimeout ? modbusTimeoutMaximum(device, target.port) : kNumberEditMaximum;
    auto value = checkNumber(text, maximum);
    if (!value) return refusedNumber(maximum);
    switch (field) {
        case NumberField::RemotePort:
            p.remotePort = static_cast<std::uint16_t>(*value);
            break;
        case NumberField::LocalPort:
            p.localPort = static_cast<std::uint16_t>(*value);
            break;
        case NumberField::HeartbeatInterval:
            p.heartbeatInterval = *value;
            break;
        case NumberField::ModbusTimeout:
            if (hasWordModbusTimeout(device, target.port))
                p.modbusTimeout = static_cast<std::uint16_t>(*value);
            else
                p.interfaceType = static_cast<std::uint8_t>(*value / kModbusByteUnitMs);
            break;
    }
    return {};
}

FormResult leaveTextEdit(FormTarget target, TextField field, std::string_view text, int languageCode) {
    if (!usable(target)) return noDevice();
    PortRecord& p = target.device->ports[target.port];
    PortRecord& port1 = target.device->ports[0];
    FormResult r;
    // Leaving an edit untouched must not turn bytes the form cannot show into replacement characters.
    if (isUnedited(p.remoteHost, text) && field == TextField::RemoteHost) return r;
    if (isUnedited(p.heartbeatData, text) && field == TextField::HeartbeatData) return r;
    if (isUnedited(port1.cloudId, text) && field == TextField::CloudId) return r;
    if (isUnedited(port1.cloudPassword, text) && field == TextField::CloudPassword) return r;
    switch (field) {
        case TextField::RemoteHost:
            // Refused here rather than cut to the record's 32 characters without a word.
            if (text.size() > kRemoteHostLimit)
                r.message = kInvalidHostMessage;
            else
                setText(p.remoteHost, text);
            break;
        case TextField::HeartbeatData:
            if (text.size() > kHeartbeatDataLimit)
                r.message = settingsMessage(SettingsMessage::HeartbeatDataTooLong, languageCode);
            else
                setText(p.heartbeatData, text);
            break;
        case TextField::CloudId:
            if (text.size() != kCloudIdLength)
                r.message = kCloudIdLengthMessage;
            else
                setText(port1.cloudId, text);
            break;
        case TextField::CloudPassword:
            if (text.size() != kCloudPasswordLength)
                r.message = kCloudPasswordLengthMessage;
            else
                setText(port1.cloudPassword, text);
            break;
    }
    if (!r.message.empty()) r.restoreText = recordText(p, port1, field);
    return r;
}

FormResult clickCheckBox(FormTarget target, CheckField field, bool checked) {
    if (!usable(target)) return noDevice();
    PortRecord& p = target.device->ports[target.port];
    FormResult r;
    switch (field) {
        case CheckField::Enable:
            p.enable = switchState(checked);
            break;
        case CheckField::Modbus:
            p.modbus = switchState(checked);
            r.enables.modbusTimeout = checked;
            break;
        case CheckField::Cloud:
            // Kept with port 1's cloud ID and password, where the packed writes take it from.
            target.device->ports[0].cloud = checked ? 1 : 0;
            r.enables.cloudFields = checked;
            break;
    }
    return r;
}

}  // namespace tavrel
