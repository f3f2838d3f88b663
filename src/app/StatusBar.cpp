#include "StatusBar.h"

#include <QtWidgets/QLabel>

#include "AccessibleRoles.h"

namespace tavrel {

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("statusBar"));
    installAccessibleRoles();
    for (int i = 0; i < kPartCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("statusPart%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setIndent(3);
        parts_[static_cast<std::size_t>(i)] = label;
    }
    setFixedHeight(fontMetrics().height() + 8);
}

void StatusBar::setText(int index, const QString& text) {
    if (QLabel* label = part(index)) label->setText(text);
}

QString StatusBar::text(int index) const {
    const QLabel* label = part(index);
    return label ? label->text() : QString();
}

QLabel* StatusBar::part(int index) const {
    if (index < 0 || index >= kPartCount) return nullptr;
    return parts_[static_cast<std::size_t>(index)];
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    int left = 0;
    for (int i = 0; i < kPartCount; ++i) {
        const int right = i < kPartCount - 1 ? kPartRightEdges[static_cast<std::size_t>(i)] : width();
        parts_[static_cast<std::size_t>(i)]->setGeometry(left, 1, qMax(0, right - left - 2), height() - 2);
        left = right;
    }
}

}  // namespace tavrel
