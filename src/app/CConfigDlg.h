#pragma once
// The main window: device list, network, WiFi, port and output time areas, menus and status bar.
// It owns the device session (device table, protocol socket, search, sequencer) for the whole run.
#include <QtCore/QElapsedTimer>
#include <QtCore/QHash>
#include <QtCore/QTimer>
#include <QtNetwork/QHostAddress>
#include <QtWidgets/QDialog>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "Adapters.h"
#include "DeviceSession.h"
#include "MainWindowContext.h"
#include "Prompts.h"
#include "QtText.h"
#include "device/DeviceTable.h"
#include "doctor/Doctor.h"
#include "protocol/Commands.h"
#include "protocol/NetworkSettings.h"
#include "protocol/WriteGuard.h"
#include "settings/DeviceView.h"
#include "settings/PortForm.h"
#include "texts/UiTexts.h"
#include "util/Paths.h"

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTableWidget;
class QTranslator;

namespace tavrel {

class DialogUnits;
class DropDownWatch;
class PackedWriteArea;
class TimingArea;
class FirmwareArea;
class FleetArea;
class FocusOutWatch;
class ProfileArea;
class Prompts;
class ScreenFit;
class SnapshotArea;
class StatusBar;
class WifiArea;

// Runs a dialog modally and returns its result; tests replace it to answer dialogs themselves.
using ModalRunner = std::function<int(QDialog&)>;

// What the window takes from outside; every empty member falls back to the real thing.
struct ConfigDlgServices {
    std::shared_ptr<const AdapterSource> adapters;  // default: the system's adapters
    std::shared_ptr<Prompts> prompts;               // default: message boxes over the window
    ModalRunner runModal;                           // default: QDialog::exec
    std::optional<NetworkSettings> network;         // default: from the TAVREL_* variables
    std::optional<AppPaths> paths;                  // default: from the environment
};

class IncompleteMarks;
class DeviceReread;
class DeviceWrite;
struct WriteRequest;

class CConfigDlg : public QDialog, public MainWindowContext {
    Q_OBJECT
  public:
    static constexpr int kWidthUnits = 782;
    static constexpr int kHeightUnits = 376;

    explicit CConfigDlg(ConfigDlgServices services = {}, QWidget* parent = nullptr);
    ~CConfigDlg() override;

    QWidget* widget() override { return this; }
    const UiTexts& texts() const override { return texts_; }
    DeviceSession& session() override { return *session_; }
    DeviceTable& devices() override { return session_->table(); }
    const DeviceTable& devices() const { return session_->table(); }
    ProtocolSocket& socket() { return session_->socket(); }
    Prompts& prompts() override { return *prompts_; }
    const NetworkSettings& network() const override { return network_; }
    const AppPaths& paths() const override { return paths_; }
    WifiArea& wifiArea() { return *wifiArea_; }
    WifiSettings wifiSettings() const override;
    QString caption() const override { return windowTitle(); }

    QString broadcastAddress() const override { return broadcastAddress_; }
    void setBroadcastAddress(const QString& address) { broadcastAddress_ = address; }

    // A control by its resource number, or null.
    QWidget* control(int id) const override { return controls_.value(id, nullptr); }
    QTableWidget* deviceList() const override { return deviceList_; }
    QTableWidget* scheduleList() const override { return scheduleList_; }
    TimingArea& timingArea() { return *timingArea_; }
    PackedWriteArea& packedWriteArea() { return *packedWriteArea_; }
    FirmwareArea* firmwareArea() const { return firmwareArea_; }

    // A menu command by its id, or null.
    QAction* actionById(int id) const override { return actions_.value(id, nullptr); }
    QMenuBar* menuBar() const { return menuBar_; }
    // Command ids of the network adapter menu, "Default" first.
    const std::vector<int>& adapterMenuIds() const { return adapterMenuIds_; }
    const QList<AdapterAddress>& adapterAddresses() const { return adapters_; }
    bool defaultAdapterInUse() const { return defaultAdapter_; }
    int chosenAdapter() const { return chosenAdapter_; }
    // The device list's address marks (shared address, outside the cards' subnets), one per entry.
    std::vector<ListMark> addressMarks() const;

    // The first selected row of the device list, which is the device table index.
    std::optional<int> selectedDevice() const override;
    DeviceRecord* draft() override;
    // Runs a dialog through the modal runner.
    int runModal(QDialog& dialog) override;

    QString statusText(int part) const;
    ProfileArea& profileArea() { return *profileArea_; }
    // Reads a device again after it changed itself; its row and form follow.
    DeviceReread& reread() override { return *reread_; }
    DeviceWrite& writes() override { return *writes_; }
    void leaveOutcome(int writeId) override { leftOutcomes_.insert(writeId); }

