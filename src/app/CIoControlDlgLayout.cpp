// The IO control window's controls, placed in dialog units, one function per area.
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include "CIoControlDlg.h"

#include <QtWidgets/QScrollArea>
#include <QtWidgets/QVBoxLayout>

#include "AccessibleNames.h"
#include "DialogUnits.h"
#include "IoPictures.h"
#include "QtText.h"
#include "ScreenFit.h"
#include "WindowFont.h"
#include "doctor/Doctor.h"
#include "iocontrol/IoSettings.h"
#include "texts/FixedTexts.h"

namespace tavrel {

namespace {
// The template asks for an 11-point Song face; as in the main window, 9 points of the CJK faces
// found off Windows come to about the same size.
constexpr int kFontPoints = 9;
constexpr int kChannelsPerRow = 16;
constexpr int kCellUnits = 20;
constexpr int kLeftX = 5;
constexpr int kRightX = 163;

template <class W>
W* make(QWidget* parent, const char* name, const DialogUnits& du, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(du.rect(x, y, w, h));
    return widget;
}

QToolButton* indicator(QWidget* parent, const QString& name, const DialogUnits& du, int x, int y) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setGeometry(du.rect(x, y, kCellUnits - 1, 14));
    button->setAutoRaise(true);
    button->setIconSize(QSize(du.x(kCellUnits - 1) - 4, du.y(14) - 4));
    button->setIcon(QIcon(contactPicture(Indicator::Unknown)));
    button->setProperty("indicator", QStringLiteral("unknown"));
    return button;
}

QLabel* channelName(QWidget* parent, std::string_view pattern, int k, const DialogUnits& du, int x, int y) {
    auto* label = new QLabel(qs(fixed::withNumber(pattern, k)), parent);
    label->setGeometry(du.rect(x, y, kCellUnits - 1, 8));
    label->setAlignment(Qt::AlignCenter);
    return label;
}
}  // namespace

void CIoControlDlg::buildLayout() {
    setObjectName(QStringLiteral("ioControlDialog"));
    setFont(fittedWindowFont(kFontPoints, {kWidthUnits, kHeightUnits}, 0, clientRoom(this)));
    const DialogUnits du(font());
    // The page keeps its designed size; on a smaller screen the window shrinks and the page scrolls.
    page_ = new QWidget;
    page_->setObjectName(QStringLiteral("ioPage"));
    page_->setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ioPageScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page_);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(scroll);
    buildNetworkGroup(du);
    buildBoardGroup(du);
    buildTipsGroup(du);
    buildChannelGroups(du);
    buildBottomRow(du);
    resize(du.x(kWidthUnits), du.y(kHeightUnits));
    screenFit_ = new ScreenFit(this, scroll, {});
    screenFit_->fit();
}

void CIoControlDlg::buildNetworkGroup(const DialogUnits& du) {
    networkGroup_ = make<QGroupBox>(page_, "networkGroup", du, kLeftX, 4, 152, 128);
    typeLabel_ = make<QLabel>(page_, "typeLabel", du, 12, 17, 56, 10);
    typeList_ = make<QComboBox>(page_, "typeList", du, 70, 15, 80, 12);
    typeList_->addItems({QStringLiteral("TCP Server"), QStringLiteral("TCP Client"), QStringLiteral("UDP")});
    typeList_->setCurrentIndex(-1);
    ipLabel_ = make<QLabel>(page_, "ipLabel", du, 12, 33, 56, 10);
    ipEdit_ = make<QLineEdit>(page_, "ipEdit", du, 70, 31, 80, 12);
    portLabel_ = make<QLabel>(page_, "portLabel", du, 12, 49, 56, 10);
    portEdit_ = make<QLineEdit>(page_, "portEdit", du, 70, 47, 80, 12);
    boardIpLabel_ = make<QLabel>(page_, "boardIpLabel", du, 12, 65, 56, 10);
    boardIpEdit_ = make<QLineEdit>(page_, "boardIpEdit", du, 70, 63, 80, 12);
    boardPortLabel_ = make<QLabel>(page_, "boardPortLabel", du, 12, 81, 56, 10);
    boardPortEdit_ = make<QLineEdit>(page_, "boardPortEdit", du, 70, 79, 80, 12);
    connectButton_ = make<QPushButton>(page_, "connectButton", du, 35, 100, 95, 20);
    connectButton_->setIconSize(QSize(63, 25));
    for (QWidget* w : {static_cast<QWidget*>(boardIpLabel_), static_cast<QWidget*>(boardIpEdit_),
                       static_cast<QWidget*>(boardPortLabel_), static_cast<QWidget*>(boardPortEdit_)})
        w->hide();
}

