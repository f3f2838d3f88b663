#include <gtest/gtest.h>

#include "iocontrol/IoBoardState.h"
#include "iocontrol/IoOpening.h"

using namespace tavrel;

namespace {

IoFrame customReply(std::uint8_t address, std::uint8_t code, std::initializer_list<std::uint8_t> data) {
    IoFrame f{'H', ':', address, code};
    f.insert(f.end(), data.begin(), data.end());
    f.resize(12, 0);
    f.insert(f.end(), {0x00, 'E', 'D'});
    return f;
}

IoFrame customModelReply(const std::string& text) {
    IoFrame f{'H', ':', 1, 'g'};
    f.insert(f.end(), text.begin(), text.end());
    f.insert(f.end(), {0x00, 'E', 'D'});
    return f;
}

// Modbus reply with its CRC computed here, bit by bit, independently of the codec.
IoFrame rtu(std::vector<std::uint8_t> f) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : f) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    f.push_back(crc & 0xFF);
    f.push_back(crc >> 8);
    return f;
}

std::string row(const std::array<Indicator, kMaxIoChannels>& r, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += r[i] == Indicator::Unknown ? '?' : r[i] == Indicator::On ? '1' : '0';
    return out;
}

IoBoardState withModel(IoProtocol protocol, const std::string& reported) {
    IoBoardState state;
    state.setProtocol(protocol);
    if (protocol == IoProtocol::Custom) {
        state.receive(customModelReply(reported));
    } else {
        std::vector<std::uint8_t> body{1, 3, 16};
        for (std::size_t i = 0; i < 8; ++i) {
            body.push_back(0);
            body.push_back(i < reported.size() ? std::uint8_t(reported[i]) : 0);
        }
        state.receive(rtu(body));
    }
    return state;
}

}  // namespace

TEST(IoBoardState, ModelReplyIsStoredMappedAndShownAsReported) {
    for (auto protocol : {IoProtocol::Custom, IoProtocol::Modbus}) {
        IoBoardState state = withModel(protocol, "1HWTK04");
        EXPECT_EQ(state.reportedModel(), "1HWTK04");
        EXPECT_EQ(state.model(), "KB-04-00");
    }
}

TEST(IoBoardState, GreyOutputSendsNothingAndAKnownOneSwitchesToTheOpposite) {
    IoBoardState state = withModel(IoProtocol::Custom, "KB-04-00");
    EXPECT_FALSE(state.clickOutput(1, "5"));
    state.receive(customReply(1, 'T', {1, 0, 0, 0}));
    EXPECT_EQ(row(state.outputs(), 5), "1000?");
    EXPECT_EQ(state.clickOutput(1, "258"), (IoFrame{'H', ':', 1, 'p', 1, 0, 0x01, 0x02, 'E', 'D'}));
    EXPECT_EQ(state.clickOutput(2, "x"), (IoFrame{'H', ':', 1, 'p', 2, 1, 0, 0, 'E', 'D'}));
    // The indicator waits for the board's word.
    EXPECT_EQ(row(state.outputs(), 2), "10");
    state.receive(customReply(1, 'q', {2, 1}));
    EXPECT_EQ(row(state.outputs(), 2), "11");
    EXPECT_FALSE(state.clickOutput(0, ""));
    EXPECT_FALSE(state.clickOutput(33, ""));
}

TEST(IoBoardState, AllOutputsButtonAlternatesAndTheModbusEchoFollowsTheCaption) {
    IoBoardState state = withModel(IoProtocol::Modbus, "KB-08-00");
    EXPECT_FALSE(state.allOutputsCaptionOn());
    auto off = state.clickAllOutputs();  // caption "All OFF": switches all off
    ASSERT_TRUE(off);
    EXPECT_EQ((*off)[1], 0x0F);
    EXPECT_EQ((*off)[7], 0x00);
    EXPECT_TRUE(state.allOutputsCaptionOn());
    state.receive(rtu({1, 0x0F, 0, 0, 0, 8}));
    EXPECT_EQ(row(state.outputs(), 9), "00000000?");
    auto on = state.clickAllOutputs();
    ASSERT_TRUE(on);
    EXPECT_EQ((*on)[7], 0xFF);
    state.receive(rtu({1, 0x0F, 0, 0, 0, 8}));
    EXPECT_EQ(row(state.outputs(), 9), "11111111?");
    // Single outputs can be switched once the echo gave them a state.
    EXPECT_TRUE(state.clickOutput(3, "0"));
}

