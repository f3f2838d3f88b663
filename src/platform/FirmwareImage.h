#pragma once
// Reads a firmware image once, whole, after the dialog's checks; the buffer is sized to the file.
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

}  // namespace tavrel
