#include "CConfigDlg.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

#include "AppIcon.h"
#include "CAboutDlg.h"
#include "ControlIds.h"
#include "DialogUnits.h"
#include "Environment.h"
#include "FirmwareArea.h"
#include "MessageBoxPrompts.h"
#include "ProtocolSocket.h"
#include "QtText.h"
#include "StatusBar.h"
#include "WindowFont.h"
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
    setFont(windowFont(kMainFontPoints));
    const DialogUnits du(font());
    setWindowIcon(appIcon());

    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->setSizeConstraint(QLayout::SetFixedSize);
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    frame->setMenuBar(menuBar_);
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("page"));
    page->setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));
    frame->addWidget(page);

    buildLayout(page, du);
    connectSettingsForm();
    connectDeviceCommands();
    controlAs<QCheckBox>(ids::kComputerTimeCheck)->setChecked(true);

    adapters_ = services_.adapters->addresses();
    if (adapters_.size() > ids::kMaxAdapterAddresses) adapters_.resize(ids::kMaxAdapterAddresses);
    defaultAdapter_ = true;
    chosenAdapter_ = 0;
    buildMenus();

    broadcastAddress_ = qs(network_.broadcast);
    highlightedRow_ = 0;
    openSocket(QHostAddress());
    controlAs<QCheckBox>(ids::kBroadcastCheck)->setChecked(true);
    connectSearch();
    firmwareArea_ = new FirmwareArea(*this);

    statusBar_ = new StatusBar(page);
    statusBar_->setFont(font());
    statusBar_->setGeometry(0, page->height() - statusBar_->height(), page->width(), statusBar_->height());
    for (int part = 0; part < 3; ++part) setStatusText(part, QString());
    setStatusText(3, qs(fixed::kInitialBroadcastLabel) + broadcastAddress_);

    fillFixedLists();
    setWindowTitle(qs(texts_.mainCaption));
    control(ids::kOneClickButton)->setEnabled(false);
    restoreLanguage();
}

// A failed bind is not reported: the window opens all the same and simply hears no replies. A null
// address binds the configured address, or all addresses.
void CConfigDlg::openSocket(const QHostAddress& address) {
    session_->openSocket(address);
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

// The window has no confirm or cancel buttons of its own: Escape and Enter close it, as the close
// box does, except that Enter on a focused push button presses that button.
void CConfigDlg::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();
            } else {
                accept();
            }
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void CConfigDlg::register_(int id, QWidget* widget) {
    widget->setObjectName(qs(ids::objectNameOf(id)));
    controls_.insert(id, widget);
}

}  // namespace tavrel
