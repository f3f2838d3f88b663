#include "AccessibleRoles.h"

#include <QtGui/QAccessible>
#include <QtWidgets/QAccessibleWidget>

#include "ClickableLabel.h"

namespace tavrel {

namespace {

class LinkAccessible : public QAccessibleWidget {
  public:
    explicit LinkAccessible(ClickableLabel* label) : QAccessibleWidget(label, QAccessible::Link) {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            emit static_cast<ClickableLabel*>(widget())->clicked();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("tavrel::StatusBar"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    if (className == QLatin1String("tavrel::ClickableLabel"))
        return new LinkAccessible(static_cast<ClickableLabel*>(object));
    return nullptr;
}

}  // namespace

void installAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(&makeInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace tavrel
