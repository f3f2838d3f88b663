#pragma once
// Message boxes, confirmations and file dialogs, behind one interface so that tests can answer them.
#include <QtCore/QString>

namespace tavrel {

class Prompts {
  public:
    enum class Kind { Information, Warning, Error };

    virtual ~Prompts() = default;

    // Button texts of the interface language ("OK"/"确定", "Cancel"/"取消").
    virtual void setButtonTexts(const QString& ok, const QString& cancel) = 0;
    // A message with one OK button.
    virtual void inform(const QString& caption, const QString& text, Kind kind = Kind::Information) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool confirm(const QString& caption, const QString& text) = 0;
    // A file to read or to write; empty when the user cancels. `filter` is in Qt's form
    // ("Profiles (*.ini);;All files (*)").
    virtual QString openFileName(const QString& caption, const QString& directory, const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& directory, const QString& filter) = 0;
};

}  // namespace tavrel
