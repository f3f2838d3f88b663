#include "DropDownWatch.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QComboBox>

namespace tavrel {

namespace {

// The keys with which a closed, non-editable combo box opens its list.
bool opensList(const QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_F4:
        case Qt::Key_Space:
            return true;
        case Qt::Key_Down:
        case Qt::Key_Up:
            return key->modifiers() & Qt::AltModifier;
        default:
            return false;
    }
}

}  // namespace

void DropDownWatch::watch(QComboBox* list, std::function<void()> handler) {
    if (!handlers_.contains(list)) {
        list->installEventFilter(this);
        connect(list, &QObject::destroyed, this, [this, list] { handlers_.remove(list); });
    }
    handlers_.insert(list, std::move(handler));
}

bool DropDownWatch::eventFilter(QObject* watched, QEvent* event) {
    bool opening = false;
    if (event->type() == QEvent::MouseButtonPress)
        opening = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    else if (event->type() == QEvent::KeyPress)
        opening = opensList(static_cast<QKeyEvent*>(event));
    if (opening) {
        auto it = handlers_.constFind(watched);
        if (it != handlers_.constEnd()) {
            const auto handler = *it;
            handler();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavrel
