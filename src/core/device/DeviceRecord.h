#pragma once
// One discovered device and its eight serial ports, field for field as the devices report them.
#include <array>
#include <cstdint>
#include <string>

#include "util/Bytes.h"

namespace tavrel {

inline constexpr std::size_t kPortCount = 8;
inline constexpr std::size_t kImageASize = 792;
inline constexpr std::size_t kImageBSize = 828;

using Ipv4 = std::array<std::uint8_t, 4>;
using Mac = std::array<std::uint8_t, 6>;
using DeviceKey = std::array<std::uint8_t, 3>;

// Check boxes on the wire: 1 = off, 2 = on.
inline constexpr std::uint8_t kSwitchOff = 1;
inline constexpr std::uint8_t kSwitchOn = 2;

struct PortRecord {
    std::uint8_t baudRate = 0;  // 1-based position in the baud list
    std::uint8_t parity = 0;    // 1-based
    std::uint8_t dataBits = 0;  // the number itself
    std::uint8_t stopBits = 0;  // 1-based
    std::uint8_t workMode = 0;  // 1-based
    std::array<std::uint8_t, 5> reserved{};  // carried unchanged from read to write
    std::uint16_t remotePort = 0;
    std::uint16_t localPort = 0;
    std::uint8_t enable = 0;  // 1 off, 2 on
    std::uint8_t modbus = 0;  // Modbus TCP to RTU: 1 off, 2 on
    std::uint8_t reserved2 = 0;
    std::uint8_t interfaceType = 0;  // 1 RS232, 2 RS485, 3 RS422, else none selectable
    FixedText<32> remoteHost{};
    std::uint32_t heartbeatInterval = 0;  // seconds
    FixedText<16> heartbeatData{};
    std::uint8_t portFlag = 0;      // 302-byte packed record only
    std::uint16_t portValue = 0;    // 302-byte packed record only
    std::uint16_t modbusTimeout = 0;  // ms
    std::uint8_t cloud = 0;           // 1 = on (port 1 only)
    FixedText<20> cloudId{};
    FixedText<8> cloudPassword{};
    std::array<std::uint8_t, 4> lastFour{};  // 302-byte packed record only
    // Packed images carry the rate itself. One outside the list leaves baudRate at 0 and is kept
    // here, so that it goes back unchanged until the user picks a listed rate.
    std::uint32_t baudNumber = 0;

    bool operator==(const PortRecord&) const = default;
};

struct NetworkBlock {
    Ipv4 ip{};
    Ipv4 mask{};
    Ipv4 gateway{};
    Ipv4 dns{};
    bool operator==(const NetworkBlock&) const = default;
};

// Identity block: firmware text (0-3), hardware text (4-7), flags after that.
struct Identity {
    std::array<std::uint8_t, 16> bytes{};

    std::string firmwareText() const { return textOfBytes(Bytes(bytes).first(4)); }
    std::string hardwareText() const { return textOfBytes(Bytes(bytes).subspan(4, 4)); }
    // Bytes 2-3 read as two decimal digits; -1 when they are not digits.
    int versionNumber() const;
    char modelChar() const { return static_cast<char>(bytes[4]); }
    char portCountChar() const { return static_cast<char>(bytes[5]); }
    std::uint8_t extraQueryFlag() const { return bytes[8]; }
    bool operator==(const Identity&) const = default;
};

struct DeviceRecord {
    std::uint8_t kindFlag = 0;
    std::uint32_t inUse = 0;
    NetworkBlock network{};
    Mac mac{};
    std::uint8_t ipType = 0;  // 1 static, 2 DHCP
    std::uint32_t sourcePort = 0;
    Identity identity{};
    FixedText<8> user{};
    FixedText<8> password{};
    std::string sourceAddress;
    std::array<std::uint8_t, 2> ioOptions{};  // "Output follow", "Send status"; 1 = on
    DeviceKey key{};
    std::uint8_t form302 = 0;
    std::uint8_t outputTiming = 0;
    std::uint8_t wifiMode = 0;
    FixedText<32> apSsid{};
    FixedText<16> apPassword{};
    FixedText<16> staPassword{};
    FixedText<32> staSsid{};
    std::uint8_t signal = 0;
    std::array<PortRecord, kPortCount> ports{};
    std::uint16_t replyPort = 0;
    std::uint8_t imagePresent = 0;
    std::array<std::uint8_t, kImageASize> imageA{};
    std::array<std::uint8_t, kImageBSize> imageB{};
    std::uint8_t form866 = 0;
    std::uint8_t rs485Address = 0;
    // Length of the search reply that found the device: 26 for a serial server, else the packed form.
    std::uint16_t searchReplyLength = 0;

    bool operator==(const DeviceRecord&) const = default;
};

// Number of ports the port list and the display offer: 'B' and '1' count as two, an unknown
// character as one.
int displayedPortCount(char portCountChar);
// Number of ports the read-out and the port save walk through: 'B' counts as eight.
int protocolPortCount(char portCountChar);

std::string macText(const Mac& mac);  // "00-CA-C1-19-00-33"
std::string ipv4Text(const Ipv4& ip);
std::string keyText(const DeviceKey& key);  // "190033"

}  // namespace tavrel
