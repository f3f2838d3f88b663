#include <gtest/gtest.h>

#include <algorithm>

#include <functional>

#include "timing/ConfigImage.h"
#include "timing/PackedWrite.h"

namespace tavrel {
namespace {

// Every field a value of its own, so a field written to its neighbour's place or in the wrong byte
// order shows.
DeviceRecord imageBoard(bool form866) {
    DeviceRecord d;
    d.inUse = 1;
    d.key = {0x19, 0x00, 0x33};
    d.imagePresent = 1;
    d.form866 = form866 ? 1 : 0;
    d.replyPort = 1111;
    d.ipType = 1;
    d.network = {{192, 168, 1, 7}, {255, 255, 254, 0}, {192, 168, 1, 1}, {8, 8, 4, 4}};
    d.mac = {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33};
    setText(d.user, "admin");
    setText(d.password, "pw#3");
    d.ioOptions = {1, 0};
    d.ports[0].baudRate = 11;  // "115200"
    d.ports[0].dataBits = 8;
    d.ports[0].parity = 3;
    d.ports[0].stopBits = 2;
    d.ports[0].workMode = 4;
    d.ports[0].remotePort = 0x1234;
    d.ports[0].localPort = 502;
    d.ports[0].modbus = 2;
    d.ports[0].modbusTimeout = 1000;
    d.ports[0].heartbeatInterval = 0x2A1B7;
    setText(d.ports[0].heartbeatData, "beat");
    std::span<std::uint8_t> img =
        form866 ? std::span<std::uint8_t>(d.imageB) : std::span<std::uint8_t>(d.imageA);
    img[300] = 0x5A;  // a byte no field names, carried as read
    return d;
}

// The longest host the field holds, every byte of it different.
const std::string kLongestHost = "abcdefghijklmnopqrstuvwxyz012345";

PackedWriteInput input(const DeviceRecord& d) {
    PackedWriteInput in = packedWriteInputOf(d);
    in.rs485Address = "17";
    in.remoteHost = kLongestHost;
    return in;
}

void put(Frame& f, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
}

void put(Frame& f, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
}

// The key, a checksum of all before it, and the end marks.
void closeFrame(Frame& f) {
    const std::size_t n = f.size();
    put(f, n - 6, {0x19, 0x00, 0x33});
    unsigned sum = 0;
    for (std::size_t i = 0; i < n - 3; ++i) sum += f[i];
    put(f, n - 3, {static_cast<std::uint8_t>(sum), 'E', '.'});
}

void expectSameBytes(const Frame& got, const Frame& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(int(got[i]), int(want[i])) << "byte " << i;
}

// The 830 and 866 forms: image fields at their offsets after the four header bytes.
Frame expectedImageFrame(std::size_t length) {
    Frame f(length, 0);
    put(f, 0, {'H', ':', 'W', 0x00});
    const std::size_t p = 4;
    put(f, p + 0, {0x00, 0xC2, 0x01, 0x00});  // 115200, little-endian
    put(f, p + 4, {8, 3, 2});
    put(f, p + 8, {4});
    put(f, p + 10, {0x34, 0x12});
    put(f, p + 16, {0xF6, 0x01});
    put(f, p + 18, {2});
    put(f, p + 19, kLongestHost);
    put(f, p + 52, {192, 168, 1, 7, 192, 168, 1, 1, 255, 255, 254, 0, 8, 8, 4, 4, 1});
    put(f, p + 72, {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33});
    put(f, p + 94, "admin");
    put(f, p + 102, "pw#3");
    put(f, p + 125, {17});
    put(f, p + 167, "beat");
    put(f, p + 184, {0xB7, 0xA1});  // low 16 bits of the heartbeat interval
    put(f, p + 191, {1, 0});
    put(f, p + 200, {0xE8, 0x03});
    put(f, p + 300, {0x5A});
    return f;
}

const Frame& onlyFrame(const CommandOutcome& out) {
    EXPECT_EQ(out.plan.size(), 1u);
    return out.plan.front().bytes;
}

TEST(PackedWrite, Form830FrameLayout) {
    DeviceRecord d = imageBoard(false);
    const CommandOutcome out = packedWriteCommand(&d, input(d), false, 9);
    ASSERT_EQ(out.status, CommandStatus::Ready);
    EXPECT_TRUE(out.showSending);
    ASSERT_EQ(out.plan.size(), 1u);
    const Step& step = out.plan.front();
    EXPECT_EQ(step.gapMs, 100);
    EXPECT_EQ(step.destination, Destination::BroadcastReplyPort);
    EXPECT_EQ(step.replyPort, 1111);
    Frame want = expectedImageFrame(830);
    closeFrame(want);
    expectSameBytes(step.bytes, want);
}

TEST(PackedWrite, SetClockFlagTravelsInByte791) {
    DeviceRecord d = imageBoard(false);
    setClock(d, boardClockOf({2031, 4, 27, 13, 42, 5}));
    const Frame f = onlyFrame(packedWriteCommand(&d, input(d), true, 9));
    // Second, minute, hour, weekday (a Sunday is 7), day, month, year less 2000; then the flag.
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 4 + 780, f.begin() + 4 + 788)),
              (std::vector<std::uint8_t>{5, 42, 13, 7, 27, 4, 31, 1}));
    EXPECT_EQ(onlyFrame(packedWriteCommand(&d, input(d), false, 9))[791], 0);
}

