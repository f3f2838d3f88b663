#pragma once
// Model rules of the network IO boards: the order-code names, the text tests and the per-model
// channel counts and packings that the IO codec builds and decodes by.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr std::size_t kMaxIoChannels = 32;
inline constexpr std::size_t kAnalogChannels = 8;
// The analog input board is always matched by its whole reported text, never renamed.
inline constexpr std::string_view kAnalogBoardModel = "1HMTK08";

// Plain, case-sensitive comparisons on the board model text.
enum class ModelTest : std::uint8_t { None, First5, First6, Last2, Last3, Whole };

struct ModelRule {
    ModelTest test = ModelTest::None;
    std::string_view text;
};

// False for ModelTest::None and for a text too short to hold the compared part.
bool matchesRule(std::string_view model, ModelRule rule);

// The text stored as the board model for a reported text: the display name of a known order code,
// otherwise the reported text itself.
std::string storedModelText(std::string_view reported);

// How the bytes of a custom-protocol state reply carry the channels.
enum class Packing : std::uint8_t {
    BytePerChannel,  // byte i is channel i+1
    TwoPerByte,      // byte i: channel 2i+1 from any of bits 0..3, channel 2i+2 from bit 4
    FourPerByte,     // byte i: channels 4i+1..4i+4 from bits 0, 2, 4, 6
    BitPerChannel,   // bit b of byte i is channel 8i+b+1
};

struct ChannelLayout {
    std::uint8_t count = 0;
    Packing packing = Packing::BytePerChannel;
};

// Custom protocol: layouts of the "A" (inputs) and "T" (outputs) replies; nothing when no row matches.
std::optional<ChannelLayout> customInputLayout(std::string_view model);
std::optional<ChannelLayout> customOutputLayout(std::string_view model);

// Modbus: what the input query reads. Nothing means no query is sent.
enum class InputQueryKind : std::uint8_t { Discrete, Analog };
struct InputQueryPlan {
    InputQueryKind kind = InputQueryKind::Discrete;
    std::uint8_t count = 0;
};
std::optional<InputQueryPlan> modbusInputQueryPlan(std::string_view model);
// Coils read by the Modbus output query; nothing means no query is sent.
std::optional<std::uint8_t> modbusOutputQueryCount(std::string_view model);
// Channel counts of Modbus function 1 (coils) and 2 (discrete inputs) replies.
std::optional<std::uint8_t> modbusCoilReplyCount(std::string_view model);
std::optional<std::uint8_t> modbusInputReplyCount(std::string_view model);

// The "all outputs" command: how many outputs the model has and the data it sends to switch them on.
struct AllOutputsPlan {
    std::uint8_t count = 0;
    std::array<std::uint8_t, 8> customOnBytes{};  // d0..d7 of the custom frame
    std::uint8_t modbusByteCount = 0;             // BC of the multiple-coil write
    std::uint8_t modbusOnByte = 0;                // each data byte when switching on
};
std::optional<AllOutputsPlan> allOutputsPlan(std::string_view model);

// The custom input query is suppressed, or replaced by the analog query, by these tests.
bool hasNoInputs(std::string_view model);   // first6 "MV-I00"
bool hasNoOutputs(std::string_view model);  // first6 "MV-I32"
bool isAnalogBoard(std::string_view model);

}  // namespace tavrel
