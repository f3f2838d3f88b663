#include "iocontrol/IoCodec.h"

#include <cctype>

namespace tavrel {
namespace {

constexpr std::array<std::uint8_t, 8> filled(std::uint8_t v) {
    return {v, v, v, v, v, v, v, v};
}

// Modbus read request: start register or bit, then the count, both big-endian.
IoFrame rtuRead(std::uint8_t address, std::uint8_t function, std::uint16_t start, std::uint16_t count) {
    std::array<std::uint8_t, 4> body{};
    putBe16(body.data(), start);
    putBe16(body.data() + 2, count);
    return wrapRtu(address, function, body);
}

}  // namespace

IoFrame customAnalogQuery() {
    // Fixed by the board's firmware: address 1, one data byte, its own sum 0x8F, no padding.
    return {kCustomHead0, kCustomHead1, 0x01, kCodeAnalog, 0x00, 0x8F, kCustomTail0, kCustomTail1};
}

IoFrame buildModelQuery(IoProtocol protocol, std::uint8_t address) {
    if (protocol == IoProtocol::Custom) return wrapCustom(address, kCodeModelQuery, filled(0x11));
    return rtuRead(address, kFnReadHoldingRegisters, kModelRegister, kRegisterBlockSize);
}

std::optional<IoFrame> buildInputQuery(IoProtocol protocol, std::uint8_t address, std::string_view model) {
    if (protocol == IoProtocol::Custom) {
        if (hasNoInputs(model)) return std::nullopt;
        if (isAnalogBoard(model)) return customAnalogQuery();
        return wrapCustom(address, kCodeInputQuery, filled(0x00));
    }
    auto plan = modbusInputQueryPlan(model);
    if (!plan) return std::nullopt;
    if (plan->kind == InputQueryKind::Analog) {
        return rtuRead(address, kFnReadHoldingRegisters, kAnalogRegister, kRegisterBlockSize);
    }
    return rtuRead(address, kFnReadDiscreteInputs, 0, plan->count);
}

std::optional<IoFrame> buildOutputQuery(IoProtocol protocol, std::uint8_t address, std::string_view model) {
    if (protocol == IoProtocol::Custom) {
        if (hasNoOutputs(model)) return std::nullopt;
        return wrapCustom(address, kCodeOutputQuery, filled(0xAA));
    }
    auto count = modbusOutputQueryCount(model);
    if (!count) return std::nullopt;
    return rtuRead(address, kFnReadCoils, 0, *count);
}

std::optional<IoFrame> buildSwitchOutput(IoProtocol protocol, std::uint8_t address, int output, bool on,
                                         std::uint16_t timeValue) {
    if (output < 1 || output > static_cast<int>(kMaxIoChannels)) return std::nullopt;
    const auto n = static_cast<std::uint8_t>(output);
    if (protocol == IoProtocol::Custom) {
        const std::uint8_t state = on ? 1 : 0;
        IoFrame f{kCustomHead0, kCustomHead1, address, kCodeSwitchOutput, n, state, 0, 0,
                  kCustomTail0, kCustomTail1};
        putBe16(f.data() + 6, timeValue);
        return f;
    }
    const std::array<std::uint8_t, 4> body{0x00, static_cast<std::uint8_t>(n - 1),
                                           on ? std::uint8_t{0xFF} : std::uint8_t{0x00}, 0x00};
    return wrapRtu(address, kFnWriteSingleCoil, body);
}

std::optional<IoFrame> buildAllOutputs(IoProtocol protocol, std::uint8_t address, std::string_view model,
                                       bool on) {
    auto plan = allOutputsPlan(model);
    if (!plan) return std::nullopt;
    if (protocol == IoProtocol::Custom) {
        return wrapCustom(address, kCodeAllOutputs, on ? plan->customOnBytes : filled(0x00));
    }
    std::vector<std::uint8_t> body(5, 0);
    putBe16(body.data(), 0);
    putBe16(body.data() + 2, plan->count);
    body[4] = plan->modbusByteCount;
    body.insert(body.end(), plan->modbusByteCount, on ? plan->modbusOnByte : std::uint8_t{0});
    return wrapRtu(address, kFnWriteMultipleCoils, body);
}

std::uint16_t outputTimeValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
        if (value > 0xFFFF) return 0xFFFF;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace tavrel
