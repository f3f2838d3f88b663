// tavrel-cli io-test: plays a commissioning script against IO boards through the IO window's link,
// step after step, driven by the board's replies and by timers, and reports every step with its time.
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSaveFile>
#include <QtCore/QTimer>
#include <QtCore/QXmlStreamWriter>

#include "Commands.h"
#include "IoBoardLink.h"
#include "iocontrol/IoScript.h"

namespace tavrel::cli {

namespace {

// A command or query unanswered this long is sent again, up to three times in all.
constexpr int kReplyWaitMs = 500;
constexpr int kSendTries = 3;
// A connection waits this long for the board's model: the connect itself, then six model queries.
constexpr int kConnectWaitMs = 5000;
// A board that connects to us may take a while to come.
constexpr int kListenWaitMs = 30000;
constexpr qint64 kNsPerMs = 1000000;
constexpr int kScriptBytesMax = 1 << 20;

enum class Outcome { Pass, Fail, Skipped };

struct StepResult {
    Outcome outcome = Outcome::Skipped;
    double startMs = 0;
    double ms = 0;
    QString message;
};

const char* outcomeText(Outcome o) {
    return o == Outcome::Pass ? "pass" : o == Outcome::Fail ? "fail" : "skipped";
}

// Plays the steps one after another; every wait is a timer or a reply, never a sleep.
class ScriptRun {
  public:
    ScriptRun(const IoScript& script, bool stopOnFail, Context& ctx, bool log, bool streamText)
        : script_(script), stopOnFail_(stopOnFail), ctx_(ctx), streamText_(streamText) {
        results_.resize(script.steps.size());
        link_.presetPollInterval(0);
        link_.state().setShowCommand(true);
        for (QTimer* t : {&replyTimer_, &deadlineTimer_, &holdTimer_}) {
            t->setSingleShot(true);
            t->setTimerType(Qt::PreciseTimer);
        }
        QObject::connect(&replyTimer_, &QTimer::timeout, [this] { onReplyTimeout(); });
        QObject::connect(&deadlineTimer_, &QTimer::timeout, [this] { onDeadline(); });
        QObject::connect(&holdTimer_, &QTimer::timeout, [this] { onHold(); });
        QObject::connect(&link_, &IoBoardLink::chunkHandled,
                         [this](const ChunkOutcome& outcome) { onChunk(outcome); });
        QObject::connect(&link_, &IoBoardLink::statusChanged,
                         [this](IoBoardLink::Status status) { onStatus(status); });
        if (log)
            QObject::connect(&link_, &IoBoardLink::logAppended, [this](const QString& entry, bool) {
                QString text = entry;
                ctx_.err << text.replace("\r\n", "\n");
                ctx_.err.flush();
            });
    }

    const std::vector<StepResult>& run() {
        clock_.start();
        QTimer::singleShot(0, [this] { begin(0); });
        loop_.exec();
        link_.close();
        return results_;
    }

  private:
    double now() const { return double(clock_.nsecsElapsed()) / kNsPerMs; }
    const IoStep& step() const { return script_.steps[index_]; }
    bool active() const { return index_ < script_.steps.size() && running_; }

    void begin(std::size_t index) {
        index_ = index;
        if (index_ >= script_.steps.size()) {
            loop_.quit();
            return;
        }
        running_ = true;
        tries_ = 0;
        secondHalf_ = false;
        seen_.clear();
        results_[index_].startMs = now();
        const IoStep& s = step();
        if (s.kind == IoStepKind::Connect) return connectBoard();
        if (s.kind == IoStepKind::Wait) return holdTimer_.start(static_cast<int>(s.durationMs));
        if (link_.status() != IoBoardLink::Status::Connected) return finish(false, "not connected");
        const IoBoardState& state = link_.state();
        switch (s.kind) {
            case IoStepKind::ExpectModel:
                return finish(modelMatches(s, state.reportedModel(), state.model()), modelText());
            case IoStepKind::Switch:
            case IoStepKind::SwitchFor:
            case IoStepKind::SwitchAll:
                on_ = s.on;
                return command();
            default:
                if (s.withinMs) deadlineTimer_.start(static_cast<int>(*s.withinMs));
                return query();
        }
    }

