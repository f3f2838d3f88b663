#include <gtest/gtest.h>

#include "iocontrol/Crc16.h"
#include "iocontrol/IoCodec.h"

using namespace tavrel;

namespace {
constexpr auto kCustom = IoProtocol::Custom;
constexpr auto kModbus = IoProtocol::Modbus;
}  // namespace

TEST(IoCrc, CheckValueAndWireOrder) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16Modbus(Bytes(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())), 0x4B37);
    EXPECT_EQ(crc16Modbus({}), 0xFFFF);
    // The low byte goes first on the wire.
    EXPECT_EQ(buildModelQuery(kModbus, 1), (IoFrame{0x01, 0x03, 0x00, 0x05, 0x00, 0x08, 0x54, 0x0D}));
}

TEST(IoRequests, CustomQueriesForAddress1) {
    EXPECT_EQ(buildModelQuery(kCustom, 1), (IoFrame{0x48, 0x3A, 0x01, 0x66, 0x11, 0x11, 0x11, 0x11, 0x11,
                                                    0x11, 0x11, 0x11, 0x71, 0x45, 0x44}));
    EXPECT_EQ(buildInputQuery(kCustom, 1, "KB-08-00"),
              (IoFrame{0x48, 0x3A, 0x01, 0x52, 0, 0, 0, 0, 0, 0, 0, 0, 0xD5, 0x45, 0x44}));
    EXPECT_EQ(
        buildOutputQuery(kCustom, 1, "KB-08-00"),
        (IoFrame{0x48, 0x3A, 0x01, 0x53, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x26, 0x45, 0x44}));
    // The sum wraps at 256 and follows the address.
    auto model200 = buildModelQuery(kCustom, 200);
    EXPECT_EQ(model200[2], 200);
    EXPECT_EQ(model200[12], static_cast<std::uint8_t>(0x71 - 1 + 200));
}

TEST(IoRequests, AnalogQueryIsFixedWhateverTheAddress) {
    const IoFrame fixed{0x48, 0x3A, 0x01, 0x0C, 0x00, 0x8F, 0x45, 0x44};
    EXPECT_EQ(buildInputQuery(kCustom, 1, "1HMTK08"), fixed);
    EXPECT_EQ(buildInputQuery(kCustom, 77, "1HMTK08"), fixed);
    EXPECT_EQ(buildInputQuery(kModbus, 2, "1HMTK08"),
              (IoFrame{0x02, 0x03, 0x00, 0x18, 0x00, 0x08, 0xC4, 0x38}));
}

TEST(IoRequests, QueriesLeftOutByModel) {
    for (auto p : {kCustom, kModbus}) {
        EXPECT_FALSE(buildInputQuery(p, 1, "MV-I00-O02")) << int(p);
        EXPECT_FALSE(buildOutputQuery(p, 1, "MV-I32-O00")) << int(p);
    }
    // Only the custom protocol still asks a board whose inputs no test knows.
    EXPECT_TRUE(buildInputQuery(kCustom, 1, "KB-32-00"));
    EXPECT_FALSE(buildInputQuery(kModbus, 1, "KB-32-00"));
    EXPECT_TRUE(buildOutputQuery(kCustom, 1, "unknown"));
    EXPECT_FALSE(buildOutputQuery(kModbus, 1, "unknown"));
    EXPECT_FALSE(buildInputQuery(kModbus, 1, ""));
}

TEST(IoRequests, ModbusQueryCounts) {
    struct Case {
        const char* model;
        int inputs;   // 0: no query
        int outputs;  // 0: no query
    };
    for (auto c : {Case{"KB-04-00", 4, 4}, Case{"KB-08-00", 8, 8}, Case{"MV-I08-O08", 8, 0},
                   Case{"KB-16-00", 16, 16}, Case{"MV-I16-O16", 16, 16}, Case{"MV-I32-O00", 32, 0},
                   Case{"KB-32-00", 0, 32}, Case{"MV-I00-O02", 0, 2}, Case{"1HMTK08", 0, 8}}) {
        auto in = buildInputQuery(kModbus, 3, c.model);
        auto out = buildOutputQuery(kModbus, 3, c.model);
        if (c.inputs) {
            ASSERT_TRUE(in) << c.model;
            EXPECT_EQ(*in, wrapRtu(3, 2, IoFrame{0, 0, 0, static_cast<std::uint8_t>(c.inputs)})) << c.model;
        } else if (std::string_view(c.model) != "1HMTK08") {
            EXPECT_FALSE(in) << c.model;
        }
        if (c.outputs) {
            ASSERT_TRUE(out) << c.model;
            EXPECT_EQ(*out, wrapRtu(3, 1, IoFrame{0, 0, 0, static_cast<std::uint8_t>(c.outputs)})) << c.model;
        } else {
            EXPECT_FALSE(out) << c.model;
        }
    }
}

