#include "FocusOutWatch.h"

#include <QtGui/QFocusEvent>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>

namespace tavrel {

void FocusOutWatch::watch(QWidget* widget, std::function<void()> handler) {
    if (!handlers_.contains(widget)) {
        widget->installEventFilter(this);
        connect(widget, &QObject::destroyed, this, [this, widget] {
            handlers_.remove(widget);
            finished_.remove(widget);
        });
    }
    handlers_.insert(widget, std::move(handler));
}

bool FocusOutWatch::finishEdit(QWidget* widget) {
    if (!handlers_.contains(widget)) return false;
    run(widget);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setModified(false);
    finished_.insert(widget);
    return true;
}

void FocusOutWatch::run(QObject* watched) {
    auto it = handlers_.constFind(watched);
    if (it == handlers_.constEnd()) return;
    const auto handler = *it;  // the handler may replace itself
    handler();
}

bool FocusOutWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Switching to another application or opening a context menu leaves the edit where it is;
        // only a move to another control ends the edit. A hidden window takes no edits either.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool leftForControl = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (leftForControl && widget && widget->window()->isVisible()) {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            const bool storedAlready = finished_.remove(watched) && edit != nullptr && !edit->isModified();
            if (!storedAlready) run(watched);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavrel
