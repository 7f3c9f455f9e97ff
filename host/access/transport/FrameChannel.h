#pragma once

// One TCP connection carrying frames, as both ends use it: it reads frames out of the byte
// stream however it is cut, writes frames with a bounded send queue, sends a heartbeat when it
// has sent nothing for heartbeat_ms, and closes the connection when the peer was silent for
// silence_ms (no complete frame), sent a header that cannot be trusted, does not read what is
// sent to it (SendBudget), or went away. It closes once and says why (Closed); it never reconnects.
//
// Threads: lives on the thread of the socket it is given (which runs an event loop); every
// function is called there and the signals are emitted there.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

#include "host/access/transport/FrameFormat.h"
#include "host/access/transport/FrameReader.h"
#include "host/access/transport/SendBudget.h"
#include "host/access/transport/TransportOptions.h"

class QTcpSocket;
class QTimer;

namespace transport {

class FrameChannel : public QObject {
    Q_OBJECT
public:
    // Takes the socket as its child, connected or still connecting; the silence is timed from
    // here, so a connection that never completes is closed too.
    FrameChannel(QTcpSocket* socket, const TransportOptions& options, QObject* parent = nullptr);
    ~FrameChannel() override;

    // Queues the frame. False when the channel is closed or closes now because the send queue
    // would pass its bound.
    bool Send(const QByteArray& frame);
    // Queues a frame its poster already counted in Budget(); false when the channel is closed.
    bool SendCounted(const QByteArray& frame);
    // Closes the connection at once (what is queued is discarded) and emits Closed(reason, fault).
    void Close(const QString& reason, bool fault);

    bool IsOpen() const { return open_; }
    QTcpSocket* Socket() const { return socket_; }
    // The send queue's count, shared with whoever posts frames to this channel.
    const std::shared_ptr<SendBudget>& Budget() const { return budget_; }
    // The reason a frame was refused for the bound, for Close.
    QString OverBoundReason(qint64 frameBytes) const;

signals:
    void FrameReceived(const transport::Frame& frame);
    // Once. `fault`: the peer misbehaved or stalled (not merely closed or refused).
    void Closed(const QString& reason, bool fault);

private:
    void OnReadyRead();
    void OnCheck();
    void OnSocketGone();

    QTcpSocket* const socket_;
    const TransportOptions options_;
    QTimer* check_;
    FrameReader reader_;
    QElapsedTimer since_received_;  // since the last complete frame (or the start)
    QElapsedTimer since_sent_;      // since the last frame queued (or the start)
    const std::shared_ptr<SendBudget> budget_;
    bool open_ = true;
};

}  // namespace transport
