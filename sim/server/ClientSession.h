#pragma once

// The server's end of one client connection: it waits for the client's hello (magic, protocol
// version, service), answers with its own, attaches a link of its own to the backend (so what the
// client subscribes to is this connection's state, forgotten when it goes), hands the client's
// requests to the backend, and sends back what the backend answers, pushes, fails and reports.
// A client that breaks the protocol (garbage, a frame beyond the maximum, a request before the
// hello, a body that does not decode), goes silent, or does not read what is sent to it is
// dropped (FrameChannel); the session then detaches from the backend and reports Finished.
//
// Threads: lives on the server's thread, where its socket is; the backend may call the link from
// any thread: the link encodes the frame there and posts it to the session. Frames posted but not
// yet written count in the connection's send budget (SendBudget) with those queued on the
// socket, so what one client costs the server stays within the bound however fast the backend.

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

#include "host/access/ServerBackend.h"
#include "host/access/transport/FrameFormat.h"
#include "host/access/transport/TransportOptions.h"

class QTcpSocket;

namespace transport {
class FrameChannel;
}

namespace simserver {

class ClientSession : public QObject {
    Q_OBJECT
public:
    ClientSession(QTcpSocket* socket, std::shared_ptr<IServerBackend> backend,
                  const transport::TransportOptions& options, QObject* parent = nullptr);
    // Detaches from the backend (if the hello got that far) before anything goes.
    ~ClientSession() override;

    QString PeerName() const { return peer_; }
    // The most this client's frames held at once: posted by the backend plus queued on the socket.
    qint64 PeakQueuedBytes() const;

signals:
    // Once, when the connection ended; `fault`: the client was dropped for misbehaving.
    void Finished(simserver::ClientSession* session, const QString& reason, bool fault);

private:
    class Link;

    void OnFrame(const transport::Frame& frame);
    void OnHello(const transport::Frame& frame);
    void OnRequest(const transport::Frame& frame);
    void OnClosed(const QString& reason, bool fault);
    // Session thread: the link refused a frame for the send bound.
    void OnOverBound(qint64 frameBytes);
    void DetachFromBackend();

    const QString peer_;
    transport::FrameChannel* const channel_;
    const std::shared_ptr<IServerBackend> backend_;
    const std::unique_ptr<Link> link_;
    QString service_;  // the client's, from its hello; empty before
    bool attached_ = false;
};

}  // namespace simserver
