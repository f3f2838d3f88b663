#pragma once
// Calls a handler when a watched widget loses the keyboard focus to another control of its window,
// as an edit's kill-focus notification does. Programmatic text changes never call it.
#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QSet>
#include <functional>

class QWidget;

namespace tavrel {

class FocusOutWatch : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // One handler per widget; a second call replaces the first.
    void watch(QWidget* widget, std::function<void()> handler);

    // Runs the widget's handler now, as leaving it would (Enter in an edit). Leaving it afterwards
    // runs the handler again only if the text was edited since, so a refused and emptied edit is
    // not stored as empty on the way out. False when the widget is not watched.
    bool finishEdit(QWidget* widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void run(QObject* watched);

    QHash<QObject*, std::function<void()>> handlers_;
    QSet<QObject*> finished_;  // handled by finishEdit and not edited since
};

}  // namespace tavrel
