#pragma once
// The scan list: counts down while a board scans for networks, lists the names it reports, and hands
// back the one the user double-clicks.
#include <QtWidgets/QDialog>
#include <string>
#include <vector>

#include "wifi/WifiScan.h"

class QTableWidget;
class QTimer;

namespace tavrel {

class UiTexts;

class CWifiListDlg : public QDialog {
    Q_OBJECT
  public:
    // `tickMs` is the countdown's step; tests shorten it.
    explicit CWifiListDlg(const UiTexts& texts, QWidget* parent = nullptr, int tickMs = kWifiScanTickMs);

    bool chosen() const { return chosen_; }
    QString chosenSsid() const { return chosenSsid_; }
    int countdown() const { return countdown_; }
    bool counting() const;
    QTableWidget* list() const { return list_; }
    QString header() const;

  public slots:
    // A datagram routed as a scan result; one that holds no list is dropped.
    void showScanResult(const QByteArray& datagram);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void tick();
    void choose(int row);
    void setHeader(const std::string& text);

    const UiTexts& texts_;
    QTimer* timer_ = nullptr;
    QTableWidget* list_ = nullptr;
    int countdown_ = kScanCountdownSeconds;
    std::vector<std::string> names_;
    QString chosenSsid_;
    bool chosen_ = false;
};

}  // namespace tavrel
