#include "MessageBoxPrompts.h"

#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

namespace tavrel {

namespace {

QMessageBox::Icon iconOf(Prompts::Kind kind) {
    switch (kind) {
        case Prompts::Kind::Warning:
            return QMessageBox::Warning;
        case Prompts::Kind::Error:
            return QMessageBox::Critical;
        case Prompts::Kind::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

void MessageBoxPrompts::setButtonTexts(const QString& ok, const QString& cancel) {
    ok_ = ok;
    cancel_ = cancel;
}

void MessageBoxPrompts::inform(const QString& caption, const QString& text, Kind kind) {
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    box.addButton(ok_, QMessageBox::AcceptRole);
    box.exec();
}

bool MessageBoxPrompts::confirm(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = box.addButton(ok_, QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(cancel_, QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

QString MessageBoxPrompts::openFileName(const QString& caption, const QString& directory,
                                        const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, caption, directory, filter);
}

QString MessageBoxPrompts::saveFileName(const QString& caption, const QString& directory,
                                        const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, caption, directory, filter);
}

}  // namespace tavrel