TEST(IoBoardState, LongChunkIsDroppedUndecoded) {
    IoBoardState state;
    IoFrame reply = customModelReply("KB-08-00");
    EXPECT_FALSE(state.receive(reply).dropped);
    IoBoardState other;
    reply.insert(reply.begin() + 4, 40 - reply.size(), 'x');
    ASSERT_EQ(reply.size(), 40u);
    const auto outcome = other.receive(reply);
    EXPECT_TRUE(outcome.dropped);
    EXPECT_FALSE(outcome.modelArrived);
    EXPECT_TRUE(other.model().empty());
    // The limit itself is still decoded (or refused as undecodable), one byte more is not looked at.
    EXPECT_FALSE(other.receive(IoFrame(32, 'x')).dropped);
    EXPECT_TRUE(other.receive(IoFrame(33, 'x')).dropped);
}

TEST(IoBoardState, PollingAlternatesOutputsAndInputsAndSkipsMissingQueries) {
    IoBoardState state = withModel(IoProtocol::Custom, "KB-08-00");
    std::string codes;
    for (int i = 0; i < 4; ++i) codes += char(state.pollTick()->at(3));
    EXPECT_EQ(codes, "SRSR");
    IoBoardState noInputs = withModel(IoProtocol::Custom, "MV-I00-O02");
    EXPECT_TRUE(noInputs.pollTick());
    EXPECT_FALSE(noInputs.pollTick());
    IoBoardState modbusUnknown;
    modbusUnknown.setProtocol(IoProtocol::Modbus);
    EXPECT_FALSE(modbusUnknown.pollTick());  // no model: no counts to read
}

TEST(IoBoardState, ModelQueryGivesSixTriesAndStartsAgainAtEachConnection) {
    IoBoardState state;
    for (int connection = 0; connection < 2; ++connection) {
        state.startModelQueries();
        int tries = 0;
        bool more = true;
        while (more && tries < 20) {
            auto tick = state.modelQueryTick();
            EXPECT_EQ(tick.frame, buildModelQuery(IoProtocol::Custom, 1));
            more = tick.more;
            ++tries;
        }
        EXPECT_EQ(tries, kModelQueryTries);
        // A model reply part-way does not shorten the next connection's series.
        state.startModelQueries();
        state.modelQueryTick();
    }
}

TEST(IoBoardState, ForgettingTheBoardGreysEverything) {
    IoBoardState state = withModel(IoProtocol::Custom, "KB-04-00");
    state.receive(customReply(1, 'A', {1, 0, 1, 0}));
    state.receive(customReply(1, 'T', {0, 1}));
    EXPECT_EQ(state.knownInputs(), 4);
    EXPECT_EQ(state.knownOutputs(), 4);
    state.forgetBoard();
    EXPECT_EQ(state.knownInputs(), 0);
    EXPECT_EQ(state.knownOutputs(), 0);
    EXPECT_TRUE(state.reportedModel().empty());
    EXPECT_FALSE(state.analog());
}

TEST(IoBoardState, AddressStaysWithinOneTo255) {
    IoBoardState state;
    for (auto [given, kept] : {std::pair{0, 1}, {1, 1}, {-3, 1}, {255, 255}, {256, 255}, {77, 77}}) {
        state.setAddress(given);
        EXPECT_EQ(state.address(), kept) << given;
    }
}

