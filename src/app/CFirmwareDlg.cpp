#include "CFirmwareDlg.h"

#include <QtCore/QTimer>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include "AccessibleNames.h"
#include "AppIcon.h"
#include "DialogUnits.h"
#include "FileFilter.h"
#include "FirmwareImage.h"
#include "Prompts.h"
#include "QtText.h"
#include "TftpTransfer.h"
#include "WindowFont.h"
#include "texts/FixedTexts.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {
constexpr int kWidthUnits = 218;
constexpr int kHeightUnits = 104;
constexpr int kFontPoints = 9;
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
}  // namespace

CFirmwareDlg::CFirmwareDlg(const UiTexts& texts, Prompts& prompts, FirmwareDlgSettings settings,
                           QWidget* parent)
    : QDialog(parent), texts_(texts), prompts_(prompts), settings_(std::move(settings)) {
    setObjectName(QStringLiteral("firmwareDialog"));
    setFont(windowFont(kFontPoints));
    const DialogUnits du(font());

    auto make = [](auto* widget, const char* name, const QRect& where) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(where);
        return widget;
    };
    targetLabel_ =
        make(new QLabel(qs(texts.firmwareTargetLabel), this), "firmwareTargetLabel", du.rect(9, 18, 37, 10));
    target_ = make(new QLineEdit(settings_.target, this), "firmwareTargetEdit", du.rect(47, 15, 124, 13));
    pathLabel_ =
        make(new QLabel(qs(texts.firmwareFileLabel), this), "firmwareFileLabel", du.rect(9, 38, 37, 10));
    path_ = make(new QLineEdit(this), "firmwarePathEdit", du.rect(47, 36, 124, 13));
    browse_ = make(new QPushButton(qs(texts.firmwareOpenButton), this), "firmwareBrowseButton",
                   du.rect(178, 36, 31, 13));
    start_ = make(new QPushButton(qs(texts.firmwareStartButton), this), "firmwareStartButton",
                  du.rect(64, 66, 89, 15));
    start_->setDefault(true);
    bar_ = make(new QProgressBar(this), "firmwareProgress", du.rect(64, 84, 89, 11));
    bar_->setTextVisible(false);
    bar_->hide();
    done_ = make(new QLabel(this), "firmwareDoneLabel", du.rect(160, 84, 56, 11));
    done_->hide();
    paintColour(BarColour::Blue);
    nameByLabels(target_, {targetLabel_}, texts, kAddressHint);
    nameByLabels(path_, {pathLabel_}, texts);
    nameByLabels(browse_, {pathLabel_, browse_}, texts);
    nameByLabels(bar_, {start_}, texts);

    transfer_ = new TftpTransfer(this);
    connect(transfer_, &TftpTransfer::viewChanged, this, &CFirmwareDlg::paint);
    connect(transfer_, &TftpTransfer::message, this,
            [this](const QString& text) { prompts_.inform(settings_.messageCaption, text); });
    connect(transfer_, &TftpTransfer::finished, this, [this](UploadResult result) {
        if (result != UploadResult::TimedOut) return;
        prompts_.inform(settings_.messageCaption,
                        qs(uploadTimeoutText(texts_, transfer_->uploader().blocksSent())));
    });
    connect(browse_, &QPushButton::clicked, this, &CFirmwareDlg::browse);
    connect(start_, &QPushButton::clicked, this, &CFirmwareDlg::startUpload);

    setWindowTitle(qs(texts.firmwareUpgrade));
    setWindowIcon(appIcon());
    setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));
}

CFirmwareDlg::~CFirmwareDlg() = default;

QColor CFirmwareDlg::barColour() const {
    return bar_->palette().color(QPalette::Highlight);
}

void CFirmwareDlg::browse() {
    const QString chosen = prompts_.openFileName(qs(texts_.firmwareOpenButton), QString(),
                                                 qtFileFilter(fixed::kFirmwareOpenFilter));
    path_->setText(chosen);
}

bool CFirmwareDlg::busy() const {
    return reading_ != nullptr || transfer_->active();
}

void CFirmwareDlg::startUpload() {
    if (busy()) return;
    paintColour(BarColour::Blue);
    const QString path = path_->text();
    auto reader = std::make_unique<FirmwareImageReader>(path);
    if (reader->size() <= FirmwareImageReader::kSliceBytes) {
        reader->readSlice();
        startTransfer(reader->take(), path);
        return;
    }
    // A large image is read over several turns of the event loop; Start waits for it, and the file
    // and the target stay as they were when it was pressed.
    reading_ = std::move(reader);
    readingPath_ = path;
    setChoicesEnabled(false);
    readNextSlice();
}

void CFirmwareDlg::readNextSlice() {
    if (!reading_) return;  // the dialog closed meanwhile
    reading_->readSlice();
    if (!reading_->finished()) {
        QTimer::singleShot(0, this, &CFirmwareDlg::readNextSlice);
        return;
    }
    const FirmwareImage image = reading_->take();
    reading_.reset();
    setChoicesEnabled(true);
    startTransfer(image, readingPath_);
}

void CFirmwareDlg::setChoicesEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(start_), static_cast<QWidget*>(path_),
                       static_cast<QWidget*>(browse_), static_cast<QWidget*>(target_)})
        w->setEnabled(enabled);
}

void CFirmwareDlg::startTransfer(const FirmwareImage& image, const QString& path) {
    FirmwareRefusal refusal = image.refusal;
    if (refusal == FirmwareRefusal::None)
        refusal = checkFirmwareTarget(target_->text().trimmed().toStdString());
    if (refusal != FirmwareRefusal::None) {
        prompts_.inform(qs(texts_.infoCaption), qs(firmwareRefusalText(texts_, refusal, path.toStdString())));
        return;
    }
    transfer_->start(path, image.bytes, target_->text().trimmed(), settings_.tftpPort,
                     settings_.localAddress);
}

void CFirmwareDlg::done(int result) {
    reading_.reset();
    transfer_->stop();
    QDialog::done(result);
}

void CFirmwareDlg::paint(const FirmwareView& view) {
    start_->setEnabled(view.startEnabled);
    paintColour(view.barColour);
    if (bar_->maximum() != view.barMaximum) bar_->setRange(0, view.barMaximum);
    bar_->setValue(view.barPosition);
    bar_->setVisible(view.barVisible);
    done_->setText(view.completed ? qs(texts_.upgradeComplete) : QString());
    done_->setVisible(view.completed);
    // A small image goes in milliseconds: the full bar stays long enough to be seen.
    if (view.completed) QTimer::singleShot(kCompleteShownMs, bar_, &QWidget::hide);
}

void CFirmwareDlg::paintColour(BarColour colour) {
    const QColor wanted = colour == BarColour::Red ? kRed : kBlue;
    if (barColour() == wanted) return;
    QPalette p = bar_->palette();
    p.setColor(QPalette::Highlight, wanted);
    bar_->setPalette(p);
}

}  // namespace tavrel
