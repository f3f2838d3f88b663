#include "FirmwareImage.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace tavrel {

FirmwareImage loadFirmwareImage(const QString& path) {
    FirmwareImage result;
    const std::string pathText = path.toStdString();
    QFile file(path);
    // A folder opens on some systems; it is no image either way.
    const bool opened = !QFileInfo(path).isDir() && file.open(QIODevice::ReadOnly);
    const std::uint64_t size = opened ? static_cast<std::uint64_t>(file.size()) : 0;
    result.refusal = checkFirmwareFile(pathText, opened, size);
    if (result.refusal != FirmwareRefusal::None) return result;

    auto bytes = std::make_shared<std::vector<std::uint8_t>>(size);
    const qint64 read =
        size == 0 ? 0 : file.read(reinterpret_cast<char*>(bytes->data()), static_cast<qint64>(size));
    // A file that shrank or failed while being read is reported as unreadable, never sent in part.
    if (read != static_cast<qint64>(size)) {
        result.refusal = FirmwareRefusal::CannotOpen;
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace tavrel
