#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "iocontrol/IoCodec.h"

using namespace tavrel;

namespace {

constexpr auto kCustom = IoProtocol::Custom;
constexpr auto kModbus = IoProtocol::Modbus;

// A 15-byte custom reply; the sum byte is ignored by the decoder, so it is left zero.
IoFrame customReply(std::uint8_t address, std::uint8_t code, std::initializer_list<std::uint8_t> data) {
    IoFrame f{'H', ':', address, code};
    f.insert(f.end(), data.begin(), data.end());
    f.resize(12, 0);
    f.insert(f.end(), {0x00, 'E', 'D'});
    return f;
}

template <typename T>
const T* as(const IoDecoded& d) {
    return std::get_if<T>(&d.reply);
}

// The reply as the kind expected; a reply of another kind fails the case and gives an empty value
// to compare, so one decoder fault never stops the other cases.
template <typename T>
T reply(const IoDecoded& d) {
    if (const T* r = as<T>(d)) return *r;
    ADD_FAILURE() << "not the expected kind of reply (status: " << ioStatusText(d.status) << ")";
    return T{};
}

std::string states(const ChannelStates& s) {
    std::string out;
    for (std::size_t i = 0; i < s.count; ++i) out += s.on[i] ? '1' : '0';
    return out;
}

}  // namespace

TEST(IoCustomReplies, AcceptanceRules) {
    const auto good = customReply(1, 'T', {1, 0, 1, 1});
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", good).status, IoStatus::Ok);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", customReply(2, 'T', {1})).status, IoStatus::OtherAddress);
    for (std::size_t idx : {0u, 1u, 13u, 14u}) {
        auto bad = good;
        bad[idx] ^= 0x20;
        EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", bad).status, IoStatus::BadMarkers) << idx;
    }
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", customReply(1, 'Z', {})).status, IoStatus::UnknownCode);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", IoFrame{'H', ':', 'E'}).status, IoStatus::TooShort);
    // States that the frame does not hold before its trailer are not read.
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-08-00", IoFrame{'H', ':', 1, 'T', 1, 1, 'E', 'D'}).status,
              IoStatus::TooShort);
    EXPECT_EQ(decodeReply(kCustom, 1, "unknown", good).status, IoStatus::NoModelRule);
}

TEST(IoCustomReplies, OutputLayouts) {
    auto outputs = [](std::string_view model, std::initializer_list<std::uint8_t> data) {
        auto d = decodeReply(kCustom, 1, model, customReply(1, 'T', data));
        const auto* s = as<OutputStates>(d);
        return s ? states(*s) : "-" + std::string(ioStatusText(d.status));
    };
    EXPECT_EQ(outputs("MV-I00-O02", {0, 7, 1}), "01");
    EXPECT_EQ(outputs("KB-04-00", {1, 0, 0, 2, 1}), "1001");
    EXPECT_EQ(outputs("1HMTK08", {0, 1, 0, 1, 0, 1, 0, 1}), "01010101");
    EXPECT_EQ(outputs("KB-16-00", {0x11, 0x02, 0x10, 0x00, 0x08, 0x11, 0x11, 0x11}), "1110010010111111");
    EXPECT_EQ(outputs("MV-I16-O16", {0x11, 0, 0, 0, 0, 0, 0, 0}), "1100000000000000");
    // 0x41: bits 0 and 6, so outputs 4i+1 and 4i+4.
    EXPECT_EQ(outputs("KB-32-00", {0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41}),
              "10011001100110011001100110011001");
    EXPECT_EQ(outputs("KB-32-00", {0x14, 0, 0, 0, 0, 0, 0, 0x02}), "01100000000000000000000000000000");
}