void CIoControlDlg::buildBoardGroup(const DialogUnits& du) {
    boardGroup_ = make<QGroupBox>(page_, "boardGroup", du, kLeftX, 136, 152, 52);
    protocolLabel_ = make<QLabel>(page_, "protocolLabel", du, 12, 150, 56, 10);
    protocolList_ = make<QComboBox>(page_, "protocolList", du, 70, 148, 80, 12);
    protocolList_->addItems({qs(texts_.ioSelfDefine), qs(texts_.ioModbus)});
    addressLabel_ = make<QLabel>(page_, "addressLabel", du, 12, 168, 56, 10);
    addressList_ = make<QComboBox>(page_, "addressList", du, 70, 166, 80, 12);
    for (int a = 1; a <= 255; ++a)
        addressList_->addItem(qs(texts_.deviceMenu) + QLatin1Char(' ') + QString::number(a));
}

void CIoControlDlg::buildTipsGroup(const DialogUnits& du) {
    tipsGroup_ = make<QGroupBox>(page_, "tipsGroup", du, kLeftX, 192, 152, 176);
    statusLine_ = make<QLabel>(page_, "statusLine", du, 12, 205, 138, 10);
    QPalette green = statusLine_->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    statusLine_->setPalette(green);
    modelCaption_ = make<QLabel>(page_, "modelCaption", du, 12, 219, 60, 10);
    modelLabel_ = make<QLabel>(page_, "modelLabel", du, 75, 219, 75, 10);
    // The data log and history buttons sit below it (IoRecordingArea).
    clientList_ = make<QListWidget>(page_, "clientList", du, 12, 233, 138, 112);
    clientList_->hide();
}

void CIoControlDlg::buildChannelGroups(const DialogUnits& du) {
    inputGroup_ = make<QGroupBox>(page_, "inputGroup", du, kRightX, 4, 328, 62);
    outputGroup_ = make<QGroupBox>(page_, "outputGroup", du, kRightX, 70, 328, 100);
    for (int i = 0; i < static_cast<int>(kMaxIoChannels); ++i) {
        const int x = kRightX + 5 + (i % kChannelsPerRow) * kCellUnits;
        const int rowIn = i / kChannelsPerRow;
        channelName(page_, fixed::kInputNamePattern, i + 1, du, x, 13 + rowIn * 25)
            ->setObjectName(QStringLiteral("inputName%1").arg(i + 1));
        inputs_[i] = indicator(page_, QStringLiteral("input%1").arg(i + 1), du, x, 21 + rowIn * 25);
        channelName(page_, fixed::kOutputNamePattern, i + 1, du, x, 80 + rowIn * 45);
        outputs_[i] = indicator(page_, QStringLiteral("output%1").arg(i + 1), du, x, 88 + rowIn * 45);
        timeFields_[i] = make<QLineEdit>(page_, "", du, x, 103 + rowIn * 45, kCellUnits - 1, 11);
        timeFields_[i]->setObjectName(QStringLiteral("time%1").arg(i + 1));
        timeFields_[i]->setAlignment(Qt::AlignCenter);
        timeFields_[i]->setMaxLength(static_cast<int>(kTimeTextMaxChars));
    }
    // The analog board has no digital inputs: its cells take the inputs' place while it is shown.
    analogGroup_ = make<QGroupBox>(page_, "analogGroup", du, kRightX, 4, 328, 62);
    const std::array<std::string_view, 3> rows{fixed::kAnalogRow5V, fixed::kAnalogRow10V,
                                               fixed::kAnalogRow20mA};
    for (int k = 0; k < static_cast<int>(kAnalogChannels); ++k) {
        auto* name = new QLabel(qs(fixed::withNumber(fixed::kAnalogNamePattern, k + 1)), analogGroup_);
        name->setGeometry(du.rect(40 + k * 35, 9, 33, 9));
        name->setAlignment(Qt::AlignCenter);
    }
    for (int r = 0; r < 3; ++r) {
        auto* label = new QLabel(qs(rows[r]), analogGroup_);
        label->setGeometry(du.rect(5, 19 + r * 13, 34, 11));
        for (int k = 0; k < static_cast<int>(kAnalogChannels); ++k) {
            auto* cell = new QLabel(analogGroup_);
            cell->setObjectName(QStringLiteral("analog%1_%2").arg(r + 1).arg(k + 1));
            cell->setGeometry(du.rect(40 + k * 35, 19 + r * 13, 33, 11));
            cell->setAlignment(Qt::AlignCenter);
            cell->setAutoFillBackground(true);
            QPalette palette = cell->palette();
            palette.setColor(QPalette::Window, Qt::white);
            palette.setColor(QPalette::WindowText, Qt::black);
            cell->setPalette(palette);
            cell->setFrameShape(QFrame::Box);
            analogCells_[r][k] = cell;
        }
    }
    analogGroup_->setAutoFillBackground(true);
    analogGroup_->hide();
}

