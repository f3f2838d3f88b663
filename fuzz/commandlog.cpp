// The IO window's command log: frames of any bytes, filter states and pauses; the log's counted
// length always matches its text and never runs far past its limit.
#include "iocontrol/CommandLog.h"
#include "FuzzInput.h"

using namespace tavrel;
using tavrel::fuzz::FuzzInput;

namespace {
std::size_t codePoints(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    constexpr std::size_t kLimit = 400;
    CommandLog log(kLimit);
    LogFilterState state;
    while (!in.empty()) {
        const std::uint8_t flags = in.byte();
        state.protocol = flags & 1 ? IoProtocol::Modbus : IoProtocol::Custom;
        state.showCommand = flags & 2;
        state.modelLabelEmpty = flags & 4;
        const auto frame = in.bytes(in.byte() % 48);
        const LogClock clock{in.byte() % 24, in.byte() % 60, in.byte() % 60};
        const auto direction = flags & 8 ? LogDirection::Received : LogDirection::Sent;
        const std::string entry = logEntryText(direction, frame, clock);
        FUZZ_CHECK(entry.find("%") == std::string::npos);
        const std::size_t before = log.lengthChars();
        const LogAppend result = logFrame(log, direction, frame, state, flags & 16, clock);
        FUZZ_CHECK(log.lengthChars() == codePoints(log.text()));
        // A log near its limit starts afresh with the entry; below it, the entry is added.
        if (result == LogAppend::Dropped) FUZZ_CHECK(log.lengthChars() == before);
        if (result == LogAppend::Appended)
            FUZZ_CHECK(before + 50 <= kLimit && log.lengthChars() == before + codePoints(entry));
        if (result == LogAppend::ClearedAndAppended) FUZZ_CHECK(log.text() == entry);
    }
    return 0;
}
