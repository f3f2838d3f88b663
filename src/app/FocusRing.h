#pragma once
// A ring around a list while it has the keyboard focus. The lists keep their selection colour with
// and without focus, so without the ring nothing would show where the keyboard is.
#include <QtCore/QObject>

class QFocusFrame;
class QWidget;

namespace tavrel {

class FocusRing : public QObject {
    Q_OBJECT
  public:
    // Owned by `target`; the ring follows its focus from then on.
    static void attach(QWidget* target);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FocusRing(QWidget* target);

    QWidget* target_;
    QFocusFrame* frame_ = nullptr;
};

}  // namespace tavrel