    void connectBoard() {
        const IoConnectSpec& c = step().connect;
        link_.close();
        link_.state().setProtocol(c.protocol);
        link_.state().setAddress(c.address);
        const QHostAddress at(q(c.endpoint.host));
        const int wait = static_cast<int>(
            step().withinMs.value_or(c.type == IoConnectionType::TcpServer ? kListenWaitMs : kConnectWaitMs));
        deadlineTimer_.start(wait);
        switch (c.type) {
            case IoConnectionType::TcpClient:
                link_.openTcpClient(at, c.endpoint.port);
                return;
            case IoConnectionType::TcpServer:
                if (link_.openTcpServer(at, c.endpoint.port) != IoBoardLink::OpenResult::Opened)
                    return finish(
                        false,
                        QStringLiteral("cannot listen on %1:%2").arg(at.toString()).arg(c.endpoint.port));
                if (!ctx_.options.json) {
                    ctx_.err << "listening on " << at.toString() << ':' << link_.serverPort() << '\n';
                    ctx_.err.flush();
                }
                return;
            case IoConnectionType::Udp:
                if (link_.openUdp(QHostAddress(q(c.local.host)), c.local.port, at, c.endpoint.port, true) !=
                    IoBoardLink::OpenResult::Opened)
                    return finish(
                        false,
                        QStringLiteral("cannot bind UDP %1:%2").arg(q(c.local.host)).arg(c.local.port));
                return;
            case IoConnectionType::None:
                return finish(false, "no connection type");
        }
    }

    QString modelText() const {
        const IoBoardState& state = link_.state();
        QString text = "model " + q(state.model());
        if (state.reportedModel() != state.model()) text += " (reported " + q(state.reportedModel()) + ")";
        return text;
    }

    void onStatus(IoBoardLink::Status status) {
        if (!active() || step().kind != IoStepKind::Connect) return;
        if (status == IoBoardLink::Status::Connected) finish(true, modelText());
        if (status == IoBoardLink::Status::ConnectFailed) finish(false, "cannot connect");
    }

    // Sends the step's command (a switch, or the switch back of a timed one) and waits for its echo.
    void command() {
        const IoStep& s = step();
        const IoBoardState& state = link_.state();
        const auto frame = s.kind == IoStepKind::SwitchAll
                               ? buildAllOutputs(state.protocol(), state.address(), state.model(), on_)
                               : buildSwitchOutput(state.protocol(), state.address(), s.channel, on_, 0);
        if (!frame) return finish(false, modelText() + " has no all-outputs command");
        ++tries_;
        link_.send(*frame);
        replyTimer_.start(kReplyWaitMs);
    }

    void query() {
        const IoBoardState& state = link_.state();
        const auto frame = stepQuery(step(), state.protocol(), state.address(), state.model());
        if (!frame)
            return finish(false,
                          modelText() + (step().kind == IoStepKind::ExpectAnalog ? " has no analog inputs"
                                                                                 : " has no such query"));
        ++tries_;
        link_.send(*frame);
        replyTimer_.start(kReplyWaitMs);
    }

    bool commandStep() const {
        const IoStepKind k = step().kind;
        return k == IoStepKind::Switch || k == IoStepKind::SwitchFor || k == IoStepKind::SwitchAll;
    }

    void onChunk(const ChunkOutcome& outcome) {
        if (!active() || outcome.decoded.status != IoStatus::Ok || holdTimer_.isActive()) return;
        const IoStepKind kind = step().kind;
        if (kind == IoStepKind::Connect || kind == IoStepKind::Wait) return;
        const IoStepCheck check = checkReply(step(), outcome.decoded.reply, on_);
        if (check.verdict == IoVerdict::Unrelated) return;
        seen_ = q(check.seen);
        if (check.verdict == IoVerdict::Met) {
            replyTimer_.stop();
            if (kind == IoStepKind::SwitchFor && !secondHalf_) {
                secondHalf_ = true;
                return holdTimer_.start(static_cast<int>(step().durationMs));
            }
            return finish(true, seen_);
        }
        // A board may show the old state once more; a command waits for its echo, an expectation
        // with time left asks again.
        if (commandStep()) return;
        if (!step().withinMs) return finish(false, "the board shows " + seen_);
        if (deadlineTimer_.isActive()) {
            tries_ = 0;
            query();
        }
    }

    void onReplyTimeout() {
        if (!active()) return;
        if (tries_ < kSendTries || (step().withinMs && deadlineTimer_.isActive()))
            return commandStep() ? command() : query();
        finish(false,
               seen_.isEmpty() ? QStringLiteral("no answer") : "not confirmed, the board shows " + seen_);
    }

