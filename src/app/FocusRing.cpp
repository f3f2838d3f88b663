#include "FocusRing.h"

#include <QtCore/QEvent>
#include <QtWidgets/QFocusFrame>

namespace tavrel {

FocusRing::FocusRing(QWidget* target) : QObject(target), target_(target) {
    target->installEventFilter(this);
}

void FocusRing::attach(QWidget* target) {
    new FocusRing(target);
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && event->type() == QEvent::FocusIn) {
        // Made on first use: the frame joins the target's parent, which must exist by then.
        if (!frame_) frame_ = new QFocusFrame(target_);
        frame_->setWidget(target_);
    } else if (watched == target_ && event->type() == QEvent::FocusOut && frame_) {
        frame_->setWidget(nullptr);
    }
    return false;
}

}  // namespace tavrel