void CIoControlDlg::buildBottomRow(const DialogUnits& du) {
    allOutputsButton_ = make<QPushButton>(page_, "allOutputsButton", du, kRightX, 174, 80, 16);
    intervalLabel_ = make<QLabel>(page_, "intervalLabel", du, 247, 178, 50, 10);
    intervalList_ = make<QComboBox>(page_, "intervalList", du, 297, 176, 36, 12);
    for (std::string_view text : kScanIntervalTexts) intervalList_->addItem(qs(text));
    auto* ms = make<QLabel>(page_, "msLabel", du, 335, 178, 10, 10);
    ms->setText(qs(fixed::kMillisecondsUnit));
    clearButton_ = make<QPushButton>(page_, "clearButton", du, 347, 174, 36, 16);
    saveLogButton_ = make<QPushButton>(page_, "saveLogButton", du, 386, 174, 40, 16);
    showCommandCheck_ = make<QCheckBox>(page_, "showCommandCheck", du, 429, 171, 64, 10);
    stopShowingCheck_ = make<QCheckBox>(page_, "stopShowingCheck", du, 429, 182, 64, 10);
    commandGroup_ = make<QGroupBox>(page_, "commandGroup", du, kRightX, 194, 328, 174);
    commandLog_ = make<QPlainTextEdit>(page_, "commandLog", du, kRightX + 6, 205, 316, 158);
    commandLog_->setReadOnly(true);
    commandLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Group boxes are drawn under their contents.
    for (QWidget* group : {static_cast<QWidget*>(networkGroup_), static_cast<QWidget*>(boardGroup_),
                           static_cast<QWidget*>(tipsGroup_), static_cast<QWidget*>(inputGroup_),
                           static_cast<QWidget*>(outputGroup_), static_cast<QWidget*>(commandGroup_)})
        group->lower();
}

void CIoControlDlg::applyTexts() {
    networkGroup_->setTitle(qs(texts_.ioNetworkSetting));
    boardGroup_->setTitle(qs(texts_.ioDeviceSetting));
    inputGroup_->setTitle(qs(texts_.ioInput));
    outputGroup_->setTitle(qs(texts_.ioOutput));
    analogGroup_->setTitle(qs(texts_.ioAnalog));
    typeLabel_->setText(qs(texts_.ioLabelProtocolType));
    boardIpLabel_->setText(qs(texts_.ioLabelDeviceIp));
    boardPortLabel_->setText(qs(texts_.ioLabelDevicePort));
    connectButton_->setText(qs(texts_.ioConnect));
    protocolLabel_->setText(qs(texts_.ioProtocolGroup));
    addressLabel_->setText(qs(texts_.ioAddressGroup));
    allOutputsButton_->setText(qs(texts_.ioAllOff));
    intervalLabel_->setText(qs(texts_.ioTimeInterval));
    clearButton_->setText(qs(texts_.ioClear));
    saveLogButton_->setText(qs(texts_.ioSaveLog));
    showCommandCheck_->setText(qs(texts_.ioShowCommand));
    stopShowingCheck_->setText(qs(texts_.ioStopShowing));
    tipsGroup_->setTitle(qs(texts_.ioTips));
    commandGroup_->setTitle(qs(texts_.ioCommand));
    modelCaption_->setText(qs(texts_.ioDeviceModel));
    onTypeChanged();
}

void CIoControlDlg::applyAccessibleNames() {
    nameByLabels(typeList_, {typeLabel_}, texts_);
    nameByLabels(ipEdit_, {ipLabel_}, texts_, kAddressHint);
    nameByLabels(portEdit_, {portLabel_}, texts_, kNumberHint);
    nameByLabels(boardIpEdit_, {boardIpLabel_}, texts_, kAddressHint);
    nameByLabels(boardPortEdit_, {boardPortLabel_}, texts_, kNumberHint);
    nameByLabels(protocolList_, {protocolLabel_}, texts_);
    nameByLabels(addressList_, {addressLabel_}, texts_);
    nameByLabels(intervalList_, {intervalLabel_}, texts_, {.unit = &UiTexts::a11yMilliseconds});
    nameByLabels(commandLog_, {commandGroup_}, texts_);
    nameByLabels(clientList_, {tipsGroup_}, texts_);
    const QString inputGroup = accessibleTextOf(inputGroup_);
    const QString outputGroup = accessibleTextOf(outputGroup_);
    const QString timeRange = qs(describeField(texts_, kNumberHint));
    for (int i = 0; i < static_cast<int>(kMaxIoChannels); ++i) {
        const std::string input = fixed::withNumber(fixed::kInputNamePattern, i + 1);
        const std::string output = fixed::withNumber(fixed::kOutputNamePattern, i + 1);
        inputs_[i]->setAccessibleName(inputGroup + QLatin1Char(' ') + qs(input));
        outputs_[i]->setAccessibleName(outputGroup + QLatin1Char(' ') + qs(output));
        nameControl(timeFields_[i], qs(fillIn(texts_.a11yOutputTime, {output})), timeRange);
        for (QToolButton* indicator : {inputs_[i], outputs_[i]})
            if (indicator->accessibleDescription().isEmpty())
                indicator->setAccessibleDescription(qs(texts_.a11yUnknown));
    }
}

}  // namespace tavrel
