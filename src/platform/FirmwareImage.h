#pragma once
// Reads a firmware image once, whole, after the dialog's checks; the buffer is sized to the file.
#include <QtCore/QFile>
#include <QtCore/QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "firmware/FirmwareFile.h"

namespace tavrel {

struct FirmwareImage {
    FirmwareRefusal refusal = FirmwareRefusal::None;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;  // set when nothing was refused
};

FirmwareImage loadFirmwareImage(const QString& path);

// The same read a slice at a time: reading 30 MiB at once holds a window for more than a frame,
// so the window reads one slice per turn of its event loop.
class FirmwareImageReader {
  public:
    static constexpr std::uint64_t kSliceBytes = 1024 * 1024;

    // Opens and checks the file; a refused file is finished at once.
    explicit FirmwareImageReader(const QString& path);

    bool finished() const { return result_.refusal != FirmwareRefusal::None || read_ == size_; }
    std::uint64_t size() const { return size_; }
    void readSlice();
    // The image once finished; a file that shrank or failed while being read is refused whole.
    FirmwareImage take();

  private:
    QFile file_;
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0;
    std::shared_ptr<std::vector<std::uint8_t>> bytes_;
    FirmwareImage result_;
};

}  // namespace tavrel
