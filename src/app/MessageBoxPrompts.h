#pragma once
// Prompts shown to a person: message boxes and file dialogs over a parent window.
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include "Prompts.h"

namespace tavrel {

class MessageBoxPrompts : public Prompts {
  public:
    explicit MessageBoxPrompts(QWidget* parent = nullptr) : parent_(parent) {}

    void setParentWidget(QWidget* parent) { parent_ = parent; }

    void setButtonTexts(const QString& ok, const QString& cancel) override;
    void inform(const QString& caption, const QString& text, Kind kind) override;
    bool confirm(const QString& caption, const QString& text) override;
    QString openFileName(const QString& caption, const QString& directory, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& directory, const QString& filter) override;

  private:
    QPointer<QWidget> parent_;
    QString ok_ = QStringLiteral("OK");
    QString cancel_ = QStringLiteral("Cancel");
};

}  // namespace tavrel