  public slots:
    void setStatusText(int part, const QString& text) override;
    // Shows table entry `index` in its list row and the form (CConfigDlgSearch.cpp).
    void showDevice(int index) override;
    void switchLanguage(tavrel::Language language);
    // Menu command 32782 ("Default") or 32786 + i (adapter address i): rebinds the socket.
    void chooseAdapter(int commandId);
    void showAbout();

    // --- Search and device list (CConfigDlgSearch.cpp)
  public:
    // Search button: a broadcast search or, with "Broadcast" unchecked, a scan of one subnet.
    void startSearch();
    // "Select Subnet" clicked: asks for the broadcast address, or goes back to the default one.
    void chooseSubnet();
    // TAVREL_BROADCAST when set, else 255.255.255.255.
    QString defaultBroadcastAddress() const { return qs(network_.broadcast); }
    // Double click on the list or the "IO Control" menu command.
    void openIoControl(bool fromMenu);

  private:
    void connectSearch();
    void connectReread();
    void addDeviceRow(int index);
    // A read-out has finished: the row shows it; the form only when the device is the selected one
    // (or none is), so the selection stays where the user put it.
    void onDeviceReady(int index);
    void refreshRow(int index, const DeviceView& view);
    void showStatusMessage(int part, tavrel::StatusMessage message);
    void onSearchTick(const QString& destination, int host);
    void onScanFinished();
    // While nothing has answered a search, the status counts its time down and the search button
    // stops it.
    void showSearchProgress();
    void searchEnded();
    QTimer* searchProgress_ = nullptr;
    QElapsedTimer searchClock_;
    void onListSelectionChanged();
    void clearDeviceForm();
    void setFormInputsEnabled(bool enabled);
    void fillDeviceRow(int index, const DeviceView& view);
    void fillNetworkGroup(const DeviceView& view);
    void fillPortGroup(const PortView& port);
    void applyGroupStates(const DeviceView& view);

    // showDevice is selecting the row itself.
    bool showingDevice_ = false;
    // The device selected before a new search: it is selected again when it answers.
    std::optional<Mac> reselect_;
    // --- end of search and device list

    // --- Settings form (CConfigDlgForm.cpp)
    // Handlers run on user actions only (list activated, box clicked, edit left), never when the
    // form is painted from a record, so showDevice needs no guard for them.
  private:
    void connectSettingsForm();
    // The selected device's draft and shown port; no device when no row is selected.
    FormTarget formTarget();
    // The draft of the device at `row`: made from its record when another device is shown, and
    // following the record while it holds no edit.
    DeviceRecord* draftOf(int row);
    struct FormDraft {
        int row = -1;
        DeviceKey key{};
        DeviceRecord base;  // the record the edits started from
        DeviceRecord edited;
    };
    std::optional<FormDraft> draft_;
    void chooseFormEntry(ListField field, int selection);
    void leaveFormNumber(NumberField field, QLineEdit* edit);
    void leaveFormText(TextField field, QLineEdit* edit);
    void clickFormCheck(CheckField field, bool checked);
    void applyFormResult(const FormResult& result, QLineEdit* edit);
    void showCloudHelp();
    // The port list: refilled by the device's port count as it drops down, shows a port when chosen.
    void refillFormPortList();
    void showFormPort(int selection);
    // A message box of the form or a command, captioned with the window title.
    void showMessage(const std::string& text, Prompts::Kind kind);

    std::shared_ptr<FocusOutWatch> formFocusWatch_;  // dropped before the widgets it watches
    std::shared_ptr<DropDownWatch> portListWatch_;
    // --- end of settings form

    // --- Device commands (CConfigDlgCommands.cpp)
  public:
    void restartDevice();
    void factoryResetDevice();
    void saveNetworkSettings();
    void savePortSettings();
    // Tests shorten how long a device's last answer counts as fresh before a save.
    void setFreshAnswerMs(int ms) { freshAnswerMs_ = ms; }
    // The network group as typed; shared with the packed write.
    NetworkFormInput networkFormInput() const override;
    // Shows the outcome's prompt or plays its plan for the selected device; a command after which the
    // device holds other settings has it read again.
    enum class Reread { None, Unicast, Broadcast };
    void runDeviceCommand(CommandOutcome outcome, Reread after, WriteScope scope = WriteScope::None);
    void runDeviceCommand(CommandOutcome outcome) override {
        runDeviceCommand(std::move(outcome), Reread::None, WriteScope::Packed);
    }
    // The write guard for the selected device: true when it was read whole or the user agreed to
    // write (or export) it anyway. Every path that writes a device or its profile asks this first;
    // a save it lets through keeps a snapshot of the device as read.
    bool confirmWrite(WriteKind kind) override;
    bool confirmNetworkWarnings() override;
    // Plays a write for the device at `row` with "Sending data..." in the status bar's save field
    // until the device answers or the answer's wait is over.
    void playWrite(int row, Plan plan, WriteScope scope) override;
    // `quiet`: a restart, a reset or a read after an upload; only a refusal to start is said.
    void startWrite(WriteRequest request, bool quiet = false);
    void writeFinished(int id, const WriteOutcome& outcome);
    void readAgain(int row) override;
    void enterUpgradeMode(int row) override;

