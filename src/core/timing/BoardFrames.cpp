#include "timing/BoardFrames.h"

#include <array>

#include "protocol/DeviceFrame.h"

namespace tavrel {

namespace {

constexpr std::uint8_t kBoardReadFiller = 0x11;
constexpr std::uint8_t kBoardWriteFiller = 0x55;
constexpr std::size_t kShortPayload = 8;
// 'H' ':' 0x01 code before the payload; checksum 'E' 'D' after it.
constexpr std::size_t kBoardHeader = 4;
constexpr std::size_t kBoardTrailer = 3;

}  // namespace

Frame boardFrame(std::uint8_t code, Bytes payload) {
    Frame f = {'H', ':', 0x01, code};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(checksum8(f));
    f.push_back('E');
    f.push_back('D');
    return f;
}

Frame passThroughFrame(Bytes inner, const DeviceKey& key) {
    Frame f = {'H', ':', 'W', 0x03};
    f.insert(f.end(), inner.begin(), inner.end());
    f.insert(f.end(), key.begin(), key.end());
    f.push_back(checksum8(f));
    f.push_back('E');
    f.push_back('.');
    return f;
}

Frame boardReadRequest(std::uint8_t code, const DeviceKey& key) {
    std::array<std::uint8_t, kShortPayload> payload;
    payload.fill(kBoardReadFiller);
    return passThroughFrame(boardFrame(code, payload), key);
}

Frame writeOptionsRequest(bool outputFollow, bool sendStatus, const DeviceKey& key) {
    std::array<std::uint8_t, kShortPayload> payload;
    payload.fill(kBoardWriteFiller);
    payload[0] = outputFollow ? 1 : 0;
    payload[1] = sendStatus ? 1 : 0;
    return passThroughFrame(boardFrame(board::kWriteOptions, payload), key);
}

Frame writeScheduleRequest(std::size_t channel, const OutputSchedule& schedule, const DeviceKey& key) {
    const ScheduleBytes payload = wireBytes(schedule);
    const auto code = static_cast<std::uint8_t>(board::kWriteSchedule + channel);
    return passThroughFrame(boardFrame(code, payload), key);
}

Frame setClockRequest(const BoardClock& c, const DeviceKey& key) {
    const std::array<std::uint8_t, kShortPayload> payload = {
        c.year, c.month, c.day, c.hour, c.minute, c.second, c.weekday, kBoardWriteFiller};
    return passThroughFrame(boardFrame(board::kSetClock, payload), key);
}

std::optional<BoardReply> readBoardReply(Bytes f) {
    if (f.size() < kBoardHeader + kBoardTrailer) return std::nullopt;
    return BoardReply{f[3], f.subspan(kBoardHeader, f.size() - kBoardHeader - kBoardTrailer)};
}

}  // namespace tavrel
