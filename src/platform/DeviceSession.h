#pragma once
// Discovery and device traffic shared by the window and the CLI: owns the device table, the protocol
// socket, the search timer and the sequencer, applies replies through the core and reports what changed.
#include <QtCore/QByteArray>
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <array>
#include <functional>

#include "ProtocolSocket.h"
#include "Sequencer.h"
#include "device/DeviceTable.h"
#include "protocol/NetworkSettings.h"
#include "protocol/Plan.h"
#include "protocol/ReadoutRetry.h"
#include "protocol/ReplyHandler.h"
#include "protocol/Search.h"

class QTimer;

namespace tavrel {

class DeviceSession : public QObject {
    Q_OBJECT
  public:
    explicit DeviceSession(const NetworkSettings& settings, QObject* parent = nullptr);

    const NetworkSettings& settings() const { return settings_; }
    DeviceTable& table() { return table_; }
    const DeviceTable& table() const { return table_; }
    ProtocolSocket& socket() { return socket_; }
    Sequencer& sequencer() { return sequencer_; }

    // Binds the protocol socket on the local port, to `address` or (null) to the configured bind
    // address or all addresses. A failure is returned, never shown.
    bool openSocket(const QHostAddress& address = QHostAddress());

    // Both empty the table whole first, so no device shows another one's leftovers.
    void startBroadcastSearch(const QString& broadcastAddress);
    // `passes` of more than 1 ask the hosts that did not answer again.
    void startSubnetScan(const QString& broadcastAddress, int passes = 1);
    void stopSearch();
    bool searching() const { return schedule_.running(); }
    SearchSchedule::Mode searchMode() const { return schedule_.mode(); }
    // Read-outs still under way: being sent, or waiting for their re-request rounds.
    int pendingReadouts() const { return pendingReadouts_; }

    // When the entry's newest read-out began (ms since the epoch); 0 before any. A write planned from
    // that read-out is stale if another program wrote the device after this.
    qint64 readStartedAt(std::size_t entry) const {
        return entry < readStartedAt_.size() ? readStartedAt_[entry] : 0;
    }

    // Plays a plan for one table entry; plans of one device never interleave.
    void play(std::size_t entry, Plan plan, std::function<void()> done = {});
    // Sends one search request to an address right away.
    void sendSearch(const QString& address);

  signals:
    // A search emptied the table: no entry is the device it was.
    void tableCleared();
    void searchTick(const QString& destination, int host);
    void searchTimedOut();
    void scanFinished();
    void rowAdded(int index);
    void deviceReady(int index);
    void readoutSent(int index);
    // The read-out and its re-request rounds are over; the entry is complete or stays incomplete.
    void readoutSettled(int index);
    // A block that was missing when the entry was shown has arrived since.
    void deviceUpdated(int index);
    // An acknowledgement or refusal of a write, with the key (as keyText) of the device it names.
    void writeAnswered(const QString& key, bool accepted);
    void statusMessage(int part, tavrel::StatusMessage message);
    void outputTimingReply(const QByteArray& boardFrame);
    // The same reply for the table entry whose key it carries; not emitted for an unknown key.
    void outputTimingReplyFor(int index, const QByteArray& boardFrame);
    void wifiScanResult(const QByteArray& datagram);
    void tftpReply(const QByteArray& datagram, const QHostAddress& sender, quint16 port);

  private:
    void onTimer();
    void onDatagram(const QByteArray& data, const QHostAddress& sender, quint16 senderPort);
    QString laneOf(std::size_t entry) const;
    void startReadout(std::size_t entry, Plan readout);
    void afterReadoutRound(std::size_t entry, int chain);

    NetworkSettings settings_;
    DeviceTable table_;
    ProtocolSocket socket_;
    Sequencer sequencer_;
    SearchSchedule schedule_;
    QTimer* timer_ = nullptr;
    int pendingReadouts_ = 0;
    // The newest read-out of each entry; an older one (its device answered the search again, or a new
    // search emptied the table) stops at its next round.
    std::array<int, DeviceTable::kCapacity> readoutChain_{};
    int nextChain_ = 0;
    std::array<RetryRounds, DeviceTable::kCapacity> retryRounds_{};
    std::array<qint64, DeviceTable::kCapacity> readStartedAt_{};
    QElapsedTimer clock_;
};

}  // namespace tavrel