TEST(PackedWrite, Form866CarriesImageBWithCloudAndItsOwnClockFlag) {
    DeviceRecord d = imageBoard(true);
    PackedWriteInput in = input(d);
    in.cloudId = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    in.cloudPassword = "pass1234";
    in.cloud = true;
    setClock(d, boardClockOf({2029, 11, 3, 21, 8, 57}));
    const Frame f = onlyFrame(packedWriteCommand(&d, in, true, 9));
    Frame want = expectedImageFrame(866);
    put(want, 4 + 780, {57, 8, 21, 6, 3, 11, 29, 1});  // the clock went to image B, which this form sends
    put(want, 4 + 788, {1});
    put(want, 4 + 789, "ABCDEFGHIJKLMNOPQRST");
    put(want, 4 + 809, "pass1234");
    closeFrame(want);
    expectSameBytes(f, want);
    EXPECT_EQ(textOf(d.ports[0].cloudId), "ABCDEFGHIJKLMNOPQRST");
}

TEST(PackedWrite, Form302PayloadKeepsTheBoardsInputOptions) {
    DeviceRecord d = imageBoard(false);
    d.form302 = 1;
    d.ioOptions = {1, 1};
    d.wifiMode = 2;
    setText(d.apSsid, "AP-0123456789abcdefghijklmnopqrs");  // reported whole, goes back whole
    setText(d.apPassword, "ap-pass-1234567");
    setText(d.staSsid, "plant-floor");
    setText(d.staPassword, "sta-pw");
    setText(d.ports[0].heartbeatData, "0123456789ABCDEF");
    d.ports[0].portFlag = 9;
    d.ports[0].portValue = 0x0102;
    d.ports[0].cloud = 1;
    setText(d.ports[0].cloudId, "CID-0042");
    setText(d.ports[0].cloudPassword, "cpw12345");
    d.identity.bytes[0] = 'V';  // the identity block is not sent back
    PackedWriteInput in = input(d);
    in.network.outputFollow = false;
    const Frame f = onlyFrame(packedWriteCommand(&d, in, false, 9));

    Frame want(302, 0);
    put(want, 0, {'H', ':', 'W', 0x02});
    const std::size_t p = 4;
    put(want, p + 0, {0x55, 2});
    put(want, p + 2, "AP-0123456789abcdefghijklmnopqrs");
    put(want, p + 34, "ap-pass-1234567");
    put(want, p + 50, "sta-pw");
    put(want, p + 66, "plant-floor");
    put(want, p + 98, {192, 168, 1, 7, 255, 255, 254, 0, 192, 168, 1, 1, 8, 8, 4, 4});
    put(want, p + 114, {0x00, 0xCA, 0xC1, 0x19, 0x00, 0x33, 1});
    put(want, p + 121, "admin");
    put(want, p + 129, "pw#3");
    put(want, p + 154, {11, 3, 8, 2, 4});  // the baud rate as its list position
    put(want, p + 160, {0x34, 0x12, 0xF6, 0x01, 9, 0, 0x02, 0x01});
    put(want, p + 168, kLongestHost);
    put(want, p + 200, "0123456789ABCDE");  // the last byte of the field is always zero
    put(want, p + 216, {0xB7, 0xA1, 2, 0, 0xE8, 0x03, 2, 0, 0, 2, 0, 0, 17});
    put(want, p + 251, {1});
    put(want, p + 252, "CID-0042");
    put(want, p + 272, "cpw12345");
    closeFrame(want);
    expectSameBytes(f, want);
    EXPECT_EQ(d.ioOptions, (std::array<std::uint8_t, 2>{1, 1}));
}

