#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>

#include "protocol/Readout.h"
#include "protocol/Requests.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/ReplyHandler.h"
#include "protocol/WriteGuard.h"

using namespace tavrel;

namespace {

using Datagram = std::vector<std::uint8_t>;

Datagram frame(std::uint8_t op, std::uint8_t code, DeviceKey key,
               std::initializer_list<std::uint8_t> data = {}) {
    Datagram d(26, 0);
    d[0] = 'H', d[1] = ':', d[2] = op, d[3] = code;
    std::copy(data.begin(), data.end(), d.begin() + 4);
    d[20] = key[0], d[21] = key[1], d[22] = key[2];
    d[23] = static_cast<std::uint8_t>(std::accumulate(d.begin(), d.begin() + 23, 0));
    d[24] = 'E', d[25] = '.';
    return d;
}

// A serial server's search reply: firmware "V1" + two version digits, port-count character.
Datagram searchReply(DeviceKey key, const char* version, char ports) {
    return frame('R', 'P', key,
                 {'V', '1', std::uint8_t(version[0]), std::uint8_t(version[1]), 'Z', std::uint8_t(ports), 'V',
                  '1', 0});
}

const DeviceKey kKeyA{0x19, 0x00, 0x33};
const DeviceKey kKeyB{0x19, 0x00, 0x34};
const std::string kAddressA = "127.0.0.2";
const std::string kAddressB = "127.0.0.3";

// The reply codes a one-port server of version 42 answers its read-out with, from the catalogue.
const std::vector<std::uint8_t> kOnePortCodes = {81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 96, 152};

std::vector<int> subCodes(const Plan& plan) {
    std::vector<int> out;
    for (const auto& s : plan) out.push_back(s.bytes[3]);
    return out;
}

}  // namespace

TEST(ReadoutCompleteness, SearchReplySetsWhatIsExpected) {
    DeviceTable table;
    EXPECT_TRUE(table.progress(0).complete());  // an empty entry owes nothing
    // The entry held a packed-record board of this key before: nothing of that form stays.
    table[0].imagePresent = 1;
    table[0].form302 = 1;
    table[0].imageA.fill(7);
    handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    EXPECT_EQ(table[0].imagePresent, 0);
    EXPECT_EQ(table[0].form302, 0);
    EXPECT_EQ(std::count(table[0].imageA.begin(), table[0].imageA.end(), 0), std::ssize(table[0].imageA));
    EXPECT_FALSE(table.progress(0).complete());
    EXPECT_EQ(table.progress(0).missing(), kOnePortCodes);

    // The identity block repeats what the search reply said.
    for (std::uint8_t code : kOnePortCodes)
        if (code != 81 && code != 89 && code != 96)
            handleDatagram(table,
                           code == 85 ? frame('R', 85, kKeyA, {'V', '1', '4', '2', 'Z', '1', 'V', '1', 0})
                                      : frame('R', code, kKeyA),
                           kAddressA, 1111);
    EXPECT_EQ(table.progress(0).missing(), (std::vector<std::uint8_t>{81, 89, 96}));
    // The same device answering from another port is read again whole, and keeps what it gave.
    handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 2222);
    EXPECT_EQ(table.progress(0).missing(), (std::vector<std::uint8_t>{81, 89, 96}));
    // Both halves of one host are one group, named once.
    EXPECT_EQ(missingGroupNames(table.progress(0)),
              (std::vector<std::string>{"network", "port 2 remote host"}));

    Plan again = reRequestPlan(table.progress(0), kKeyA, 5000);
    EXPECT_EQ(subCodes(again), (std::vector<int>{2, 20, 21}));
    EXPECT_EQ(again[0].gapMs, 0);
    EXPECT_EQ(again[1].gapMs, 30);
    EXPECT_EQ(again[2].gapMs, 30);
    for (const Step& s : again) {
        EXPECT_EQ(s.bytes[2], 'R');
        EXPECT_EQ(s.bytes[4], 0xAA);
        EXPECT_EQ(Bytes(s.bytes).subspan(20, 3)[2], 0x33);
        EXPECT_EQ(s.destination, Destination::BroadcastReplyPort);
        EXPECT_EQ(s.replyPort, 5000);
    }
}

