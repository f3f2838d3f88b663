// Opening IO control windows from the device list and the "IO Control" menu command.
#include "CConfigDlg.h"
#include "CIoControlDlg.h"
#include "MessageBoxPrompts.h"
#include "QtText.h"
#include "iocontrol/IoOpening.h"

namespace tavrel {

// The menu command opens an empty window when no device is selected; a double click does not.
// A board outside the computer's subnet is refused: it could be neither reached nor served.
void CConfigDlg::openIoControl(bool fromMenu) {
    const auto row = selectedDevice();
    std::optional<IoWindowSetup> setup;
    if (!row) {
        setStatusText(0, qs(texts_.selectDevicePrompt));
        if (!fromMenu) return;
    } else {
        const DeviceRecord& device = devices()[static_cast<std::size_t>(*row)];
        std::vector<std::string> addresses;
        for (const AdapterAddress& adapter : adapters_) addresses.push_back(adapter.address.toStdString());
        const std::optional<std::size_t> chosen =
            defaultAdapter_ ? std::nullopt
                            : std::optional<std::size_t>(static_cast<std::size_t>(chosenAdapter_));
        const auto local = localAddressFor(device.network.ip, addresses, chosen);
        if (!local) {
            showMessage(texts_.subnetMismatch, Prompts::Kind::Warning);
            return;
        }
        setup = ioWindowSetupFor(device, *local);
    }
    // Its questions and file dialogs belong to it: parented on the main window they would raise the
    // main window over it.
    std::shared_ptr<MessageBoxPrompts> own;
    if (!services_.prompts) {
        own = std::make_shared<MessageBoxPrompts>();
        own->setButtonTexts(qs(texts_.okButton), qs(texts_.cancelButton));
    }
    auto* window = new CIoControlDlg(texts_, setup, own ? own : prompts_, paths_.ioSettingsFile, this);
    if (own) own->setParentWidget(window);
    window->show();
}

}  // namespace tavrel
