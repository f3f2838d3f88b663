#pragma once
// A text that reports clicks, like a static control with click notification. It takes the keyboard
// focus, shows it, and Space or Enter click it, so that it works without a mouse.
#include <QtWidgets/QLabel>

namespace tavrel {

class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ClickableLabel(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrel
