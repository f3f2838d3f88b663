#pragma once
// Lists and spin boxes of every window take the mouse wheel only while they have the keyboard
// focus. Qt's own habit of letting them take it on mere hover changed a device's stored settings
// when the user only meant to scroll past; the wheel now goes on to what holds the control.
#include <QtCore/QObject>

namespace tavrel {

class WheelGuard : public QObject {
    Q_OBJECT
  public:
    // Installs one guard on the application; later calls do nothing. It covers every control that
    // is first shown after it, in any window.
    static void install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};

}  // namespace tavrel
