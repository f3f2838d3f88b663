#pragma once
// A frame of the port-1111 protocol: 'H' ':' op sub payload key checksum 'E' '.'.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/DeviceRecord.h"
#include "util/Bytes.h"

namespace tavrel {

inline constexpr std::uint16_t kDevicePort = 1111;
inline constexpr std::uint16_t kLocalPort = 4601;
inline constexpr std::size_t kStandardFrameSize = 26;
inline constexpr std::size_t kPayloadSize = 16;
inline constexpr std::size_t kFrameOverhead = 10;

inline constexpr std::uint8_t kOpRead = 'R';
inline constexpr std::uint8_t kOpWrite = 'W';
inline constexpr std::uint8_t kReadFiller = 0xAA;
inline constexpr std::uint8_t kCommandFiller = 0x55;

// 8-bit sum of the bytes.
std::uint8_t checksum8(Bytes bytes);

class DeviceFrame {
  public:
    // A frame of total length L (at least 10) with header and trailer in place.
    explicit DeviceFrame(std::size_t length = kStandardFrameSize);

    std::size_t size() const { return bytes_.size(); }
    std::size_t payloadSize() const { return bytes_.size() - kFrameOverhead; }
    void setOperation(std::uint8_t op) { bytes_[2] = op; }
    void setSubCode(std::uint8_t sub) { bytes_[3] = sub; }
    void setKey(const DeviceKey& key);
    // Fills the whole payload with the filler, then copies data over its start (truncated to fit).
    void setPayload(Bytes data, std::uint8_t filler);
    std::uint8_t* payload() { return bytes_.data() + 4; }
    // Computes the checksum over bytes 0..L-4 and stores it at L-3.
    void finish();

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// One finished request frame.
std::vector<std::uint8_t> buildFrame(std::uint8_t op, std::uint8_t sub, Bytes payload, std::uint8_t filler,
                                     const DeviceKey& key, std::size_t length = kStandardFrameSize);

// Header 'H' ':', trailer 'E' '.', and the checksum of a 26-byte frame.
bool isValidStandardFrame(Bytes frame);

// The device key a frame of any length carries (bytes L-6..L-4); nothing if too short.
std::optional<DeviceKey> frameKey(Bytes frame);

}  // namespace tavrel
