// tavrel-cli io: one IO board over TCP (as client or server) or UDP, with the window's rules.
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTimer>
#include <functional>

#include "Commands.h"
#include "IoBoardLink.h"
#include "IoOptions.h"
#include "iocontrol/IoCodec.h"

namespace tavrel::cli {

namespace {

constexpr int kDefaultWaitMs = 10000;
constexpr int kRequestTries = 3;
constexpr int kRequestGapMs = 500;

// Runs the event loop until `done` holds or the deadline passes.
bool waitUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline) {
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    tick.start(5);
    if (!done() && !deadline.hasExpired()) loop.exec();
    return done();
}

// A channel the board has not reported yet is null.
QJsonArray statesJson(const std::array<Indicator, kMaxIoChannels>& row, int count) {
    QJsonArray list;
    for (int i = 0; i < count; ++i) {
        const Indicator state = row[static_cast<std::size_t>(i)];
        list.append(state == Indicator::Unknown ? QJsonValue() : QJsonValue(state == Indicator::On));
    }
    return list;
}

QString statesText(const std::array<Indicator, kMaxIoChannels>& row, int count) {
    QStringList bits;
    for (int i = 0; i < count; ++i) bits << (row[static_cast<std::size_t>(i)] == Indicator::On ? "1" : "0");
    return bits.join(' ');
}

class IoRun {
  public:
    IoRun(Context& ctx, const IoArguments& args) : ctx_(ctx), args_(args) {
        const int budget = ctx.options.timeoutMs.value_or(kDefaultWaitMs);
        deadline_ = args.action == "watch" && !ctx.options.timeoutMs ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                                     : QDeadlineTimer(budget);
        IoBoardState& state = link_.state();
        state.setProtocol(args.protocol);
        state.setAddress(args.address);
        state.setShowCommand(true);
        link_.presetPollInterval(0);
        if (args.log)
            QObject::connect(&link_, &IoBoardLink::logAppended, [this](const QString& entry, bool) {
                QString text = entry;
                ctx_.err << text.replace("\r\n", "\n");
                ctx_.err.flush();
            });
        QObject::connect(&link_, &IoBoardLink::chunkHandled, [this](const ChunkOutcome& outcome) {
            if (outcome.decoded.status == IoStatus::Ok)
                replies_.push_back(outcome.decoded.reply);
            else
                unreadable_ = outcome.decoded.status;
        });
    }

    int run() {
        if (!open()) return kExitFailed;
        waitUntil([this] { return link_.status() == IoBoardLink::Status::Connected || gaveUp(); }, deadline_);
        if (link_.status() == IoBoardLink::Status::ConnectFailed) {
            ctx_.err << "cannot connect to " << args_.endpoint.address.toString() << ':'
                     << args_.endpoint.port << '\n';
            return kExitFailed;
        }
        if (link_.status() != IoBoardLink::Status::Connected) {
            ctx_.err << "no answer from the board at address " << args_.address << '\n';
            return kExitFailed;
        }
        if (args_.action == "model") return report();
        if (args_.action == "inputs")
            return query(link_.state().inputQuery(), [](const IoReply& r) {
                return std::holds_alternative<InputStates>(r) || std::holds_alternative<AnalogValues>(r);
            });
        if (args_.action == "outputs")
            return query(link_.state().outputQuery(),
                         [](const IoReply& r) { return std::holds_alternative<OutputStates>(r); });
        if (args_.action == "switch") return switchOutput();
        if (args_.action == "all") return allOutputs();
        return watch();
    }

  private:
    bool open() {
        switch (args_.type) {
            case IoConnectionType::TcpClient:
                link_.openTcpClient(args_.endpoint.address, args_.endpoint.port);
                return true;
            case IoConnectionType::TcpServer:
                if (link_.openTcpServer(args_.endpoint.address, args_.endpoint.port) ==
                    IoBoardLink::OpenResult::Opened) {
                    ctx_.err << "listening on " << args_.endpoint.address.toString() << ':'
                             << link_.serverPort() << '\n';
                    ctx_.err.flush();
                    return true;
                }
                ctx_.err << "cannot listen on " << args_.endpoint.address.toString() << ':'
                         << args_.endpoint.port << '\n';
                return false;
            case IoConnectionType::Udp:
                if (link_.openUdp(args_.endpoint.address, args_.endpoint.port, args_.destination.address,
                                  args_.destination.port, true) == IoBoardLink::OpenResult::Opened)
                    return true;
                ctx_.err << "cannot bind UDP " << args_.endpoint.address.toString() << ':'
                         << args_.endpoint.port << '\n';
                return false;
            case IoConnectionType::None:
                break;
        }
        return false;
    }

    // The board was asked its model as often as the window asks, or the connection failed.
    bool gaveUp() {
        if (link_.status() == IoBoardLink::Status::ConnectFailed) return true;
        if (link_.askingModel()) askedModel_ = true;
        return askedModel_ && !link_.askingModel() && link_.status() != IoBoardLink::Status::Connected;
    }

    // Sends the frame up to three times until a reply passes `wanted`.
    bool ask(const IoFrame& frame, const std::function<bool(const IoReply&)>& wanted) {
        for (int attempt = 0; attempt < kRequestTries && !deadline_.hasExpired(); ++attempt) {
            replies_.clear();
            unreadable_.reset();
            link_.send(frame);
            const QDeadlineTimer gap(std::min<qint64>(
                kRequestGapMs, deadline_.remainingTime() < 0 ? kRequestGapMs : deadline_.remainingTime()));
            if (waitUntil(
                    [&] {
                        for (const IoReply& reply : replies_)
                            if (wanted(reply)) return true;
                        return false;
                    },
                    gap))
                return true;
        }
        return false;
    }