    void onDeadline() {
        if (!active()) return;
        if (step().kind == IoStepKind::Connect)
            return finish(false, link_.status() == IoBoardLink::Status::Listening
                                     ? "no board connected"
                                     : "no answer to the model query");
        finish(false, seen_.isEmpty() ? QStringLiteral("no answer") : "the board shows " + seen_);
    }

    void onHold() {
        if (!active()) return;
        if (step().kind == IoStepKind::Wait) return finish(true, {});
        // A timed switch: the time is up, switch back.
        on_ = !step().on;
        tries_ = 0;
        command();
    }

    void finish(bool pass, const QString& message) {
        replyTimer_.stop();
        deadlineTimer_.stop();
        holdTimer_.stop();
        running_ = false;
        StepResult& r = results_[index_];
        r.outcome = pass ? Outcome::Pass : Outcome::Fail;
        r.ms = now() - r.startMs;
        r.message = message;
        if (streamText_) printStep(ctx_.out, step(), r);
        if (!pass && stopOnFail_) return loop_.quit();
        // The next step starts on a fresh turn of the loop, so a run of instant steps does not nest.
        const std::size_t next = index_ + 1;
        QTimer::singleShot(0, [this, next] { begin(next); });
    }

  public:
    static void printStep(QTextStream& out, const IoStep& s, const StepResult& r) {
        out << (r.outcome == Outcome::Pass   ? "PASS"
                : r.outcome == Outcome::Fail ? "FAIL"
                                             : "SKIP")
            << "  line " << qSetFieldWidth(4) << Qt::left << s.line << qSetFieldWidth(0) << ' '
            << qSetFieldWidth(10) << Qt::right << QString::number(r.ms, 'f', 1) + " ms" << qSetFieldWidth(0)
            << Qt::left << "  " << q(s.text);
        if (!r.message.isEmpty()) out << "  (" << r.message << ')';
        out << '\n';
        out.flush();
    }

