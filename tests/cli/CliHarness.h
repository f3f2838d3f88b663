#pragma once
// Runs tavrel-cli as a child process against simulated devices on a UDP port no other test uses.
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QProcessEnvironment>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimIoBoard.h"
#include "Simulator.h"

namespace clitest {

// Far beyond any run that works, so a hung program fails the test instead of the whole suite.
inline constexpr int kRunDeadlineMs = 60000;

struct CliRun {
    bool finished = false;  // false: killed at the deadline
    int exitCode = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

// Devices described as tavrel-sim takes them ("kind=serial,ports=4,..."), on a free device port.
std::unique_ptr<tavrel::sim::Simulator> simulate(const std::vector<std::string>& texts);

// An IO board described as tavrel-sim's --io-board takes it, started; a test failure and nothing
// when the description or the start fails.
std::unique_ptr<tavrel::sim::SimIoBoard> ioBoard(const std::string& description);

// A UDP port free on loopback right now (bound and released); tests never share one.
quint16 freeUdpPort();

// Runs tavrel-cli with loopback-only global options in front of `args`; the event loop keeps
// serving in-process simulators while it waits.
CliRun runCli(quint16 devicePort, const QStringList& args, int deadlineMs = kRunDeadlineMs);
// As runCli, with stderr a terminal: `err` holds what was drawn on it (lines end in "\r\n"); SIGINT
// goes once the terminal shows `interruptWhenDrawn`, when given.
CliRun runCliOnTerminal(quint16 devicePort, const QStringList& args, const QString& interruptWhenDrawn = {});
// As runCli, sending it SIGINT (as Ctrl-C does) once `when` holds.
CliRun runCliInterrupted(quint16 devicePort, const QStringList& args, std::function<bool()> when);
// As runCliRaw, sending SIGINT once the channel shows `text`: what a command prints while it works
// must reach its reader then, not when it ends: give the command more to do than the run's deadline, so
// that text held back until the end never shows.
CliRun runCliUntilPrinted(const QStringList& args, const QString& text,
                          QProcess::ProcessChannel channel = QProcess::StandardOutput);
// Runs tavrel-cli with exactly these arguments (usage tests); the environment still says loopback.
CliRun runCliRaw(const QStringList& args, int deadlineMs = kRunDeadlineMs);
// As runCliRaw, with these variables added to the environment (the broadcast address stays loopback).
CliRun runCliWithEnvironment(const QStringList& args, const QProcessEnvironment& extra);

// The tavrel-sim program running in the background until destroyed.
class SimProgram {
  public:
    // Starts it with `args` plus --port on a free port; started() tells whether it said it is ready.
    explicit SimProgram(const QStringList& args);
    ~SimProgram();
    bool started() const { return started_; }
    quint16 port() const { return port_; }
    // What it printed before it was ready: one line per device.
    const QStringList& listing() const { return listing_; }
    QString errors() const { return errors_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool started_ = false;
    quint16 port_ = 0;
    QStringList listing_;
    QString errors_;
};

// Runs the event loop until `done` holds or `deadlineMs` passes; whether `done` held.
bool waitFor(const std::function<bool()>& done, int deadlineMs = 30000);

// Whitespace-separated words of each non-empty line.
std::vector<QStringList> rowsOf(const QString& text);
QJsonArray jsonArrayOf(const QString& text, QString* error);
QJsonObject jsonObjectOf(const QString& text, QString* error);

// Frames the device logged with this operation ('R' or 'W').
int framesWithOp(const tavrel::sim::SimDevice& device, std::uint8_t op);

}  // namespace clitest
