#pragma once
// One connection to IO boards (TCP client, TCP server or UDP), as the IO control window uses it:
// frames go out whole, and every chunk that arrives is reported as it was read.
#include <QtCore/QByteArray>
#include <QtCore/QObject>

namespace tavrel {

class IoTransport : public QObject {
    Q_OBJECT
  public:
    // Reads are at most this long; the window decodes only much shorter chunks.
    static constexpr qint64 kReceiveChunkBytes = 1024;

    using QObject::QObject;
    ~IoTransport() override = default;

    // Send errors are not reported: the board's next answer, or its silence, tells.
    virtual void send(const QByteArray& frame) = 0;
    virtual void close() = 0;

  signals:
    void chunkReceived(const QByteArray& chunk);
};

}  // namespace tavrel
