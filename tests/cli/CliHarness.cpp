#include "CliHarness.h"

#include <gtest/gtest.h>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonDocument>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTimer>
#include <QtNetwork/QUdpSocket>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "DeviceDescription.h"

namespace clitest {

namespace {

constexpr int kPortAttempts = 8;
constexpr int kSimStartMs = 15000;

const QString kLoopbackBroadcast = QStringLiteral("127.255.255.255");

// Whatever the caller's environment holds, the child sends only to loopback and to the given ports.
QProcessEnvironment loopbackEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVREL_BROADCAST"), kLoopbackBroadcast);
    for (const char* name : {"TAVREL_DEVICE_PORT", "TAVREL_LOCAL_PORT", "TAVREL_BIND", "TAVREL_TFTP_PORT"})
        env.remove(QString::fromLatin1(name));
    return env;
}

}  // namespace

bool waitFor(const std::function<bool()>& done, int deadlineMs) {
    QDeadlineTimer deadline(deadlineMs);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    poll.start(10);
    if (!done()) loop.exec();
    return done();
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    // The device port must be free on the loopback broadcast address, where the simulator listens.
    if (!probe.bind(QHostAddress(kLoopbackBroadcast), 0)) probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

std::unique_ptr<tavrel::sim::SimIoBoard> ioBoard(const std::string& description) {
    std::string error;
    auto config = tavrel::sim::parseIoBoardDescription(description, error);
    if (!config) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    auto board = std::make_unique<tavrel::sim::SimIoBoard>(*config);
    QString why;
    if (!board->start(&why)) ADD_FAILURE() << why.toStdString();
    return board;
}

std::unique_ptr<tavrel::sim::Simulator> simulate(const std::vector<std::string>& texts) {
    std::vector<tavrel::sim::DeviceDescription> descriptions;
    std::string error;
    for (const auto& text : texts) {
        auto description = tavrel::sim::parseDeviceDescription(text, error);
        if (!description) throw std::runtime_error(error);
        descriptions.push_back(*description);
    }
    const auto configs = tavrel::sim::expandDescriptions(descriptions, error);
    if (!configs) throw std::runtime_error(error);
    QString bindError;
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        auto sim = std::make_unique<tavrel::sim::Simulator>();
        sim->setDevicePort(freeUdpPort());
        const bool all = std::all_of(configs->begin(), configs->end(),
                                     [&](const auto& config) { return sim->addDevice(config, &bindError); });
        if (all) return sim;
    }
    throw std::runtime_error("no free device port: " + bindError.toStdString());
}

