// Event-loop stalls of the main window, offscreen, against simulated devices in another process:
// a 1 ms repeating timer records how late each tick comes while the window searches, saves ports,
// uploads firmware and switches language. Also the time to first paint and the memory held idle.
//   bench-window --device-port P --devices N [--tftp-port T --image FILE] [--idle-ms MS] [--paint-only]
// Prints "key value..." lines for bench/stall.sh. Wall lateness includes time the machine gave to
// other processes; the busy figures count only this thread's own CPU time between two ticks.
#include <QtCore/QCommandLineParser>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTableWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CFirmwareDlg.h"
#include "ControlIds.h"
#include "TftpTransfer.h"
#include "WindowHarness.h"

using namespace tavrel;

namespace {

std::int64_t clockNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Lateness of a 1 ms timer, in microseconds, grouped by the phase that was running.
class TickRecorder : public QObject {
  public:
    TickRecorder() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    }
    void start() {
        lastWall_ = clockNs(CLOCK_MONOTONIC);
        lastCpu_ = clockNs(CLOCK_THREAD_CPUTIME_ID);
        lastUsage_ = usage();
        timer_.start();
    }
    // The gap in which a phase begins belongs to it: the click that starts it is its work.
    void begin(const std::string& phase) {
        const long steal = stealTicks();
        if (!order_.empty()) stolen_[phase_] += steal - stealAtBegin_;
        stealAtBegin_ = steal;
        phase_ = phase;
        order_.push_back(phase);
    }
    void end() { begin("end"); }
    void report() const {
        for (const std::string& name : order_) {
            auto it = phases_.find(name);
            if (it == phases_.end()) continue;
            print(name, "wall", it->second.wallUs);
            const Samples& w = it->second;
            std::printf("steal %s ms %ld\n", name.c_str(), stolen_.count(name) ? stolen_.at(name) * 1000 / ticksPerSecond() : -1);
            std::printf("worst %s at_ms %.1f waits %ld preempted %ld major_faults %ld clock_ns %lld busiest_clock_ns %lld\n",
                        name.c_str(), w.worstAtNs / 1e6, w.waits, w.preempted, w.majorFaults,
                        static_cast<long long>(w.worstEndNs), static_cast<long long>(w.busiestEndNs));
            print(name, "busy", it->second.busyUs);
        }
    }

  private:
    struct Samples {
        std::vector<std::int64_t> wallUs;  // lateness beyond the 1 ms interval
        std::vector<std::int64_t> busyUs;  // this thread's CPU time between two ticks
        std::int64_t startNs = 0;
        std::int64_t worstAtNs = 0;  // when the longest gap ended, from the phase's start
        std::int64_t worstEndNs = 0;  // the same on the monotonic clock, to find it in a profile
        std::int64_t busiestEndNs = 0;  // when the gap with the most CPU time ended
        std::int64_t maxWallUs = 0;
        std::int64_t maxBusyUs = 0;
        // In the longest gap: waits for something (voluntary switches), preemptions, page faults
        // that read a disk. A long gap with little CPU time is one of these, not the window's work.
        long waits = 0, preempted = 0, majorFaults = 0;
    };
    struct Usage {
        long waits = 0, preempted = 0, majorFaults = 0;
    };
    // Time the hypervisor ran other machines on this machine's processors, all processors together
    // (a virtual machine's thread clock runs on through it): it shows as busy time nobody spent.
    static long stealTicks() {
        QFile f(QStringLiteral("/proc/stat"));
        if (!f.open(QIODevice::ReadOnly)) return 0;
        const QList<QByteArray> fields = f.readLine().simplified().split(' ');
        return fields.size() > 8 ? fields[8].toLong() : 0;
    }
    static long ticksPerSecond() { return sysconf(_SC_CLK_TCK); }
    static Usage usage() {
        rusage u{};
        getrusage(RUSAGE_THREAD, &u);
        return {u.ru_nvcsw, u.ru_nivcsw, u.ru_majflt};
    }
    void tick() {
        const std::int64_t wall = clockNs(CLOCK_MONOTONIC);
        const std::int64_t cpu = clockNs(CLOCK_THREAD_CPUTIME_ID);
        const Usage now = usage();
        Samples& s = phases_[phase_];
        if (s.wallUs.empty()) s.startNs = lastWall_;
        const std::int64_t lateUs = std::max<std::int64_t>(0, (wall - lastWall_) / 1000 - 1000);
        if (s.wallUs.empty() || lateUs > s.maxWallUs) {
            s.maxWallUs = lateUs;
            s.worstAtNs = wall - s.startNs;
            s.worstEndNs = wall;
            s.waits = now.waits - lastUsage_.waits;
            s.preempted = now.preempted - lastUsage_.preempted;
            s.majorFaults = now.majorFaults - lastUsage_.majorFaults;
        }
        const std::int64_t busyUs = (cpu - lastCpu_) / 1000;
        if (s.busyUs.empty() || busyUs > s.maxBusyUs) {
            s.maxBusyUs = busyUs;
            s.busiestEndNs = wall;
        }
        lastUsage_ = now;
        s.wallUs.push_back(lateUs);
        s.busyUs.push_back(busyUs);
        lastWall_ = wall;
        lastCpu_ = cpu;
    }
    static void print(const std::string& phase, const char* kind, std::vector<std::int64_t> v) {
        if (v.empty()) return;
        std::sort(v.begin(), v.end());
        auto at = [&](double q) { return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))]; };
        const auto over = std::count_if(v.begin(), v.end(), [](std::int64_t us) { return us > 16000; });
        std::printf("phase %s %s ticks %zu max_ms %.2f p99_ms %.2f p999_ms %.2f over16 %td\n", phase.c_str(),
                    kind, v.size(), v.back() / 1000.0, at(0.99) / 1000.0, at(0.999) / 1000.0, over);
    }

    QTimer timer_;
    std::string phase_ = "start";
    std::vector<std::string> order_;
    std::map<std::string, Samples> phases_;
    std::map<std::string, long> stolen_;
    long stealAtBegin_ = 0;
    std::int64_t lastWall_ = 0;
    std::int64_t lastCpu_ = 0;
    Usage lastUsage_;
};

