#pragma once
// Names and descriptions that screen readers read for the windows' controls: a control takes the
// text of the label beside it, or of the few labels that together say what it is; a field with a
// limit or unit is described by it. Applied after every re-labelling, so both follow the language.
#include <QtCore/QString>
#include <initializer_list>

#include "texts/AccessibleText.h"

class QWidget;

namespace tavrel {

class MainWindowContext;
class UiTexts;

// A label's, button's or group's text as a name: without its colon and padding.
QString accessibleTextOf(const QWidget* label);

// Names `control` by the texts of `labels` joined by ", ", and describes it by `hint`. With one
// label, that label becomes the control's buddy, so that a screen reader relates the two.
void nameByLabels(QWidget* control, std::initializer_list<QWidget*> labels, const UiTexts& texts,
                  const FieldHint& hint = {});
void nameControl(QWidget* control, const QString& name, const QString& description = {});

// Every control of the main window that its own text does not name.
void applyMainWindowNames(const MainWindowContext& window, const UiTexts& texts);

}  // namespace tavrel
