#pragma once
// Calls a handler when a watched widget loses the keyboard focus to another control of its window,
// as an edit's kill-focus notification does. Programmatic text changes never call it.
#include <QtCore/QHash>
#include <QtCore/QObject>
#include <functional>

class QWidget;

namespace tavrel {

class FocusOutWatch : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // One handler per widget; a second call replaces the first.
    void watch(QWidget* widget, std::function<void()> handler);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QHash<QObject*, std::function<void()>> handlers_;
};

}  // namespace tavrel
