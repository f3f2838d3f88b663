// The IO data log against real files: what is on the disk when, and a disk that refuses the write.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>

#include "IoDataLog.h"

using namespace tavrel;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(IoDataLog, RowsWaitThenGoOutInOrderUnderOneHeader) {
    QTemporaryDir dir;
    const QString path = dir.filePath("io.csv");
    IoDataLog log;
    QString error;
    ASSERT_TRUE(log.start(path, &error)) << error.toStdString();
    EXPECT_TRUE(log.active());
    EXPECT_EQ(log.path(), path);
    EXPECT_EQ(contents(path), "time,kind,channel,value\r\n") << "the header is there at once";

    log.append({{IoChannelKind::Input, 3, 1}, {IoChannelKind::Analog, 2, 4095}});
    log.append({});
    EXPECT_EQ(contents(path).count("\r\n"), 1) << "rows wait for the next write";
    EXPECT_GT(log.pendingBytes(), 0);
    EXPECT_EQ(log.rowsWritten(), 0);
    // The timer writes them without being asked.
    QDeadlineTimer deadline(30000);
    while (log.rowsWritten() == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(log.rowsWritten(), 2);
    EXPECT_EQ(log.pendingBytes(), 0);
    const QList<QByteArray> rows = contents(path).split('\n');
    ASSERT_EQ(rows.size(), 4);  // header, two rows, the empty rest
    const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3},"));
    EXPECT_TRUE(stamp.match(QString::fromUtf8(rows[1])).hasMatch()) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].endsWith(",input,3,1\r")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(",analog,2,4095\r")) << rows[2].toStdString();

    // Stopping writes what waits; starting again on the same file appends without a second header.
    log.append({{IoChannelKind::Output, 8, 0}});
    log.stop();
    EXPECT_FALSE(log.active());
    EXPECT_EQ(log.rowsWritten(), 3);
    ASSERT_TRUE(log.start(path, &error));
    log.append({{IoChannelKind::Output, 8, 1}});
    log.stop();
    const QByteArray all = contents(path);
    EXPECT_EQ(all.count("time,kind,channel,value"), 1);
    EXPECT_TRUE(all.endsWith(",output,8,1\r\n")) << all.toStdString();
    EXPECT_LT(all.indexOf(",output,8,0\r\n"), all.indexOf(",output,8,1\r\n"));
    log.append({{IoChannelKind::Input, 1, 1}});
    EXPECT_EQ(log.pendingBytes(), 0) << "nothing is kept for a stopped log";

    // A log that goes away (its window closed) writes what waits first.
    {
        IoDataLog closing;
        ASSERT_TRUE(closing.start(path, &error));
        closing.append({{IoChannelKind::Input, 5, 0}});
    }
    EXPECT_TRUE(contents(path).endsWith(",input,5,0\r\n")) << contents(path).toStdString();
}

TEST(IoDataLog, AFullBufferGoesOutAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.csv");
    IoDataLog log;
    QString error;
    ASSERT_TRUE(log.start(path, &error));
    std::vector<IoChange> burst(2000, IoChange{IoChannelKind::Input, 32, 1});
    long long appended = 0;
    while (log.rowsWritten() == 0) {
        log.append(burst);
        appended += static_cast<long long>(burst.size());
        ASSERT_LT(appended, 1000000);
    }
    EXPECT_EQ(log.rowsWritten(), appended);
    EXPECT_GE(contents(path).size(), IoDataLog::kMaxPendingBytes);
}

TEST(IoDataLog, AFileThatCannotBeWrittenIsReported) {
    QTemporaryDir dir;
    IoDataLog log;
    QString error;
    EXPECT_FALSE(log.start(dir.filePath("no/such/folder/io.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(log.active());

    // A disk that takes nothing: the rows are not counted as written, the log closes and says why.
    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full here";
    ASSERT_TRUE(log.start(QStringLiteral("/dev/full"), &error)) << error.toStdString();
    QStringList reasons;
    QObject::connect(&log, &IoDataLog::failed, [&](const QString& reason) { reasons << reason; });
    log.append({{IoChannelKind::Input, 1, 1}});
    log.stop();
    EXPECT_EQ(reasons.size(), 1);
    EXPECT_FALSE(reasons.value(0).isEmpty());
    EXPECT_FALSE(log.active());
    EXPECT_EQ(log.rowsWritten(), 0);
}
