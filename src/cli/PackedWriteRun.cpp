#include "PackedWriteRun.h"

#include "WriteRun.h"

namespace tavrel::cli {

int sendPackedWrite(Context& ctx, DeviceSession& session, int index, DeviceRecord draft,
                    const PackedWriteInput& input, bool setClock, bool force, const ReadBackCheck& check,
                    bool withDevice) {
    CommandOutcome outcome = packedWriteCommand(&draft, input, setClock, ctx.texts.languageCode);
    if (outcome.status != CommandStatus::Ready) {
        ctx.err << QString::fromStdString(outcome.message) << '\n';
        return kExitUsage;
    }
    WriteRequest request;
    request.entry = index;
    request.plan = std::move(outcome.plan);
    request.expected = draft;
    request.scope = WriteScope::Packed;
    request.answer = AnswerRule::Optional;
    request.reread = RereadRule::Broadcast;
    request.forced = force;
    CliWriter writer(ctx, session);
    WriteOutcome written = writer.run(std::move(request));
    if (check && written.result == WriteResult::Verified) {
        if (auto problem = check(session.table()[static_cast<std::size_t>(written.entryAfter)])) {
            written.differences.push_back(*problem);
            written.result = WriteResult::Differs;
        }
    }
    return reportWrite(ctx, session, written, withDevice);
}

}  // namespace tavrel::cli
