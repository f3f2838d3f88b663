#pragma once
// The commands of tavrel-cli. Each returns the process exit code.
#include <QtCore/QTextStream>

#include "CliOptions.h"
#include "DeviceSession.h"
#include "protocol/WriteGuard.h"
#include "texts/FixedTextsEnglish.h"
#include "texts/UiTexts.h"

namespace tavrel::cli {

// The version of the JSON the commands print (docs/cli-json.md): it changes only when a key changes
// its meaning or type, or goes.
inline constexpr int kJsonFormat = 1;

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}
// A message of the code the window shares, in the language of the command line: the window's
// Chinese-only messages are given in English unless Chinese was asked for.
inline QString said(const UiTexts& texts, const std::string& text) {
    return q(texts.isEnglish() ? englishOfFixedTexts(text) : text);
}

struct Context {
    GlobalOptions& options;
    UiTexts& texts;
    QTextStream& out;
    QTextStream& err;
};

int runSearch(Context& ctx);
int runShow(Context& ctx);
int runRestart(Context& ctx);
int runReset(Context& ctx);
int runSetNetwork(Context& ctx);
int runSetPort(Context& ctx);
// Parameter profiles (ProfileCommands.cpp).
int runExport(Context& ctx);
int runImport(Context& ctx);
int runDiff(Context& ctx);
int runApply(Context& ctx);
int runWifi(Context& ctx);
int runIo(Context& ctx);
int runIoTest(Context& ctx);
int runTiming(Context& ctx);
int runClock(Context& ctx);
int runUpgrade(Context& ctx);
int runDoctor(Context& ctx);
// Snapshots and putting one back (SnapshotCommands.cpp).
int runSnapshots(Context& ctx);
int runRollback(Context& ctx);
// fleet plan, apply, check: a fleet kept in a spreadsheet (FleetCommands.cpp).
int runFleet(Context& ctx);

// Searches for the device the selector names and returns its table index, or an exit code.
struct FoundDevice {
    int index = -1;
    int exitCode = kExitOk;
};
FoundDevice findDevice(Context& ctx, DeviceSession& session, const QString& selectorText);

// The write guard from a terminal, asked before a write is planned (and for an export): true, with
// the reason on stderr, when the device's read-out is incomplete and --force was not given. The
// write workflow keeps the snapshot once a write goes ahead.
bool refusesIncompleteWrite(Context& ctx, const DeviceSession& session, int index, bool force,
                            WriteKind kind);

// A command's one-line result: the message as it stands, or with --json {"result": ..., "message": ...}.
void printOutcome(Context& ctx, const QString& result, const QString& message);

// Opens the session's socket, or says why not.
bool openSession(Context& ctx, DeviceSession& session);

}  // namespace tavrel::cli
