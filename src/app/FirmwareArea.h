#pragma once
// The main window's firmware upgrade: button 1049 (confirm, upgrade-mode frame, dialog with the
// selected device as target) and the "Device" menu's command (dialog with the default target).
#include <QtCore/QObject>
#include <QtCore/QString>
#include <optional>

namespace tavrel {

class MainWindowContext;

// The target of the device menu's path: the address a device waiting for new firmware takes.
inline constexpr const char* kDefaultUpgradeTarget = "192.168.1.253";

class FirmwareArea : public QObject {
    Q_OBJECT
  public:
    explicit FirmwareArea(MainWindowContext& window);

    void upgradeSelectedDevice();
    void upgradeFromMenu();
    // What the dialog shows as its target when it opens.
    QString upgradeTarget() const { return target_; }

  private:
    // `entry`: the device the upgrade mode was asked of, read again after a completed upload.
    void openDialog(std::optional<int> entry = std::nullopt);

    MainWindowContext& window_;
    QString target_;
};

}  // namespace tavrel