TEST(IoCustomReplies, InputLayouts) {
    auto inputs = [](std::string_view model, std::initializer_list<std::uint8_t> data) {
        auto d = decodeReply(kCustom, 1, model, customReply(1, 'A', data));
        const auto* s = as<InputStates>(d);
        return s ? states(*s) : "-" + std::string(ioStatusText(d.status));
    };
    EXPECT_EQ(inputs("KB-04-00", {0, 1, 0, 9}), "0101");
    EXPECT_EQ(inputs("MV-I08-O08", {1, 1, 0, 0, 0, 0, 0, 1}), "11000001");
    EXPECT_EQ(inputs("KB-16-00", {0x0F, 0x10, 0, 0, 0, 0, 0, 0x20}), "1001000000000000");
    // Bit by bit, bytes d0..d3; d4 onward unused.
    EXPECT_EQ(inputs("MV-I32-O00", {0x01, 0x80, 0xFF, 0x00, 0xFF}), "10000000000000011111111100000000");
    EXPECT_EQ(inputs("KB-32-00", {0xFF}), "-board model has no layout for this reply");
}

TEST(IoCustomReplies, ModelOutputChangedAndAnalog) {
    // "1HWTK04", sum position, "ED": the label shows the reported text, the mapped name is stored.
    IoFrame model{'H', ':', 1, 'g', '1', 'H', 'W', 'T', 'K', '0', '4', 0, 0x99, 'E', 'D'};
    auto d = decodeReply(kCustom, 1, "", model);
    EXPECT_EQ(reply<BoardModelReply>(d).reported, "1HWTK04");
    EXPECT_EQ(reply<BoardModelReply>(d).stored, "KB-04-00");
    // Eight characters run up to the sum position, which is not part of the text.
    IoFrame full{'H', ':', 1, 'g', 'M', 'V', '-', 'I', '3', '2', '-', 'O', 'X', 'E', 'D'};
    EXPECT_EQ(reply<BoardModelReply>(decodeReply(kCustom, 1, "KB-04-00", full)).reported, "MV-I32-O");
    EXPECT_EQ(decodeReply(kCustom, 1, "", IoFrame{'H', ':', 1, 'g', 'E', 'D'}).status, IoStatus::EmptyModel);
    EXPECT_EQ(decodeReply(kCustom, 1, "", IoFrame{'H', ':', 1, 'g', 0, 'x', 'E', 'D'}).status,
              IoStatus::EmptyModel);

    auto changed = decodeReply(kCustom, 1, "KB-04-00", customReply(1, 'q', {3, 1}));
    EXPECT_EQ(reply<OutputChanged>(changed).output, 3);
    EXPECT_TRUE(reply<OutputChanged>(changed).on);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", customReply(1, 'q', {33, 1})).status, IoStatus::BadValue);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", customReply(1, 'q', {0, 1})).status, IoStatus::BadValue);
    // Output and state are the two bytes after the code: the shortest echo, and one byte less.
    const OutputChanged shortest =
        reply<OutputChanged>(decodeReply(kCustom, 1, "KB-04-00", IoFrame{'H', ':', 1, 'q', 4, 1, 'E', 'D'}));
    EXPECT_EQ(shortest.output, 4);
    EXPECT_TRUE(shortest.on);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-04-00", IoFrame{'H', ':', 1, 'q', 4, 'E', 'D'}).status,
              IoStatus::TooShort);

    IoFrame analog{'H', ':', 1, 0x0C};
    for (int k = 0; k < 8; ++k) analog.insert(analog.end(), {static_cast<std::uint8_t>(k), 0xD2});
    analog.insert(analog.end(), {0x00, 'E', 'D'});
    auto a = decodeReply(kCustom, 1, "1HMTK08", analog);
    EXPECT_EQ(reply<AnalogValues>(a).values[0], 0x00D2);
    EXPECT_EQ(reply<AnalogValues>(a).values[7], 0x07D2);
    EXPECT_EQ(decodeReply(kCustom, 1, "KB-08-00", analog).status, IoStatus::NoModelRule);
    analog.erase(analog.begin() + 18, analog.begin() + 20);  // without the sum, one value byte short
    EXPECT_EQ(decodeReply(kCustom, 1, "1HMTK08", analog).status, IoStatus::TooShort);
}

