#include "IoBoardLogic.h"

#include <map>

#include "iocontrol/Crc16.h"

namespace tavrel::sim {

namespace {

using P = IoPacking;

struct NamedKind {
    std::string_view text;
    IoBoardKind kind;
};

// Each board's texts: the model name and the order codes it may report instead.
const NamedKind kKinds[] = {
    {"KB-04-00", {4, 4, false, P::BytePerChannel, P::BytePerChannel}},
    {"1HWTK04", {4, 4, false, P::BytePerChannel, P::BytePerChannel}},
    {"KB-08-00", {8, 8, false, P::BytePerChannel, P::BytePerChannel}},
    {"1HWTK08", {8, 8, false, P::BytePerChannel, P::BytePerChannel}},
    {"1JYTK08", {8, 8, false, P::BytePerChannel, P::BytePerChannel}},
    {"KB-16-00", {16, 16, false, P::TwoPerByte, P::TwoPerByte}},
    {"1HWTK16", {16, 16, false, P::TwoPerByte, P::TwoPerByte}},
    {"KB-32-00", {32, 32, false, P::BitPerChannel, P::FourPerByte}},
    {"1HWTK32", {32, 32, false, P::BitPerChannel, P::FourPerByte}},
    {"MV-I16-O16", {16, 16, false, P::TwoPerByte, P::TwoPerByte}},
    {"1GWTK16", {16, 16, false, P::TwoPerByte, P::TwoPerByte}},
    {"MV-I00-O02", {0, 2, false, P::None, P::BytePerChannel}},
    {"5GPTV2", {0, 2, false, P::None, P::BytePerChannel}},
    {"MV-I32-O00", {32, 0, false, P::BitPerChannel, P::None}},
    {"5GLUS32", {32, 0, false, P::BitPerChannel, P::None}},
    {"1HMTK08", {0, 8, true, P::None, P::BytePerChannel}},
};

constexpr std::uint8_t kModelRegisterFirst = 5;
constexpr std::uint8_t kAnalogRegisterFirst = 24;
constexpr int kRegisterCount = 32;
constexpr std::size_t kCustomRequestBytes = 15;
constexpr std::size_t kSwitchRequestBytes = 10;
constexpr std::size_t kAnalogRequestBytes = 8;

std::uint8_t sum(const ByteVector& bytes) {
    unsigned total = 0;
    for (auto b : bytes) total += b;
    return static_cast<std::uint8_t>(total & 0xFF);
}

}  // namespace

std::optional<IoBoardKind> ioBoardKind(std::string_view reported) {
    for (const NamedKind& named : kKinds)
        if (named.text == reported) return named.kind;
    return std::nullopt;
}

std::string knownIoBoardModels() {
    std::string list;
    for (const NamedKind& named : kKinds) list += (list.empty() ? "" : ", ") + std::string(named.text);
    return list;
}

IoBoardLogic::IoBoardLogic(std::string reported, IoBoardKind kind, IoBoardProtocol protocol,
                           std::uint8_t address)
    : reported_(std::move(reported)), kind_(kind), protocol_(protocol), address_(address) {
    stepInputs();
}

void IoBoardLogic::stepInputs() {
    // A walking pattern: every third input on, moving by one each step.
    for (std::size_t i = 0; i < kChannels; ++i)
        inputs_[i] = static_cast<int>(i) < kind_.inputs && (i + inputStep_) % 3 == 0;
    ++inputStep_;
}

void IoBoardLogic::setInputs(std::uint32_t bits) {
    for (std::size_t i = 0; i < kChannels; ++i)
        inputs_[i] = static_cast<int>(i) < kind_.inputs && ((bits >> i) & 1u);
}

std::optional<IoBoardLogic::TimedOutput> IoBoardLogic::takeTimedOutput() {
    auto timed = timed_;
    timed_.reset();
    return timed;
}

void IoBoardLogic::release(int output) {
    if (output >= 1 && output <= kind_.outputs) setOutput(static_cast<std::size_t>(output - 1), false);
}

// 0 when the buffer starts with no request this board knows; nothing while one is incomplete.
std::optional<std::size_t> IoBoardLogic::requestLength(Bytes b) const {
    // The identity query comes in either protocol.
    if (b.size() >= 2 && b[0] == 'H' && b[1] == ':') {
        if (b.size() < 4) return std::nullopt;
        if (b[2] == 'E' && b[3] == '.') return 4;
    }
    if (protocol_ == IoBoardProtocol::Custom) {
        if (b.empty()) return std::nullopt;
        if (b[0] != 'H') return 0;
        if (b.size() < 2) return std::nullopt;
        if (b[1] != ':') return 0;
        if (b.size() < 4) return std::nullopt;
        switch (b[3]) {
            case 'f':
            case 'R':
            case 'S':
            case 'W':
                return kCustomRequestBytes;
            case 'p':
                return kSwitchRequestBytes;
            case 0x0C:
                return kAnalogRequestBytes;
            default:
                return 0;
        }
    }
    if (b.size() < 2) return std::nullopt;
    switch (b[1]) {
        case 1:
        case 2:
        case 3:
        case 5:
        case 6:
            return 8;
        case 15:
        case 16:
            if (b.size() < 7) return std::nullopt;
            return 9 + static_cast<std::size_t>(b[6]);
        default:
            return 0;
    }
}

std::vector<ByteVector> IoBoardLogic::feed(ByteVector& pending, Bytes bytes) {
    pending.insert(pending.end(), bytes.begin(), bytes.end());
    std::vector<ByteVector> replies;
    while (!pending.empty()) {
        const auto length = requestLength(pending);
        if (!length) break;
        if (*length == 0) {
            // Modbus has no marker to find the next frame by: the rest is dropped.
            if (protocol_ == IoBoardProtocol::Modbus)
                pending.clear();
            else
                pending.erase(pending.begin());
            continue;
        }
        if (pending.size() < *length) break;
        const auto end = pending.begin() + static_cast<std::ptrdiff_t>(*length);
        const ByteVector request(pending.begin(), end);
        pending.erase(pending.begin(), end);
        for (ByteVector& reply : answers(request)) replies.push_back(std::move(reply));
    }
    return replies;
}

std::optional<ByteVector> IoBoardLogic::answer(Bytes request) {
    if (request.size() == 4 && request[0] == 'H' && request[1] == ':' && request[2] == 'E' &&
        request[3] == '.') {
        if (!identity_) return std::nullopt;
        return ByteVector(identity_->begin(), identity_->end());
    }
    return protocol_ == IoBoardProtocol::Custom ? answerCustom(request) : answerModbus(request);
}

std::vector<ByteVector> IoBoardLogic::answers(Bytes request) {
    const ByteVector before = switchReply_ == IoSwitchReply::OldStatesFirst ? outputStates() : ByteVector{};
    auto reply = answer(request);
    if (!reply) return {};
    // An identity text may be short, and a refused switch answers with an exception.
    const bool custom = protocol_ == IoBoardProtocol::Custom;
    const std::size_t at = custom ? 3 : 1;
    const std::uint8_t asked = custom ? 'p' : 5;
    const std::uint8_t echoed = custom ? 'q' : 5;
    const bool switched =
        request.size() > at && reply->size() > at && request[at] == asked && (*reply)[at] == echoed;
    if (!switched || switchReply_ == IoSwitchReply::Echo) return {std::move(*reply)};
    if (switchReply_ == IoSwitchReply::States) return {outputStates()};
    return {before, std::move(*reply)};
}

ByteVector IoBoardLogic::customFrame(std::uint8_t code, const ByteVector& data) const {
    ByteVector frame{'H', ':', address_, code};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(sum(frame));
    frame.push_back('E');
    frame.push_back('D');
    return frame;
}

ByteVector IoBoardLogic::packStates(const std::array<bool, kChannels>& states, int count,
                                    IoPacking packing) const {
    ByteVector data(8, 0);
    for (int i = 0; i < count; ++i) {
        if (!states[static_cast<std::size_t>(i)]) continue;
        switch (packing) {
            case P::BytePerChannel:
                if (i < 8) data[i] = 1;
                break;
            case P::TwoPerByte:
                data[i / 2] |= (i % 2 == 0) ? 0x01 : 0x10;
                break;
            case P::FourPerByte:
                data[i / 4] |= static_cast<std::uint8_t>(1u << (2 * (i % 4)));
                break;
            case P::BitPerChannel:
                data[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
                break;
            case P::None:
                break;
        }
    }
    return data;
}

void IoBoardLogic::unpackOutputs(Bytes data) {
    for (int i = 0; i < kind_.outputs; ++i) {
        bool on = false;
        switch (kind_.outputPacking) {
            case P::BytePerChannel:
                on = i < 8 && data[i] != 0;
                break;
            case P::TwoPerByte:
                on = (data[i / 2] & ((i % 2 == 0) ? 0x0F : 0x10)) != 0;
                break;
            case P::FourPerByte:
                on = (data[i / 4] >> (2 * (i % 4))) & 1u;
                break;
            case P::BitPerChannel:
                on = (data[i / 8] >> (i % 8)) & 1u;
                break;
            case P::None:
                break;
        }
        setOutput(static_cast<std::size_t>(i), on);
    }
}

std::optional<ByteVector> IoBoardLogic::answerCustom(Bytes r) {
    if (r.size() < 4 || r[0] != 'H' || r[1] != ':' || r[r.size() - 2] != 'E' || r[r.size() - 1] != 'D')
        return std::nullopt;
    if (r[3] == 0x0C) {
        // The analog query always carries address 1; the analog board answers it whatever its own.
        if (!kind_.analog) return std::nullopt;
        ByteVector data;
        for (auto value : analog_) {
            data.push_back(static_cast<std::uint8_t>(value >> 8));
            data.push_back(static_cast<std::uint8_t>(value & 0xFF));
        }
        return customFrame(0x0C, data);
    }
    if (r[2] != address_) return std::nullopt;
    switch (r[3]) {
        case 'f': {
            ByteVector text(reported_.begin(), reported_.end());
            if (text.size() < 8) text.resize(8, 0);
            return customFrame('g', text);
        }
        case 'R':
            if (kind_.inputs == 0) return std::nullopt;
            return customFrame('A', packStates(inputs_, kind_.inputs, kind_.inputPacking));
        case 'S':
            if (kind_.outputs == 0) return std::nullopt;
            return customFrame('T', packStates(outputs_, kind_.outputs, kind_.outputPacking));
        case 'W':
            if (kind_.outputs == 0 || r.size() < 12) return std::nullopt;
            unpackOutputs(r.subspan(4, 8));
            return customFrame('T', packStates(outputs_, kind_.outputs, kind_.outputPacking));
        case 'p': {
            if (r.size() < kSwitchRequestBytes) return std::nullopt;
            const int n = r[4];
            if (n < 1 || n > kind_.outputs) return std::nullopt;
            const bool on = r[5] != 0;
            setOutput(static_cast<std::size_t>(n - 1), on);
            const unsigned tenths = (static_cast<unsigned>(r[6]) << 8) | r[7];
            if (on && tenths > 0) timed_ = TimedOutput{n, tenths};
            ByteVector data(8, 0);
            data[0] = static_cast<std::uint8_t>(n);
            data[1] = on ? 1 : 0;
            return customFrame('q', data);
        }
        default:
            return std::nullopt;
    }
}

ByteVector IoBoardLogic::modbusReply(ByteVector body) const {
    body.insert(body.begin(), address_);
    const std::uint16_t crc = crc16Modbus(body);
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    return body;
}

ByteVector IoBoardLogic::modbusBits(std::uint8_t function, int start, int count) const {
    const auto& states = function == 1 ? outputs_ : inputs_;
    ByteVector body{function, static_cast<std::uint8_t>((count + 7) / 8)};
    body.resize(2 + body[1], 0);
    for (int i = 0; i < count; ++i)
        if (states[static_cast<std::size_t>(start + i)])
            body[2 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    return modbusReply(body);
}

ByteVector IoBoardLogic::outputStates() const {
    return protocol_ == IoBoardProtocol::Custom
               ? customFrame('T', packStates(outputs_, kind_.outputs, kind_.outputPacking))
               : modbusBits(1, 0, kind_.outputs);
}

ByteVector IoBoardLogic::modbusException(std::uint8_t function, std::uint8_t code) const {
    return modbusReply({static_cast<std::uint8_t>(function | 0x80), code});
}

std::optional<std::uint16_t> IoBoardLogic::holdingRegister(int index) const {
    if (index >= kModelRegisterFirst && index < kModelRegisterFirst + 8) {
        const auto at = static_cast<std::size_t>(index - kModelRegisterFirst);
        return at < reported_.size() ? static_cast<std::uint8_t>(reported_[at]) : 0;
    }
    if (kind_.analog && index >= kAnalogRegisterFirst && index < kAnalogRegisterFirst + 8)
        return analog_[static_cast<std::size_t>(index - kAnalogRegisterFirst)];
    if (index >= 0 && index < kRegisterCount) return 0;
    return std::nullopt;
}

std::optional<ByteVector> IoBoardLogic::answerModbus(Bytes r) {
    if (r.size() < 4 || r[0] != address_) return std::nullopt;
    const std::uint16_t crc = crc16Modbus(r.first(r.size() - 2));
    if (r[r.size() - 2] != (crc & 0xFF) || r[r.size() - 1] != (crc >> 8)) return std::nullopt;
    const std::uint8_t function = r[1];
    if (r.size() < 8) return modbusException(function, 3);
    const int start = getBe16(&r[2]);
    const int count = getBe16(&r[4]);
    switch (function) {
        case 1:
        case 2: {
            const int have = function == 1 ? kind_.outputs : kind_.inputs;
            if (count < 1 || start + count > have) return modbusException(function, 2);
            return modbusBits(function, start, count);
        }
        case 3: {
            if (count < 1 || count > 125) return modbusException(function, 3);
            ByteVector body{function, static_cast<std::uint8_t>(2 * count)};
            for (int i = 0; i < count; ++i) {
                const auto value = holdingRegister(start + i);
                if (!value) return modbusException(function, 2);
                body.push_back(static_cast<std::uint8_t>(*value >> 8));
                body.push_back(static_cast<std::uint8_t>(*value & 0xFF));
            }
            return modbusReply(body);
        }
        case 5: {
            if (start >= kind_.outputs) return modbusException(function, 2);
            if (count != 0xFF00 && count != 0) return modbusException(function, 3);
            setOutput(static_cast<std::size_t>(start), count == 0xFF00);
            return modbusReply(ByteVector(r.begin() + 1, r.end() - 2));
        }
        case 15: {
            if (count < 1 || start + count > kind_.outputs || r.size() < 9 || r[6] != (count + 7) / 8 ||
                r.size() != 9u + r[6])
                return modbusException(function, 2);
            for (int i = 0; i < count; ++i)
                setOutput(static_cast<std::size_t>(start + i), (r[7 + i / 8] >> (i % 8)) & 1u);
            return modbusReply(ByteVector(r.begin() + 1, r.begin() + 6));
        }
        default:
            return modbusException(function, 1);
    }
}

}  // namespace tavrel::sim
