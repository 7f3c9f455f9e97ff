#include "host/access/transport/FrameChannel.h"

#include <QTcpSocket>
#include <QTimer>

#include "host/access/transport/FrameBodies.h"

namespace transport {

FrameChannel::FrameChannel(QTcpSocket* socket, const TransportOptions& options, QObject* parent)
    : QObject(parent),
      socket_(socket),
      options_(options),
      check_(new QTimer(this)),
      budget_(std::make_shared<SendBudget>(options.send_queue_bytes)) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::bytesWritten, this,
            [budget = budget_.get()](qint64 bytes) { budget->Release(bytes); });
    connect(socket_, &QTcpSocket::readyRead, this, &FrameChannel::OnReadyRead);
    connect(socket_, &QTcpSocket::disconnected, this, &FrameChannel::OnSocketGone);
    connect(socket_, &QAbstractSocket::errorOccurred, this, &FrameChannel::OnSocketGone);
    connect(check_, &QTimer::timeout, this, &FrameChannel::OnCheck);
    check_->start(options_.check_ms);
    since_received_.start();
    since_sent_.start();
}

FrameChannel::~FrameChannel() {
    // No signal from a socket that goes with the channel.
    socket_->disconnect(this);
}

QString FrameChannel::OverBoundReason(qint64 frameBytes) const {
    return QStringLiteral(
               "the peer does not read: %1 bytes held for it, %2 more would pass the "
               "%3-byte bound")
        .arg(budget_->Held())
        .arg(frameBytes)
        .arg(budget_->Bound());
}

bool FrameChannel::Send(const QByteArray& frame) {
    if (!open_) {
        return false;
    }
    if (!budget_->Take(frame.size())) {
        Close(OverBoundReason(frame.size()), true);
        return false;
    }
    return SendCounted(frame);
}

bool FrameChannel::SendCounted(const QByteArray& frame) {
    if (!open_) {
        return false;
    }
    socket_->write(frame);
    since_sent_.restart();
    return true;
}

void FrameChannel::Close(const QString& reason, bool fault) {
    if (!open_) {
        return;
    }
    open_ = false;
    check_->stop();
    socket_->disconnect(this);
    socket_->abort();
    emit Closed(reason, fault);
}

void FrameChannel::OnReadyRead() {
    reader_.Append(socket_->readAll());
    Frame frame;
    QString error;
    while (open_) {
        switch (reader_.Next(&frame, &error)) {
            case FrameReader::Status::NeedMore:
                return;
            case FrameReader::Status::Bad:
                Close(error, true);
                return;
            case FrameReader::Status::Frame:
                since_received_.restart();
                emit FrameReceived(frame);
                break;
        }
    }
}

void FrameChannel::OnCheck() {
    if (since_received_.elapsed() >= options_.silence_ms) {
        Close(QStringLiteral("no frame from the peer for %1 ms").arg(since_received_.elapsed()),
              true);
        return;
    }
    if (socket_->state() == QAbstractSocket::ConnectedState &&
        since_sent_.elapsed() >= options_.heartbeat_ms) {
        Send(HeartbeatFrame());
    }
}

void FrameChannel::OnSocketGone() {
    const QAbstractSocket::SocketError error = socket_->error();
    Close(error == QAbstractSocket::RemoteHostClosedError ||
                  error == QAbstractSocket::UnknownSocketError
              ? QStringLiteral("the peer closed the connection")
              : socket_->errorString(),
          false);
}

}  // namespace transport
