#include "CIoControlDlg.h"

#include "util/FileFilter.h"

#include <QtGui/QCloseEvent>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include "AccessibleNames.h"
#include "AppIcon.h"
#include "DialogUnits.h"
#include "IoPictures.h"
#include "IoRecordingArea.h"
#include "Prompts.h"
#include "QtText.h"
#include "TabOrder.h"
#include "iocontrol/IoSettings.h"
#include "settings/AddressText.h"
#include "texts/FixedTexts.h"
#include "util/FileWrite.h"

namespace tavrel {

namespace {
QString dotted(const Ipv4& ip) {
    return QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]);
}

const char* indicatorName(Indicator state) {
    return state == Indicator::On ? "on" : state == Indicator::Off ? "off" : "unknown";
}

// The picture alone says nothing to a screen reader; the description carries the state.
void showIndicator(QToolButton* button, Indicator state, const UiTexts& texts) {
    const QString name = QString::fromLatin1(indicatorName(state));
    if (button->property("indicator").toString() == name) return;
    button->setProperty("indicator", name);
    button->setIcon(QIcon(contactPicture(state)));
    button->setAccessibleDescription(qs(state == Indicator::On    ? texts.a11yOn
                                        : state == Indicator::Off ? texts.a11yOff
                                                                  : texts.a11yUnknown));
}

Indicator indicatorOf(const QToolButton* button) {
    const QString name = button->property("indicator").toString();
    return name == QLatin1String("on")    ? Indicator::On
           : name == QLatin1String("off") ? Indicator::Off
                                          : Indicator::Unknown;
}
}  // namespace

