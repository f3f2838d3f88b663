#include "CBroadcastDlg.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "AccessibleNames.h"
#include "AppIcon.h"
#include "DialogUnits.h"
#include "QtText.h"
#include "WindowFont.h"
#include "texts/UiTexts.h"

namespace tavrel {

namespace {
constexpr int kWidthUnits = 186;
constexpr int kHeightUnits = 58;
constexpr int kFontPoints = 9;
}  // namespace

CBroadcastDlg::CBroadcastDlg(const UiTexts& texts, const QString& defaultAddress, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("broadcastDialog"));
    setFont(windowFont(kFontPoints));
    const DialogUnits du(font());

    label_ = new QLabel(qs(texts.broadcastAddressLabel), this);
    label_->setObjectName(QStringLiteral("broadcastAddressLabel"));
    label_->setGeometry(du.rect(7, 12, 62, 10));
    edit_ = new QLineEdit(defaultAddress, this);
    edit_->setObjectName(QStringLiteral("broadcastAddressEdit"));
    edit_->setGeometry(du.rect(71, 10, 108, 12));
    nameByLabels(edit_, {label_}, texts, kAddressHint);

    ok_ = new QPushButton(qs(texts.okButton), this);
    ok_->setObjectName(QStringLiteral("broadcastOkButton"));
    ok_->setGeometry(du.rect(71, 36, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    cancel_ = new QPushButton(qs(texts.cancelButton), this);
    cancel_->setObjectName(QStringLiteral("broadcastCancelButton"));
    cancel_->setGeometry(du.rect(129, 36, 50, 14));
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The template gives no caption; the check box that opens the dialog names it.
    setWindowTitle(qs(texts.selectSubnetCheck));
    setWindowIcon(appIcon());
    setFixedSize(du.x(kWidthUnits), du.y(kHeightUnits));
}

QString CBroadcastDlg::address() const {
    return edit_->text();
}

}  // namespace tavrel
