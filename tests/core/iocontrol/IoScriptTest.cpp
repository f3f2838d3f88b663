#include <gtest/gtest.h>

#include "iocontrol/IoScript.h"

using namespace tavrel;

TEST(IoScript, ReadsEveryStepOfACommissioningScript) {
    const IoScript s = parseIoScript(
        "# board A\n"
        "connect tcp 192.168.1.120:502 modbus address 7\n"
        "expect model KB-08-00   # its name\n"
        "switch 3 on\n"
        "\n"
        "expect input 3 on within 500ms\n"
        "switch all off\n"
        "expect inputs 0x00 within 1s\n"
        "expect analog 1 between 1.0 and 2.0\n"
        "wait 200ms\n"
        "switch 5 on for 2.0s\n"
        "expect outputs 0xff\n"
        "connect udp 127.0.0.9:5020 local 127.0.0.1:0 within 3s\r\n"
        "connect listen 0.0.0.0:0\n");
    ASSERT_TRUE(s.errors.empty()) << s.errors.front().line << ": " << s.errors.front().message;
    ASSERT_EQ(s.steps.size(), 12u);
    const IoStep& c = s.steps[0];
    EXPECT_EQ(c.line, 2);
    EXPECT_EQ(c.connect.type, IoConnectionType::TcpClient);
    EXPECT_EQ(c.connect.endpoint.host, "192.168.1.120");
    EXPECT_EQ(c.connect.endpoint.port, 502);
    EXPECT_EQ(c.connect.protocol, IoProtocol::Modbus);
    EXPECT_EQ(c.connect.address, 7);
    EXPECT_EQ(s.steps[1].model, "KB-08-00");
    EXPECT_EQ(s.steps[1].text, "expect model KB-08-00");
    EXPECT_EQ(s.steps[3].line, 6);
    EXPECT_EQ(s.steps[3].kind, IoStepKind::ExpectInput);
    EXPECT_EQ(s.steps[3].channel, 3);
    EXPECT_TRUE(s.steps[3].on);
    EXPECT_EQ(s.steps[3].withinMs, 500u);
    EXPECT_EQ(s.steps[4].kind, IoStepKind::SwitchAll);
    EXPECT_FALSE(s.steps[4].on);
    EXPECT_EQ(s.steps[5].withinMs, 1000u);
    EXPECT_DOUBLE_EQ(s.steps[6].high, 2.0);
    EXPECT_FALSE(s.steps[6].withinMs);
    EXPECT_EQ(s.steps[7].durationMs, 200u);
    EXPECT_EQ(s.steps[8].kind, IoStepKind::SwitchFor);
    EXPECT_EQ(s.steps[8].durationMs, 2000u);
    EXPECT_EQ(s.steps[9].mask, 0xFFu);
    EXPECT_EQ(s.steps[10].connect.type, IoConnectionType::Udp);
    EXPECT_EQ(s.steps[10].connect.local.host, "127.0.0.1");
    EXPECT_EQ(s.steps[10].withinMs, 3000u);
    EXPECT_EQ(s.steps[11].connect.type, IoConnectionType::TcpServer);
}

