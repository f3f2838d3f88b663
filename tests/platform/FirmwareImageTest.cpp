// Reading a firmware image whole or a slice at a time: the same bytes either way, and a file that
// changes under the read is refused whole rather than sent in part.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

#include "FirmwareImage.h"

using namespace tavrel;

namespace {

QByteArray pattern(qint64 size) {
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i) bytes[i] = char((i * 31 + i / 4093) & 0xFF);
    return bytes;
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    QFile f(dir.filePath(QStringLiteral("image.bin")));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

QByteArray bytesOf(const FirmwareImage& image) {
    if (!image.bytes) return {};
    return QByteArray(reinterpret_cast<const char*>(image.bytes->data()), qsizetype(image.bytes->size()));
}

constexpr qint64 kSlice = qint64(FirmwareImageReader::kSliceBytes);

TEST(FirmwareImage, SliceBySliceGivesTheWholeFile) {
    QTemporaryDir dir;
    const QByteArray bytes = pattern(2 * kSlice + kSlice / 2 + 7);
    const QString path = writeFile(dir, bytes);

    FirmwareImageReader reader(path);
    EXPECT_EQ(reader.size(), std::uint64_t(bytes.size()));
    int slices = 0;
    while (!reader.finished()) {
        reader.readSlice();
        ++slices;
    }
    EXPECT_EQ(slices, 3);
    const FirmwareImage image = reader.take();
    EXPECT_EQ(image.refusal, FirmwareRefusal::None);
    EXPECT_EQ(bytesOf(image), bytes);
    EXPECT_EQ(bytesOf(loadFirmwareImage(path)), bytes);

    // An empty file is no firmware.
    EXPECT_EQ(loadFirmwareImage(writeFile(dir, QByteArray())).refusal, FirmwareRefusal::Empty);
    // Sizes at a slice's edge.
    for (qint64 size : {kSlice - 1, kSlice, kSlice + 1}) {
        const QByteArray edge = pattern(size);
        const FirmwareImage whole = loadFirmwareImage(writeFile(dir, edge));
        EXPECT_EQ(whole.refusal, FirmwareRefusal::None) << size;
        ASSERT_TRUE(whole.bytes) << size;
        EXPECT_EQ(bytesOf(whole), edge) << size;
    }
}

TEST(FirmwareImage, FileThatShrinksWhileReadIsRefusedWhole) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, pattern(3 * kSlice));
    FirmwareImageReader reader(path);
    reader.readSlice();
    ASSERT_FALSE(reader.finished());
    ASSERT_TRUE(QFile::resize(path, kSlice + 10));
    while (!reader.finished()) reader.readSlice();
    const FirmwareImage image = reader.take();
    EXPECT_EQ(image.refusal, FirmwareRefusal::CannotOpen);
    EXPECT_FALSE(image.bytes);
}

TEST(FirmwareImage, RefusedFileIsFinishedAtOnce) {
    QTemporaryDir dir;
    FirmwareImageReader missing(dir.filePath(QStringLiteral("missing.bin")));
    EXPECT_TRUE(missing.finished());
    EXPECT_EQ(missing.take().refusal, FirmwareRefusal::CannotOpen);
    FirmwareImageReader folder(dir.path() + QStringLiteral("/"));
    EXPECT_TRUE(folder.finished());
    EXPECT_EQ(folder.take().refusal, loadFirmwareImage(dir.path() + QStringLiteral("/")).refusal);
    EXPECT_NE(folder.take().refusal, FirmwareRefusal::None);
}

}  // namespace