TEST(ReadoutCompleteness, EveryReadoutRequestHasItsOwnReplyCode) {
    Identity id;
    const char text[] = "V143Z8V1";
    std::copy_n(text, 8, id.bytes.begin());
    id.bytes[8] = 1;  // the extra Modbus timeout query too
    const Plan plan = readoutPlan(id, kKeyA, 1111);
    EXPECT_EQ(expectedReplies(plan).count(), plan.size());
    for (const Step& s : plan) {
        auto reply = replyCodeOfRequest(s.bytes[3]);
        ASSERT_TRUE(reply) << int(s.bytes[3]);
        EXPECT_EQ(requestOfReplyCode(*reply), s.bytes[3]);
    }
    EXPECT_FALSE(replyCodeOfRequest(1));  // the search is no block
    // The two numberings pair one to one over every code there is.
    for (int code = 0; code < 256; ++code)
        if (auto request = requestOfReplyCode(static_cast<std::uint8_t>(code))) {
            EXPECT_EQ(replyCodeOfRequest(*request), code) << code;
        }
    EXPECT_EQ(readoutGroupName(100), "port 3 remote host");
    EXPECT_EQ(readoutGroupName(117), "port 8 serial settings");
    EXPECT_EQ(readoutGroupName(146), "port 3 heartbeat data");
    EXPECT_EQ(readoutGroupName(157), "Modbus timeouts");
    // The device-wide blocks, named by their request, in both languages.
    const std::vector<std::tuple<std::uint8_t, std::string, std::string>> groups = {
        {subcode::kNetwork, "network", "网络参数"},
        {subcode::kMacMode, "MAC and address type", "MAC和地址类型"},
        {6, "identity", "版本信息"},
        {subcode::kAccount, "user and password", "用户名和密码"},
        {subcode::kIoOptions, "input options", "输入选项"},
        {subcode::kHeartbeatIntervals, "heartbeat intervals", "心跳间隔"},
        {subcode::kModbusTimeouts, "Modbus timeouts", "Modbus超时"},
        {subcode::kSerialBlock[1], "port 2 serial settings", "端口2串口参数"},
        {subcode::kRemoteHostSecond[7], "port 8 remote host", "端口8远程主机"},
    };
    for (const auto& [request, english, chinese] : groups) {
        const auto reply = replyCodeOfRequest(request);
        ASSERT_TRUE(reply) << int(request);
        EXPECT_EQ(readoutGroupName(*reply, 9), english);
        EXPECT_EQ(readoutGroupName(*reply, 4), chinese);
    }
    EXPECT_EQ(readoutGroupName(1, 9), "block 1");
    EXPECT_EQ(readoutGroupName(1, 4), "数据块 1");
}

TEST(ReadoutCompleteness, LateBlocksRefreshAShownDeviceOnce) {
    DeviceTable table;
    handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    // In the order the read-out asks for them, the network block lost.
    for (std::uint8_t code : {82, 83, 84, 85, 86, 87, 88, 89, 152, 90, 96}) {
        auto reply = frame('R', code, kKeyA);
        if (code == 85) reply = frame('R', code, kKeyA, {'V', '1', '4', '2', 'Z', '1', 'V', '1'});
        auto fx = handleDatagram(table, reply, kAddressA, 1111);
        EXPECT_FALSE(fx.deviceUpdated);
        EXPECT_EQ(fx.showDevice.has_value(), code == 96);
    }
    auto late = handleDatagram(table, frame('R', 81, kKeyA, {10, 0, 0, 7}), kAddressA, 1111);
    EXPECT_EQ(late.deviceUpdated, 0u);
    EXPECT_TRUE(table.progress(0).complete());
    EXPECT_EQ(ipv4Text(table[0].network.ip), "10.0.0.7");
    // A duplicate fills no gap.
    EXPECT_FALSE(handleDatagram(table, frame('R', 81, kKeyA, {10, 0, 0, 7}), kAddressA, 1111).deviceUpdated);
}

