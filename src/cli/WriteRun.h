#pragma once
// The terminal's side of the write workflow: runs one write to its end (Ctrl-C lets the frames under
// way finish, then stops), and turns its outcome into one result word, one line and an exit code.
#include <QtCore/QString>

#include "Commands.h"
#include "DeviceReread.h"
#include "DeviceWrite.h"
#include "StopOnSignal.h"

namespace tavrel::cli {

class CliWriter {
  public:
    // `announce`: "Sending data..." before each write (commands that print a line per device do not).
    CliWriter(Context& ctx, DeviceSession& session, bool announce = true);
    WriteOutcome run(WriteRequest request);
    DeviceWrite& writer() { return write_; }
    // For writes a board's own chain carries: the workflow's snapshot, a failure said as a warning.
    void keepSnapshot(int entry);
    bool stopped() const { return write_.stopped(); }

  private:
    Context& ctx_;
    bool announce_;
    DeviceReread reread_;
    DeviceWrite write_;
    StopOnSignal stop_;
};

// "verified", "unverified", "differs", "not-back", "refused", "no-answer", "not-sent"
QString resultName(const WriteOutcome& outcome);
// The outcome's line in the interface language, with what differs.
QString outcomeLine(Context& ctx, const WriteOutcome& outcome);
int exitCodeOf(const WriteOutcome& outcome);

// Prints the outcome (with --json one object: result, message, acknowledged, differences, and the
// device as read back when `withDevice`) and returns the exit code.
int reportWrite(Context& ctx, DeviceSession& session, const WriteOutcome& outcome, bool withDevice);

}  // namespace tavrel::cli