CIoControlDlg::CIoControlDlg(const UiTexts& texts, std::optional<IoWindowSetup> setup,
                             std::shared_ptr<Prompts> prompts, std::filesystem::path settingsFile,
                             QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      texts_(texts),
      prompts_(std::move(prompts)),
      settingsFile_(std::move(settingsFile)),
      link_(new IoBoardLink(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(appIcon());
    buildLayout();
    setConnectedLook(false);
    loadSettings();
    applyTexts();
    connectControls();
    recording_ = new IoRecordingArea(page_, *link_, texts_, prompts_, DialogUnits(font()));
    // The row of buttons under the outputs, in no group, comes after the groups and before the log.
    orderTabsByLayout(page_, {networkGroup_, boardGroup_, tipsGroup_, inputGroup_, outputGroup_});
    syncStateFromControls();
    if (setup) preset(*setup);
}

// A window that goes with the main window, never closed itself, still keeps its settings.
CIoControlDlg::~CIoControlDlg() {
    link_->disconnect(this);
    if (!closed_) {
        link_->close();
        saveSettings();
    }
}

void CIoControlDlg::connectControls() {
    connect(typeList_, &QComboBox::currentIndexChanged, this, &CIoControlDlg::onTypeChanged);
    connect(connectButton_, &QPushButton::clicked, this, &CIoControlDlg::onConnectClicked);
    connect(addressList_, &QComboBox::currentIndexChanged, this, &CIoControlDlg::syncStateFromControls);
    connect(protocolList_, &QComboBox::currentIndexChanged, this, &CIoControlDlg::syncStateFromControls);
    connect(showCommandCheck_, &QCheckBox::toggled, this, &CIoControlDlg::syncStateFromControls);
    connect(stopShowingCheck_, &QCheckBox::toggled, this, &CIoControlDlg::syncStateFromControls);
    connect(intervalList_, &QComboBox::currentIndexChanged, this,
            [this](int position) { link_->setPollInterval(scanIntervalMs(position).value_or(0)); });
    for (int k = 1; k <= static_cast<int>(kMaxIoChannels); ++k)
        connect(outputs_[k - 1], &QToolButton::clicked, this,
                [this, k] { link_->clickOutput(k, timeFields_[k - 1]->text()); });
    connect(allOutputsButton_, &QPushButton::clicked, this, &CIoControlDlg::onAllOutputsClicked);
    connect(clearButton_, &QPushButton::clicked, this, [this] {
        link_->state().clearLog();
        commandLog_->clear();
    });
    connect(saveLogButton_, &QPushButton::clicked, this, &CIoControlDlg::saveLog);
    connect(clientList_, &QListWidget::currentRowChanged, this, &CIoControlDlg::onClientChosen);

    connect(link_, &IoBoardLink::statusChanged, this, &CIoControlDlg::showStatus);
    connect(link_, &IoBoardLink::openedChanged, this, [this](bool open) {
        if (open) commandGroup_->setTitle(qs(texts_.ioCommand));  // a new connection has dropped nothing
        const QString status = statusLine_->text();
        setConnectedLook(open);
        // A failed open keeps the failure's text.
        if (!open) statusLine_->setText(status);
    });
    connect(link_, &IoBoardLink::panelChanged, this, &CIoControlDlg::paintPanel);
    connect(link_, &IoBoardLink::logAppended, this, &CIoControlDlg::appendLog);
    connect(link_, &IoBoardLink::chunksDropped, this, [this](quint64 total) {
        commandGroup_->setTitle(qs(texts_.ioCommand) + QStringLiteral(" — ") + qs(texts_.ioChunksDropped) +
                                QString::number(total));
    });
    connect(link_, &IoBoardLink::clientListed, this, &CIoControlDlg::listClient);
}

// The lists and boxes act on the next frame built, decoded or logged.
void CIoControlDlg::syncStateFromControls() {
    IoBoardState& state = link_->state();
    state.setAddress(addressList_->currentIndex() + 1);
    state.setProtocol(protocolList_->currentIndex() == 0 ? IoProtocol::Custom : IoProtocol::Modbus);
    state.setShowCommand(showCommandCheck_->isChecked());
    state.setLogPaused(stopShowingCheck_->isChecked());
}

void CIoControlDlg::loadSettings() {
    const IoSettings settings = loadIoSettings(settingsFile_);
    // A position the list does not have leaves it without selection.
    auto select = [](QComboBox* list, int position) {
        list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
    };
    select(addressList_, settings.address);
    select(protocolList_, settings.modbus);
    select(intervalList_, settings.scanInterval);
    showCommandCheck_->setChecked(settings.scanInfo != 0);
    stopShowingCheck_->setChecked(settings.stop != 0);
    for (std::size_t i = 0; i < kMaxIoChannels; ++i) timeFields_[i]->setText(qs(settings.timeTexts[i]));
    // Polling waits for the model; a list without selection polls as "OFF" does.
    link_->presetPollInterval(scanIntervalMs(intervalList_->currentIndex()).value_or(0));
}

void CIoControlDlg::saveSettings() {
    IoSettings settings;
    settings.address = addressList_->currentIndex();
    settings.modbus = protocolList_->currentIndex();
    settings.scanInterval = intervalList_->currentIndex();
    settings.scanInfo = showCommandCheck_->isChecked() ? 1 : 0;
    settings.stop = stopShowingCheck_->isChecked() ? 1 : 0;
    for (std::size_t i = 0; i < kMaxIoChannels; ++i)
        settings.timeTexts[i] = timeFields_[i]->text().toStdString();
    // An unwritable file loses the settings; the window closes all the same.
    saveIoSettings(settingsFile_, settings);
}

void CIoControlDlg::preset(const IoWindowSetup& setup) {
    const QString boardIp = dotted(setup.boardIp);
    switch (setup.preset) {
        case IoConnectionType::TcpClient:
            typeList_->setCurrentIndex(static_cast<int>(IoConnectionType::TcpClient));
            ipEdit_->setText(boardIp);
            portEdit_->setText(QString::number(setup.boardPort));
            break;
        case IoConnectionType::TcpServer:
            typeList_->setCurrentIndex(static_cast<int>(IoConnectionType::TcpServer));
            ipEdit_->setText(qs(setup.localIp));
            portEdit_->setText(QString::number(setup.localPort));
            break;
        case IoConnectionType::Udp:
            typeList_->setCurrentIndex(static_cast<int>(IoConnectionType::Udp));
            ipEdit_->setText(qs(setup.localIp));
            portEdit_->setText(QString::number(setup.localPort));
            boardIpEdit_->setText(boardIp);
            boardPortEdit_->setText(QString::number(setup.boardPort));
            break;
        case IoConnectionType::None:
            return;
    }
    onTypeChanged();
    openSelectedType();
}

void CIoControlDlg::onTypeChanged() {
    const int type = typeList_->currentIndex();
    const bool client = type == static_cast<int>(IoConnectionType::TcpClient);
    const bool udp = type == static_cast<int>(IoConnectionType::Udp);
    ipLabel_->setText(qs(client ? texts_.ioLabelDeviceIp : texts_.ioLabelLocalIp));
    portLabel_->setText(qs(client ? texts_.ioLabelDevicePort : texts_.ioLabelLocalPort));
    for (QWidget* w : {static_cast<QWidget*>(boardIpLabel_), static_cast<QWidget*>(boardIpEdit_),
                       static_cast<QWidget*>(boardPortLabel_), static_cast<QWidget*>(boardPortEdit_)})
        w->setVisible(udp);
    applyAccessibleNames();
}

void CIoControlDlg::onConnectClicked() {
    if (!connectedLook_) {
        openSelectedType();
        return;
    }
    link_->close();
    setConnectedLook(false);
}

// Reads the address fields; a bad one is refused with a message and nothing is opened.
void CIoControlDlg::openSelectedType() {
    const auto type = static_cast<IoConnectionType>(typeList_->currentIndex());
    if (type == IoConnectionType::None) return;
    auto address = [this](QLineEdit* edit) -> std::optional<QHostAddress> {
        const auto ip = parseIpv4(edit->text().trimmed().toStdString());
        if (!ip) {
            prompts_->inform(qs(texts_.infoCaption), qs(texts_.invalidIpAddress), Prompts::Kind::Warning);
            edit->setFocus();
            return std::nullopt;
        }
        return QHostAddress(dotted(*ip));
    };
    auto port = [this](QLineEdit* edit) -> std::optional<quint16> {
        bool ok = false;
        const uint value = edit->text().trimmed().toUInt(&ok);
        if (!ok || value > 65535) {
            prompts_->inform(qs(texts_.infoCaption), qs(fixed::withNumber(fixed::kNumberRangePattern, 65535)),
                             Prompts::Kind::Warning);
            edit->setFocus();
            return std::nullopt;
        }
        return static_cast<quint16>(value);
    };
    const auto ip = address(ipEdit_);
    if (!ip) return;
    const auto ipPort = port(portEdit_);
    if (!ipPort) return;
    if (type == IoConnectionType::TcpClient) {
        link_->openTcpClient(*ip, *ipPort);
        return;
    }
    IoBoardLink::OpenResult result = IoBoardLink::OpenResult::Opened;
    if (type == IoConnectionType::TcpServer) {
        result = link_->openTcpServer(*ip, *ipPort);
    } else {
        const auto boardIp = address(boardIpEdit_);
        if (!boardIp) return;
        const auto boardPort = port(boardPortEdit_);
        if (!boardPort) return;
        result = link_->openUdp(*ip, *ipPort, *boardIp, *boardPort);
    }
    if (result == IoBoardLink::OpenResult::BindFailed)
        prompts_->inform(qs(texts_.infoCaption), qs(fixed::kBindFailed), Prompts::Kind::Error);
    else if (result == IoBoardLink::OpenResult::ListenFailed)
        prompts_->inform(qs(texts_.infoCaption), qs(fixed::kListenFailed), Prompts::Kind::Error);
}

void CIoControlDlg::setConnectedLook(bool connected) {
    connectedLook_ = connected;
    connectButton_->setIcon(QIcon(lampPicture(connected)));
    connectButton_->setText(qs(connected ? texts_.ioDisconnect : texts_.ioConnect));
    for (QWidget* w :
         {static_cast<QWidget*>(typeList_), static_cast<QWidget*>(ipEdit_), static_cast<QWidget*>(portEdit_),
          static_cast<QWidget*>(boardIpEdit_), static_cast<QWidget*>(boardPortEdit_)})
        w->setEnabled(!connected);
    if (connected) return;
    statusLine_->clear();
    clientList_->clear();
    clientList_->hide();
    paintPanel();
}

void CIoControlDlg::showStatus(IoBoardLink::Status status) {
    switch (status) {
        case IoBoardLink::Status::Empty:
            statusLine_->clear();
            break;
        case IoBoardLink::Status::Connecting:
            statusLine_->setText(qs(texts_.ioConnecting));
            break;
        case IoBoardLink::Status::ConnectFailed:
            statusLine_->setText(qs(texts_.ioConnectFailed));
            break;
        case IoBoardLink::Status::Listening:
            statusLine_->setText(qs(texts_.ioListening));
            break;
        case IoBoardLink::Status::Connected:
            statusLine_->setText(qs(texts_.ioConnected));
            break;
    }
}

void CIoControlDlg::paintPanel() {
    const IoBoardState& state = link_->state();
    for (std::size_t i = 0; i < kMaxIoChannels; ++i) {
        showIndicator(inputs_[i], state.inputs()[i], texts_);
        showIndicator(outputs_[i], state.outputs()[i], texts_);
    }
    modelLabel_->setText(qs(state.reportedModel()));
    const auto& analog = state.analog();
    for (std::size_t k = 0; k < kAnalogChannels; ++k)
        for (int r = 0; r < 3; ++r)
            analogCells_[r][k]->setText(
                analog ? qs(analogCellText(analog->values[k], static_cast<AnalogRow>(r))) : QString());
    analogGroup_->setVisible(isAnalogBoard(state.model()));
}

void CIoControlDlg::appendLog(const QString& entry, bool cleared) {
    if (cleared) commandLog_->clear();
    QString text = entry;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    commandLog_->moveCursor(QTextCursor::End);
    commandLog_->insertPlainText(text);
    commandLog_->ensureCursorVisible();
}

void CIoControlDlg::listClient(int position, const QString& text) {
    clientList_->show();
    listingClient_ = true;
    if (position >= clientList_->count()) clientList_->addItem(text);
    if (clientList_->currentRow() < 0) clientList_->setCurrentRow(0);
    listingClient_ = false;
}

void CIoControlDlg::onClientChosen(int position) {
    if (listingClient_ || position < 0) return;
    link_->selectClient(position);
}

void CIoControlDlg::onAllOutputsClicked() {
    link_->clickAllOutputs();
    allOutputsButton_->setText(qs(link_->state().allOutputsCaptionOn() ? texts_.ioAllOn : texts_.ioAllOff));
}

void CIoControlDlg::saveLog() {
    const QString chosen = prompts_->saveFileName(texts_.ioSaveLog.empty() ? QString() : qs(texts_.ioSaveLog),
                                                  QString(), qs(fixed::kLogFileFilter));
    if (chosen.isEmpty()) return;
    // A log saved as "run1" opens as text anywhere.
    const std::filesystem::path file =
        withDefaultExtension(std::filesystem::path(chosen.toStdU16String()), ".txt");
    const QString path = QString::fromStdU16String(file.u16string());
    // The log holds IO board frames only (inputs, outputs, model), never a device password.
    if (auto error = replaceFileWhole(file, link_->state().commandLog().text(), FileContent::Plain))
        prompts_->inform(qs(texts_.infoCaption),
                         qs(texts_.ioSaveLogFailed) + path + QStringLiteral(" (") + qs(*error) + ')',
                         Prompts::Kind::Error);
}

Indicator CIoControlDlg::inputShown(int k) const {
    return indicatorOf(inputs_.at(static_cast<std::size_t>(k - 1)));
}
Indicator CIoControlDlg::outputShown(int k) const {
    return indicatorOf(outputs_.at(static_cast<std::size_t>(k - 1)));
}

void CIoControlDlg::closeEvent(QCloseEvent* event) {
    closed_ = true;
    link_->close();
    saveSettings();
    QWidget::closeEvent(event);
}

}  // namespace tavrel