TEST(PackedWrite, RefusalsChangeAndSendNothing) {
    DeviceRecord d = imageBoard(false);
    const DeviceRecord before = d;
    PackedWriteInput in = input(d);
    in.remoteHost = kLongestHost + "6";
    CommandOutcome out = packedWriteCommand(&d, in, false, 9);
    EXPECT_EQ(out.status, CommandStatus::Refused);
    EXPECT_EQ(out.message, "无效的网址！");
    in = input(d);
    in.network.mac = "00-CA-C1-19-00";
    EXPECT_EQ(packedWriteCommand(&d, in, false, 9).status, CommandStatus::Refused);
    in = input(d);
    for (const char* bad : {"256", "", "1x", "-1"}) {
        in.rs485Address = bad;
        out = packedWriteCommand(&d, in, false, 4);
        EXPECT_EQ(out.status, CommandStatus::Refused) << bad;
        EXPECT_EQ(out.message, "请输入0-255的数字！");
    }
    EXPECT_EQ(d, before);
    EXPECT_EQ(packedWriteCommand(nullptr, in, false, 9).status, CommandStatus::NoDevice);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST(PackedWriteCheck, NamesTheFieldsTheBoardDidNotTake) {
    DeviceRecord written = imageBoard(true);
    ASSERT_EQ(packedWriteCommand(&written, input(written), false, 9).status, CommandStatus::Ready);
    DeviceRecord readBack = written;
    EXPECT_TRUE(packedWriteDifferences(written, readBack).empty());
    readBack.imageB[image::kClock] ^= 1;  // the clock has run on
    readBack.imageB[image::kSetClockFlag] = 0;
    EXPECT_TRUE(packedWriteDifferences(written, readBack).empty());
    readBack.imageB[image::kMac + 2] ^= 1;
    readBack.imageB[image::kCloudId] ^= 1;
    EXPECT_EQ(packedWriteDifferences(written, readBack), (std::vector<std::string>{"mac", "cloud id"}));
    readBack.form866 = 0;
    EXPECT_EQ(packedWriteDifferences(written, readBack), (std::vector<std::string>{"form"}));

    DeviceRecord w302 = imageBoard(false);
    w302.form302 = 1;
    setText(w302.staSsid, std::string(32, 'S'));
    DeviceRecord r302 = w302;
    EXPECT_TRUE(packedWriteDifferences(w302, r302).empty());
    setText(r302.staSsid, std::string(31, 'S'));  // the board cut what it was sent
    EXPECT_EQ(packedWriteDifferences(w302, r302), (std::vector<std::string>{"sta ssid"}));
    r302.staSsid = w302.staSsid;
    r302.ports[0].remotePort ^= 1;
    EXPECT_EQ(packedWriteDifferences(w302, r302), (std::vector<std::string>{"remote port"}));
    // A stored frame (an undo's record) against the device as it is now, the same way.
    EXPECT_EQ(packedFrameDifferences(packedWriteFrame(w302, PackedForm::Form302), r302),
              (std::vector<std::string>{"remote port"}));
    EXPECT_TRUE(packedFrameDifferences(packedWriteFrame(written, PackedForm::Form866), written).empty());
}

// Each field of the 302-byte record, changed at its first or its last byte on the wire, is named alone.
TEST(PackedWriteCheck, Each302FieldIsNamedFromItsFirstToItsLastByte) {
    DeviceRecord w = imageBoard(false);
    w.form302 = 1;
    w.wifiMode = 1;
    PortRecord& port = w.ports[0];
    auto fill = [](auto& text, char c, std::size_t n) { std::fill_n(text.begin(), n, c); };
    fill(w.apSsid, 'a', 32);
    fill(w.apPassword, 'b', 16);
    fill(w.staPassword, 'c', 16);
    fill(w.staSsid, 'd', 32);
    fill(w.user, 'u', 8);
    fill(w.password, 'p', 8);
    fill(port.remoteHost, 'h', 32);
    fill(port.heartbeatData, 'e', 15);  // its 16th byte goes out as zero
    fill(port.cloudId, 'i', 20);
    fill(port.cloudPassword, 'j', 8);
    using Edit = std::function<void(DeviceRecord&, PortRecord&)>;
    const std::vector<std::pair<std::string, Edit>> edits = {
        {"wifi mode", [](DeviceRecord& r, PortRecord&) { r.wifiMode = 2; }},
        {"ap ssid", [](DeviceRecord& r, PortRecord&) { r.apSsid[0] = 'x'; }},
        {"ap ssid", [](DeviceRecord& r, PortRecord&) { r.apSsid[31] = 'x'; }},
        {"ap password", [](DeviceRecord& r, PortRecord&) { r.apPassword[0] = 'x'; }},
        {"ap password", [](DeviceRecord& r, PortRecord&) { r.apPassword[15] = 'x'; }},
        {"sta password", [](DeviceRecord& r, PortRecord&) { r.staPassword[0] = 'x'; }},
        {"sta password", [](DeviceRecord& r, PortRecord&) { r.staPassword[15] = 'x'; }},
        {"sta ssid", [](DeviceRecord& r, PortRecord&) { r.staSsid[0] = 'x'; }},
        {"sta ssid", [](DeviceRecord& r, PortRecord&) { r.staSsid[31] = 'x'; }},
        {"network", [](DeviceRecord& r, PortRecord&) { r.network.ip[0] ^= 1; }},
        {"network", [](DeviceRecord& r, PortRecord&) { r.network.dns[3] ^= 1; }},
        {"mac and ip type", [](DeviceRecord& r, PortRecord&) { r.mac[0] ^= 1; }},
        {"mac and ip type", [](DeviceRecord& r, PortRecord&) { r.ipType = 2; }},
        {"account", [](DeviceRecord& r, PortRecord&) { r.user[0] = 'x'; }},
        {"account", [](DeviceRecord& r, PortRecord&) { r.password[7] = 'x'; }},
        {"serial settings", [](DeviceRecord&, PortRecord& p) { p.baudRate ^= 1; }},
        {"serial settings", [](DeviceRecord&, PortRecord& p) { p.workMode ^= 1; }},
        {"remote port", [](DeviceRecord&, PortRecord& p) { p.remotePort ^= 0x0001; }},
        {"remote port", [](DeviceRecord&, PortRecord& p) { p.remotePort ^= 0x0100; }},
        {"local port", [](DeviceRecord&, PortRecord& p) { p.localPort ^= 0x0001; }},
        {"local port", [](DeviceRecord&, PortRecord& p) { p.localPort ^= 0x0100; }},
        {"remote host", [](DeviceRecord&, PortRecord& p) { p.remoteHost[0] = 'x'; }},
        {"remote host", [](DeviceRecord&, PortRecord& p) { p.remoteHost[31] = 'x'; }},
        {"heartbeat data", [](DeviceRecord&, PortRecord& p) { p.heartbeatData[0] = 'x'; }},
        {"heartbeat data", [](DeviceRecord&, PortRecord& p) { p.heartbeatData[14] = 'x'; }},
        {"heartbeat interval", [](DeviceRecord&, PortRecord& p) { p.heartbeatInterval ^= 0x0001; }},
        {"heartbeat interval", [](DeviceRecord&, PortRecord& p) { p.heartbeatInterval ^= 0x0100; }},
        {"modbus", [](DeviceRecord&, PortRecord& p) { p.modbus = 1; }},
        {"modbus timeout", [](DeviceRecord&, PortRecord& p) { p.modbusTimeout ^= 0x0001; }},
        {"modbus timeout", [](DeviceRecord&, PortRecord& p) { p.modbusTimeout ^= 0x0100; }},
        {"rs485 address", [](DeviceRecord& r, PortRecord&) { r.rs485Address ^= 1; }},
        {"cloud", [](DeviceRecord&, PortRecord& p) { p.cloud = 2; }},
        {"cloud id", [](DeviceRecord&, PortRecord& p) { p.cloudId[0] = 'x'; }},
        {"cloud id", [](DeviceRecord&, PortRecord& p) { p.cloudId[19] = 'x'; }},
        {"cloud password", [](DeviceRecord&, PortRecord& p) { p.cloudPassword[0] = 'x'; }},
        {"cloud password", [](DeviceRecord&, PortRecord& p) { p.cloudPassword[7] = 'x'; }},
    };
    for (const auto& [name, edit] : edits) {
        DeviceRecord readBack = w;
        edit(readBack, readBack.ports[0]);
        EXPECT_EQ(packedWriteDifferences(w, readBack), std::vector<std::string>{name}) << name;
    }
}

// Each byte of image B a board could fail to take, changed alone, is named by the one field that
// holds it in the board's layout; bytes outside every written field (the clock among them) never are.
TEST(PackedWriteCheck, EveryImageByteIsNamedByItsOwnFieldOnly) {
    struct Field {
        const char* name;
        std::size_t at, width;
    };
    const Field layout[] = {
        {"baud rate", 0, 4},
        {"data bits", 4, 1},
        {"parity", 5, 1},
        {"stop bits", 6, 1},
        {"work mode", 8, 1},
        {"remote port", 10, 2},
        {"local port", 16, 2},
        {"modbus", 18, 1},
        {"remote host", 19, 32},
        {"ip address", 52, 4},
        {"gateway", 56, 4},
        {"subnet mask", 60, 4},
        {"dns", 64, 4},
        {"ip type", 68, 1},
        {"mac", 72, 6},
        {"user", 94, 8},
        {"password", 102, 8},
        {"rs485 address", 125, 1},
        {"heartbeat data", 167, 16},
        {"heartbeat interval", 184, 2},
        {"input options", 191, 2},
        {"modbus timeout", 200, 2},
        {"schedules", 204, 8 * 18},
        {"cloud", 788, 1},
        {"cloud id", 789, 20},
        {"cloud password", 809, 8},
    };
    // The 830 form has the same layout in its own image, without the cloud fields.
    for (const bool form866 : {true, false}) {
        DeviceRecord written = imageBoard(form866);
        ASSERT_EQ(packedWriteCommand(&written, input(written), false, 9).status, CommandStatus::Ready);
        const std::size_t size = form866 ? written.imageB.size() : written.imageA.size();
        for (std::size_t at = 0; at < size; ++at) {
            DeviceRecord readBack = written;
            (form866 ? readBack.imageB.data() : readBack.imageA.data())[at] ^= 0x5A;
            std::vector<std::string> expected;
            for (const Field& f : layout)
                if (at >= f.at && at < f.at + f.width &&
                    (form866 || !std::string_view(f.name).starts_with("cloud")))
                    expected.emplace_back(f.name);
            EXPECT_EQ(packedWriteDifferences(written, readBack), expected) << form866 << " byte " << at;
        }
    }
}

}  // namespace
}  // namespace tavrel