// Runs the event loop until `done` holds or the time is up; checks every 5 ms without spinning.
bool runUntil(const std::function<bool()>& done, int deadlineMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    bool ok = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        ok = done();
        if (ok || clock.elapsed() > deadlineMs) loop.quit();
    });
    check.start(5);
    loop.exec();
    return ok;
}

void idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

long statusKib(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(int(std::strlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

int shownRows(const QTableWidget& list) {
    int n = 0;
    for (int row = 0; row < list.rowCount(); ++row) {
        const QTableWidgetItem* mac = list.item(row, 1);
        n += mac && !mac->text().isEmpty() ? 1 : 0;
    }
    return n;
}

// Paint events reaching the window; the first one ends the start-up measure.
class PaintWatch : public QObject {
  public:
    std::int64_t firstNs = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && firstNs == 0) firstNs = clockNs(CLOCK_MONOTONIC);
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    const std::int64_t mainNs = clockNs(CLOCK_MONOTONIC);
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({{"device-port", "Device port of the simulator.", "port"},
                     {"tftp-port", "TFTP port of the simulator.", "port"},
                     {"devices", "Devices the simulator holds.", "n"},
                     {"image", "Firmware image to upload to the first device.", "file"},
                     {"idle-ms", "Length of each idle phase.", "ms", "2000"},
                     {"paint-only", "Ends after the first paint."}});
    args.process(app);
    const int expected = args.value("devices").toInt();
    const int idleMs = args.value("idle-ms").toInt();
    // The launcher's clock reading just before exec, to count the loader and libraries too.
    const std::int64_t execNs = qEnvironmentVariableIsSet("TAVREL_BENCH_EXEC_NS")
                                    ? qEnvironmentVariable("TAVREL_BENCH_EXEC_NS").toLongLong()
                                    : mainNs;

    test::Harness harness;
    NetworkSettings network = test::Harness::loopbackNetwork();
    network.devicePort = static_cast<std::uint16_t>(args.value("device-port").toUInt());
    if (args.isSet("tftp-port")) network.tftpPort = static_cast<std::uint16_t>(args.value("tftp-port").toUInt());
    auto window = harness.makeWindow({}, network);
    PaintWatch paint;
    window->installEventFilter(&paint);
    window->show();
    runUntil([&] { return paint.firstNs != 0; }, 10000);
    std::printf("paint exec_ms %.1f main_ms %.1f\n", (paint.firstNs - execNs) / 1e6, (paint.firstNs - mainNs) / 1e6);
    if (args.isSet("paint-only")) return paint.firstNs != 0 ? 0 : 1;

    TickRecorder ticks;
    ticks.start();
    ticks.begin("idle-empty");
    idle(idleMs);

    QTableWidget& list = *window->deviceList();
    ticks.begin("search");
    QElapsedTimer searchClock;
    searchClock.start();
    window->controlAs<QPushButton>(ids::kSearchButton)->click();
    const bool complete = runUntil(
        [&] { return window->session().pendingReadouts() == 0 && shownRows(list) >= expected; }, 120000);
    std::printf("search devices %d rows %d shown %d complete %d ms %lld\n", expected, list.rowCount(),
                shownRows(list), complete ? 1 : 0, static_cast<long long>(searchClock.elapsed()));

    ticks.begin("save");
    list.selectRow(0);
    window->controlAs<QPushButton>(ids::kSavePortButton)->click();
    const QString sending = window->statusText(2);
    const bool saved = runUntil(
        [&] { return window->session().sequencer().isIdle() && window->statusText(2) != sending; }, 30000);
    std::printf("save done %d status %s\n", saved ? 1 : 0, qPrintable(window->statusText(2)));

    if (args.isSet("image") && args.isSet("tftp-port")) {
        ticks.begin("firmware-dialog");
        harness.prompts->confirmAnswer = true;
        bool uploaded = false;
        QElapsedTimer uploadClock;
        harness.onModal = [&](QDialog& dialog) {
            auto& d = dynamic_cast<CFirmwareDlg&>(dialog);
            // A person opens the dialog, sees it drawn, then picks the file and presses Start.
            d.show();
            idle(200);
            d.pathEdit()->setText(args.value("image"));
            ticks.begin("firmware-upload");
            uploadClock.start();
            d.startButton()->click();
            runUntil([&] { return !d.busy(); }, 300000);
            uploaded = d.transfer().uploader().result() == UploadResult::Completed;
            d.hide();
        };
        window->controlAs<QPushButton>(ids::kFirmwareButton)->click();
        std::printf("firmware uploaded %d ms %lld bytes %lld\n", uploaded ? 1 : 0,
                    static_cast<long long>(uploadClock.elapsed()), static_cast<long long>(QFile(args.value("image")).size()));
        harness.onModal = nullptr;
    }

    ticks.begin("language");
    window->actionById(ids::kEnglishCommand)->trigger();
    idle(300);
    window->actionById(ids::kChineseCommand)->trigger();
    idle(300);

    ticks.begin("idle-listed");
    idle(idleMs);
    std::printf("memory rows %d rss_kib %ld hwm_kib %ld\n", list.rowCount(), statusKib("VmRSS:"), statusKib("VmHWM:"));
    ticks.end();
    ticks.report();
    return 0;
}
