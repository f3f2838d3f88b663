#include "firmware/FirmwareFile.h"

#include "firmware/TftpPackets.h"
#include "firmware/TftpUploader.h"
#include "protocol/NetworkSettings.h"
#include "texts/FixedTexts.h"

namespace tavrel {

std::string firmwareFileName(std::string_view path) {
    const auto last = path.find_last_of("/\\");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

FirmwareRefusal checkFirmwareFile(std::string_view path, bool opened, std::uint64_t size) {
    const std::string name = firmwareFileName(path);
    if (name.empty()) return FirmwareRefusal::NoFile;
    if (!opened) return FirmwareRefusal::CannotOpen;
    // A device would take an empty upload as its new firmware.
    if (size == 0) return FirmwareRefusal::Empty;
    if (size > kFirmwareMaxBytes) return FirmwareRefusal::TooBig;
    if (!tftpWriteRequest(name, size)) return FirmwareRefusal::NameTooLong;
    return FirmwareRefusal::None;
}

FirmwareRefusal checkFirmwareTarget(std::string_view address) {
    return isDottedIpv4(std::string(address)) ? FirmwareRefusal::None : FirmwareRefusal::BadTarget;
}

std::string firmwareRefusalText(const UiTexts& texts, FirmwareRefusal refusal, std::string_view path) {
    switch (refusal) {
        case FirmwareRefusal::NoFile:
            return texts.firmwareNoFile;
        case FirmwareRefusal::CannotOpen:
            return std::string(path) + texts.firmwareCannotOpen;
        case FirmwareRefusal::Empty:
            return std::string(path) + texts.firmwareEmpty;
        case FirmwareRefusal::TooBig:
            return texts.firmwareTooBig;
        case FirmwareRefusal::NameTooLong:
            return texts.firmwareNameTooLong;
        case FirmwareRefusal::BadTarget:
            return texts.invalidIpAddress;
        case FirmwareRefusal::None:
            break;
    }
    return {};
}

std::string uploadTimeoutText(const UiTexts& texts, std::uint32_t blocksSent) {
    constexpr int kMsPerSecond = 1000;
    if (blocksSent == 0) return fixed::withNumber(texts.firmwareNoAnswer, kRequestTimeoutMs / kMsPerSecond);
    return fixed::withNumber(fixed::withNumber(texts.firmwareStalled, blocksSent),
                             kAckTimeoutMs / kMsPerSecond);
}

}  // namespace tavrel
