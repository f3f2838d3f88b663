#pragma once
// Calls a handler just before a combo box opens its list, by mouse or keyboard, so the list can be
// refilled first as a drop-down notification allows.
#include <QtCore/QHash>
#include <QtCore/QObject>
#include <functional>

class QComboBox;

namespace tavrel {

class DropDownWatch : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    void watch(QComboBox* list, std::function<void()> handler);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QHash<QObject*, std::function<void()>> handlers_;
};

}  // namespace tavrel
