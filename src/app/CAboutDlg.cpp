#include "CAboutDlg.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "AppIcon.h"
#include "DialogUnits.h"
#include "QtText.h"
#include "WindowFont.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {
constexpr int kWidthUnits = 235;
constexpr int kHeightUnits = 55;
constexpr int kFontPoints = 9;
}  // namespace

CAboutDlg::CAboutDlg(const UiTexts& texts, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setFont(windowFont(kFontPoints));
    const DialogUnits du(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    const int iconSize = du.y(20);
    icon->setPixmap(appIcon().pixmap(iconSize, iconSize));
    icon->setGeometry(du.x(11), du.y(17), iconSize, iconSize);

    // Both lines keep their template slots; the notice texts are written to fit theirs.
    version_ = new QLabel(qs(texts.versionLabel), this);
    version_->setObjectName(QStringLiteral("aboutVersion"));
    version_->setGeometry(du.rect(40, 10, 119, 8));
    notice_ = new QLabel(qs(texts.aboutNotice), this);
    notice_->setObjectName(QStringLiteral("aboutNotice"));
    notice_->setGeometry(du.rect(40, 25, 119, 8));

    ok_ = new QPushButton(qs(texts.okButton), this);
    ok_->setObjectName(QStringLiteral("aboutOkButton"));
    ok_->setGeometry(du.rect(178, 7, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    setWindowTitle(qs(texts.aboutCaption));
    setWindowIcon(appIcon());
    setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));
}

}  // namespace tavrel
