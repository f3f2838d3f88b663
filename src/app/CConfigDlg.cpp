#include "CConfigDlg.h"

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

#include "AppIcon.h"
#include "CAboutDlg.h"
#include "ControlIds.h"
#include "DialogUnits.h"
#include "Environment.h"
#include "FirmwareArea.h"
#include "FleetArea.h"
#include "FocusOutWatch.h"
#include "IncompleteMarks.h"
#include "MessageBoxPrompts.h"
#include "PackedWriteArea.h"
#include "ProfileArea.h"
#include "ProtocolSocket.h"
#include "QtText.h"
#include "ScreenFit.h"
#include "SnapshotArea.h"
#include "StatusBar.h"
#include "TabOrder.h"
#include "TimingArea.h"
#include "WheelGuard.h"
#include "WifiArea.h"
#include "WindowFont.h"
#include "settings/AddressText.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {
// The template asks for an 11-point Song face; 9 points of the CJK faces found off Windows give a
// window of about the same size, since their lines are taller.
constexpr int kMainFontPoints = 9;
}  // namespace

CConfigDlg::CConfigDlg(ConfigDlgServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    network_ = services_.network ? *services_.network : networkSettingsFromEnvironment();
    paths_ = services_.paths ? *services_.paths : resolvePaths();
    prompts_ = services_.prompts ? services_.prompts : std::make_shared<MessageBoxPrompts>(this);
    if (!services_.adapters) services_.adapters = std::make_shared<SystemAdapterSource>();
    session_ = new DeviceSession(network_, this);
    setUp();
}

CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::setUp() {
    setObjectName(QStringLiteral("configDialog"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The menu bar is the one bar outside the window's units.
    setFont(fittedWindowFont(kMainFontPoints, {kWidthUnits, kHeightUnits}, 1, clientRoom(this)));
    const DialogUnits du(font());
    setWindowIcon(appIcon());

    WheelGuard::install();

    // The page holds the areas at their dialog-unit places; with the status bar below it, it makes
    // up the window's 782 x 376 units. It scrolls when the screen is smaller than that.
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    frame->setMenuBar(menuBar_);
    statusBar_ = new StatusBar(this);
    statusBar_->setFont(font());
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page"));
    page->setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits) - statusBar_->height());
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("pageScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    frame->addWidget(scroll);
    frame->addWidget(statusBar_);

    buildLayout(page, du);
    connectSettingsForm();
    connectDeviceCommands();
    profileArea_ = new ProfileArea(*this);
    wifiArea_ = new WifiArea(*this, *session_);
    packedWriteArea_ = new PackedWriteArea(*this);
    timingArea_ = new TimingArea(*this, *packedWriteArea_);
    controlAs<QCheckBox>(ids::kComputerTimeCheck)->setChecked(true);

    adapters_ = services_.adapters->addresses();
    if (adapters_.size() > ids::kMaxAdapterAddresses) adapters_.resize(ids::kMaxAdapterAddresses);
    defaultAdapter_ = true;
    chosenAdapter_ = 0;
    buildMenus();
    snapshotArea_ = new SnapshotArea(*this, *session_, actionById(ids::kUndoLastChangeCommand));

    broadcastAddress_ = qs(network_.broadcast);
    highlightedRow_ = 0;
    openSocket(QHostAddress());
    controlAs<QCheckBox>(ids::kBroadcastCheck)->setChecked(true);
    connectSearch();
    incompleteMarks_ =
        new IncompleteMarks(deviceList_, *session_, texts_, *prompts_,
                            {[this] { return selectedDevice(); }, [this](int row) { showDevice(row); },
                             [this] { return windowTitle(); }, [this] { return addressMarks(); }},
                            this);
    firmwareArea_ = new FirmwareArea(*this);
    connectReread();
    fleetArea_ = new FleetArea(*this);

    for (int part = 0; part < 3; ++part) setStatusText(part, QString());
    setStatusText(3, qs(fixed::kInitialBroadcastLabel) + broadcastAddress_);

    fillFixedLists();
    setWindowTitle(qs(texts_.mainCaption));
    control(ids::kOneClickButton)->setEnabled(false);
    restoreLanguage();
    // Before any device is shown the form shows nothing a device could be taken to hold.
    clearDeviceForm();

    orderTabsByLayout(page, {control(ids::kDeviceListFrame), control(ids::kNetworkFrame),
                             control(ids::kWifiFrame), control(ids::kPortFrame), control(ids::kTimeFrame)});
    screenFit_ = new ScreenFit(this, scroll, {menuBar_, statusBar_});
    screenFit_->fit();
}

// A null address binds the configured address, or all addresses. A port held by another program
// (another copy of the tool) is reported, and the socket stays closed until an adapter is chosen, so
// the two never split the devices' replies; other bind failures leave the window deaf, as before.
void CConfigDlg::openSocket(const QHostAddress& address) {
    if (session_->openSocket(address) || !session_->socket().addressInUse()) return;
    session_->socket().close();
    // After set-up, so that the message speaks the interface language.
    QTimer::singleShot(0, this, [this] {
        showMessage(fixed::withNumber(texts_.portInUsePattern, network_.localPort), Prompts::Kind::Warning);
    });
}

void CConfigDlg::chooseAdapter(int commandId) {
    const bool toDefault = commandId == ids::kDefaultAdapterCommand;
    const int index = commandId - ids::kFirstAdapterCommand;
    if (!toDefault && (index < 0 || index >= adapters_.size())) return;

    for (int id : adapterMenuIds_)
        if (QAction* action = actionById(id)) action->setChecked(false);
    defaultAdapter_ = false;
    session_->socket().close();
    actionById(commandId)->setChecked(true);
    if (toDefault) {
        openSocket(QHostAddress());
        defaultAdapter_ = true;
    } else {
        openSocket(QHostAddress(adapters_[index].address));
        chosenAdapter_ = index;
    }
    incompleteMarks_->refreshAll();
}

// The core's marks for the rows: against the chosen card, or every card when none is chosen.
std::vector<ListMark> CConfigDlg::addressMarks() const {
    std::vector<Ipv4> addresses;
    for (std::size_t i = 0; i < devices().usedCount(); ++i)
        addresses.push_back(parseIpv4(devices()[i].sourceAddress).value_or(Ipv4{}));
    std::vector<CardSubnet> cards;
    for (int i = 0; i < adapters_.size(); ++i) {
        if (!defaultAdapter_ && i != chosenAdapter_) continue;
        const auto address = parseIpv4(adapters_[i].address.toStdString());
        const auto mask = parseIpv4(adapters_[i].netmask.toStdString());
        if (address && mask) cards.push_back({*address, *mask});
    }
    return listMarks(addresses, cards, texts_);
}

std::optional<int> CConfigDlg::selectedDevice() const {
    for (int row = 0; row < deviceList_->rowCount(); ++row)
        if (deviceList_->selectionModel()->isRowSelected(row, QModelIndex())) return row;
    return std::nullopt;
}

int CConfigDlg::runModal(QDialog& dialog) {
    if (services_.runModal) return services_.runModal(dialog);
    return dialog.exec();
}

void CConfigDlg::setStatusText(int part, const QString& text) {
    statusBar_->setText(part, text);
}

QString CConfigDlg::statusText(int part) const {
    return statusBar_->text(part);
}

void CConfigDlg::showAbout() {
    CAboutDlg about(texts_, this);
    runModal(about);
}

// Enter and Escape do not close the window, so that a stray key never loses unsaved edits: Enter
// stores the edit it is pressed in, as leaving it would, and presses a focused push button; Escape
// does nothing. The close box and the system's close still end the program.
void CConfigDlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        QWidget* focused = focusWidget();
        if (auto* button = qobject_cast<QPushButton*>(focused)) {
            button->click();
        } else if (focused == deviceList_) {
            // Enter shows the row the arrow keys reached; selecting it first keeps the form and the
            // selection on one device (Ctrl+arrows move the current row without selecting it).
            const int row = deviceList_->currentRow();
            if (row >= 0 && selectedDevice() != row)
                deviceList_->selectRow(row);
            else if (row >= 0)
                showDevice(row);
        } else if (focused != nullptr) {
            formFocusWatch_->finishEdit(focused);
        }
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void CConfigDlg::register_(int id, QWidget* widget) {
    widget->setObjectName(qs(ids::objectNameOf(id)));
    controls_.insert(id, widget);
}

}  // namespace tavrel
