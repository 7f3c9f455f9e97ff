#pragma once

// One accessor's connection to the quote server over TCP (TcpServerBackend makes one per link).
// It connects, says hello with the accessor's service, sends the accessor's requests, and hands
// what the server sends to the link: answers and failures with the request they belong to (its
// task id, its process context), pushes, and the server's access state. When the connection is
// lost (the server closed it, went silent, sent what cannot be read, or stopped reading), it
// reports state 2 and connects again after a backoff (TransportOptions); the accessor re-sends
// what the lost connection owed once the server reports state 1 (docs/reconnection.md).
//
// Threads: lives on the link's delivery thread (the accessor's, which runs an event loop); Start
// and Send run there. Every call into the link is made under the hub's mutex and only while the
// link is attached, so that TcpServerBackend::Detach can promise no call after it returns.

#include <QObject>
#include <QString>

#include <memory>

#include "host/access/ReconnectLedger.h"
#include "host/access/ServerBackend.h"
#include "host/access/transport/FrameFormat.h"
#include "host/access/transport/RetryBackoff.h"
#include "host/access/transport/ServerAddress.h"
#include "host/access/transport/TransportOptions.h"

class QTimer;

namespace transport {

class FrameChannel;
struct ConnectionHub;

class ServerConnection : public QObject {
    Q_OBJECT
public:
    ServerConnection(std::shared_ptr<ConnectionHub> hub, IServerLink* link, const QString& service,
                     const ServerAddress& address, const TransportOptions& options);
    ~ServerConnection() override;

    // Reports state 3 (connecting) and connects.
    void Start();
    // Sends the request if the server's hello has arrived on the current connection; otherwise
    // it is dropped here and the accessor sends it again once the link is back.
    void Send(const ServerRequest& request);
    // Hub mutex held: from now on nothing reaches the link.
    void DetachLinkLocked() { link_ = nullptr; }

private:
    void Connect();
    void OnFrame(const Frame& frame);
    void OnHello(const Frame& frame);
    void OnAnswerOrFailure(const Frame& frame);
    void OnState(const Frame& frame);
    void OnClosed(const QString& reason, bool fault);
    void Report(_enAccessState state);
    // Calls `call` with the link, under the hub's mutex, if the link is still attached.
    template <typename Call>
    void WithLink(Call call);

    const std::shared_ptr<ConnectionHub> hub_;
    IServerLink* link_;  // guarded by the hub's mutex
    const QString service_;
    const ServerAddress address_;
    const TransportOptions options_;
    RetryBackoff backoff_;
    QTimer* retry_;
    FrameChannel* channel_ = nullptr;  // the current connection; null while waiting to retry
    bool hello_ = false;               // the server's hello arrived on channel_
    _enAccessState reported_ = eAccessState_Unknown;
    // The requests sent on channel_ that may still be answered: plain ones until their answer
    // (or 10 s), standing ones until replaced. Empty again with every new connection.
    ReconnectLedger sent_;
};

}  // namespace transport
