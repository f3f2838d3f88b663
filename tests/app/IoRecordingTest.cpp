// The IO window's data log and history against a simulated board whose outputs are wired back to
// its inputs.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include "CIoControlDlg.h"
#include "IoDataLog.h"
#include "IoHistoryView.h"
#include "IoRecordingArea.h"
#include "IoTestSupport.h"
#include "SimIoBoard.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

using io::waitFor;

struct Recording {
    explicit Recording(Language language = Language::English) {
        texts.load(language);
        std::string error;
        auto config = sim::parseIoBoardDescription("model=KB-08-00,ip=127.0.0.1,loopback-io=10ms", error);
        board = std::make_unique<sim::SimIoBoard>(*config);
        EXPECT_TRUE(board->start());
        IoWindowSetup setup;
        setup.boardIp = {127, 0, 0, 1};
        setup.boardPort = board->port();
        setup.localIp = "127.0.0.1";
        setup.preset = IoConnectionType::TcpClient;
        window = new CIoControlDlg(texts, setup, harness.prompts,
                                   std::filesystem::path(harness.home.path().toStdString()) / "io.ini");
        window->show();
    }
    ~Recording() { window->close(); }

    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }
    QString logText() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void click(int output) const {
        window->findChild<QToolButton*>(QStringLiteral("output%1").arg(output))->click();
    }

    Harness harness;
    UiTexts texts;
    std::unique_ptr<sim::SimIoBoard> board;
    CIoControlDlg* window = nullptr;
    QString path = harness.home.filePath("io-log.csv");
};

TEST(IoRecording, LogsEveryChangeWhileConnectedAndDrawsTheLanes) {
    Recording r;
    QPushButton* log = r.button("logToFileButton");
    ASSERT_TRUE(log);
    ASSERT_TRUE(waitFor([&] { return r.window->outputShown(8) != Indicator::Unknown && log->isEnabled(); }));
    r.harness.prompts->fileAnswer = r.path;
    log->click();
    EXPECT_EQ(log->text(), "Stop logging");
    EXPECT_TRUE(r.harness.prompts->fileDialogs.back().endsWith("(*.csv);;(*.*)"));

    r.click(3);
    // Written within a second or so of the change, without stopping the log.
    ASSERT_TRUE(waitFor([&] { return r.logText().contains(",input,3,1\r\n"); }));
    const QString text = r.logText();
    EXPECT_TRUE(text.startsWith("time,kind,channel,value\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3},output,3,1\r\n(.*\r\n)*\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3},input,3,1)")))
        << text.toStdString();
    // The first rows are the states shown when the log started, every channel once.
    EXPECT_EQ(text.count(",input,1,0\r\n"), 1);
    EXPECT_EQ(text.count(",output,8,0\r\n"), 1);

    // The history shows both lanes of the pair: input 3 went on after output 3.
    r.button("historyButton")->click();
    IoHistoryView* view = r.window->recording().historyView();
    ASSERT_TRUE(view && view->isVisible());
    const IoHistory& history = r.window->recording().history();
    EXPECT_EQ(history.inputLanes(), 8);
    EXPECT_EQ(history.outputLanes(), 8);
    const long long end = 1LL << 40;
    const auto out3 = history.lane(IoChannelKind::Output, 3, 0, end);
    const auto in3 = history.lane(IoChannelKind::Input, 3, 0, end);
    ASSERT_EQ(out3.back().state, Indicator::On);
    ASSERT_EQ(in3.back().state, Indicator::On);
    EXPECT_LE(out3.back().fromMs, in3.back().fromMs);
    view->grab();
    EXPECT_EQ(view->lanesPainted(), 16);
    if (const char* dir = std::getenv("TAVREL_SCREENSHOTS")) {
        // A few seconds of switching, so that the picture shows inputs following outputs.
        for (int k : {5, 1, 3, 6, 5, 2, 1, 6}) {
            const Indicator was = r.window->inputShown(k);
            r.click(k);
            waitFor([&] { return r.window->inputShown(k) != was; });
            waitFor([] { return false; }, 400);
        }
        view->grab().save(QString::fromLocal8Bit(dir) + "/io-history.png");
        r.window->grab().save(QString::fromLocal8Bit(dir) + "/io-window.png");
    }

    // Disconnecting ends the log; what comes later is not written.
    r.button("connectButton")->click();
    EXPECT_FALSE(r.window->recording().dataLog().active());
    EXPECT_EQ(log->text(), "Log to file…");
    EXPECT_FALSE(log->isEnabled());
    const QStringList& shown = r.harness.prompts->shown;
    EXPECT_TRUE(shown.value(shown.size() - 1).endsWith(r.path)) << "the end of the log is told";
    // Every row once: what was written is not written again with the rows after it.
    const QString all = r.logText();
    EXPECT_TRUE(all.endsWith("\r\n"));
    EXPECT_EQ(all.count("\r\n"), r.window->recording().dataLog().rowsWritten() + 1) << all.toStdString();
    EXPECT_EQ(all.count(",input,1,0\r\n"), 1);
    EXPECT_EQ(all.count(",input,3,1\r\n"), 1);
    EXPECT_EQ(history.lane(IoChannelKind::Input, 3, 0, end).back().state, Indicator::Unknown);
}

TEST(IoRecording, StopsOnDemandAndSaysWhenTheFileCannotBeWritten) {
    Recording r(Language::Chinese);
    QPushButton* log = r.button("logToFileButton");
    EXPECT_EQ(log->text(), "记录到文件…");
    EXPECT_EQ(r.button("historyButton")->text(), "历史曲线");
    ASSERT_TRUE(waitFor([&] { return r.window->outputShown(1) != Indicator::Unknown && log->isEnabled(); }));

    r.harness.prompts->fileAnswer = r.harness.home.filePath("no-such-folder/log.csv");
    log->click();
    EXPECT_FALSE(r.window->recording().dataLog().active());
    ASSERT_FALSE(r.harness.prompts->shown.isEmpty());
    EXPECT_TRUE(r.harness.prompts->shown.back().contains("数据记录写入失败"))
        << r.harness.prompts->shown.back().toStdString();

    r.harness.prompts->fileAnswer = r.path;
    log->click();
    EXPECT_EQ(log->text(), "停止记录");
    log->click();  // stop on demand: what waited is written, the file is closed
    EXPECT_FALSE(r.window->recording().dataLog().active());
    const QString before = r.logText();
    EXPECT_TRUE(before.contains(",output,1,0\r\n"));
    r.click(2);
    ASSERT_TRUE(waitFor([&] { return r.window->inputShown(2) == Indicator::On; }));
    EXPECT_EQ(r.logText(), before);
    // Started again, the file is appended to, its header not repeated.
    log->click();
    log->click();
    EXPECT_EQ(r.logText().count("time,kind,channel,value"), 1);
    EXPECT_TRUE(r.logText().startsWith(before));
}

}  // namespace
}  // namespace tavrel::test
