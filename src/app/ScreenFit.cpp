#include "ScreenFit.h"

#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QStyle>
#include <algorithm>

namespace tavrel {

namespace {

// Before the window manager has framed the window its frame is unknown; a caption and borders this
// large cover the common desktops, so the first placement does not hang below the task bar.
constexpr QMargins kGuessedFrame(8, 32, 8, 8);
// Below this the window would be of no use; the screen is then simply too small.
constexpr QSize kSmallestClient(320, 240);

}  // namespace

QSize clientRoom(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) return {};
    return screen->availableGeometry().size().shrunkBy(kGuessedFrame);
}

QSize fittedClientSize(QSize page, int chrome, QSize available, QMargins frame, int scrollBar) {
    const int maxWidth = std::max(kSmallestClient.width(), available.width() - frame.left() - frame.right());
    const int maxHeight =
        std::max(kSmallestClient.height(), available.height() - frame.top() - frame.bottom());
    bool vertical = false;
    bool horizontal = false;
    // Each bar can make the other one needed; two rounds settle it.
    for (int round = 0; round < 2; ++round) {
        horizontal = page.width() + (vertical ? scrollBar : 0) > maxWidth;
        vertical = page.height() + chrome + (horizontal ? scrollBar : 0) > maxHeight;
    }
    return {std::min(page.width() + (vertical ? scrollBar : 0), maxWidth),
            std::min(page.height() + chrome + (horizontal ? scrollBar : 0), maxHeight)};
}

ScreenFit::ScreenFit(QWidget* window, QScrollArea* scroll, std::vector<QWidget*> bars)
    : QObject(window), window_(window), scroll_(scroll) {
    for (QWidget* bar : bars) bars_.emplace_back(bar);
    window_->installEventFilter(this);
}

void ScreenFit::fit() {
    QScreen* screen = window_->screen();
    const QWidget* page = scroll_->widget();
    if (screen == nullptr || page == nullptr) return;
    int chrome = 0;
    for (const QPointer<QWidget>& bar : bars_) {
        if (!bar || bar->isHidden()) continue;
        // As the window's layout will size it: its hint, within its own limits.
        bar->ensurePolished();
        chrome += qBound(bar->minimumHeight(), bar->sizeHint().height(), bar->maximumHeight());
    }
    const int scrollBar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
    window_->setFixedSize(fittedClientSize(page->size(), chrome, screen->availableGeometry().size(),
                                           frameMargins(), scrollBar));
}

QMargins ScreenFit::frameMargins() const {
    const QWindow* handle = window_->windowHandle();
    const QMargins margins = handle != nullptr ? handle->frameMargins() : QMargins();
    return margins.isNull() ? kGuessedFrame : margins;
}

void ScreenFit::followScreen() {
    QWindow* handle = window_->windowHandle();
    if (handle == nullptr) return;
    if (handle != handle_) {
        handle_ = handle;
        connect(handle, &QWindow::screenChanged, this, [this] {
            followScreen();
            fit();
        });
    }
    if (screen_ == handle->screen()) return;
    if (screen_) disconnect(screen_, nullptr, this, nullptr);
    screen_ = handle->screen();
    if (screen_) connect(screen_, &QScreen::availableGeometryChanged, this, &ScreenFit::fit);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Show) {
        followScreen();
        fit();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavrel
