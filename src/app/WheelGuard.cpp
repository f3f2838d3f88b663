#include "WheelGuard.h"

#include <QtWidgets/QAbstractSpinBox>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>

namespace tavrel {

namespace {

bool guarded(const QObject* object) {
    return qobject_cast<const QComboBox*>(object) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(object) != nullptr;
}

// A wheel over the control must not give it the focus, or the next step would change it.
void keepWheelFromFocusing(QWidget* control) {
    if ((control->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus) control->setFocusPolicy(Qt::StrongFocus);
}

}  // namespace

void WheelGuard::install() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->findChild<WheelGuard*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    app->installEventFilter(new WheelGuard(app));
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish && guarded(watched)) {
        keepWheelFromFocusing(static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::Wheel && guarded(watched) &&
               !static_cast<QWidget*>(watched)->hasFocus()) {
        // Unaccepted, the application hands the wheel on to the parent (a scrolled page scrolls).
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavrel
