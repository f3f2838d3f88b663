#pragma once
// Asks for the broadcast address that searches go to; the edit always opens on the default address.
#include <QtWidgets/QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrel {

class UiTexts;

class CBroadcastDlg : public QDialog {
    Q_OBJECT
  public:
    CBroadcastDlg(const UiTexts& texts, const QString& defaultAddress, QWidget* parent = nullptr);

    // The edit's text as the user left it; taken as it is, without validation.
    QString address() const;

    QLabel* label() const { return label_; }
    QLineEdit* addressEdit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tavrel
