#pragma once
// Keeps a fixed-size window inside the screen it is on: when the screen's work area is smaller than
// the window's page, the window shrinks to the work area and the page scrolls instead of being cut.
#include <QtCore/QMargins>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QSize>
#include <vector>

class QScreen;
class QScrollArea;
class QWindow;
class QWidget;

namespace tavrel {

// The client size for a page of `page` pixels below and above which fixed bars take `chrome`
// pixels of height, on a work area of `available` with `frame` the window frame around the client.
// A scroll bar (`scrollBar` pixels) is added only in the direction that needs none itself but is
// crossed by the other one's bar.
QSize fittedClientSize(QSize page, int chrome, QSize available, QMargins frame, int scrollBar);

// The client room a window has on the screen it opens on, before the window manager framed it.
QSize clientRoom(const QWidget* window);

class ScreenFit : public QObject {
    Q_OBJECT
  public:
    // `bars` are the fixed rows above and below the scroll area (menu bar, status bar).
    ScreenFit(QWidget* window, QScrollArea* scroll, std::vector<QWidget*> bars);

    // Sizes the window for the screen it is on now.
    void fit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void followScreen();
    QMargins frameMargins() const;

    QWidget* window_;
    QScrollArea* scroll_;
    std::vector<QPointer<QWidget>> bars_;
    QPointer<QWindow> handle_;
    QPointer<QScreen> screen_;
};

}  // namespace tavrel
