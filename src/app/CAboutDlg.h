#pragma once
// The about box: icon, version label, notice line and OK, in the interface language.
#include <QtWidgets/QDialog>

class QLabel;
class QPushButton;

namespace tavrel {

class UiTexts;

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(const UiTexts& texts, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    QLabel* noticeLabel() const { return notice_; }
    QPushButton* okButton() const { return ok_; }

  private:
    QLabel* version_ = nullptr;
    QLabel* notice_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace tavrel