TEST(IoScript, EveryFaultyLineIsReportedWithItsNumberAndNoStepsRun) {
    // Each with the words that say what is wrong and, where there is one, the word at fault.
    const std::pair<const char*, const char*> bad[] = {
        {"switch 33 on", "a channel number from 1 to 32, not '33'"},
        {"switch 0 on", "a channel number from 1 to 32, not '0'"},
        {"switch 3 maybe", "on or off, not 'maybe'"},
        {"switch 3 on for 2", "a time such as 500ms or 1.5s, not '2'"},
        {"switch 3 on for", "a time such as 500ms or 1.5s, not ''"},
        {"switch 3 on until 2s", "unexpected 'until'"},
        {"switch all", "on or off, not ''"},
        {"expect input 3 on within", "a time such as 500ms or 1.5s, not ''"},
        {"expect input 3 on by 1s", "unexpected 'by'"},
        {"expect input 3 on within 1s now", "unexpected 'now'"},
        {"expect inputs 5", "a hexadecimal mask such as 0x05 (bit 0 is channel 1)"},
        {"expect inputs 0x1FFFFFFFF", "a hexadecimal mask such as 0x05 (bit 0 is channel 1)"},
        {"expect analog 9 between 1 and 2", "an analog channel from 1 to 8"},
        {"expect analog 1 between 2 and 1", "the low bound is above the high one"},
        {"expect analog 1 between x and 2", "expect analog N between LOW and HIGH (volts)"},
        {"expect analog 1 between", "expect analog N between LOW and HIGH (volts)"},
        {"expect analog 1 between 1 and", "expect analog N between LOW and HIGH (volts)"},
        {"expect analog 1 from 1 to 2", "expect analog N between LOW and HIGH (volts)"},
        {"expect model", "expect model TEXT"},
        {"expect model A B", "expect model TEXT"},
        {"expect colour red", "expect model|input|inputs|output|outputs|analog, not 'colour'"},
        {"wait", "a time such as 500ms or 1.5s, not ''"},
        {"wait 5", "a time such as 500ms or 1.5s, not '5'"},
        {"wait -1s", "a time such as 500ms or 1.5s, not '-1s'"},
        {"wait 2h", "a time such as 500ms or 1.5s, not '2h'"},
        {"wait 3601s", "a time such as 500ms or 1.5s, not '3601s'"},
        {"wait 1e3ms", "a time such as 500ms or 1.5s, not '1e3ms'"},
        {"connect tcp 192.168.1.120", "an IPv4 address and port such as 192.168.1.120:502, not '192.168.1.120'"},
        {"connect tcp 300.1.1.1:502", "an IPv4 address and port such as 192.168.1.120:502, not '300.1.1.1:502'"},
        {"connect tcp 10.0.0.1:0", "an IPv4 address and port such as 192.168.1.120:502, not '10.0.0.1:0'"},
        {"connect serial /dev/ttyS0", "connect tcp|udp|listen ADDRESS:PORT, not 'serial'"},
        {"connect tcp 10.0.0.1:502 address 256", "a board address from 1 to 255"},
        {"connect tcp 10.0.0.1:502 address 0", "a board address from 1 to 255"},
        {"connect tcp 10.0.0.1:502 local 1.2.3.4:5", "unexpected 'local'"},
        {"connect tcp 10.0.0.1:502 address", "a board address from 1 to 255"},
        {"connect udp 10.0.0.1:502 local", "local ADDRESS:PORT of the UDP socket"},
        {"connect udp 10.0.0.1:502 local 10.0.0.2", "local ADDRESS:PORT of the UDP socket"},
        {"connect tcp 10.0.0.1:502 within", "a time such as 500ms or 1.5s, not ''"},
        {"jump 3", "unknown step 'jump' (connect, expect, switch, wait)"},
    };
    for (const auto& [line, message] : bad) {
        const IoScript s = parseIoScript(std::string("connect tcp 127.0.0.2:502\n\n") + line + "\nwait 1s\n");
        ASSERT_EQ(s.errors.size(), 1u) << line;
        EXPECT_EQ(s.errors[0].line, 3) << line;
        EXPECT_EQ(s.errors[0].message, message) << line;
    }
    // The word that does not belong is named.
    for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
             {"jump 3", "unknown step 'jump' (connect, expect, switch, wait)"},
             {"connect tcp", "an IPv4 address and port such as 192.168.1.120:502, not ''"},
             {"connect tcp 10.0.0.1", "an IPv4 address and port such as 192.168.1.120:502, not '10.0.0.1'"},
             {"connect pipe 10.0.0.1:5", "connect tcp|udp|listen ADDRESS:PORT, not 'pipe'"},
             {"expect colour", "expect model|input|inputs|output|outputs|analog, not 'colour'"},
             {"expect", "expect model|input|inputs|output|outputs|analog, not ''"},
             {"switch", "a channel number from 1 to 32, not ''"},
             {"expect input", "a channel number from 1 to 32, not ''"}}) {
        const IoScript s = parseIoScript("connect tcp 127.0.0.2:502\n" + line + "\n");
        ASSERT_EQ(s.errors.size(), 1u) << line;
        EXPECT_EQ(s.errors[0].message, message);
    }
    const IoScript stray = parseIoScript("connect tcp 127.0.0.2:502\nswitch 3 on at 2s\n");
    ASSERT_EQ(stray.errors.size(), 1u);
    EXPECT_EQ(stray.errors[0].message, "unexpected 'at'");
    // A step that needs a board before any connect, and an empty script.
    const IoScript early = parseIoScript("wait 10ms\nswitch 1 on\nconnect tcp 127.0.0.2:502\n");
    ASSERT_EQ(early.errors.size(), 1u);
    EXPECT_EQ(early.errors[0].line, 2);
    EXPECT_EQ(early.errors[0].message, "no connect step before this one");
    const IoScript empty = parseIoScript("# nothing\n\n");
    ASSERT_EQ(empty.errors.size(), 1u);
    EXPECT_EQ(empty.errors[0].line, 0);
    EXPECT_EQ(empty.errors[0].message, "the script has no steps");
    // Two faults, two errors.
    EXPECT_EQ(parseIoScript("connect tcp 127.0.0.2:1\nswitch 40 on\nwait x\n").errors.size(), 2u);
}