TEST(IoBoardState, AnalogCellsAndValues) {
    EXPECT_EQ(analogCellText(1234, AnalogRow::Volts5), "1.234");
    EXPECT_EQ(analogCellText(1234, AnalogRow::Volts10), "2.468");
    EXPECT_EQ(analogCellText(1234, AnalogRow::MilliAmps20), "4.955");
    EXPECT_EQ(analogCellText(65535, AnalogRow::Volts10), "131.0");
    IoBoardState state = withModel(IoProtocol::Custom, "1HMTK08");
    IoFrame reply{'H', ':', 1, 0x0C};
    for (int k = 0; k < 8; ++k) reply.insert(reply.end(), {0x04, std::uint8_t(0xD2 + k)});
    reply.insert(reply.end(), {0, 'E', 'D'});
    EXPECT_TRUE(state.receive(reply).panelChanged);
    ASSERT_TRUE(state.analog());
    EXPECT_EQ(state.analog()->values[0], 1234);
    EXPECT_EQ(state.analog()->values[7], 1241);
}

TEST(IoBoardState, OutputStatusFrameIsLoggedOnceAfterTheAllOutputsCommand) {
    IoBoardState state = withModel(IoProtocol::Custom, "KB-04-00");
    const IoFrame t = customReply(1, 'T', {1, 1, 1, 1});
    EXPECT_EQ(state.log(LogDirection::Received, t, {}), LogAppend::Dropped);
    state.clickAllOutputs();
    EXPECT_EQ(state.log(LogDirection::Received, t, {1, 2, 3}), LogAppend::Appended);
    EXPECT_EQ(state.lastLogEntry(),
              "RX：48 3A 01 54 01 01 01 01 00 00 00 00 00 45 44  时间: 01:02:03\r\n\r\n");
    EXPECT_EQ(state.log(LogDirection::Received, t, {}), LogAppend::Dropped);
    state.setLogPaused(true);
    state.setShowCommand(true);
    EXPECT_EQ(state.log(LogDirection::Received, t, {}), LogAppend::Dropped);
}

TEST(IoOpening, PresetTypeFollowsTheDeviceWorkMode) {
    EXPECT_EQ(presetConnectionType(1), IoConnectionType::TcpClient);
    EXPECT_EQ(presetConnectionType(2), IoConnectionType::TcpServer);
    EXPECT_EQ(presetConnectionType(3), IoConnectionType::Udp);
    EXPECT_EQ(presetConnectionType(4), IoConnectionType::Udp);
    EXPECT_EQ(presetConnectionType(0), IoConnectionType::None);
    EXPECT_EQ(presetConnectionType(5), IoConnectionType::None);

    DeviceRecord device;
    device.network.ip = {192, 168, 1, 7};
    device.ports[0].workMode = 2;
    device.ports[0].localPort = 502;
    device.ports[0].remotePort = 8000;
    const IoWindowSetup setup = ioWindowSetupFor(device, "192.168.1.20");
    EXPECT_EQ(setup.boardIp, device.network.ip);
    EXPECT_EQ(setup.boardPort, 502);
    EXPECT_EQ(setup.localPort, 8000);
    EXPECT_EQ(setup.preset, IoConnectionType::TcpServer);
    EXPECT_EQ(setup.localIp, "192.168.1.20");
}

TEST(IoOpening, SubnetCheck) {
    const Ipv4 device{192, 168, 1, 7};
    const std::vector<std::string> adapters{"10.0.0.5", "192.168.1.20", "192.168.10.3"};
    EXPECT_EQ(cutAfterLastDot("192.168.1.20"), "192.168.1.");
    EXPECT_EQ(cutAfterLastDot("nodots"), "");
    EXPECT_EQ(localAddressFor(device, adapters, std::nullopt), "192.168.1.20");
    EXPECT_EQ(localAddressFor(device, adapters, 1), "192.168.1.20");
    EXPECT_FALSE(localAddressFor(device, adapters, 0));
    EXPECT_FALSE(localAddressFor(device, adapters, 7));
    EXPECT_FALSE(localAddressFor({192, 168, 100, 7}, adapters, std::nullopt));
    EXPECT_FALSE(localAddressFor(device, {}, std::nullopt));
}
