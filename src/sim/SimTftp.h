#pragma once
// A device's TFTP receiver for firmware uploads: takes a write request at the device's address and
// TFTP port, answers every block from a fresh port of its own (as TFTP servers do), and keeps the
// last image received whole.
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "SimConfig.h"

class QTimer;
class QUdpSocket;

namespace tavrel::sim {

// "normal", "oack", "error", "wrong-block", "silent", "stall"
std::string tftpBehaviourName(TftpBehaviour behaviour);

struct ReceivedFirmware {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string sha256;  // lowercase hexadecimal
};

class SimTftp : public QObject {
    Q_OBJECT
  public:
    // `options` is the device's, read at every request so that a test may change it in between.
    SimTftp(const QHostAddress& address, const SimOptions& options, QObject* parent = nullptr);
    ~SimTftp() override;

    bool open(std::uint16_t port, QString* error);
    std::uint16_t port() const;

    int requests() const { return requests_; }
    // When the first write request came, to tell how long the tool waited before it.
    std::chrono::steady_clock::time_point firstRequestAt() const { return firstRequestAt_; }
    bool hasFirmware() const { return completed_ > 0; }
    int completedUploads() const { return completed_; }
    const ReceivedFirmware& firmware() const { return firmware_; }
    // The address the last write request came from: the tool's bound address.
    const QHostAddress& requestedFrom() const { return requestedFrom_; }

  signals:
    void firmwareReceived();

  private:
    void readRequests();
    void readTransfer();
    void startTransfer(const QByteArray& request, const QHostAddress& from, std::uint16_t port);
    void sendFromTransfer(const QByteArray& packet);
    void endTransfer();

    QHostAddress address_;
    const SimOptions& options_;
    QUdpSocket* listen_ = nullptr;
    QUdpSocket* transfer_ = nullptr;
    QTimer* idle_ = nullptr;
    QHostAddress client_;
    QHostAddress requestedFrom_;
    std::uint16_t clientPort_ = 0;
    std::uint16_t expected_ = 0;  // block number of the next DATA
    std::string name_;
    std::vector<std::uint8_t> received_;
    ReceivedFirmware firmware_;
    int requests_ = 0;
    std::chrono::steady_clock::time_point firstRequestAt_{};
    int completed_ = 0;
};

}  // namespace tavrel::sim