TEST(ReadoutCompleteness, AnotherDevicesKeyOverwritesNothing) {
    DeviceTable table;
    handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    handleDatagram(table, searchReply(kKeyB, "42", '1'), kAddressB, 1111);
    handleDatagram(table, frame('R', 81, kKeyB, {10, 0, 0, 3}), kAddressB, 1111);
    // Device A answers with B's key: B keeps its own block, and still owes nothing more for it.
    handleDatagram(table, frame('R', 81, kKeyB, {10, 0, 0, 2}), kAddressA, 1111);
    handleDatagram(table, frame('R', 82, kKeyB, {0, 0xCA, 0xC1, 0, 0, 2, 1}), kAddressA, 1111);
    EXPECT_EQ(ipv4Text(table[1].network.ip), "10.0.0.3");
    EXPECT_EQ(table[1].mac, Mac{});
    EXPECT_FALSE(table.progress(1).received.test(82));
    EXPECT_FALSE(table.progress(0).received.test(81));
}

TEST(ReadoutCompleteness, AnswersToWritesCarryTheirKey) {
    DeviceTable table;
    auto ack = handleDatagram(table, frame('W', 16, kKeyB), "127.0.0.9", 1111);
    EXPECT_EQ(ack.part2, StatusMessage::Saved);
    EXPECT_EQ(ack.answerKey, kKeyB);
    auto refusal = handleDatagram(table, frame('W', 17, kKeyA), "127.0.0.9", 1111);
    EXPECT_EQ(refusal.answerKey, kKeyA);
    auto broken = frame('W', 16, kKeyA);
    broken[23] ^= 1;
    EXPECT_FALSE(handleDatagram(table, broken, "127.0.0.9", 1111).answerKey);
    EXPECT_FALSE(handleDatagram(table, frame('R', 81, kKeyA), "127.0.0.9", 1111).answerKey);
}

TEST(ReadoutCompleteness, RepeatedSearchReplyReadsOnlyWhatAnIncompleteReadoutLacks) {
    DeviceTable table;
    EXPECT_EQ(handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111).readout.size(), 12u);
    handleDatagram(table, frame('R', 81, kKeyA), kAddressA, 1111);
    // While the read-out is under way, the repeated broadcast's answer asks for nothing.
    auto fx = handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    EXPECT_TRUE(fx.readout.empty());
    EXPECT_EQ(fx.addRow, 0u);
    EXPECT_TRUE(table.progress(0).received.test(81));
    // Over and incomplete: only the missing blocks are asked for.
    table.progress(0).reading = false;
    fx = handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    EXPECT_EQ(fx.readoutEntry, 0u);
    EXPECT_EQ(expectedReplies(fx.readout).count(), 11u);
    EXPECT_FALSE(expectedReplies(fx.readout).test(81));
    EXPECT_TRUE(table.progress(0).reading);
    // Over and complete: nothing.
    for (std::uint8_t code : kOnePortCodes)
        handleDatagram(table,
                       code == 85 ? frame('R', 85, kKeyA, {'V', '1', '4', '2', 'Z', '1', 'V', '1'})
                                  : frame('R', code, kKeyA),
                       kAddressA, 1111);
    table.progress(0).reading = false;
    EXPECT_TRUE(handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111).readout.empty());
    // Another device answering with the key changes nothing: the first one keeps it.
    fx = handleDatagram(table, searchReply(kKeyA, "43", '4'), kAddressB, 1111);
    EXPECT_FALSE(fx.addRow);
    EXPECT_EQ(table[0].sourceAddress, kAddressA);
    EXPECT_EQ(table.usedCount(), 1u);
    // Told to change itself and read again, the device may come back from another address.
    table.progress(0).answered = false;
    table.progress(0).received.reset();
    fx = handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressB, 1111);
    EXPECT_EQ(fx.readoutEntry, 0u);
    EXPECT_EQ(table[0].sourceAddress, kAddressB);
    EXPECT_TRUE(table.progress(0).answered);
    fx = handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    EXPECT_EQ(table[0].sourceAddress, kAddressB);
    table[0].sourceAddress = kAddressA;
    // Another firmware answering under the key from the same place: what it owes is asked again whole.
    handleDatagram(table, searchReply(kKeyA, "43", '4'), kAddressA, 2000);
    EXPECT_FALSE(table.progress(0).received.test(81));
    EXPECT_TRUE(table.progress(0).expected.test(102));
    table.clear();
    EXPECT_TRUE(table.progress(0).complete());
    EXPECT_FALSE(table.progress(0).received.any());
}

