#include "FirmwareImage.h"

#include <QtCore/QFileInfo>
#include <algorithm>

namespace tavrel {

FirmwareImage loadFirmwareImage(const QString& path) {
    FirmwareImageReader reader(path);
    while (!reader.finished()) reader.readSlice();
    return reader.take();
}

FirmwareImageReader::FirmwareImageReader(const QString& path) : file_(path) {
    // A folder opens on some systems; it is no image either way.
    const bool opened = !QFileInfo(path).isDir() && file_.open(QIODevice::ReadOnly);
    size_ = opened ? static_cast<std::uint64_t>(file_.size()) : 0;
    result_.refusal = checkFirmwareFile(path.toStdString(), opened, size_);
    if (result_.refusal != FirmwareRefusal::None) return;
    bytes_ = std::make_shared<std::vector<std::uint8_t>>();
    // Reserved, not zeroed: each slice is zeroed and filled while it is in the cache.
    bytes_->reserve(size_);
}

void FirmwareImageReader::readSlice() {
    if (finished()) return;
    const std::uint64_t slice = std::min(kSliceBytes, size_ - read_);
    bytes_->resize(read_ + slice);
    const qint64 got = file_.read(reinterpret_cast<char*>(bytes_->data() + read_), static_cast<qint64>(slice));
    if (got != static_cast<qint64>(slice)) {
        result_.refusal = FirmwareRefusal::CannotOpen;
        bytes_.reset();
        return;
    }
    read_ += slice;
}

FirmwareImage FirmwareImageReader::take() {
    FirmwareImage image = result_;
    if (image.refusal == FirmwareRefusal::None && finished()) image.bytes = std::move(bytes_);
    return image;
}

}  // namespace tavrel
