#include "StopOnSignal.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <QtCore/QSocketNotifier>
#include <csignal>
#endif

namespace tavrel::cli {

#ifndef _WIN32
namespace {

int signalEnds[2] = {-1, -1};
struct sigaction previous {};

extern "C" void writeStopByte(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalEnds[0], &byte, 1);
}

}  // namespace

StopOnSignal::StopOnSignal(QObject* parent) : QObject(parent) {
    if (signalEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalEnds) != 0) return;
    notifier_ = new QSocketNotifier(signalEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopOnSignal::onSignal);
    struct sigaction action {};
    action.sa_handler = writeStopByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous);
}

StopOnSignal::~StopOnSignal() {
    if (!notifier_) return;
    sigaction(SIGINT, &previous, nullptr);
    delete notifier_;
    ::close(signalEnds[0]);
    ::close(signalEnds[1]);
    signalEnds[0] = signalEnds[1] = -1;
}

void StopOnSignal::onSignal() {
    char byte = 0;
    [[maybe_unused]] const auto n = ::read(signalEnds[1], &byte, 1);
    emit stopRequested();
}
#else
StopOnSignal::StopOnSignal(QObject* parent) : QObject(parent) {}
StopOnSignal::~StopOnSignal() = default;
void StopOnSignal::onSignal() {}
#endif

}  // namespace tavrel::cli
