#pragma once
// A stand-in for the tool in simulator tests: a UDP socket on 127.0.0.1 and frames built by hand.
#include <QByteArray>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace simtest {

using Key = std::array<std::uint8_t, 3>;

inline const QHostAddress kBroadcast{QStringLiteral("127.255.255.255")};

inline QHostAddress loopback(int last) {
    return QHostAddress(QStringLiteral("127.0.0.%1").arg(last));
}

// A frame of any length: 'H' ':' op code, the payload, key, 8-bit sum of all before it, 'E' '.'.
inline QByteArray frame(char op, std::uint8_t code, const QByteArray& payload, Key key) {
    QByteArray f("H:");
    f += op;
    f += char(code);
    f += payload;
    for (auto b : key) f += char(b);
    std::uint8_t sum = 0;
    for (char c : f) sum = std::uint8_t(sum + std::uint8_t(c));
    f += char(sum);
    f += "E.";
    return f;
}

// A 26-byte request: sixteen payload bytes, padded with the filler.
inline QByteArray request(char op, std::uint8_t sub, const QByteArray& data, std::uint8_t filler, Key key) {
    QByteArray payload = data.left(16);
    payload += QByteArray(16 - payload.size(), char(filler));
    return frame(op, sub, payload, key);
}
inline QByteArray readRequest(std::uint8_t sub, Key key) {
    return request('R', sub, {}, 0xAA, key);
}
inline QByteArray searchRequest() {
    return readRequest(1, {0, 0, 0});
}
inline QByteArray command(std::uint8_t sub, Key key) {
    return request('W', sub, {}, 0x55, key);
}
inline QByteArray write(std::uint8_t sub, const QByteArray& data, Key key) {
    return request('W', sub, data, 0, key);
}

inline std::uint8_t at(const QByteArray& bytes, int i) {
    return std::uint8_t(bytes.at(i));
}

// A port nobody on this machine uses right now, so parallel tests do not hear each other.
inline quint16 freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return probe.localPort();
}

class Tool {
  public:
    Tool() {
        socket_.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        QObject::connect(&socket_, &QUdpSocket::readyRead, [this] {
            while (socket_.hasPendingDatagrams()) received.push_back(socket_.receiveDatagram());
        });
    }
    quint16 port() const { return socket_.localPort(); }
    void send(const QByteArray& frame, const QHostAddress& to, quint16 port) {
        socket_.writeDatagram(frame, to, port);
    }
    bool waitFor(std::size_t count, int ms = 30000) {
        return QTest::qWaitFor([&] { return received.size() >= count; }, ms);
    }
    // Sends the frame and waits for this many datagrams in all.
    bool exchange(const QByteArray& frame, const QHostAddress& to, quint16 port, std::size_t total) {
        send(frame, to, port);
        return waitFor(total);
    }

    std::vector<QNetworkDatagram> received;

  private:
    QUdpSocket socket_;
};

}  // namespace simtest
