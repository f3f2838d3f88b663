#include "StatusBar.h"

#include <QtGui/QAccessible>
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

// The label says nothing to assistive tools when its text changes; they hear of a new status here,
// inside a status bar, so that a refused value or a write's outcome reaches a screen reader.
void StatusBar::setText(int index, const QString& text) {
    QLabel* label = part(index);
    if (!label || label->text() == text) return;
    label->setText(text);
    QAccessibleEvent changed(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
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
