// Event-loop gaps of the IO control window with its data log on and its history shown, against a
// simulated board in another process that floods it with unasked answers: a 1 ms repeating timer
// records how late each tick comes while an output is switched every 100 ms and its input follows.
//   bench-iowindow --board-port P [--udp] [--seconds S] [--log FILE]
// Over UDP every unasked answer is a chunk of its own; over TCP the stream joins them.
// Prints "key value..." lines for bench/iowindow.sh. Wall lateness includes time the machine gave to
// other processes; busy counts only this thread's own CPU time between two ticks.
#include <QtCore/QCommandLineParser>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "CIoControlDlg.h"
#include "IoDataLog.h"
#include "IoHistoryView.h"
#include "IoRecordingArea.h"
#include "WindowHarness.h"

using namespace tavrel;

namespace {

std::int64_t clockNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void print(const char* kind, std::vector<std::int64_t> us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) {
        return us.empty() ? 0.0 : us[std::size_t(q * double(us.size() - 1))] / 1000.0;
    };
    const auto over16 = std::count_if(us.begin(), us.end(), [](std::int64_t v) { return v > 16000; });
    std::printf("phase flood %s ticks %zu max_ms %.2f p99_ms %.2f p999_ms %.2f over16 %td\n", kind, us.size(),
                us.empty() ? 0.0 : us.back() / 1000.0, at(0.99), at(0.999), over16);
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({{"board-port", "port", "p"},
                     {"seconds", "seconds", "s", "10"},
                     {"log", "file", "f"},
                     {"udp", "the board speaks UDP"},
                     {"bare", "neither the data log nor the history, for comparison"}});
    args.process(app);
    test::Harness harness;
    harness.prompts->fileAnswer =
        args.value("log").isEmpty() ? harness.home.filePath("io.csv") : args.value("log");
    UiTexts texts;
    texts.load(Language::English);
    IoWindowSetup setup;
    setup.boardIp = {127, 0, 0, 1};
    setup.boardPort = static_cast<std::uint16_t>(args.value("board-port").toUInt());
    setup.localIp = "127.0.0.1";
    setup.preset = args.isSet("udp") ? IoConnectionType::Udp : IoConnectionType::TcpClient;
    auto* window = new CIoControlDlg(texts, setup, harness.prompts,
                                     std::filesystem::path(harness.home.path().toStdString()) / "io.ini");
    window->show();
    if (!waitFor([&] { return window->inputShown(8) != Indicator::Unknown; }, 10000)) {
        std::printf("connected 0\n");
        return 1;
    }
    long long chunks = 0;
    QObject::connect(&window->link(), &IoBoardLink::chunkHandled, [&](const ChunkOutcome&) { ++chunks; });
    if (!args.isSet("bare")) {
        window->findChild<QPushButton*>("logToFileButton")->click();
        window->findChild<QPushButton*>("historyButton")->click();
    }
    const bool logging = window->recording().dataLog().active();
    // The history window's first paint (fonts and all) is done before the measuring starts.
    waitFor([] { return false; }, 1000);

    std::vector<std::int64_t> wallUs;
    std::vector<std::int64_t> busyUs;
    std::int64_t lastWall = clockNs(CLOCK_MONOTONIC);
    std::int64_t lastCpu = clockNs(CLOCK_THREAD_CPUTIME_ID);
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const std::int64_t wall = clockNs(CLOCK_MONOTONIC);
        const std::int64_t cpu = clockNs(CLOCK_THREAD_CPUTIME_ID);
        wallUs.push_back(std::max<std::int64_t>(0, (wall - lastWall) / 1000 - 1000));
        busyUs.push_back((cpu - lastCpu) / 1000);
        lastWall = wall;
        lastCpu = cpu;
    });
    int output = 0;
    QTimer toggle;
    QObject::connect(&toggle, &QTimer::timeout, [&] {
        window->findChild<QToolButton*>(QStringLiteral("output%1").arg(output % 8 + 1))->click();
        ++output;
    });
    const long long chunksBefore = chunks;
    QElapsedTimer run;
    run.start();
    ticks.start();
    toggle.start(100);
    waitFor([] { return false; }, args.value("seconds").toInt() * 1000);
    ticks.stop();
    toggle.stop();
    const double seconds = run.elapsed() / 1000.0;
    const long long rows = window->recording().dataLog().rowsWritten();
    print("wall", wallUs);
    print("busy", busyUs);
    std::printf("flood chunks_per_s %.0f switches %d log_active %d rows_written %lld lanes %d\n",
                (chunks - chunksBefore) / seconds, output, logging ? 1 : 0, rows,
                window->recording().historyView() ? window->recording().historyView()->lanesPainted() : 0);
    window->close();
    return 0;
}
