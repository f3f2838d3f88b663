#include "NamedDevices.h"

#include "SearchRun.h"

namespace tavrel::cli {

namespace {

// The table entry the selector names: a device that is read out first, else any that answered.
int entryOf(const DeviceSession& session, const SearchRun& search, const DeviceSelector& selector) {
    const DeviceTable& table = session.table();
    int partial = -1;
    for (std::size_t i = 0; i < table.usedCount(); ++i) {
        if (!selects(selector, table[i])) continue;
        if (search.ready().count(static_cast<int>(i))) return static_cast<int>(i);
        if (partial < 0) partial = static_cast<int>(i);
    }
    return partial;
}

}  // namespace

std::vector<int> findNamedDevices(Context& ctx, DeviceSession& session, CliWriter& writer,
                                  const std::vector<DeviceSelector>& selectors, bool everyone) {
    SearchRun search(session);
    search.run(false, QString::fromStdString(ctx.options.network.broadcast), ctx.options.timeoutMs, [&] {
        if (everyone) return false;
        for (const auto& selector : selectors) {
            const int i = entryOf(session, search, selector);
            if (i < 0 || !search.ready().count(i)) return false;
        }
        return true;
    });
    std::vector<int> entries;
    // A device that lost replies is read again until whole, rather than refused as incomplete.
    std::vector<WriteRequest> rereads;
    for (const auto& selector : selectors) {
        entries.push_back(entryOf(session, search, selector));
        const int i = entries.back();
        if (i >= 0 && !writer.writer().check(i).whole)
            rereads.push_back(rereadRequest(i, session.table()[static_cast<std::size_t>(i)]));
    }
    if (!rereads.empty()) runWrites(writer.writer(), std::move(rereads));
    return entries;
}

}  // namespace tavrel::cli