    int query(const std::optional<IoFrame>& frame, const std::function<bool(const IoReply&)>& wanted) {
        if (frame && !ask(*frame, wanted)) {
            // An answer this tool cannot read is not silence: a board of a model it does not know.
            if (unreadable_)
                ctx_.err << "the board's answer to the " << args_.action << " query could not be read ("
                         << ioStatusText(*unreadable_) << ")\n";
            else
                ctx_.err << "the board did not answer the " << args_.action << " query\n";
            return kExitFailed;
        }
        return report();
    }

    int switchOutput() {
        const auto frame = buildSwitchOutput(args_.protocol, link_.state().address(), args_.output, args_.on,
                                             args_.timeValue);
        const int n = args_.output;
        const bool on = args_.on;
        bool confirmed = frame && ask(*frame, [n, on](const IoReply& r) {
                             if (const auto* changed = std::get_if<OutputChanged>(&r))
                                 return changed->output == n && changed->on == on;
                             if (const auto* states = std::get_if<OutputStates>(&r))
                                 return states->count >= n && states->on[n - 1] == on;
                             return false;
                         });
        if (confirmed) refreshOutputs();
        // An echo only says the frame arrived; the states read after it say whether the relay moved.
        // A timed switch may already be back when the states are read, so it keeps the echo's word.
        const auto& state = link_.state();
        const bool moved = !confirmed || args_.timeValue != 0 || state.knownOutputs() < n ||
                           state.outputs()[std::size_t(n - 1)] == (on ? Indicator::On : Indicator::Off);
        confirmed = confirmed && moved;
        report();
        if (!confirmed) ctx_.err << "the board did not confirm output " << n << (on ? " on" : " off") << '\n';
        return confirmed ? kExitOk : kExitFailed;
    }

    int allOutputs() {
        const auto frame = link_.state().allOutputs(args_.on);
        if (!frame) {
            ctx_.err << "model " << QString::fromStdString(link_.state().model())
                     << " has no all-outputs command\n";
            report();
            return kExitFailed;
        }
        const bool on = args_.on;
        const bool confirmed = ask(*frame, [on](const IoReply& r) {
            if (std::holds_alternative<AllOutputsWritten>(r)) return true;
            if (const auto* states = std::get_if<OutputStates>(&r)) {
                for (std::size_t i = 0; i < states->count; ++i)
                    if (states->on[i] != on) return false;
                return states->count > 0;
            }
            return false;
        });
        if (confirmed) refreshOutputs();
        report();
        if (!confirmed) ctx_.err << "the board did not confirm all outputs " << (on ? "on" : "off") << '\n';
        return confirmed ? kExitOk : kExitFailed;
    }

    // After a switch the other outputs are read too, so that the report shows them all.
    void refreshOutputs() {
        if (auto frame = link_.state().outputQuery())
            ask(*frame, [](const IoReply& r) { return std::holds_alternative<OutputStates>(r); });
    }

    int watch() {
        int printed = 0;
        QObject::connect(&link_, &IoBoardLink::chunkHandled, [&](const ChunkOutcome& outcome) {
            // Replies may come faster than the wait below looks: --count N prints N, never more.
            if (args_.count > 0 && printed >= args_.count) return;
            const IoReply& r = outcome.decoded.reply;
            if (std::holds_alternative<InputStates>(r) || std::holds_alternative<OutputStates>(r) ||
                std::holds_alternative<AnalogValues>(r)) {
                report();
                ++printed;
            }
        });
        link_.setPollInterval(args_.intervalMs);
        waitUntil([&] { return args_.count > 0 && printed >= args_.count; }, deadline_);
        link_.setPollInterval(0);
        return printed > 0 ? kExitOk : kExitFailed;
    }

    int report() {
        const IoBoardState& state = link_.state();
        if (args_.json) {
            QJsonObject object{{"model", QString::fromStdString(state.model())}};
            if (state.reportedModel() != state.model())
                object["reported"] = QString::fromStdString(state.reportedModel());
            if (state.knownInputs() > 0) object["inputs"] = statesJson(state.inputs(), state.knownInputs());
            if (state.knownOutputs() > 0)
                object["outputs"] = statesJson(state.outputs(), state.knownOutputs());
            if (state.analog()) {
                QJsonArray values;
                for (auto v : state.analog()->values) values.append(int(v));
                object["analog"] = values;
            }
            ctx_.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        } else {
            ctx_.out << "model: " << QString::fromStdString(state.model());
            if (state.reportedModel() != state.model())
                ctx_.out << " (reported " << QString::fromStdString(state.reportedModel()) << ')';
            ctx_.out << '\n';
            if (state.knownInputs() > 0)
                ctx_.out << "inputs: " << statesText(state.inputs(), state.knownInputs()) << '\n';
            if (state.knownOutputs() > 0)
                ctx_.out << "outputs: " << statesText(state.outputs(), state.knownOutputs()) << '\n';
            if (state.analog()) {
                ctx_.out << "analog:";
                for (auto v : state.analog()->values) ctx_.out << ' ' << v;
                ctx_.out << '\n';
            }
        }
        ctx_.out.flush();
        return kExitOk;
    }

    Context& ctx_;
    const IoArguments& args_;
    IoBoardLink link_;
    QDeadlineTimer deadline_;
    std::vector<IoReply> replies_;
    std::optional<IoStatus> unreadable_;  // the last reply of the current request that could not be read
    bool askedModel_ = false;
};

}  // namespace

int runIo(Context& ctx) {
    QString error;
    const auto args = parseIoLine(ctx.options.arguments, ctx.options.json, error);
    if (!args) {
        ctx.err << error << '\n';
        return kExitUsage;
    }
    IoRun run(ctx, *args);
    return run.run();
}

}  // namespace tavrel::cli