  private:
    const IoScript& script_;
    bool stopOnFail_;
    Context& ctx_;
    bool streamText_;
    IoBoardLink link_;
    QEventLoop loop_;
    QElapsedTimer clock_;
    QTimer replyTimer_;
    QTimer deadlineTimer_;
    QTimer holdTimer_;
    std::vector<StepResult> results_;
    std::size_t index_ = 0;
    bool running_ = false;
    int tries_ = 0;
    bool on_ = false;
    bool secondHalf_ = false;
    QString seen_;
};

struct Totals {
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    double ms = 0;
};

Totals totalsOf(const std::vector<StepResult>& results) {
    Totals t;
    for (const StepResult& r : results) {
        (r.outcome == Outcome::Pass ? t.passed : r.outcome == Outcome::Fail ? t.failed : t.skipped) += 1;
        if (r.outcome != Outcome::Skipped) t.ms = std::max(t.ms, r.startMs + r.ms);
    }
    return t;
}

QJsonObject jsonReport(const QString& scriptName, const IoScript& script,
                       const std::vector<StepResult>& results) {
    QJsonArray steps;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const StepResult& r = results[i];
        QJsonObject o{{"line", script.steps[i].line},
                      {"step", q(script.steps[i].text)},
                      {"result", outcomeText(r.outcome)}};
        if (r.outcome != Outcome::Skipped) {
            o["startMs"] = std::round(r.startMs * 10) / 10;
            o["ms"] = std::round(r.ms * 10) / 10;
        }
        if (!r.message.isEmpty()) o["message"] = r.message;
        steps.append(o);
    }
    const Totals t = totalsOf(results);
    return {{"script", scriptName}, {"steps", steps},       {"passed", t.passed},
            {"failed", t.failed},   {"skipped", t.skipped}, {"ms", std::round(t.ms * 10) / 10}};
}

// JUnit XML, one test case per step, so that a CI system shows each step by its line.
QByteArray junitReport(const QString& scriptName, const IoScript& script,
                       const std::vector<StepResult>& results) {
    const Totals t = totalsOf(results);
    const QString suite = "io-test " + QFileInfo(scriptName).fileName();
    auto seconds = [](double ms) { return QString::number(ms / 1000.0, 'f', 3); };
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement("testsuites");
    w.writeAttribute("name", "io-test");
    w.writeAttribute("tests", QString::number(results.size()));
    w.writeAttribute("failures", QString::number(t.failed));
    w.writeAttribute("skipped", QString::number(t.skipped));
    w.writeAttribute("time", seconds(t.ms));
    w.writeStartElement("testsuite");
    w.writeAttribute("name", suite);
    w.writeAttribute("tests", QString::number(results.size()));
    w.writeAttribute("failures", QString::number(t.failed));
    w.writeAttribute("errors", "0");
    w.writeAttribute("skipped", QString::number(t.skipped));
    w.writeAttribute("time", seconds(t.ms));
    for (std::size_t i = 0; i < results.size(); ++i) {
        const StepResult& r = results[i];
        const IoStep& s = script.steps[i];
        w.writeStartElement("testcase");
        w.writeAttribute("classname", suite);
        w.writeAttribute("name", QStringLiteral("line %1: %2").arg(s.line).arg(q(s.text)));
        w.writeAttribute("time", seconds(r.ms));
        if (r.outcome == Outcome::Fail) {
            w.writeStartElement("failure");
            w.writeAttribute("message", r.message);
            w.writeAttribute("type", "step");
            w.writeCharacters(QStringLiteral("line %1: %2: %3").arg(s.line).arg(q(s.text), r.message));
            w.writeEndElement();
        } else if (r.outcome == Outcome::Skipped) {
            w.writeEmptyElement("skipped");
            w.writeAttribute("message", "an earlier step failed");
        } else if (!r.message.isEmpty()) {
            w.writeTextElement("system-out", r.message);
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

bool writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace

int runIoTest(Context& ctx) {
    const ParsedArguments& args = ctx.options.arguments;
    const bool json = ctx.options.json;
    const bool stopOnFail = args.flag("--stop-on-fail");
    const bool log = args.flag("--log");
    const auto junit = args.text("--junit");
    const QString scriptName = args.operands.front();
    QFile file(scriptName);
    if (!file.open(QIODevice::ReadOnly)) {
        ctx.err << scriptName << ": cannot read the script\n";
        return kExitUsage;
    }
    const QByteArray text = file.read(kScriptBytesMax + 1);
    if (text.size() > kScriptBytesMax) {
        ctx.err << scriptName << ": longer than a script can be (1 MiB)\n";
        return kExitUsage;
    }
    const IoScript script =
        parseIoScript(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!script.errors.empty()) {
        QJsonArray errors;
        for (const IoScriptError& e : script.errors) {
            ctx.err << scriptName << ':' << e.line << ": " << q(e.message) << '\n';
            errors.append(QJsonObject{{"line", static_cast<int>(e.line)}, {"message", q(e.message)}});
        }
        ctx.err << "nothing was sent\n";
        // A script that runs the tool reads its answer from stdout, whatever went wrong.
        if (json)
            ctx.out << QJsonDocument(
                           QJsonObject{{"script", scriptName}, {"result", "invalid"}, {"errors", errors}})
                           .toJson(QJsonDocument::Indented);
        return kExitUsage;
    }
    if (junit && !QFileInfo(QFileInfo(*junit).absolutePath()).isDir()) {
        ctx.err << "--junit: no folder " << QFileInfo(*junit).absolutePath() << '\n';
        return kExitUsage;
    }
    // Found out before the board is driven, not after.
    if (junit && QFileInfo(*junit).isDir()) {
        ctx.err << "--junit: " << *junit << " is a folder; give a file name\n";
        return kExitUsage;
    }

    ScriptRun run(script, stopOnFail, ctx, log, !json);
    const std::vector<StepResult>& results = run.run();
    const Totals t = totalsOf(results);
    if (json) {
        ctx.out << QJsonDocument(jsonReport(scriptName, script, results)).toJson(QJsonDocument::Indented);
    } else {
        for (std::size_t i = 0; i < results.size(); ++i)
            if (results[i].outcome == Outcome::Skipped)
                ScriptRun::printStep(ctx.out, script.steps[i], results[i]);
        ctx.out << results.size() << " steps: " << t.passed << " passed, " << t.failed << " failed";
        if (t.skipped > 0) ctx.out << ", " << t.skipped << " skipped";
        ctx.out << " (" << QString::number(t.ms / 1000.0, 'f', 2) << " s)\n";
    }
    ctx.out.flush();
    if (junit && !writeWhole(*junit, junitReport(scriptName, script, results))) {
        ctx.err << "--junit: cannot write " << *junit << '\n';
        return kExitUsage;
    }
    return t.failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace tavrel::cli
