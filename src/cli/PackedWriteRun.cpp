#include "PackedWriteRun.h"

#include <QtCore/QEventLoop>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QTimer>

#include "SearchRun.h"
#include "texts/FixedTexts.h"

namespace tavrel::cli {

namespace {

// After the frame went out, how long an acknowledgement or refusal may take.
constexpr int kAnswerWaitMs = 1500;

enum class Answer { None, Acknowledged, Refused };

// Only the written board's answer counts: another device acknowledging its own write says nothing.
Answer sendAndWait(DeviceSession& session, int index, Plan plan) {
    Answer answer = Answer::None;
    const QString key = QString::fromStdString(keyText(session.table()[static_cast<std::size_t>(index)].key));
    QEventLoop loop;
    QTimer wait;
    wait.setSingleShot(true);
    QObject::connect(&wait, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto conn = QObject::connect(&session, &DeviceSession::writeAnswered, &loop,
                                 [&](const QString& answerKey, bool accepted) {
                                     if (answerKey != key || answer != Answer::None) return;
                                     answer = accepted ? Answer::Acknowledged : Answer::Refused;
                                     loop.quit();
                                 });
    session.play(static_cast<std::size_t>(index), std::move(plan), [&] { wait.start(kAnswerWaitMs); });
    loop.exec();
    QObject::disconnect(conn);
    return answer;
}

struct Report {
    QString result;  // acknowledged, refused, verified, differs, lost
    QStringList differences;
};

int finish(Context& ctx, const Report& r, const QString& line, int code) {
    if (ctx.options.json) {
        QJsonObject o{{"result", r.result}, {"differences", QJsonArray::fromStringList(r.differences)}};
        ctx.out << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
    }
    if (code != kExitOk)
        ctx.err << line << '\n';
    else if (!ctx.options.json)
        ctx.out << line << '\n';
    return code;
}

}  // namespace

int sendPackedWrite(Context& ctx, DeviceSession& session, int index, const PackedWriteInput& input,
                    bool setClock, const ReadBackCheck& check) {
    DeviceRecord& record = session.table()[static_cast<std::size_t>(index)];
    CommandOutcome outcome = packedWriteCommand(&record, input, setClock, ctx.texts.languageCode);
    if (outcome.status != CommandStatus::Ready) {
        ctx.err << QString::fromStdString(outcome.message) << '\n';
        return kExitUsage;
    }
    if (!ctx.options.json) ctx.out << QString::fromStdString(ctx.texts.sendingData) << '\n';
    const DeviceRecord written = record;
    const Answer answer = sendAndWait(session, index, std::move(outcome.plan));
    if (answer == Answer::Refused)
        return finish(ctx, {"refused", {}},
                      QString::fromUtf8(fixed::kConfigFailed.data(), fixed::kConfigFailed.size()),
                      kExitFailed);
    if (answer == Answer::Acknowledged)
        return finish(ctx, {"acknowledged", {}},
                      QString::fromStdString(ctx.texts.savedSuccessfully) + " (acknowledged by the device)",
                      kExitOk);

    // No answer: the board may simply not answer this write. What it reports now tells.
    if (!ctx.options.json) ctx.out << "no answer; searching the device again to compare\n";
    const DeviceKey key{written.mac[3], written.mac[4], written.mac[5]};
    SearchRun search(session);
    auto findAgain = [&]() -> int {
        const DeviceTable& table = session.table();
        for (std::size_t i = 0; i < table.usedCount(); ++i)
            if (table[i].key == key && table[i].imagePresent == 1) return static_cast<int>(i);
        return -1;
    };
    search.run(false, QString::fromStdString(ctx.options.network.broadcast), ctx.options.timeoutMs,
               [&] { return findAgain() >= 0; });
    const int again = findAgain();
    if (again < 0)
        return finish(ctx, {"lost", {}}, "no answer, and the device was not found again", kExitFailed);
    const DeviceRecord& readBack = session.table()[static_cast<std::size_t>(again)];
    QStringList differences;
    for (const std::string& name : packedWriteDifferences(written, readBack))
        differences << QString::fromStdString(name);
    if (check)
        if (auto problem = check(readBack)) differences << QString::fromStdString(*problem);
    if (!differences.isEmpty())
        return finish(ctx, {"differs", differences},
                      "the device reads back differently: " + differences.join(", "), kExitFailed);
    return finish(ctx, {"verified", {}}, "no answer; a new search reads back what was written", kExitOk);
}

}  // namespace tavrel::cli
