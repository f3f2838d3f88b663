#include "QuitOnSignal.h"

#include <QCoreApplication>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#endif

namespace tavrel::sim {

#ifdef _WIN32

// Windows has no SIGTERM; the console's Ctrl+C and Ctrl+Break come to a handler on a thread of their
// own, which only queues the quit for the event loop.
namespace {

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return FALSE;
    QMetaObject::invokeMethod(
        app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) {
    active_ = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

QuitOnSignal::~QuitOnSignal() {
    if (active_) SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

void QuitOnSignal::onSignal() {}

#else

namespace {

int pipeEnds[2] = {-1, -1};

extern "C" void writeSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(pipeEnds[0], &byte, 1);
}

}  // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignal::onSignal);
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    active_ = true;
}

QuitOnSignal::~QuitOnSignal() {
    if (!active_) return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitOnSignal::onSignal() {
    char byte = 0;
    [[maybe_unused]] const auto n = ::read(pipeEnds[1], &byte, 1);
    QCoreApplication::quit();
}

#endif

}  // namespace tavrel::sim