  private:
    void connectDeviceCommands();
    // --- end of device commands

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // CConfigDlg.cpp: set-up, socket and adapters.
    void setUp();
    void openSocket(const QHostAddress& address);
    void register_(int id, QWidget* widget);

    // CConfigDlgMenus.cpp
    void buildMenus();
    void addAdapterItems();
    void onMenuCommand(int id);
    QAction* addCommand(QMenu* menu, int id, const QString& text, bool checkable = false);
    void exclusiveGroup(QMenu* menu);

    // CConfigDlgLayout.cpp, one function per area.
    void buildLayout(QWidget* page, const DialogUnits& du);
    void buildDeviceListArea(QWidget* page, const DialogUnits& du);
    void buildNetworkArea(QWidget* page, const DialogUnits& du);
    void buildWifiArea(QWidget* page, const DialogUnits& du);
    void buildPortArea(QWidget* page, const DialogUnits& du);
    void buildTimeArea(QWidget* page, const DialogUnits& du);
    void buildScheduleEditor(QWidget* page, const DialogUnits& du);
    void buildBottomRow(QWidget* page, const DialogUnits& du);
    void fillFixedLists();
    template <class W>
    W* place(int id, QWidget* page, const DialogUnits& du, int x, int y, int w, int h);

    // CConfigDlgLanguage.cpp
    void restoreLanguage();
    void applyTexts();
    void applyQtTranslations();
    void applyMenuTexts();
    void applyDeviceListColumns();
    void applyControlTexts();
    void applyScheduleColumns();
    void refillIpTypeList();
    void storeLanguage(Language language);

    ConfigDlgServices services_;
    NetworkSettings network_;
    AppPaths paths_;
    std::shared_ptr<Prompts> prompts_;
    DeviceSession* session_ = nullptr;
    ProfileArea* profileArea_ = nullptr;          // export, import and one-click configuration
    IncompleteMarks* incompleteMarks_ = nullptr;  // rows of devices not read whole; asks before saves
    DeviceReread* reread_ = nullptr;
    SnapshotArea* snapshotArea_ = nullptr;  // snapshots before writes, "Undo Last Change"
    StatusBar* statusBar_ = nullptr;
    ScreenFit* screenFit_ = nullptr;  // shrinks the window to a small screen; the page scrolls
    WifiArea* wifiArea_ = nullptr;
    UiTexts texts_;

    QString broadcastAddress_ = QStringLiteral("255.255.255.255");
    QList<AdapterAddress> adapters_;
    std::vector<int> adapterMenuIds_;
    bool defaultAdapter_ = true;
    int chosenAdapter_ = 0;
    int highlightedRow_ = 0;
    DeviceWrite* writes_ = nullptr;
    std::set<int> quietWrites_;
    std::set<int> leftOutcomes_;  // writes whose outcomes an area shows
    // Right before a port save the device is read again, unless it answered a moment ago; ports that
    // changed on it since the form showed them, and were not edited here, are named and kept.
    void saveWhenFresh(std::function<void()> save);
    bool takeDeviceChanges();
    void savePortSettingsNow();
    std::map<int, std::function<void()>> afterFreshRead_;  // re-read id -> the save it precedes
    std::map<int, QElapsedTimer> lastAnswer_;              // row -> since it last answered
    int freshAnswerMs_ = 3000;
    // Restart and reset: the write's id, and what the status says once the device is back.
    std::map<int, QString> announcedWrites_;
    // "192.168.1.10 (00-CA-C1-19-00-33)": how the status and questions name a listed device.
    QString deviceName(int row) const;
    QTranslator* qtTranslator_ = nullptr;
    std::optional<int> lastSelectedRow_;  // the newest write; an older one's wait says nothing

    QMenuBar* menuBar_ = nullptr;
    QMenu* deviceMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QMenu* adapterMenu_ = nullptr;
    QHash<int, QAction*> actions_;
    QHash<int, QWidget*> controls_;
    QTableWidget* deviceList_ = nullptr;
    QTableWidget* scheduleList_ = nullptr;
    PackedWriteArea* packedWriteArea_ = nullptr;
    TimingArea* timingArea_ = nullptr;
    FirmwareArea* firmwareArea_ = nullptr;
    FleetArea* fleetArea_ = nullptr;  // a fleet sheet planned, applied, and its devices marked
};

}  // namespace tavrel
