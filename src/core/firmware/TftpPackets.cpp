#include "firmware/TftpPackets.h"

#include <algorithm>

namespace tavrel {

namespace {
constexpr std::string_view kOctetMode = "octet";
constexpr std::string_view kSizeOption = "tsize";

void append(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}
}  // namespace

std::uint32_t tftpBlockCount(std::uint64_t fileSize) {
    return static_cast<std::uint32_t>(fileSize / kTftpBlockBytes + 1);
}

std::size_t tftpWriteRequestLength(std::string_view name, std::uint64_t fileSize) {
    // opcode, name, 0, "octet", 0, "tsize", 0, digits, 0
    return 2 + name.size() + 1 + kOctetMode.size() + 1 + kSizeOption.size() + 1 +
           std::to_string(fileSize).size() + 1;
}

std::optional<std::vector<std::uint8_t>> tftpWriteRequest(std::string_view name, std::uint64_t fileSize) {
    if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
    if (tftpWriteRequestLength(name, fileSize) > kWriteRequestMaxBytes) return std::nullopt;
    std::vector<std::uint8_t> out{0, tftp::kWriteRequest};
    append(out, name);
    append(out, kOctetMode);
    append(out, kSizeOption);
    append(out, std::to_string(fileSize));
    return out;
}

std::size_t tftpDataPacket(std::span<std::uint8_t, kTftpDataPacketMax> out, std::uint16_t block, Bytes data) {
    const std::size_t n = std::min(data.size(), kTftpBlockBytes);
    putBe16(out.data(), tftp::kData);
    putBe16(out.data() + 2, block);
    std::copy_n(data.begin(), n, out.begin() + kTftpHeaderBytes);
    return kTftpHeaderBytes + n;
}

std::optional<TftpReply> parseTftpReply(Bytes d) {
    if (d.size() < 2) return std::nullopt;
    const std::uint16_t opcode = getBe16(d.data());
    switch (opcode) {
        case tftp::kAck:
            if (d.size() < 4) return std::nullopt;
            return TftpReply{TftpReply::Kind::Ack, getBe16(d.data() + 2)};
        case tftp::kError: {
            if (d.size() < 4) return std::nullopt;
            TftpReply reply{TftpReply::Kind::Error, 0, getBe16(d.data() + 2), {}};
            constexpr std::size_t kMaxText = 128;
            for (std::size_t i = 4; i < d.size() && d[i] != 0 && reply.errorText.size() < kMaxText; ++i)
                reply.errorText.push_back(static_cast<char>(d[i]));
            return reply;
        }
        case tftp::kOptionAck:
            return TftpReply{TftpReply::Kind::OptionAck, 0};
        default:
            return TftpReply{};
    }
}

}  // namespace tavrel
