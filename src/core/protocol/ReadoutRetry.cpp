#include "protocol/ReadoutRetry.h"

#include <algorithm>
#include <array>

#include "protocol/Readout.h"
#include "protocol/Requests.h"

namespace tavrel {

namespace {

struct BlockName {
    std::uint8_t request;
    std::uint8_t reply;
};

// Read-out sub-codes and the reply codes that answer them: the two numbering schemes differ.
constexpr std::array<BlockName, 39> kBlocks = {{
    {2, 81},     {3, 82},   {4, 83},   {5, 84},   {6, 85},   {7, 86},   {10, 90},  {0x3F, 152},
    {0x43, 157}, {18, 87},  {19, 88},  {20, 89},  {21, 96},  {23, 97},  {24, 98},  {25, 99},
    {32, 100},   {33, 101}, {34, 102}, {36, 104}, {37, 105}, {38, 112}, {39, 113}, {40, 114},
    {41, 115},   {48, 116}, {49, 117}, {50, 118}, {51, 119}, {52, 120}, {54, 121}, {55, 144},
    {56, 145},   {57, 146}, {58, 147}, {59, 148}, {60, 149}, {61, 150}, {62, 151},
}};

// Port (1-based) of a per-port reply code, from its position in the per-port request tables.
std::optional<int> portOf(std::uint8_t request, const std::array<std::uint8_t, 8>& table) {
    auto it = std::find(table.begin(), table.end(), request);
    if (it == table.end()) return std::nullopt;
    return static_cast<int>(it - table.begin()) + 1;
}

}  // namespace

std::optional<std::uint8_t> replyCodeOfRequest(std::uint8_t request) {
    for (const auto& b : kBlocks)
        if (b.request == request) return b.reply;
    return std::nullopt;
}

std::optional<std::uint8_t> requestOfReplyCode(std::uint8_t reply) {
    for (const auto& b : kBlocks)
        if (b.reply == reply) return b.request;
    return std::nullopt;
}

std::bitset<256> expectedReplies(const Plan& readout) {
    std::bitset<256> codes;
    for (const Step& step : readout)
        if (step.bytes.size() > 3)
            if (auto reply = replyCodeOfRequest(step.bytes[3])) codes.set(*reply);
    return codes;
}

Plan reRequestPlan(const ReadoutProgress& progress, const DeviceKey& key, std::uint16_t replyPort) {
    Plan plan;
    for (std::uint8_t code : progress.missing()) {
        if (auto request = requestOfReplyCode(code))
            plan.push_back(
                Step{kReadoutGapMs, readRequest(*request, key), Destination::BroadcastReplyPort, replyPort});
    }
    // The round's own delay already separates it from the round before.
    if (!plan.empty()) plan.front().gapMs = 0;
    return plan;
}

void RetryRounds::sent(const ReadoutProgress& progress, int requestCount) {
    requests = requestCount;
    answersBefore = progress.answers;
}

bool RetryRounds::another(const ReadoutProgress& progress, long long nowMs) {
    if (progress.answers > answersBefore)
        unanswered = 0;
    else
        unanswered += requests;
    answersBefore = progress.answers;
    if (progress.complete() || unanswered >= kUnansweredRequestsGone) return false;
    if (round >= kReadoutRetryMaxRounds || nowMs - readoutEndMs >= kReadoutRetryBudgetMs) return false;
    ++round;
    return true;
}

std::string readoutGroupName(std::uint8_t reply, int languageCode) {
    const bool zh = languageCode == 4;
    const auto request = requestOfReplyCode(reply);
    if (!request) return (zh ? "数据块 " : "block ") + std::to_string(reply);
    switch (*request) {
        case subcode::kNetwork:
            return zh ? "网络参数" : "network";
        case subcode::kMacMode:
            return zh ? "MAC和地址类型" : "MAC and address type";
        case 6:
            return zh ? "版本信息" : "identity";
        case subcode::kAccount:
            return zh ? "用户名和密码" : "user and password";
        case subcode::kIoOptions:
            return zh ? "输入选项" : "input options";
        case subcode::kHeartbeatIntervals:
            return zh ? "心跳间隔" : "heartbeat intervals";
        case subcode::kModbusTimeouts:
            return zh ? "Modbus超时" : "Modbus timeouts";
        default:
            break;
    }
    auto portName = [&](int port, const char* english, const char* chinese) {
        return zh ? "端口" + std::to_string(port) + chinese : "port " + std::to_string(port) + english;
    };
    if (auto port = portOf(*request, subcode::kSerialBlock)) return portName(*port, " serial settings", "串口参数");
    if (auto port = portOf(*request, subcode::kHeartbeatData)) return portName(*port, " heartbeat data", "心跳数据");
    auto port = portOf(*request, subcode::kRemoteHostFirst);
    if (!port) port = portOf(*request, subcode::kRemoteHostSecond);
    return portName(port.value_or(0), " remote host", "远程主机");
}

std::vector<std::string> missingGroupNames(const ReadoutProgress& progress, int languageCode) {
    std::vector<std::string> names;
    for (std::uint8_t code : progress.missing()) {
        std::string name = readoutGroupName(code, languageCode);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace tavrel
