#include "iocontrol/BoardModel.h"

namespace tavrel {
namespace {

struct OrderCode {
    std::string_view reported;
    std::string_view stored;
};

constexpr std::array<OrderCode, 8> kOrderCodes{{
    {"1HWTK04", "KB-04-00"},
    {"1HWTK08", "KB-08-00"},
    {"1JYTK08", "KB-08-00"},
    {"1HWTK16", "KB-16-00"},
    {"1HWTK32", "KB-32-00"},
    {"1GWTK16", "MV-I16-O16"},
    {"5GPTV2", "MV-I00-O02"},
    {"5GLUS32", "MV-I32-O00"},
}};

constexpr ModelRule first5(std::string_view t) {
    return {ModelTest::First5, t};
}
constexpr ModelRule first6(std::string_view t) {
    return {ModelTest::First6, t};
}
constexpr ModelRule last2(std::string_view t) {
    return {ModelTest::Last2, t};
}
constexpr ModelRule last3(std::string_view t) {
    return {ModelTest::Last3, t};
}
constexpr ModelRule whole(std::string_view t) {
    return {ModelTest::Whole, t};
}

// One row of a model table: any of its rules matching selects the value. Rows are tried in order.
template <typename Value>
struct Row {
    std::array<ModelRule, 3> anyOf;
    Value value;
};

template <typename Value, std::size_t N>
std::optional<Value> firstMatch(std::string_view model, const std::array<Row<Value>, N>& rows) {
    for (const auto& row : rows) {
        for (const auto& rule : row.anyOf) {
            if (matchesRule(model, rule)) return row.value;
        }
    }
    return std::nullopt;
}

using Layout = ChannelLayout;
constexpr Layout bytes(std::uint8_t n) {
    return {n, Packing::BytePerChannel};
}

constexpr std::array<Row<Layout>, 4> kCustomInputs{{
    {{first5("KB-04")}, bytes(4)},
    {{first5("KB-08"), first6("MV-I08")}, bytes(8)},
    {{first5("KB-16"), first6("MV-I16")}, {16, Packing::TwoPerByte}},
    {{first6("MV-I32")}, {32, Packing::BitPerChannel}},
}};

constexpr std::array<Row<Layout>, 5> kCustomOutputs{{
    {{last2("02")}, bytes(2)},
    {{first5("KB-04")}, bytes(4)},
    {{first5("KB-08"), whole(kAnalogBoardModel)}, bytes(8)},
    {{first5("KB-16"), last2("16")}, {16, Packing::TwoPerByte}},
    {{first5("KB-32")}, {32, Packing::FourPerByte}},
}};

// A count of 0 marks "no query" rows, which stop the search like any other match.
constexpr std::array<Row<InputQueryPlan>, 6> kModbusInputQuery{{
    {{first6("MV-I00")}, {InputQueryKind::Discrete, 0}},
    {{first5("KB-04")}, {InputQueryKind::Discrete, 4}},
    {{first5("KB-08"), first6("MV-I08")}, {InputQueryKind::Discrete, 8}},
    {{first5("KB-16"), first6("MV-I16")}, {InputQueryKind::Discrete, 16}},
    {{whole(kAnalogBoardModel)}, {InputQueryKind::Analog, 8}},
    {{first6("MV-I32")}, {InputQueryKind::Discrete, 32}},
}};

constexpr std::array<Row<std::uint8_t>, 6> kModbusOutputQuery{{
    {{first6("MV-I32")}, 0},
    {{first5("KB-04")}, 4},
    {{first5("KB-08"), whole(kAnalogBoardModel)}, 8},
    {{first5("KB-16"), last3("O16")}, 16},
    {{first5("KB-32")}, 32},
    {{last3("O02")}, 2},
}};

constexpr std::array<Row<std::uint8_t>, 5> kModbusCoilReply{{
    {{last2("02")}, 2},
    {{first5("KB-04")}, 4},
    {{first5("KB-08"), whole(kAnalogBoardModel)}, 8},
    {{first5("KB-16"), whole("1GWTK16"), last3("O16")}, 16},
    {{first5("KB-32")}, 32},
}};

constexpr std::array<Row<std::uint8_t>, 4> kModbusInputReply{{
    {{first5("KB-04")}, 4},
    {{first5("KB-08"), first6("MV-I08")}, 8},
    {{first5("KB-16"), first6("MV-I16")}, 16},
    {{first6("MV-I32")}, 32},
}};

constexpr AllOutputsPlan allPlan(std::uint8_t count, std::array<std::uint8_t, 8> customOn, std::uint8_t bc,
                                 std::uint8_t modbusOn) {
    return {count, customOn, bc, modbusOn};
}

constexpr std::array<Row<AllOutputsPlan>, 5> kAllOutputs{{
    {{last3("O02")}, allPlan(2, {1, 1, 0, 0, 0, 0, 0, 0}, 1, 0x0F)},
    {{first5("KB-04")}, allPlan(4, {1, 1, 1, 1, 0, 0, 0, 0}, 1, 0x0F)},
    {{first5("KB-08"), whole(kAnalogBoardModel)}, allPlan(8, {1, 1, 1, 1, 1, 1, 1, 1}, 1, 0xFF)},
    {{first5("KB-16"), last3("O16")}, allPlan(16, {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}, 2, 0xFF)},
    {{first5("KB-32")}, allPlan(32, {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}, 4, 0xFF)},
}};

template <typename T>
std::optional<T> nonZeroCount(std::optional<T> v) {
    if (v && *v == 0) return std::nullopt;
    return v;
}

}  // namespace

bool matchesRule(std::string_view model, ModelRule rule) {
    switch (rule.test) {
        case ModelTest::None:
            return false;
        case ModelTest::First5:
        case ModelTest::First6:
            return model.size() >= rule.text.size() && model.substr(0, rule.text.size()) == rule.text;
        case ModelTest::Last2:
        case ModelTest::Last3:
            return model.size() >= rule.text.size() &&
                   model.substr(model.size() - rule.text.size()) == rule.text;
        case ModelTest::Whole:
            return model == rule.text;
    }
    return false;
}

std::string storedModelText(std::string_view reported) {
    for (const auto& code : kOrderCodes) {
        if (code.reported == reported) return std::string(code.stored);
    }
    return std::string(reported);
}

std::optional<ChannelLayout> customInputLayout(std::string_view model) {
    return firstMatch(model, kCustomInputs);
}

std::optional<ChannelLayout> customOutputLayout(std::string_view model) {
    return firstMatch(model, kCustomOutputs);
}

std::optional<InputQueryPlan> modbusInputQueryPlan(std::string_view model) {
    auto plan = firstMatch(model, kModbusInputQuery);
    if (plan && plan->count == 0) return std::nullopt;
    return plan;
}

std::optional<std::uint8_t> modbusOutputQueryCount(std::string_view model) {
    return nonZeroCount(firstMatch(model, kModbusOutputQuery));
}

std::optional<std::uint8_t> modbusCoilReplyCount(std::string_view model) {
    return firstMatch(model, kModbusCoilReply);
}

std::optional<std::uint8_t> modbusInputReplyCount(std::string_view model) {
    return firstMatch(model, kModbusInputReply);
}

std::optional<AllOutputsPlan> allOutputsPlan(std::string_view model) {
    return firstMatch(model, kAllOutputs);
}

bool hasNoInputs(std::string_view model) {
    return matchesRule(model, first6("MV-I00"));
}
bool hasNoOutputs(std::string_view model) {
    return matchesRule(model, first6("MV-I32"));
}
bool isAnalogBoard(std::string_view model) {
    return model == kAnalogBoardModel;
}

}  // namespace tavrel
