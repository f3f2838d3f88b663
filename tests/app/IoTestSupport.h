#pragma once
// Waiting and port helpers of the IO window tests.
#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtNetwork/QTcpServer>
#include <functional>

namespace tavrel::test::io {

inline bool waitFor(const std::function<bool()>& done, int deadlineMs = 120000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A TCP port that was free a moment ago and has nothing listening now.
inline quint16 closedTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.serverPort();
}

}  // namespace tavrel::test::io
