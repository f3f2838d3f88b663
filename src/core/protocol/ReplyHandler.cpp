#include "protocol/ReplyHandler.h"

#include <algorithm>

#include "protocol/DeviceFrame.h"
#include "protocol/PackedRecords.h"
#include "protocol/Readout.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/SerialBlock.h"

namespace tavrel {

namespace {

constexpr std::uint8_t kAcknowledged = 16;
constexpr std::uint8_t kRefused = 17;

// Reply codes of the serial blocks and remote-host halves, port 1 first.
constexpr std::array<std::uint8_t, 8> kSerialCodes = {83, 84, 97, 98, 104, 105, 116, 117};
constexpr std::array<std::uint8_t, 8> kHostFirstCodes = {87, 89, 99, 101, 112, 114, 118, 120};
constexpr std::array<std::uint8_t, 8> kHostSecondCodes = {88, 96, 100, 102, 113, 115, 119, 121};

std::optional<std::size_t> indexIn(const std::array<std::uint8_t, 8>& codes, std::uint8_t code) {
    auto it = std::find(codes.begin(), codes.end(), code);
    if (it == codes.end()) return std::nullopt;
    return static_cast<std::size_t>(it - codes.begin());
}

void storeHostHalf(PortRecord& port, int half, Bytes data) {
    const std::size_t from = half == 0 ? 0 : 16;
    for (std::size_t i = 0; i < 16; ++i) port.remoteHost[from + i] = static_cast<char>(data[i]);
}

void registerDevice(DeviceRecord& r, const DeviceKey& key, const std::string& address, std::uint16_t port) {
    r.key = key;
    r.sourceAddress = address;
    r.sourcePort = port;
    r.inUse = 1;
}

// The device in this entry answered the search before, from the same address and port.
bool answersAgain(const DeviceRecord& r, const std::string& address, std::uint16_t port) {
    return r.inUse == 1 && r.sourceAddress == address && r.sourcePort == port;
}

void handleSearchReply(DeviceTable& table, Bytes d, const std::string& address, std::uint16_t port,
                       ReplyEffects& fx) {
    const DeviceKey key = *frameKey(d);
    auto entry = table.entryForReply(key);
    if (!entry) return;  // every entry is taken by another device
    DeviceRecord& r = table[*entry];
    ReadoutProgress& progress = table.progress(*entry);
    Identity identity;
    std::copy_n(d.begin() + 4, 16, identity.bytes.begin());
    fx.stopBroadcastSearch = true;
    fx.part0 = StatusMessage::SearchEnd;
    // Within one search, the first device to answer with a key keeps it: another one sending the
    // same key would otherwise take over the entry at every repeated broadcast. A device read again
    // after it changed itself may come back at another address.
    if (r.inUse == 1 && r.sourceAddress != address && progress.answered) return;
    fx.addRow = *entry;
    if (answersAgain(r, address, port) && identity == r.identity) {
        // The repeated search: what was read stays, and only a read-out that is over incomplete
        // asks for its missing blocks again.
        ++progress.answers;
        progress.answered = true;
        if (progress.reading || progress.complete()) return;
        fx.readout = reRequestPlan(progress, key, r.replyPort);
        fx.readoutEntry = *entry;
        progress.reading = true;
        return;
    }
    // A device answering again keeps the blocks it already gave; a new one starts from none.
    if (r.inUse != 1) progress = ReadoutProgress{};
    ++progress.answers;
    registerDevice(r, key, address, port);
    r.kindFlag = d[12];
    r.searchReplyLength = static_cast<std::uint16_t>(d.size());
    // The read-out goes to the port the reply came from, which becomes the record's reply port.
    fx.readout = readoutPlan(identity, key, port);
    fx.readoutEntry = *entry;
    if (identity != r.identity) progress.received.reset();
    progress.expected = expectedReplies(fx.readout);
    progress.answered = true;
    progress.reading = true;
    r.replyPort = port;
    r.identity = identity;
    r.imagePresent = 0;
    r.form302 = 0;
    r.imageA.fill(0);
}

void handlePackedReply(DeviceTable& table, Bytes d, const std::string& address, std::uint16_t port,
                       ReplyEffects& fx) {
    fx.stopBroadcastSearch = true;
    fx.part0 = StatusMessage::SearchEnd;
    const DeviceKey key = *frameKey(d);
    auto entry = table.entryForReply(key);
    if (!entry) return;
    DeviceRecord& r = table[*entry];
    // The key's first device keeps it, unless it is being read again after it changed itself.
    if (r.inUse == 1 && r.sourceAddress != address && table.progress(*entry).answered) return;
    fx.addRow = *entry;
    // The repeated search: the record already taken (and any edit made to it since) stays, unless the
    // board changed itself since and is being read again.
    if (answersAgain(r, address, port) && r.searchReplyLength == d.size() &&
        table.progress(*entry).answered) {
        ++table.progress(*entry).answers;
        return;
    }
    registerDevice(r, key, address, port);
    table.progress(*entry) = ReadoutProgress{};  // a packed record is whole in itself
    table.progress(*entry).answers = 1;
    r.replyPort = port;
    r.searchReplyLength = static_cast<std::uint16_t>(d.size());
    if (d.size() == kPacked302Size)
        applyPacked302(d, r);
    else
        applyPackedImage(d, r);
    fx.showDevice = *entry;
}

void handleParameterReply(DeviceTable& table, Bytes d, const std::string& address, ReplyEffects& fx) {
    if (!isValidStandardFrame(d)) return;
    const std::uint8_t code = d[3];
    if (code == kAcknowledged || code == kRefused) {
        fx.part2 = code == kAcknowledged ? StatusMessage::Saved : StatusMessage::SaveFailed;
        fx.answerKey = frameKey(d);
        return;
    }
    // A block for a device that is not in the table has nowhere sensible to go, and one from
    // another address is some other device using this one's key.
    auto entry = table.findByKey(*frameKey(d));
    if (!entry || table[*entry].sourceAddress != address) return;
    DeviceRecord& r = table[*entry];
    applyParameterReply(d, r);
    ReadoutProgress& progress = table.progress(*entry);
    ++progress.answers;
    const bool filledGap = progress.receive(code);
    if (isLastBlockOf(code, r.identity.portCountChar())) {
        fx.showDevice = *entry;
        progress.shown = true;
    } else if (filledGap && progress.shown) {
        fx.deviceUpdated = *entry;
    }
}

}  // namespace

bool isLastBlockOf(std::uint8_t code, char ports) {
    if (code == 121) return true;
    if (code == 96) return ports == '1' || ports == 'B';
    if (code == 102) return ports == '4';
    if (code == 115) return ports == '6';
    return false;
}

StatusMessage applyParameterReply(Bytes d, DeviceRecord& r) {
    if (d.size() != kStandardFrameSize) return StatusMessage::None;
    const std::uint8_t code = d[3];
    Bytes data = d.subspan(4, kPayloadSize);
    if (code == kAcknowledged) return StatusMessage::Saved;
    if (code == kRefused) return StatusMessage::SaveFailed;
    if (auto port = indexIn(kSerialCodes, code)) {
        decodeSerialBlock(data, r.ports[*port]);
    } else if (auto port = indexIn(kHostFirstCodes, code)) {
        storeHostHalf(r.ports[*port], 0, data);
    } else if (auto port = indexIn(kHostSecondCodes, code)) {
        storeHostHalf(r.ports[*port], 1, data);
    } else if (code >= 144 && code <= 151) {
        copyInto(r.ports[code - 144].heartbeatData, data);
    } else if (code == 152) {
        for (std::size_t i = 0; i < kPortCount; ++i) r.ports[i].heartbeatInterval = getLe16(&data[2 * i]);
    } else if (code == 157) {
        for (std::size_t i = 0; i < kPortCount; ++i) r.ports[i].modbusTimeout = getLe16(&data[2 * i]);
    } else {
        switch (code) {
            case 81:
                r.network = NetworkBlock{{data[0], data[1], data[2], data[3]},
                                         {data[4], data[5], data[6], data[7]},
                                         {data[8], data[9], data[10], data[11]},
                                         {data[12], data[13], data[14], data[15]}};
                break;
            case 82:
                std::copy_n(data.begin(), 6, r.mac.begin());
                r.ipType = data[6];
                break;
            case 85:
                std::copy_n(data.begin(), 16, r.identity.bytes.begin());
                break;
            case 86:
                copyInto(r.user, data.first(8));
                copyInto(r.password, data.subspan(8, 8));
                break;
            case 90:
                r.ioOptions = {data[0], data[1]};
                break;
            default:
                break;
        }
    }
    return StatusMessage::None;
}

ReplyEffects handleDatagram(DeviceTable& table, Bytes d, const std::string& senderAddress,
                            std::uint16_t senderPort) {
    ReplyEffects fx;
    fx.routes = classifyDatagram(d);
    for (Route route : fx.routes) {
        switch (route) {
            case Route::OutputTiming:
                fx.outputTimingFrame.assign(d.begin() + 4, d.end() - 6);
                fx.outputTimingEntry = table.findByKey(*frameKey(d));
                break;
            case Route::WifiScan:
                fx.wifiScanResult.assign(d.begin(), d.end());
                break;
            case Route::Packed302:
            case Route::PackedImage:
                handlePackedReply(table, d, senderAddress, senderPort, fx);
                break;
            case Route::SearchReply:
                handleSearchReply(table, d, senderAddress, senderPort, fx);
                break;
            case Route::ParameterReply:
                handleParameterReply(table, d, senderAddress, fx);
                break;
            case Route::Tftp:
                fx.tftpReply.assign(d.begin(), d.end());
                break;
        }
    }
    return fx;
}

}  // namespace tavrel
