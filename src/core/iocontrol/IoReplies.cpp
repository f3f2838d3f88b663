#include "iocontrol/IoCodec.h"

namespace tavrel {
namespace {

enum class ReplyKind : std::uint8_t { Model, Inputs, Outputs, Analog, OutputChanged, AllWritten, Other };

ReplyKind replyKind(IoProtocol protocol, std::uint8_t code) {
    if (protocol == IoProtocol::Custom) {
        switch (code) {
            case kCodeModelReply:
                return ReplyKind::Model;
            case kCodeInputStates:
                return ReplyKind::Inputs;
            case kCodeOutputStates:
                return ReplyKind::Outputs;
            case kCodeAnalog:
                return ReplyKind::Analog;
            case kCodeOutputChanged:
                return ReplyKind::OutputChanged;
            default:
                return ReplyKind::Other;
        }
    }
    switch (code) {
        case kFnReadCoils:
            return ReplyKind::Outputs;
        case kFnReadDiscreteInputs:
            return ReplyKind::Inputs;
        case kFnReadHoldingRegisters:  // model or analog values, told apart by the model text
            return ReplyKind::Analog;
        case kFnWriteSingleCoil:
            return ReplyKind::OutputChanged;
        case kFnWriteMultipleCoils:
            return ReplyKind::AllWritten;
        default:
            return ReplyKind::Other;
    }
}

IoDecoded fail(IoStatus status) {
    return {status, std::monostate{}};
}

std::size_t bytesFor(ChannelLayout layout) {
    switch (layout.packing) {
        case Packing::BytePerChannel:
            return layout.count;
        case Packing::TwoPerByte:
            return (layout.count + 1) / 2;
        case Packing::FourPerByte:
            return (layout.count + 3) / 4;
        case Packing::BitPerChannel:
            return (layout.count + 7) / 8;
    }
    return layout.count;
}

bool channelOn(Bytes data, Packing packing, std::size_t ch) {
    switch (packing) {
        case Packing::BytePerChannel:
            return data[ch] != 0;
        case Packing::TwoPerByte:
            return ch % 2 == 0 ? (data[ch / 2] & 0x0F) != 0 : (data[ch / 2] & 0x10) != 0;
        case Packing::FourPerByte:
            return (data[ch / 4] >> (2 * (ch % 4))) & 1;
        case Packing::BitPerChannel:
            return (data[ch / 8] >> (ch % 8)) & 1;
    }
    return false;
}

template <typename States>
IoDecoded unpack(Bytes data, std::optional<ChannelLayout> layout) {
    if (!layout) return fail(IoStatus::NoModelRule);
    if (data.size() < bytesFor(*layout)) return fail(IoStatus::TooShort);
    States states;
    states.count = layout->count;
    for (std::size_t ch = 0; ch < layout->count; ++ch) states.on[ch] = channelOn(data, layout->packing, ch);
    return {IoStatus::Ok, states};
}

// Modbus read replies: byte count, then the bits, channel 1 in bit 0 of the first byte.
template <typename States>
IoDecoded unpackModbusBits(Bytes data, std::optional<std::uint8_t> count) {
    if (!count) return fail(IoStatus::NoModelRule);
    if (data.empty()) return fail(IoStatus::TooShort);
    return unpack<States>(data.subspan(1), ChannelLayout{*count, Packing::BitPerChannel});
}

IoDecoded analogFrom(Bytes values) {
    if (values.size() < 2 * kAnalogChannels) return fail(IoStatus::TooShort);
    AnalogValues a;
    for (std::size_t k = 0; k < kAnalogChannels; ++k) a.values[k] = getBe16(values.data() + 2 * k);
    return {IoStatus::Ok, a};
}

IoDecoded modelFrom(std::string reported) {
    if (reported.empty()) return fail(IoStatus::EmptyModel);
    BoardModelReply reply{reported, storedModelText(reported)};
    return {IoStatus::Ok, std::move(reply)};
}

// Custom: the text runs up to the sum position (the last data byte) or an earlier zero byte.
IoDecoded customModel(Bytes data) {
    Bytes text = data.empty() ? data : data.first(data.size() - 1);
    return modelFrom(textOfBytes(text));
}

// Modbus: one character per register, in its low byte; the strings starting at the low bytes are
// joined, each ending at a zero byte or at the CRC.
IoDecoded modbusModel(Bytes data) {
    std::string text;
    for (std::size_t pos = 2; pos <= 2 * kRegisterBlockSize && pos < data.size(); pos += 2) {
        text += textOfBytes(data.subspan(pos));
    }
    return modelFrom(std::move(text));
}

IoDecoded outputChanged(std::uint8_t output, bool on) {
    if (output < 1 || output > kMaxIoChannels) return fail(IoStatus::BadValue);
    return {IoStatus::Ok, OutputChanged{output, on}};
}

IoDecoded decodeCustom(ReplyKind kind, std::string_view model, Bytes data) {
    switch (kind) {
        case ReplyKind::Model:
            return customModel(data);
        case ReplyKind::Inputs:
            return unpack<InputStates>(data, customInputLayout(model));
        case ReplyKind::Outputs:
            return unpack<OutputStates>(data, customOutputLayout(model));
        case ReplyKind::Analog:
            if (!isAnalogBoard(model)) return fail(IoStatus::NoModelRule);
            return analogFrom(data);
        case ReplyKind::OutputChanged:
            if (data.size() < 2) return fail(IoStatus::TooShort);
            return outputChanged(data[0], data[1] != 0);
        default:
            return fail(IoStatus::UnknownCode);
    }
}

IoDecoded decodeModbus(ReplyKind kind, std::string_view model, Bytes data) {
    switch (kind) {
        case ReplyKind::Inputs:
            return unpackModbusBits<InputStates>(data, modbusInputReplyCount(model));
        case ReplyKind::Outputs:
            return unpackModbusBits<OutputStates>(data, modbusCoilReplyCount(model));
        case ReplyKind::Analog:
            if (model.empty()) return modbusModel(data);
            if (!isAnalogBoard(model)) return fail(IoStatus::NoModelRule);
            return data.empty() ? fail(IoStatus::TooShort) : analogFrom(data.subspan(1));
        case ReplyKind::OutputChanged:
            // Coil address high, low, then FF 00 (on) or 00 00 (off).
            if (data.size() < 3) return fail(IoStatus::TooShort);
            if (data[0] != 0) return fail(IoStatus::BadValue);
            return outputChanged(static_cast<std::uint8_t>(data[1] + 1), data[2] != 0);
        case ReplyKind::AllWritten:
            // Start address high, low, count high, low.
            if (data.size() < 4) return fail(IoStatus::TooShort);
            if (data[2] != 0 || data[3] > kMaxIoChannels) return fail(IoStatus::BadValue);
            return {IoStatus::Ok, AllOutputsWritten{data[3]}};
        default:
            return fail(IoStatus::UnknownCode);
    }
}

}  // namespace

IoDecoded decodeReply(IoProtocol protocol, std::uint8_t address, std::string_view model, Bytes frame) {
    Unwrapped u = unwrapFrame(protocol, frame, address);
    if (u.status != IoStatus::Ok) return fail(u.status);
    const ReplyKind kind = replyKind(protocol, u.pdu.code);
    return protocol == IoProtocol::Custom ? decodeCustom(kind, model, u.pdu.data)
                                          : decodeModbus(kind, model, u.pdu.data);
}

}  // namespace tavrel
