#pragma once
// The IO control window: connects to one network IO board, shows its inputs and outputs as switch
// pictures, switches outputs one by one or all at once, polls it and logs the frames. Modeless;
// every opening is a window of its own with its own connection.
#include <QtWidgets/QWidget>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "IoBoardLink.h"
#include "iocontrol/IoOpening.h"
#include "texts/UiTexts.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tavrel {

class ScreenFit;

class IoRecordingArea;
class Prompts;

class CIoControlDlg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidthUnits = 496;
    static constexpr int kHeightUnits = 374;
    QWidget* page() const { return page_; }

    // Without a setup the window opens with no type selected and sends nothing until the user
    // connects. Texts are taken once, now.
    CIoControlDlg(const UiTexts& texts, std::optional<IoWindowSetup> setup, std::shared_ptr<Prompts> prompts,
                  std::filesystem::path settingsFile, QWidget* parent = nullptr);
    ~CIoControlDlg() override;

    IoBoardLink& link() { return *link_; }
    IoRecordingArea& recording() { return *recording_; }
    // The indicator state shown by input or output k (1..32).
    Indicator inputShown(int k) const;
    Indicator outputShown(int k) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* page_ = nullptr;  // every control; scrolls when the screen is smaller than the window
    ScreenFit* screenFit_ = nullptr;
    void buildLayout();
    void buildNetworkGroup(const class DialogUnits& du);
    void buildBoardGroup(const DialogUnits& du);
    void buildTipsGroup(const DialogUnits& du);
    void buildChannelGroups(const DialogUnits& du);
    void buildBottomRow(const DialogUnits& du);
    void connectControls();
    void applyTexts();
    void loadSettings();
    void saveSettings();
    void preset(const IoWindowSetup& setup);

    void onTypeChanged();
    void applyAccessibleNames();
    void onConnectClicked();
    void openSelectedType();
    void setConnectedLook(bool connected);
    void showStatus(IoBoardLink::Status status);
    void paintPanel();
    void appendLog(const QString& entry, bool cleared);
    void listClient(int position, const QString& text);
    void onClientChosen(int position);
    void onAllOutputsClicked();
    void saveLog();
    void syncStateFromControls();

    UiTexts texts_;
    std::shared_ptr<Prompts> prompts_;
    std::filesystem::path settingsFile_;
    IoBoardLink* link_ = nullptr;
    IoRecordingArea* recording_ = nullptr;
    bool connectedLook_ = false;
    bool listingClient_ = false;
    bool closed_ = false;

    QComboBox* typeList_ = nullptr;
    QLabel* ipLabel_ = nullptr;
    QLineEdit* ipEdit_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    QLabel* boardIpLabel_ = nullptr;
    QLineEdit* boardIpEdit_ = nullptr;
    QLabel* boardPortLabel_ = nullptr;
    QLineEdit* boardPortEdit_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    QGroupBox* networkGroup_ = nullptr;
    QGroupBox* boardGroup_ = nullptr;
    QLabel* protocolLabel_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QComboBox* addressList_ = nullptr;
    QComboBox* protocolList_ = nullptr;
    QGroupBox* inputGroup_ = nullptr;
    QGroupBox* outputGroup_ = nullptr;
    QGroupBox* analogGroup_ = nullptr;
    std::array<QToolButton*, kMaxIoChannels> inputs_{};
    std::array<QToolButton*, kMaxIoChannels> outputs_{};
    std::array<QLineEdit*, kMaxIoChannels> timeFields_{};
    std::array<std::array<QLabel*, kAnalogChannels>, 3> analogCells_{};
    QPushButton* allOutputsButton_ = nullptr;
    QLabel* intervalLabel_ = nullptr;
    QComboBox* intervalList_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QCheckBox* showCommandCheck_ = nullptr;
    QCheckBox* stopShowingCheck_ = nullptr;
    QPushButton* saveLogButton_ = nullptr;
    QGroupBox* tipsGroup_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QListWidget* clientList_ = nullptr;
    QLabel* modelCaption_ = nullptr;
    QLabel* modelLabel_ = nullptr;
    QGroupBox* commandGroup_ = nullptr;
    QPlainTextEdit* commandLog_ = nullptr;
};

}  // namespace tavrel