TEST(IoModbusReplies, AcceptanceRules) {
    const IoFrame coils = wrapRtu(1, 1, IoFrame{1, 0x05});
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", coils).status, IoStatus::Ok);
    auto swapped = coils;
    std::swap(swapped[swapped.size() - 2], swapped[swapped.size() - 1]);
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", swapped).status, IoStatus::BadCrc);
    EXPECT_EQ(decodeReply(kModbus, 2, "KB-04-00", coils).status, IoStatus::OtherAddress);
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", wrapRtu(1, 0x81, IoFrame{2})).status,
              IoStatus::UnknownCode);
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", IoFrame{1, 2}).status, IoStatus::TooShort);
    // Three bytes pass the length check (the CRC covers the address alone); its first CRC byte, 7E,
    // is then read as the function code. A read reply without its byte count is too short.
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", IoFrame{1, 0x7E, 0x80}).status, IoStatus::UnknownCode);
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", wrapRtu(1, 1, {})).status, IoStatus::TooShort);
    // A read reply with fewer data bytes than the model's channels need.
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-32-00", wrapRtu(1, 1, IoFrame{4, 0xFF, 0xFF})).status,
              IoStatus::TooShort);
}

TEST(IoModbusReplies, ReadReplies) {
    auto d = decodeReply(kModbus, 1, "KB-16-00", wrapRtu(1, 1, IoFrame{2, 0x81, 0x02}));
    EXPECT_EQ(states(reply<OutputStates>(d)), "1000000101000000");
    // Function 1 alone knows "1GWTK16" by its whole text.
    EXPECT_EQ(reply<OutputStates>(decodeReply(kModbus, 1, "1GWTK16", wrapRtu(1, 1, IoFrame{2, 0, 0}))).count,
              16);
    EXPECT_EQ(reply<OutputStates>(decodeReply(kModbus, 1, "MV-I00-O02", wrapRtu(1, 1, IoFrame{1, 2}))).count,
              2);
    // Every model family's coil and input replies hold as many channels as the model has.
    const std::tuple<const char*, int, int> families[] = {
        {"KB-04-00", 4, 4}, {"KB-08-00", 8, 8}, {"KB-16-00", 16, 16}, {"KB-32-00", 32, 0},
        {"MV-I08-O00", 0, 8}, {"MV-I16-O16", 16, 16}, {"MV-I32-O00", 0, 32}};
    for (const auto& [model, outputs, inputs] : families) {
        for (const auto& [function, count] : {std::pair{1, outputs}, std::pair{2, inputs}}) {
            if (count == 0) continue;
            IoFrame data(1 + (count + 7) / 8, 0xFF);
            data[0] = static_cast<std::uint8_t>(data.size() - 1);
            const auto d = decodeReply(kModbus, 1, model, wrapRtu(1, static_cast<std::uint8_t>(function), data));
            const int got = function == 1 ? static_cast<int>(reply<OutputStates>(d).count)
                                          : static_cast<int>(reply<InputStates>(d).count);
            EXPECT_EQ(got, count) << model << " function " << function;
        }
    }
    auto in = decodeReply(kModbus, 1, "MV-I32-O00", wrapRtu(1, 2, IoFrame{4, 0x01, 0, 0, 0x80}));
    EXPECT_EQ(states(reply<InputStates>(in)), "10000000000000000000000000000001");
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-32-00", wrapRtu(1, 2, IoFrame{4, 0, 0, 0, 0})).status,
              IoStatus::NoModelRule);
}

