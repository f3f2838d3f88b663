#pragma once
// Parameter profiles in the main window: export and import from the device menu, the one-click
// button (1089) and the path text (1090) of the last imported profile.
#include <QtCore/QObject>
#include <QtCore/QString>

#include "device/DeviceRecord.h"

namespace tavrel {

class MainWindowContext;

class ProfileArea : public QObject {
    Q_OBJECT
  public:
    explicit ProfileArea(MainWindowContext& window);

    // Writes the selected device to a profile the user names in the profile folder.
    void exportProfile();
    // Reads a profile; a usable one enables one-click and shows its path, any other is refused.
    void importProfile();
    // Copies the imported profile into the selected device and writes it there.
    void applyProfile();
    bool hasProfile() const { return !path_.isEmpty(); }
    // Opens the imported profile with the desktop's editor; nothing without one.
    void openProfileText();

    // Empty when no usable profile is imported.
    QString profilePath() const { return path_; }
    const DeviceRecord& profile() const { return profile_; }

  private:
    bool confirmAddress(int row);
    void setProfilePath(const QString& path);

    MainWindowContext& window_;
    // Replaced whole by every import, a refused one included.
    DeviceRecord profile_;
    QString path_;
};

}  // namespace tavrel
