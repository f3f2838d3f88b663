#include "SimWifi.h"

#include <algorithm>

namespace tavrel::sim {

namespace {
constexpr std::size_t kMaxDatagram = 1024;
constexpr std::size_t kFrameOverhead = 10;
constexpr std::size_t kWifiPartEnd = 98;
}  // namespace

std::vector<std::uint8_t> wifiScanReply(const std::vector<SimWifiNetwork>& networks, const DeviceKey& key) {
    std::vector<SimWifiNetwork> strongestFirst = networks;
    std::stable_sort(strongestFirst.begin(), strongestFirst.end(),
                     [](const SimWifiNetwork& a, const SimWifiNetwork& b) { return a.signal > b.signal; });
    std::vector<std::uint8_t> text;
    for (const auto& network : strongestFirst) {
        if (text.size() + network.ssid.size() + 2 + kFrameOverhead > kMaxDatagram) break;
        text.insert(text.end(), network.ssid.begin(), network.ssid.end());
        text.push_back('&');
    }
    text.push_back(0);
    return makeFrame(text.size() + kFrameOverhead, 'R', kWifiScanResult, text, key);
}

bool takeWifiFields(BoardFields& board, Bytes p) {
    if (p.size() < kWifiPartEnd || p[0] != 0x55) return false;
    board.wifiMode = p[1];
    copyInto(board.apSsid, p.subspan(2, 32));
    copyInto(board.apPassword, p.subspan(34, 16));
    copyInto(board.staPassword, p.subspan(50, 16));
    copyInto(board.staSsid, p.subspan(66, 32));
    return true;
}

}  // namespace tavrel::sim
