#pragma once
// The firmware upgrade dialog: target address, image path, Start, and the upload's progress bar.
// The upload itself is the core's; the dialog reads its fields, shows refusals, paints the view.
#include <QtWidgets/QDialog>
#include <memory>

#include <QtNetwork/QHostAddress>
#include "firmware/TftpUploader.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tavrel {

class Prompts;
class TftpTransfer;
class FirmwareImageReader;
struct FirmwareImage;
class UiTexts;

struct FirmwareDlgSettings {
    QString target;  // shown in the target field
    quint16 tftpPort = 69;
    QHostAddress localAddress;  // the chosen adapter's address; null for any
    QString messageCaption;     // caption of the upload's own messages (the program's title)
};

class CFirmwareDlg : public QDialog {
    Q_OBJECT
  public:
    CFirmwareDlg(const UiTexts& texts, Prompts& prompts, FirmwareDlgSettings settings,
                 QWidget* parent = nullptr);
    ~CFirmwareDlg() override;

    QLineEdit* targetEdit() const { return target_; }
    QLineEdit* pathEdit() const { return path_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* startButton() const { return start_; }
    QLabel* doneLabel() const { return done_; }
    static constexpr int kCompleteShownMs = 1500;
    QProgressBar* progressBar() const { return bar_; }
    QColor barColour() const;
    const TftpTransfer& transfer() const { return *transfer_; }

    // Browse: the chosen file's path, or an empty field when the file dialog is cancelled.
    void browse();
    // Start: the checks of the dialog, then the upload.
    void startUpload();

    // Closing the dialog stops a running upload: nothing would be left to show its end.
    void done(int result) override;

    // True from Start until the upload ends, the image's read included.
    bool busy() const;

  private:
    void readNextSlice();
    void startTransfer(const FirmwareImage& image, const QString& path);
    void setChoicesEnabled(bool enabled);
    void paint(const FirmwareView& view);
    void paintColour(BarColour colour);

    const UiTexts& texts_;
    Prompts& prompts_;
    FirmwareDlgSettings settings_;
    TftpTransfer* transfer_ = nullptr;
    std::unique_ptr<FirmwareImageReader> reading_;  // an image larger than a slice, while it is read
    QString readingPath_;
    QLabel* targetLabel_ = nullptr;
    QLineEdit* target_ = nullptr;
    QLabel* pathLabel_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* done_ = nullptr;  // "Upgraded"
    QProgressBar* bar_ = nullptr;
};

}  // namespace tavrel