TEST(IoScript, DurationsInMillisecondsAndSeconds) {
    EXPECT_EQ(parseIoDuration("500ms"), 500u);
    EXPECT_EQ(parseIoDuration("1s"), 1000u);
    EXPECT_EQ(parseIoDuration("2.5s"), 2500u);
    EXPECT_EQ(parseIoDuration("0.0015s"), 2u);
    EXPECT_EQ(parseIoDuration("3600s"), 3600000u);
    for (const char* bad : {"", "ms", "s", "5", "1.2.3s", "-1ms", "1 s", "nans", "3600001ms"})
        EXPECT_FALSE(parseIoDuration(bad)) << bad;
}

namespace {
IoStep stepOf(const std::string& line) {
    const IoScript s = parseIoScript("connect tcp 127.0.0.2:502\n" + line);
    EXPECT_TRUE(s.errors.empty()) << line;
    return s.steps.at(1);
}
template <class T>
T states(std::uint8_t count, std::uint32_t bits) {
    T t;
    t.count = count;
    for (int i = 0; i < count; ++i) t.on[static_cast<std::size_t>(i)] = (bits >> i) & 1u;
    return t;
}
}  // namespace

TEST(IoScript, RepliesMeetOrMissTheirStep) {
    const IoStep input3 = stepOf("expect input 3 on within 1s");
    EXPECT_EQ(checkReply(input3, states<InputStates>(8, 0b100), true).verdict, IoVerdict::Met);
    const IoStepCheck off = checkReply(input3, states<InputStates>(8, 0b001), true);
    EXPECT_EQ(off.verdict, IoVerdict::NotMet);
    EXPECT_EQ(off.seen, "input 3 off");
    EXPECT_EQ(checkReply(input3, states<InputStates>(2, 0b11), true).verdict, IoVerdict::NotMet);
    EXPECT_EQ(checkReply(input3, states<InputStates>(2, 0b11), true).seen, "only 2 inputs");
    // The third of three inputs is still there.
    EXPECT_EQ(checkReply(input3, states<InputStates>(3, 0b100), true).verdict, IoVerdict::Met);
    // An output reply says nothing about inputs.
    EXPECT_EQ(checkReply(input3, states<OutputStates>(8, 0b100), true).verdict, IoVerdict::Unrelated);

    EXPECT_EQ(stepOf("expect inputs 0x5").mask, 0x5u);  // one digit is a mask too
    const IoStep mask = stepOf("expect inputs 0x05");
    EXPECT_EQ(checkReply(mask, states<InputStates>(8, 0x05), true).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(mask, states<InputStates>(8, 0x07), true).seen, "inputs 0x07 of 8");
    EXPECT_EQ(checkReply(stepOf("expect outputs 0x0A"), states<OutputStates>(4, 0x0A), true).seen,
              "outputs 0x0A of 4");
    // A mask bit past the board's inputs can never hold.
    EXPECT_EQ(checkReply(stepOf("expect inputs 0x100"), states<InputStates>(8, 0), true).verdict,
              IoVerdict::NotMet);
    EXPECT_EQ(
        checkReply(stepOf("expect outputs 0xFFFFFFFF"), states<OutputStates>(32, 0xFFFFFFFF), true).verdict,
        IoVerdict::Met);

    const IoStep sw = stepOf("switch 3 on");
    EXPECT_EQ(checkReply(sw, OutputChanged{3, true}, true).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(sw, OutputChanged{3, false}, true).verdict, IoVerdict::NotMet);
    EXPECT_EQ(checkReply(sw, OutputChanged{4, true}, true).verdict, IoVerdict::Unrelated);
    // Some boards confirm with their output states.
    EXPECT_EQ(checkReply(sw, states<OutputStates>(8, 0b100), true).seen, "output 3 on");
    EXPECT_EQ(checkReply(sw, states<OutputStates>(8, 0b100), true).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(sw, states<OutputStates>(8, 0b1011), true).seen, "output 3 off");
    EXPECT_EQ(checkReply(sw, states<OutputStates>(2, 0b11), true).verdict, IoVerdict::Unrelated);
    EXPECT_EQ(checkReply(sw, states<InputStates>(8, 0b100), true).verdict, IoVerdict::Unrelated);
    // The switch back of a timed switch is judged by the state asked for then.
    EXPECT_EQ(checkReply(stepOf("switch 3 on for 1s"), OutputChanged{3, false}, false).verdict,
              IoVerdict::Met);
    const IoStep all = stepOf("switch all off");
    EXPECT_EQ(checkReply(all, AllOutputsWritten{8}, false).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(all, AllOutputsWritten{8}, false).seen, "all written");
    EXPECT_EQ(checkReply(all, states<OutputStates>(8, 0), false).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(all, states<OutputStates>(8, 1), false).verdict, IoVerdict::NotMet);
    EXPECT_EQ(checkReply(all, states<OutputStates>(8, 0x80), false).seen, "not every output off");
    EXPECT_EQ(checkReply(stepOf("switch all on"), states<OutputStates>(8, 0x7F), true).verdict, IoVerdict::NotMet);
    EXPECT_EQ(checkReply(stepOf("switch all on"), states<OutputStates>(8, 0xFF), true).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(all, states<OutputStates>(0, 0), false).verdict, IoVerdict::NotMet)
        << "a board that shows no outputs has not switched them";
    EXPECT_EQ(checkReply(all, states<InputStates>(8, 0), false).verdict, IoVerdict::Unrelated);

    AnalogValues analog;
    analog.values[0] = 1234;
    const IoStep a = stepOf("expect analog 1 between 1.0 and 2.0");
    EXPECT_EQ(stepOf("expect analog 2 between 1.5 and 1.5").high, 1.5);  // a range of one value
    EXPECT_EQ(checkReply(a, analog, true).verdict, IoVerdict::Met);
    EXPECT_EQ(checkReply(a, analog, true).seen, "analog 1 = 1.234 V");
    // Both ends of the range hold.
    for (auto [millivolts, verdict] : {std::pair{999, IoVerdict::NotMet},
                                       {1000, IoVerdict::Met},
                                       {2000, IoVerdict::Met},
                                       {2001, IoVerdict::NotMet}}) {
        analog.values[0] = static_cast<std::uint16_t>(millivolts);
        EXPECT_EQ(checkReply(a, analog, true).verdict, verdict) << millivolts;
    }
    EXPECT_EQ(checkReply(a, states<InputStates>(8, 0), true).verdict, IoVerdict::Unrelated);
    EXPECT_EQ(checkReply(stepOf("expect output 2 on"), analog, true).verdict, IoVerdict::Unrelated);

    // The query each expectation asks with; the analog board answers its input query with values.
    auto code = [](const IoStep& s, const char* model) {
        const auto q = stepQuery(s, IoProtocol::Custom, 1, model);
        return q ? int((*q)[3]) : -1;
    };
    EXPECT_EQ(code(input3, "KB-08-00"), 'R');
    EXPECT_EQ(code(mask, "KB-08-00"), 'R');
    EXPECT_EQ(code(input3, "1HMTK08"), -1);
    EXPECT_EQ(code(a, "1HMTK08"), 0x0C);
    EXPECT_EQ(code(a, "KB-08-00"), -1);
    EXPECT_EQ(code(stepOf("expect outputs 0x01"), "KB-08-00"), 'S');
    EXPECT_EQ(code(stepOf("expect output 2 off"), "KB-08-00"), 'S');
    EXPECT_EQ(code(sw, "KB-08-00"), -1);

    const IoStep model = stepOf("expect model KB-08-00");
    EXPECT_TRUE(modelMatches(model, "1HWTK08", "KB-08-00"));
    EXPECT_FALSE(modelMatches(model, "KB-16-00", "KB-16-00"));
}