TEST(ReadoutCompleteness, ReRequestsGoOnWhileTheDeviceAnswersWithinTheirBudget) {
    ReadoutProgress progress;
    progress.expected.set(81);
    progress.expected.set(82);
    // A device that answers something every round is asked until its budget of rounds is spent.
    RetryRounds rounds;
    rounds.sent(progress, 12);
    int sent = 0;
    for (long long now = 0; ++progress.answers, rounds.another(progress, now); now += 400) {
        rounds.sent(progress, 2);
        ++sent;
    }
    EXPECT_EQ(sent, kReadoutRetryMaxRounds);
    // ... or of time, counted from the read-out's end.
    rounds = RetryRounds{};
    rounds.readoutEndMs = 1000;
    ++progress.answers;
    EXPECT_TRUE(rounds.another(progress, 1000 + kReadoutRetryBudgetMs - 1));
    ++progress.answers;
    EXPECT_FALSE(rounds.another(progress, 1000 + kReadoutRetryBudgetMs));
    // A device that has stopped answering is not asked for long; one that is complete not at all.
    rounds = RetryRounds{};
    rounds.sent(progress, 3);
    sent = 0;
    while (rounds.another(progress, 0)) {
        rounds.sent(progress, 1);
        ++sent;
    }
    EXPECT_EQ(sent, kUnansweredRequestsGone - 3);
    progress.received = progress.expected;
    rounds = RetryRounds{};
    ++progress.answers;
    EXPECT_FALSE(rounds.another(progress, 0));
}

TEST(ReadoutCompleteness, PackedRecordsAreWholeByThemselves) {
    DeviceTable table;
    handleDatagram(table, searchReply(kKeyA, "42", '1'), kAddressA, 1111);
    Datagram packed(250, 0);
    packed[0] = 'H', packed[1] = ':', packed[2] = 'R', packed[3] = 0x01;
    packed[244] = kKeyA[0], packed[245] = kKeyA[1], packed[246] = kKeyA[2];
    auto fx = handleDatagram(table, packed, kAddressA, 1111);
    EXPECT_EQ(fx.showDevice, 0u);
    EXPECT_TRUE(table.progress(0).complete());
}

// The guard before a write: a whole read-out passes; a device that changed itself and has not
// answered since is "all settings" unknown, named in the language asked for; --force lets either pass.
TEST(ReadoutCompleteness, TheWriteGuardNamesWhatIsNotKnown) {
    ReadoutProgress whole;
    whole.expected.set(81);
    whole.receive(81);
    const WriteCheck passes = checkWrite(whole, 9);
    EXPECT_TRUE(passes.whole);
    EXPECT_TRUE(passes.missingGroups.empty());
    EXPECT_TRUE(passes.allows(false));

    // A block that never came is named by its group.
    ReadoutProgress partial = whole;
    partial.expected.set(*replyCodeOfRequest(subcode::kMacMode));
    const WriteCheck lacking = checkWrite(partial, 9);
    EXPECT_FALSE(lacking.whole);
    EXPECT_EQ(lacking.missingGroups, std::vector<std::string>{"MAC and address type"});

    ReadoutProgress changed = whole;
    changed.answered = false;
    const WriteCheck english = checkWrite(changed, 9);
    EXPECT_FALSE(english.allows(false));
    EXPECT_TRUE(english.allows(true));
    EXPECT_EQ(english.missingGroups, std::vector<std::string>{"all settings"});
    EXPECT_EQ(checkWrite(changed, 4).missingGroups, std::vector<std::string>{"全部参数"});
    EXPECT_EQ(incompleteWriteRefusal(english, WriteKind::Save),
              "some settings of this device were not read (all settings); saving could overwrite them with empty "
              "values. Nothing was sent; search again, or add --force to save anyway");
    EXPECT_EQ(incompleteWriteRefusal(lacking, WriteKind::Export),
              "some settings of this device were not read (MAC and address type); the profile would hold empty "
              "values for them. Nothing was written; search again, or add --force to export anyway");

    // Two groups, joined as each language joins a list.
    WriteCheck two;
    two.whole = false;
    two.missingGroups = {"A", "B"};
    UiTexts en, zh;
    en.load(Language::English);
    zh.load(Language::Chinese);
    EXPECT_NE(incompleteWriteQuestion(two, WriteKind::Save, en).find("A, B"), std::string::npos);
    EXPECT_NE(incompleteWriteQuestion(two, WriteKind::Save, zh).find("A、B"), std::string::npos);
}