TEST(IoRequests, SwitchOutput) {
    EXPECT_EQ(buildSwitchOutput(kModbus, 1, 32, true, 500),
              (IoFrame{0x01, 0x05, 0x00, 0x1F, 0xFF, 0x00, 0xBD, 0xFC}));
    auto off = buildSwitchOutput(kModbus, 1, 1, false, 0);
    ASSERT_TRUE(off);
    EXPECT_EQ(IoFrame(off->begin(), off->begin() + 6), (IoFrame{0x01, 0x05, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(buildSwitchOutput(kCustom, 9, 3, true, 0x1234),
              (IoFrame{0x48, 0x3A, 0x09, 0x70, 0x03, 0x01, 0x12, 0x34, 0x45, 0x44}));
    EXPECT_EQ(buildSwitchOutput(kCustom, 9, 32, false, 0),
              (IoFrame{0x48, 0x3A, 0x09, 0x70, 0x20, 0x00, 0x00, 0x00, 0x45, 0x44}));
    for (int bad : {0, 33, -1}) {
        EXPECT_FALSE(buildSwitchOutput(kCustom, 1, bad, true, 0));
        EXPECT_FALSE(buildSwitchOutput(kModbus, 1, bad, true, 0));
    }
}

TEST(IoRequests, OutputTimeValueText) {
    EXPECT_EQ(outputTimeValue(""), 0);
    EXPECT_EQ(outputTimeValue("abc"), 0);
    EXPECT_EQ(outputTimeValue("  120"), 120);
    EXPECT_EQ(outputTimeValue("12s"), 12);
    EXPECT_EQ(outputTimeValue("65535"), 65535);
    EXPECT_EQ(outputTimeValue("70000"), 65535);
    EXPECT_EQ(outputTimeValue("99999999999999999999"), 65535);
    EXPECT_EQ(outputTimeValue("-5"), 0);
}

TEST(IoRequests, CustomAllOutputs) {
    auto frame = [](std::string_view model, bool on) { return buildAllOutputs(kCustom, 1, model, on); };
    auto data = [](const IoFrame& f) { return IoFrame(f.begin() + 4, f.begin() + 12); };
    EXPECT_EQ(data(*frame("KB-16-00", true)), IoFrame(8, 0x11));
    EXPECT_EQ(data(*frame("MV-I16-O16", true)), IoFrame(8, 0x11));
    EXPECT_EQ(data(*frame("KB-32-00", true)), IoFrame(8, 0x55));
    EXPECT_EQ(data(*frame("KB-08-00", true)), IoFrame(8, 0x01));
    EXPECT_EQ(data(*frame("1HMTK08", true)), IoFrame(8, 0x01));
    EXPECT_EQ(data(*frame("KB-04-00", true)), (IoFrame{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(data(*frame("MV-I00-O02", true)), (IoFrame{1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(data(*frame("KB-32-00", false)), IoFrame(8, 0x00));
    auto f = *frame("KB-16-00", true);
    EXPECT_EQ(f[3], 'W');
    EXPECT_EQ(f[12], static_cast<std::uint8_t>(0x48 + 0x3A + 0x01 + 0x57 + 8 * 0x11));
    EXPECT_FALSE(frame("MV-I32-O00", true));
    EXPECT_FALSE(frame("", true));
}

TEST(IoRequests, ModbusAllOutputs) {
    auto on = [](std::string_view model) { return *buildAllOutputs(kModbus, 1, model, true); };
    EXPECT_EQ(on("MV-I00-O02"), wrapRtu(1, 15, IoFrame{0, 0, 0, 2, 1, 0x0F}));
    EXPECT_EQ(on("KB-04-00"), wrapRtu(1, 15, IoFrame{0, 0, 0, 4, 1, 0x0F}));
    EXPECT_EQ(on("KB-08-00"), wrapRtu(1, 15, IoFrame{0, 0, 0, 8, 1, 0xFF}));
    EXPECT_EQ(on("KB-16-00"), (IoFrame{0x01, 0x0F, 0, 0, 0, 0x10, 0x02, 0xFF, 0xFF, 0xE3, 0x90}));
    auto all32 = on("KB-32-00");
    EXPECT_EQ(all32.size(), 13u);
    EXPECT_EQ(IoFrame(all32.begin() + 5, all32.begin() + 11), (IoFrame{0x20, 4, 0xFF, 0xFF, 0xFF, 0xFF}));
    auto off = *buildAllOutputs(kModbus, 1, "KB-32-00", false);
    EXPECT_EQ(IoFrame(off.begin() + 7, off.begin() + 11), IoFrame(4, 0x00));
    EXPECT_FALSE(buildAllOutputs(kModbus, 1, "MV-I32-O00", true));
}

TEST(BoardModelRules, TestsAndOrderCodes) {
    EXPECT_TRUE(matchesRule("KB-16-00", {ModelTest::First5, "KB-16"}));
    EXPECT_FALSE(matchesRule("KB-1", {ModelTest::First5, "KB-16"}));
    EXPECT_FALSE(matchesRule("kb-16-00", {ModelTest::First5, "KB-16"}));
    EXPECT_TRUE(matchesRule("MV-I00-O02", {ModelTest::Last2, "02"}));
    EXPECT_FALSE(matchesRule("2", {ModelTest::Last2, "02"}));
    EXPECT_TRUE(matchesRule("02", {ModelTest::Last2, "02"}));  // a model no longer than its ending
    EXPECT_FALSE(matchesRule("1HMTK08 ", {ModelTest::Whole, "1HMTK08"}));
    EXPECT_FALSE(matchesRule("", {ModelTest::None, ""}));

    EXPECT_EQ(storedModelText("1HWTK04"), "KB-04-00");
    EXPECT_EQ(storedModelText("1JYTK08"), "KB-08-00");
    EXPECT_EQ(storedModelText("1GWTK16"), "MV-I16-O16");
    EXPECT_EQ(storedModelText("5GPTV2"), "MV-I00-O02");
    EXPECT_EQ(storedModelText("5GLUS32"), "MV-I32-O00");
    EXPECT_EQ(storedModelText("1HMTK08"), "1HMTK08");
    EXPECT_EQ(storedModelText("1hwtk04"), "1hwtk04");
}

// Every board of the order-code list, by its reported name: the channels each table gives it agree
// with what the board has (written out here from the boards themselves, not from the tables). The
// 32-channel board's inputs are shown by no rule, though its custom input query still goes out.
TEST(BoardModelRules, EveryKnownBoardHasItsChannelsInEveryTable) {
    struct Board {
        const char* reported;
        int inputs;  // shown
        int outputs;
        bool inputQuery;  // the custom input query is sent
    };
    const Board boards[] = {{"1HWTK04", 4, 4, true},   {"1HWTK08", 8, 8, true},   {"1JYTK08", 8, 8, true},
                            {"1HWTK16", 16, 16, true}, {"1HWTK32", 0, 32, true},  {"1GWTK16", 16, 16, true},
                            {"5GPTV2", 0, 2, false},   {"5GLUS32", 32, 0, true}};
    for (const Board& b : boards) {
        const std::string model = storedModelText(b.reported);
        SCOPED_TRACE(std::string(b.reported) + " as " + model);
        const auto in = customInputLayout(model);
        const auto out = customOutputLayout(model);
        EXPECT_EQ(in ? int(in->count) : 0, b.inputs);
        EXPECT_EQ(out ? int(out->count) : 0, b.outputs);
        const auto plan = modbusInputQueryPlan(model);
        EXPECT_EQ(plan ? int(plan->count) : 0, b.inputs);
        if (plan) {
            EXPECT_EQ(plan->kind, InputQueryKind::Discrete);
        }
        const auto coils = modbusOutputQueryCount(model);
        EXPECT_EQ(coils ? int(*coils) : 0, b.outputs);
        const auto coilReply = modbusCoilReplyCount(model);
        EXPECT_EQ(coilReply ? int(*coilReply) : 0, b.outputs);
        const auto inputReply = modbusInputReplyCount(model);
        EXPECT_EQ(inputReply ? int(*inputReply) : 0, b.inputs);
        const auto all = allOutputsPlan(model);
        EXPECT_EQ(all ? int(all->count) : 0, b.outputs);
        EXPECT_EQ(hasNoInputs(model), !b.inputQuery);
        EXPECT_EQ(hasNoOutputs(model), b.outputs == 0);
        EXPECT_FALSE(isAnalogBoard(model));
    }
    EXPECT_TRUE(isAnalogBoard("1HMTK08"));
    const auto analog = modbusInputQueryPlan("1HMTK08");
    ASSERT_TRUE(analog);
    EXPECT_EQ(analog->kind, InputQueryKind::Analog);
    EXPECT_EQ(int(analog->count), 8);
}
