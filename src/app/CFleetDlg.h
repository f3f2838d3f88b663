#pragma once
// The plan of a fleet sheet as a table (device, field, from, to, result) in the interface language,
// Apply, and the progress of the writes. The fleet area fills it and says each device's outcome.
#include <QtWidgets/QDialog>
#include <vector>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tavrel {

class UiTexts;

class CFleetDlg : public QDialog {
    Q_OBJECT
  public:
    struct Line {
        QString field;  // empty for a device that changes nothing
        QString from;
        QString to;  // or what the device's status says
    };
    struct Device {
        QString name;  // "00-CA-C1-19-00-33 (192.168.1.20)"
        std::vector<Line> lines;
    };
    CFleetDlg(const UiTexts& texts, const std::vector<Device>& devices, bool canApply,
              QWidget* parent = nullptr);

    QTableWidget* planTable() const { return table_; }
    QPushButton* applyButton() const { return apply_; }
    QProgressBar* progressBar() const { return bar_; }
    // The result cell of every line of device `device`.
    void setResult(std::size_t device, const QString& text);
    void startProgress(int writes);
    void advance();

  signals:
    void applyRequested();

  private:
    QTableWidget* table_ = nullptr;
    QPushButton* apply_ = nullptr;
    QProgressBar* bar_ = nullptr;
    std::vector<int> firstRow_;  // per device, its first table row
    std::vector<std::size_t> rowCount_;
};

}  // namespace tavrel
