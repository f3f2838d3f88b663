#pragma once
// The WiFi group of the main window: shows a 302-form board's WiFi settings and signal, applies the
// mode's enable rule, runs the network scan, and gives a save the settings the group holds.
#include <QtCore/QObject>
#include <cstdint>

#include "wifi/WifiScan.h"
#include "wifi/WifiSettings.h"
#include "wifi/WifiView.h"

namespace tavrel {

class MainWindowContext;
class DeviceSession;
class UiTexts;

class WifiArea : public QObject {
    Q_OBJECT
  public:
    WifiArea(MainWindowContext& window, DeviceSession& session);

    // Fills the group for the device shown: filled and enabled for a 302-form board, else emptied.
    void showDevice(const WifiView& view);
    // Refills the mode list in the new language, keeping the entry it showed.
    void applyTexts(const UiTexts& texts);
    // Mode and the four texts as the group holds them now, for the 302 packed write.
    WifiSettings settings() const;

    // Scan button: asks the selected board for networks and runs the scan list until it closes.
    void scan();
    // Countdown step of the scan list; tests shorten it.
    void setScanTickMs(int ms) { scanTickMs_ = ms; }

  private:
    void applyModeRule(int modeSelection);

    MainWindowContext& window_;
    DeviceSession& session_;
    bool groupEnabled_ = false;
    std::uint8_t deviceMode_ = 0;
    int scanTickMs_ = kWifiScanTickMs;
};

}  // namespace tavrel
