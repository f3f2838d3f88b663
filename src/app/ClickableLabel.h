#pragma once
// A text that reports clicks, like a static control with click notification.
#include <QtWidgets/QLabel>

namespace tavrel {

class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tavrel
