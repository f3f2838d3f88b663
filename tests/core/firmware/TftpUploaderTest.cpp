#include "firmware/TftpUploader.h"

#include <gtest/gtest.h>

#include <numeric>

#include "firmware/FirmwareFile.h"
#include "texts/FixedTexts.h"

namespace tavrel {
namespace {

const TftpEndpoint kTarget{"10.0.0.7", 69};
const TftpEndpoint kTransferPort{"10.0.0.7", 50123};

std::vector<std::uint8_t> v(Bytes b) {
    return {b.begin(), b.end()};
}

std::shared_ptr<const std::vector<std::uint8_t>> imageOf(std::size_t size) {
    auto image = std::make_shared<std::vector<std::uint8_t>>(size);
    for (std::size_t i = 0; i < size; ++i) image->at(i) = static_cast<std::uint8_t>(i * 7 + i / 256);
    return image;
}

std::vector<std::uint8_t> ack(std::uint16_t block) {
    return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
}

// The DATA packet's block number and payload, read independently of the builder.
struct Data {
    std::uint16_t block = 0;
    std::vector<std::uint8_t> payload;
};
Data readData(Bytes packet) {
    EXPECT_GE(packet.size(), 4u);
    EXPECT_EQ(packet[0], 0);
    EXPECT_EQ(packet[1], 3);
    return {static_cast<std::uint16_t>(packet[2] << 8 | packet[3]), {packet.begin() + 4, packet.end()}};
}

// Runs a whole transfer with a device that acknowledges every block; returns the payload sizes.
std::vector<std::size_t> blockSizes(std::size_t fileSize, std::vector<std::uint8_t>* received = nullptr) {
    TftpUploader up;
    up.start("C:\\fw\\image.bin", imageOf(fileSize), kTarget);
    std::vector<std::size_t> sizes;
    UploadStep step = up.receive(ack(0), kTransferPort);
    while (!step.send.empty()) {
        const Data d = readData(step.send);
        EXPECT_EQ(d.block, sizes.size() + 1);
        sizes.push_back(d.payload.size());
        if (received) received->insert(received->end(), d.payload.begin(), d.payload.end());
        step = up.receive(ack(d.block), kTransferPort);
    }
    EXPECT_EQ(step.ended, UploadResult::Completed);
    EXPECT_EQ(up.result(), UploadResult::Completed);
    return sizes;
}

TEST(TftpPackets, WriteRequestBytesAndLengthLimit) {
    const auto wrq = tftpWriteRequest("abcdef", 123456);
    ASSERT_TRUE(wrq);
    const std::string expected(
        "\0\2abcdef\0octet\0tsize\0"
        "123456\0",
        28);
    EXPECT_EQ(std::string(wrq->begin(), wrq->end()), expected);

    // 16 bytes of frame, the name and the size's digits must fit in 255.
    EXPECT_TRUE(tftpWriteRequest(std::string(231, 'n'), kFirmwareMaxBytes));
    EXPECT_EQ(tftpWriteRequest(std::string(231, 'n'), kFirmwareMaxBytes)->size(), 255u);
    EXPECT_FALSE(tftpWriteRequest(std::string(232, 'n'), kFirmwareMaxBytes));
    EXPECT_FALSE(tftpWriteRequest("", 10));
    EXPECT_FALSE(tftpWriteRequest(std::string("a\0b", 3), 10));
}

TEST(TftpPackets, RepliesShorterThanTheirFieldsAreNotRead) {
    const auto full = ack(1);
    for (std::size_t n = 0; n < 4; ++n) EXPECT_FALSE(parseTftpReply(Bytes(full).first(n))) << n;
    EXPECT_FALSE(parseTftpReply(std::vector<std::uint8_t>{0, 5, 0}));
    EXPECT_EQ(parseTftpReply(std::vector<std::uint8_t>{0, 6})->kind, TftpReply::Kind::OptionAck);
    EXPECT_EQ(parseTftpReply(std::vector<std::uint8_t>{0, 3, 0, 1})->kind, TftpReply::Kind::Other);
    EXPECT_EQ(parseTftpReply(ack(0x1234))->block, 0x1234);
}

TEST(TftpUploader, BlocksOfEachFileSize) {
    EXPECT_EQ(blockSizes(1000), (std::vector<std::size_t>{512, 488}));
    EXPECT_EQ(blockSizes(1024), (std::vector<std::size_t>{512, 512, 0}));
    EXPECT_EQ(blockSizes(300), (std::vector<std::size_t>{300}));
    EXPECT_EQ(blockSizes(0), (std::vector<std::size_t>{0}));
    std::vector<std::uint8_t> received;
    blockSizes(5000, &received);
    EXPECT_EQ(received, *imageOf(5000));
}

TEST(TftpUploader, LargestImageGoesWhole) {
    std::vector<std::uint8_t> received;
    const auto sizes = blockSizes(kFirmwareMaxBytes, &received);
    EXPECT_EQ(sizes.size(), 61441u);
    EXPECT_EQ(sizes.back(), 0u);
    EXPECT_EQ(received, *imageOf(kFirmwareMaxBytes));
}

TEST(TftpUploader, StartSendsTheRequestAndSetsUpTheBar) {
    TftpUploader up;
    const UploadStep step = up.start("/home/u/fw/abcdef", imageOf(5120), kTarget);
    EXPECT_EQ(step.to, kTarget);
    EXPECT_EQ(v(step.send), *tftpWriteRequest("abcdef", 5120));
    EXPECT_EQ(step.timer, TimerCommand::Arm);
    EXPECT_EQ(step.timerMs, 12000);
    EXPECT_EQ(up.view(), (FirmwareView{11, 1, BarColour::Blue, true, false}));
    EXPECT_EQ(up.fileName(), "abcdef");

    TftpUploader big;
    big.start("a.bin", imageOf(512 * 100), kTarget);
    EXPECT_EQ(big.view().barPosition, 10);
    TftpUploader small;
    small.start("a.bin", imageOf(512 * 3), kTarget);
    EXPECT_EQ(small.view().barPosition, 1);
}

TEST(TftpUploader, RefusesWhatCannotBeRequested) {
    TftpUploader up;
    EXPECT_EQ(up.start("dir/", imageOf(10), kTarget).ended, UploadResult::Refused);
    const UploadStep tooBig = up.start("a.bin", imageOf(kFirmwareMaxBytes + 1), kTarget);
    EXPECT_EQ(tooBig.ended, UploadResult::Refused);
    EXPECT_TRUE(tooBig.send.empty());
    EXPECT_FALSE(up.active());
}

TEST(TftpUploader, DataFollowsTheAcknowledgementsPort) {
    TftpUploader up;
    up.start("a.bin", imageOf(2000), kTarget);
    UploadStep s = up.receive(ack(0), {"10.0.0.7", 40001});
    EXPECT_EQ(s.to, (TftpEndpoint{"10.0.0.7", 40001}));
    EXPECT_EQ(s.timerMs, 12000) << "the first block waits as long as the request";
    s = up.receive(ack(1), {"10.0.0.7", 40002});
    EXPECT_EQ(s.to, (TftpEndpoint{"10.0.0.7", 40002}));
    EXPECT_EQ(readData(s.send).block, 2);
    EXPECT_EQ(s.timerMs, 4000);
    // Another host is not the device that was asked.
    EXPECT_TRUE(up.receive(ack(2), {"10.0.0.8", 40002}).send.empty());
    // Nor is a packet a device never sends to a writer (here a DATA block) an answer.
    const UploadStep stray = up.receive(std::vector<std::uint8_t>{0, 3, 0, 2, 'x'}, {"10.0.0.7", 40002});
    EXPECT_TRUE(stray.send.empty());
    EXPECT_EQ(stray.ended, UploadResult::Running);
    EXPECT_EQ(stray.timer, TimerCommand::Keep);
    EXPECT_EQ(up.blocksSent(), 2u);
}

TEST(TftpUploader, OptionAcknowledgementStartsTheDataPhase) {
    TftpUploader up;
    up.start("a.bin", imageOf(700), kTarget);
    const std::vector<std::uint8_t> oack{0, 6, 't', 's', 'i', 'z', 'e', 0, '7', '0', '0', 0};
    const UploadStep s = up.receive(oack, kTransferPort);
    EXPECT_EQ(readData(s.send).block, 1);
    EXPECT_EQ(s.timerMs, 12000);
    EXPECT_EQ(readData(s.send).payload.size(), 512u);
}

TEST(TftpUploader, RepeatedAcknowledgementEndsTheTransfer) {
    TftpUploader up;
    up.start("a.bin", imageOf(512 * 10), kTarget);
    up.receive(ack(0), kTransferPort);
    for (std::uint16_t b = 1; b <= 3; ++b) up.receive(ack(b), kTransferPort);
    ASSERT_EQ(up.blocksSent(), 4u);
    const UploadStep s = up.receive(ack(3), kTransferPort);
    EXPECT_TRUE(s.send.empty());
    EXPECT_EQ(s.message, fixed::kBlockNumberMismatch);
    EXPECT_EQ(s.ended, UploadResult::WrongBlock);
    EXPECT_EQ(s.timer, TimerCommand::Stop);
    EXPECT_EQ(up.view().barColour, BarColour::Red);
    EXPECT_TRUE(up.view().startEnabled);
    EXPECT_EQ(up.view().barPosition, 4);
    EXPECT_FALSE(up.active());
    // Late acknowledgements of the abandoned transfer change nothing.
    EXPECT_TRUE(up.receive(ack(4), kTransferPort).send.empty());
    EXPECT_TRUE(up.receive(ack(0), kTransferPort).send.empty());
}

TEST(TftpUploader, RepeatedAckZeroStartsOverFromBlockOne) {
    TftpUploader up;
    up.start("a.bin", imageOf(3000), kTarget);
    up.receive(ack(0), kTransferPort);
    up.receive(ack(1), kTransferPort);
    const UploadStep s = up.receive(ack(0), kTransferPort);
    EXPECT_EQ(readData(s.send).block, 1);
    EXPECT_EQ(up.blocksSent(), 1u);
    EXPECT_EQ(up.blocksAcknowledged(), 0u);
}

TEST(TftpUploader, ErrorTimeoutAndStopEndTheUpload) {
    TftpUploader up;
    up.start("a.bin", imageOf(3000), kTarget);
    up.receive(ack(0), kTransferPort);
    const UploadStep error =
        up.receive(std::vector<std::uint8_t>{0, 5, 0, 2, 'n', 0x1B, 0, 'x'}, kTransferPort);
    EXPECT_EQ(error.message, "传输错误");
    EXPECT_EQ(error.detail, "TFTP error 2: n?") << "the device's cause, made printable, up to its end";
    EXPECT_EQ(error.ended, UploadResult::TransferError);
    EXPECT_EQ(up.view().barColour, BarColour::Red);
    EXPECT_TRUE(up.view().startEnabled);

    up.start("a.bin", imageOf(3000), kTarget);
    EXPECT_EQ(up.view().barColour, BarColour::Blue);
    const UploadStep late = up.timeout();
    EXPECT_EQ(late.ended, UploadResult::TimedOut);
    EXPECT_TRUE(late.message.empty());
    EXPECT_EQ(up.view().barColour, BarColour::Red);
    EXPECT_TRUE(up.view().barVisible);
    EXPECT_TRUE(up.receive(ack(0), kTransferPort).send.empty());

    up.start("a.bin", imageOf(3000), kTarget);
    EXPECT_EQ(up.stop().ended, UploadResult::Stopped);
    EXPECT_FALSE(up.active());
    EXPECT_EQ(up.timeout().ended, UploadResult::Running);
}

// A timed-out upload says whether the device never answered or which block it left unacknowledged.
TEST(FirmwareFile, TimeoutTextNamesTheUnacknowledgedBlock) {
    UiTexts en;
    en.loadEnglish();
    UiTexts zh;
    zh.loadChinese();
    TftpUploader up;
    up.start("a.bin", imageOf(3000), kTarget);
    up.timeout();
    EXPECT_EQ(uploadTimeoutText(en, up.blocksSent()),
              "The device did not answer the upload within 12 s. The firmware was not upgraded.");
    up.start("a.bin", imageOf(3000), kTarget);
    up.receive(ack(0), kTransferPort);
    up.receive(ack(1), kTransferPort);
    up.timeout();
    EXPECT_EQ(uploadTimeoutText(en, up.blocksSent()),
              "The device stopped answering: block 2 was not acknowledged within 4 s. The firmware was not "
              "upgraded.");
    EXPECT_EQ(uploadTimeoutText(zh, up.blocksSent()), "设备停止应答：第2块在4秒内未被确认，固件未升级。");
}

TEST(TftpUploader, NothingHappensWithoutAnUpload) {
    TftpUploader up;
    EXPECT_TRUE(up.receive(ack(0), kTransferPort).send.empty());
    EXPECT_EQ(up.receive(std::vector<std::uint8_t>{0, 5, 0, 0}, kTransferPort).message, "");
    EXPECT_EQ(up.view().barVisible, false);
    for (const UploadStep& s : {up.timeout(), up.stop()}) {
        EXPECT_EQ(s.ended, UploadResult::Running);
        EXPECT_EQ(s.timer, TimerCommand::Keep);
    }
    EXPECT_EQ(up.result(), UploadResult::Running);
}

TEST(TftpUploader, CompletesOnlyWhenTheLastBlockIsAcknowledged) {
    TftpUploader up;
    up.start("a.bin", imageOf(600), kTarget);
    up.receive(ack(0), kTransferPort);
    const UploadStep last = up.receive(ack(1), kTransferPort);
    EXPECT_EQ(readData(last.send).payload.size(), 88u);
    EXPECT_EQ(up.view().barPosition, 2);
    EXPECT_TRUE(up.view().barVisible);
    EXPECT_EQ(last.ended, UploadResult::Running);
    const UploadStep done = up.receive(ack(2), kTransferPort);
    EXPECT_EQ(done.ended, UploadResult::Completed);
    EXPECT_TRUE(up.view().completed);
    EXPECT_EQ(up.view().barPosition, up.view().barMaximum);  // full, for the dialog to show
    EXPECT_TRUE(up.view().startEnabled);
    EXPECT_EQ(up.blocksAcknowledged(), 2u);

    // The dialog's next upload starts from nothing: no result, no block sent or acknowledged.
    up.start("b.bin", imageOf(100), kTarget);
    EXPECT_EQ(up.result(), UploadResult::Running);
    EXPECT_EQ(up.blocksSent(), 0u);
    EXPECT_EQ(up.blocksAcknowledged(), 0u);
    const UploadStep first = up.receive(ack(0), kTransferPort);
    EXPECT_EQ(readData(first.send).block, 1);
    EXPECT_EQ(up.receive(ack(1), kTransferPort).ended, UploadResult::Completed);
}

TEST(FirmwareFile, NameAndChecksInTheDialogsOrder) {
    EXPECT_EQ(firmwareFileName("C:\\a\\b/fw.bin"), "fw.bin");
    EXPECT_EQ(firmwareFileName("fw.bin"), "fw.bin");
    EXPECT_EQ(firmwareFileName("/tmp/dir/"), "");
    EXPECT_EQ(checkFirmwareFile("C:\\dir\\", true, 10), FirmwareRefusal::NoFile);
    EXPECT_EQ(checkFirmwareFile("/x/fw.bin", false, 0), FirmwareRefusal::CannotOpen);
    EXPECT_EQ(checkFirmwareFile("/x/fw.bin", true, 0), FirmwareRefusal::Empty);
    EXPECT_EQ(checkFirmwareFile("/x/fw.bin", true, kFirmwareMaxBytes), FirmwareRefusal::None);
    EXPECT_EQ(checkFirmwareFile("/x/fw.bin", true, kFirmwareMaxBytes + 1), FirmwareRefusal::TooBig);
    EXPECT_EQ(checkFirmwareFile("/x/" + std::string(232, 'n'), true, kFirmwareMaxBytes),
              FirmwareRefusal::NameTooLong);
    EXPECT_EQ(checkFirmwareTarget("192.168.1.253"), FirmwareRefusal::None);
    EXPECT_EQ(checkFirmwareTarget("192.168.1"), FirmwareRefusal::BadTarget);

    UiTexts en;
    en.loadEnglish();
    EXPECT_EQ(firmwareRefusalText(en, FirmwareRefusal::NoFile, "x/"), "Please open a file!");
    EXPECT_EQ(firmwareRefusalText(en, FirmwareRefusal::CannotOpen, "/x/fw.bin"), "/x/fw.bincan`t open");
    EXPECT_EQ(firmwareRefusalText(en, FirmwareRefusal::NameTooLong, "/x/fw.bin"),
              "The file name is too long!");
    EXPECT_EQ(firmwareRefusalText(en, FirmwareRefusal::BadTarget, "/x/fw.bin"), en.invalidIpAddress);
    EXPECT_EQ(firmwareRefusalText(en, FirmwareRefusal::None, "/x/fw.bin"), "");
    UiTexts zh;
    zh.loadChinese();
    EXPECT_EQ(firmwareRefusalText(zh, FirmwareRefusal::TooBig, ""), "文件太大，请打开一个小于1M的文件");
}

}  // namespace
}  // namespace tavrel
