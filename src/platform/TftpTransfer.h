#pragma once
// One firmware upload on the wire: the core's uploader, a UDP socket of its own and the time-out.
// The device answers the write request from a fresh port of its own to the port the request came
// from, so each upload's socket hears only its own device, and uploads to many devices at once
// never share state.
#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtNetwork/QHostAddress>
#include <memory>
#include <vector>

#include "firmware/TftpUploader.h"

class QTimer;
class QUdpSocket;

namespace tavrel {

class TftpTransfer : public QObject {
    Q_OBJECT
  public:
    explicit TftpTransfer(QObject* parent = nullptr);
    ~TftpTransfer() override;

    // Sends the write request to `target` at `tftpPort`, from a fresh port on `localAddress` (null:
    // any). Refused (nothing sent) when no request can be made for this name and size.
    UploadResult start(const QString& firmwarePath, std::shared_ptr<const std::vector<std::uint8_t>> image,
                       const QString& target, quint16 tftpPort, const QHostAddress& localAddress = {});
    // Ends a running upload without a message (the dialog closed).
    void stop();

    const TftpUploader& uploader() const { return uploader_; }
    bool active() const { return uploader_.active(); }

  signals:
    // After every event that changed the dialog's bar or button.
    void viewChanged(const tavrel::FirmwareView& view);
    // A message box text of the upload ("传输错误", "文件的序号不对!").
    void message(const QString& text);
    void finished(tavrel::UploadResult result);

  private:
    void readPending();
    void onTimer();
    void apply(const UploadStep& step);
    const QHostAddress& addressOf(const std::string& text);

    TftpUploader uploader_;
    QUdpSocket* socket_ = nullptr;
    QTimer* timer_ = nullptr;
    // The time-out moves on with every acknowledgement; the timer is re-armed only when it fires
    // early, not thousands of times a second.
    QElapsedTimer clock_;
    qint64 deadlineMs_ = 0;
    FirmwareView shown_;
    QHostAddress senderAddress_;
    std::string senderText_;
    std::string cachedText_;
    QHostAddress cachedAddress_;
};

}  // namespace tavrel
