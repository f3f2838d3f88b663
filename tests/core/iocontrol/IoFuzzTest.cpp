// Random bytes through every decoder and the log: run under the sanitizers, any read out of bounds fails.
#include <gtest/gtest.h>

#include <random>

#include "iocontrol/CommandLog.h"
#include "iocontrol/IoCodec.h"

using namespace tavrel;

namespace {

const std::string_view kModels[] = {"",        "KB-04-00",   "KB-08-00",   "KB-16-00",   "KB-32-00",
                                    "1HMTK08", "MV-I16-O16", "MV-I00-O02", "MV-I32-O00", "MV-I08-O08",
                                    "1GWTK16", "02",         "O16",        "K",          "unknown"};

// Frames that pass the framing checks half of the time, so the layouts get exercised too.
IoFrame randomFrame(std::mt19937& rng, IoProtocol protocol) {
    std::uniform_int_distribution<int> len(0, 40), byte(0, 255), coin(0, 1);
    IoFrame f(static_cast<std::size_t>(len(rng)));
    for (auto& b : f) b = static_cast<std::uint8_t>(byte(rng));
    if (coin(rng) && f.size() >= 2) {
        if (protocol == IoProtocol::Custom) {
            f[0] = 'H';
            f[1] = ':';
            if (f.size() >= 3) f[2] = 1;
            f[f.size() - 2] = 'E';
            f[f.size() - 1] = 'D';
        } else {
            std::uniform_int_distribution<int> fn(0, 6);
            const std::uint8_t functions[] = {1, 2, 3, 5, 15, 0x83, 4};
            IoFrame body(f.size() > 2 ? f.begin() + 2 : f.end(), f.end());
            f = wrapRtu(1, functions[fn(rng)], body);
        }
    }
    return f;
}

}  // namespace

TEST(IoDecoderRobustness, RandomBytesOfEveryLength) {
    std::mt19937 rng(20240611);
    int accepted = 0;
    CommandLog log(2000);
    for (int i = 0; i < 40000; ++i) {
        const auto protocol = (i & 1) ? IoProtocol::Modbus : IoProtocol::Custom;
        const IoFrame f = randomFrame(rng, protocol);
        // Copy into an exactly sized buffer so that any overread leaves the allocation.
        std::vector<std::uint8_t> exact(f.begin(), f.end());
        const auto model = kModels[static_cast<std::size_t>(i) % std::size(kModels)];
        const auto d = decodeReply(protocol, 1, model, exact);
        if (d.status == IoStatus::Ok) {
            ++accepted;
            EXPECT_FALSE(std::holds_alternative<std::monostate>(d.reply));
            if (auto* s = std::get_if<InputStates>(&d.reply)) {
                EXPECT_LE(s->count, kMaxIoChannels);
            }
            if (auto* s = std::get_if<OutputStates>(&d.reply)) {
                EXPECT_LE(s->count, kMaxIoChannels);
            }
            if (auto* c = std::get_if<OutputChanged>(&d.reply)) {
                EXPECT_GE(c->output, 1);
                EXPECT_LE(c->output, kMaxIoChannels);
            }
        } else {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(d.reply));
        }
        LogFilterState st{protocol, (i % 7) == 0, model.empty(), (i % 3) == 0};
        logFrame(log, LogDirection::Received, exact, st, (i % 11) == 0, {12, 0, 0});
    }
    EXPECT_GT(accepted, 1000);  // the generator reaches the layouts, not only the framing checks
    EXPECT_FALSE(decodeReply(IoProtocol::Custom, 1, "", {}).status == IoStatus::Ok);
    EXPECT_FALSE(decodeReply(IoProtocol::Modbus, 1, "", {}).status == IoStatus::Ok);
}
