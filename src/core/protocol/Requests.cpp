#include "protocol/Requests.h"

#include <algorithm>

#include "protocol/SerialBlock.h"

namespace tavrel {

namespace {
using Payload = std::array<std::uint8_t, kPayloadSize>;

Frame writeFrame(std::uint8_t sub, const DeviceKey& key, const Payload& payload) {
    return buildFrame(kOpWrite, sub, payload, 0x00, key);
}

Payload textPayload(std::string_view text) {
    Payload p{};
    std::copy_n(text.begin(), std::min(text.size(), p.size()), p.begin());
    return p;
}
}  // namespace

Frame searchRequest() {
    return buildFrame(kOpRead, subcode::kSearch, {}, kReadFiller, DeviceKey{});
}

Frame readRequest(std::uint8_t sub, const DeviceKey& key) {
    return buildFrame(kOpRead, sub, {}, kReadFiller, key);
}

Frame commandRequest(std::uint8_t sub, const DeviceKey& key) {
    return buildFrame(kOpWrite, sub, {}, kCommandFiller, key);
}
Frame restartRequest(const DeviceKey& key) {
    return commandRequest(subcode::kRestart, key);
}
Frame factoryResetRequest(const DeviceKey& key) {
    return commandRequest(subcode::kFactoryReset, key);
}
Frame commitRequest(const DeviceKey& key) {
    return commandRequest(subcode::kCommit, key);
}

Frame writeNetworkRequest(const DeviceKey& key, const NetworkBlock& net) {
    Payload p{};
    std::copy(net.ip.begin(), net.ip.end(), p.begin());
    std::copy(net.mask.begin(), net.mask.end(), p.begin() + 4);
    std::copy(net.gateway.begin(), net.gateway.end(), p.begin() + 8);
    std::copy(net.dns.begin(), net.dns.end(), p.begin() + 12);
    return writeFrame(subcode::kNetwork, key, p);
}

Frame writeMacModeRequest(const DeviceKey& key, const Mac& mac, std::uint8_t ipType) {
    Payload p{};
    std::copy(mac.begin(), mac.end(), p.begin());
    p[6] = ipType;
    return writeFrame(subcode::kMacMode, key, p);
}

Frame writeIoOptionsRequest(const DeviceKey& key, std::uint8_t outputFollow, std::uint8_t sendStatus) {
    Payload p{};
    p[0] = outputFollow;
    p[1] = sendStatus;
    return writeFrame(subcode::kIoOptions, key, p);
}

Frame writeAccountRequest(const DeviceKey& key, const FixedText<8>& user, const FixedText<8>& password) {
    Payload p{};
    for (std::size_t i = 0; i < 8; ++i) {
        p[i] = static_cast<std::uint8_t>(user[i]);
        p[8 + i] = static_cast<std::uint8_t>(password[i]);
    }
    return writeFrame(subcode::kAccount, key, p);
}

Frame writeSerialBlockRequest(const DeviceKey& key, std::size_t port, const PortRecord& record) {
    return writeFrame(subcode::kSerialBlock.at(port), key, encodeSerialBlock(record));
}

Frame writeRemoteHostRequest(const DeviceKey& key, std::size_t port, int half, std::string_view host) {
    const std::size_t from = half == 0 ? 0 : 16;
    std::string_view part = host.size() > from ? host.substr(from, 16) : std::string_view{};
    auto sub = half == 0 ? subcode::kRemoteHostFirst.at(port) : subcode::kRemoteHostSecond.at(port);
    return writeFrame(sub, key, textPayload(part));
}

Frame writeHeartbeatDataRequest(const DeviceKey& key, std::size_t port, std::string_view data) {
    return writeFrame(subcode::kHeartbeatData.at(port), key, textPayload(data.substr(0, 16)));
}

Frame writeWordsRequest(const DeviceKey& key, std::uint8_t sub, const std::array<std::uint16_t, 8>& words) {
    Payload p{};
    for (std::size_t i = 0; i < 8; ++i) putLe16(&p[2 * i], words[i]);
    return writeFrame(sub, key, p);
}

}  // namespace tavrel