TEST(IoModbusReplies, WriteEchoes) {
    auto on = decodeReply(kModbus, 1, "KB-32-00", *buildSwitchOutput(kModbus, 1, 32, true, 0));
    EXPECT_EQ(reply<OutputChanged>(on).output, 32);
    EXPECT_TRUE(reply<OutputChanged>(on).on);
    auto off = decodeReply(kModbus, 1, "", wrapRtu(1, 5, IoFrame{0, 4, 0, 0}));
    EXPECT_EQ(reply<OutputChanged>(off).output, 5);
    EXPECT_FALSE(reply<OutputChanged>(off).on);
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 5, IoFrame{0, 32, 0xFF, 0})).status, IoStatus::BadValue);
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 5, IoFrame{1, 0, 0xFF, 0})).status, IoStatus::BadValue);

    auto all = decodeReply(kModbus, 1, "KB-16-00", wrapRtu(1, 15, IoFrame{0, 0, 0, 16}));
    EXPECT_EQ(reply<AllOutputsWritten>(all).count, 16);
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 15, IoFrame{0, 0, 0, 33})).status, IoStatus::BadValue);
    // A count of 264 is no count of a board's outputs, whatever its low byte says.
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 15, IoFrame{0, 0, 1, 8})).status, IoStatus::BadValue);
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 15, IoFrame{0, 0, 0})).status, IoStatus::TooShort);
}

TEST(IoModbusReplies, FunctionThreeModelOrAnalog) {
    // One character per register, low byte; "1HWTK04" and an empty register.
    IoFrame regs{16};
    for (char c : std::string("1HWTK04")) regs.insert(regs.end(), {0, static_cast<std::uint8_t>(c)});
    regs.insert(regs.end(), {0, 0});
    auto m = decodeReply(kModbus, 1, "", wrapRtu(1, 3, regs));
    EXPECT_EQ(reply<BoardModelReply>(m).reported, "1HWTK04");
    EXPECT_EQ(reply<BoardModelReply>(m).stored, "KB-04-00");
    // Eight registers, eight characters: the last one ends at the CRC.
    IoFrame eight{16};
    for (char c : std::string("KB-16-00")) eight.insert(eight.end(), {0, static_cast<std::uint8_t>(c)});
    auto full = decodeReply(kModbus, 1, "", wrapRtu(1, 3, eight));
    EXPECT_EQ(reply<BoardModelReply>(full).reported, "KB-16-00");
    EXPECT_EQ(reply<BoardModelReply>(full).stored, "KB-16-00");
    // Text ends at the CRC: a reply cut after three registers gives three characters.
    auto cut = decodeReply(kModbus, 1, "", wrapRtu(1, 3, IoFrame(regs.begin(), regs.begin() + 7)));
    EXPECT_EQ(reply<BoardModelReply>(cut).reported, "1HW");
    // Once a model is known, the same reply is analog data for the analog board only.
    EXPECT_EQ(decodeReply(kModbus, 1, "KB-04-00", wrapRtu(1, 3, regs)).status, IoStatus::NoModelRule);
    auto a = decodeReply(kModbus, 1, "1HMTK08", wrapRtu(1, 3, regs));
    EXPECT_EQ(reply<AnalogValues>(a).values[0], '1');
    EXPECT_EQ(reply<AnalogValues>(a).values[7], 0);
    EXPECT_EQ(decodeReply(kModbus, 1, "1HMTK08", wrapRtu(1, 3, IoFrame{16, 0, 1})).status,
              IoStatus::TooShort);
    EXPECT_EQ(decodeReply(kModbus, 1, "", wrapRtu(1, 3, IoFrame{16, 0, 0})).status, IoStatus::EmptyModel);
}

// A script or log names why a frame gave nothing: each reason in words of its own.
TEST(IoStatusTexts, EveryStatusHasItsOwnText) {
    std::set<std::string> texts;
    for (int s = 0; s <= static_cast<int>(IoStatus::EmptyModel); ++s) {
        const std::string text = ioStatusText(static_cast<IoStatus>(s));
        EXPECT_NE(text, "unknown status") << s;
        EXPECT_TRUE(texts.insert(text).second) << s << ": " << text;
    }
    EXPECT_EQ(std::string(ioStatusText(IoStatus::BadCrc)), "CRC mismatch");
}