namespace {

// A pseudo-terminal whose far end becomes the child's stderr; what the child draws is read as it comes,
// so that a full terminal buffer never holds the child up.
class Terminal {
  public:
    Terminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (name) far_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Terminal() {
        if (far_ >= 0) close(far_);
        if (master_ >= 0) close(master_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    bool ok() const { return master_ >= 0 && far_ >= 0; }
    void becomeStderr() const { dup2(far_, STDERR_FILENO); }
    void drain() {
        char chunk[4096];
        for (ssize_t n; (n = read(master_, chunk, sizeof chunk)) > 0;) drawn_.append(chunk, n);
    }
    QByteArray drawn() const { return drawn_; }

  private:
    int master_ = -1;
    int far_ = -1;
    QByteArray drawn_;
};

// With `interruptWhen`, SIGINT goes to the child once it holds.
CliRun runProcess(const QStringList& args, int deadlineMs, Terminal* terminal,
                  std::function<bool(QProcess&)> interruptWhen = {}, const QProcessEnvironment& extra = {}) {
    CliRun run;
    QProcess process;
    QProcessEnvironment env = loopbackEnvironment();
    for (const QString& name : extra.keys())
        if (name != QStringLiteral("TAVREL_BROADCAST")) env.insert(name, extra.value(name));
    process.setProcessEnvironment(env);
    if (terminal) process.setChildProcessModifier([terminal] { terminal->becomeStderr(); });
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(TAVREL_CLI_PROGRAM), args);
    const bool ended = waitFor(
        [&] {
            if (terminal) terminal->drain();
            if (interruptWhen && interruptWhen(process) && process.state() == QProcess::Running) {
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
                interruptWhen = nullptr;
            }
            return process.state() == QProcess::NotRunning;
        },
        deadlineMs);
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.elapsedMs = clock.elapsed();
    run.finished = ended && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = run.finished ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    if (terminal) {
        terminal->drain();
        run.err = QString::fromUtf8(terminal->drawn());
    } else {
        run.err = QString::fromUtf8(process.readAllStandardError());
    }
    // A sanitizer report fails the test even where the exit code would pass for an expected failure.
    if (run.err.contains(QStringLiteral("AddressSanitizer")) ||
        run.err.contains(QStringLiteral("runtime error:")))
        ADD_FAILURE() << "tavrel-cli " << args.join(' ').toStdString() << ":\n" << run.err.toStdString();
    return run;
}

QStringList loopbackOptions(quint16 devicePort) {
    return {QStringLiteral("--broadcast"),   kLoopbackBroadcast,
            QStringLiteral("--device-port"), QString::number(devicePort),
            QStringLiteral("--local-port"),  QStringLiteral("0")};
}

}  // namespace

CliRun runCliRaw(const QStringList& args, int deadlineMs) { return runProcess(args, deadlineMs, nullptr); }

CliRun runCliWithEnvironment(const QStringList& args, const QProcessEnvironment& extra) {
    return runProcess(args, kRunDeadlineMs, nullptr, {}, extra);
}

CliRun runCliInterrupted(quint16 devicePort, const QStringList& args, std::function<bool()> when) {
    return runProcess(loopbackOptions(devicePort) + args, kRunDeadlineMs, nullptr,
                      [when = std::move(when)](QProcess&) { return when(); });
}

CliRun runCliUntilPrinted(const QStringList& args, const QString& text, QProcess::ProcessChannel channel) {
    // peek leaves the output to be read whole at the end.
    return runProcess(args, kRunDeadlineMs, nullptr, [text = text.toUtf8(), channel](QProcess& process) {
        process.setReadChannel(channel);
        return process.peek(process.bytesAvailable()).contains(text);
    });
}

CliRun runCliOnTerminal(quint16 devicePort, const QStringList& args, const QString& interruptWhenDrawn) {
    Terminal terminal;
    if (!terminal.ok()) {
        ADD_FAILURE() << "no pseudo-terminal";
        return {};
    }
    std::function<bool(QProcess&)> interrupt;
    if (!interruptWhenDrawn.isEmpty())
        interrupt = [&terminal, text = interruptWhenDrawn.toUtf8()](QProcess&) {
            return terminal.drawn().contains(text);
        };
    return runProcess(loopbackOptions(devicePort) + args, kRunDeadlineMs, &terminal, interrupt);
}

CliRun runCli(quint16 devicePort, const QStringList& args, int deadlineMs) {
    return runCliRaw(loopbackOptions(devicePort) + args, deadlineMs);
}

struct SimProgram::Impl {
    QProcess process;
};

SimProgram::SimProgram(const QStringList& args) : impl_(std::make_unique<Impl>()) {
    for (int attempt = 0; attempt < kPortAttempts && !started_; ++attempt) {
        QProcess& p = impl_->process;
        port_ = freeUdpPort();
        p.setProcessEnvironment(loopbackEnvironment());
        p.start(QStringLiteral(TAVREL_SIM_PROGRAM),
                args + QStringList{QStringLiteral("--port"), QString::number(port_)});
        QByteArray printed;
        waitFor(
            [&] {
                printed += p.readAllStandardOutput();
                return printed.contains("devices ready") || p.state() == QProcess::NotRunning;
            },
            kSimStartMs);
        errors_ = QString::fromUtf8(p.readAllStandardError());
        started_ = printed.contains("devices ready") && p.state() == QProcess::Running;
        listing_.clear();
        for (const QByteArray& line : printed.split('\n'))
            if (!line.isEmpty() && !line.startsWith("tavrel-sim:")) listing_.append(QString::fromUtf8(line));
        if (!started_) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
}

SimProgram::~SimProgram() {
    QProcess& p = impl_->process;
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!waitFor([&] { return p.state() == QProcess::NotRunning; }, 5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

std::vector<QStringList> rowsOf(const QString& text) {
    std::vector<QStringList> rows;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        const QStringList words = line.split(space, Qt::SkipEmptyParts);
        if (!words.isEmpty()) rows.push_back(words);
    }
    return rows;
}

QJsonArray jsonArrayOf(const QString& text, QString* error) {
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isArray()) {
        *error = QStringLiteral("not a JSON array (%1): %2").arg(parse.errorString(), text.left(200));
        return {};
    }
    return doc.array();
}

QJsonObject jsonObjectOf(const QString& text, QString* error) {
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("not a JSON object (%1): %2").arg(parse.errorString(), text.left(200));
        return {};
    }
    return doc.object();
}

int framesWithOp(const tavrel::sim::SimDevice& device, std::uint8_t op) {
    const auto& frames = device.frames();
    return static_cast<int>(
        std::count_if(frames.begin(), frames.end(), [op](const auto& f) { return f.op == op; }));
}

}  // namespace clitest
