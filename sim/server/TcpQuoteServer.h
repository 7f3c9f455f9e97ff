#pragma once

// A quote-server backend (the simulated market) behind a TCP listener: every client connection
// gets a ClientSession of its own, so many clients watch one market, each with its own push
// subscriptions. A client dropped for misbehaving is named in a warning; the others go on.
//
// Threads: lives on the thread that creates it, which runs an event loop; every function is
// called there and the signals are emitted there. The backend may run threads of its own.

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

#include "host/access/ServerBackend.h"
#include "host/access/transport/ServerAddress.h"
#include "host/access/transport/TransportOptions.h"

class QTcpServer;

namespace simserver {

class ClientSession;

class TcpQuoteServer : public QObject {
    Q_OBJECT
public:
    explicit TcpQuoteServer(
        std::shared_ptr<IServerBackend> backend,
        const transport::TransportOptions& options = transport::TransportOptions(),
        QObject* parent = nullptr);
    // Closes every connection, each detached from the backend first.
    ~TcpQuoteServer() override;

    // Port 0: any free port. False with *error when the address cannot be listened on.
    bool Listen(const transport::ServerAddress& address, QString* error);
    // Where it listens, with the real port.
    transport::ServerAddress Address() const;

    int ClientCount() const { return sessions_.size(); }
    // The most any one client's frames held at once (posted and queued), clients gone included.
    qint64 PeakQueuedBytes() const;

signals:
    void ClientJoined(const QString& peer);
    void ClientLeft(const QString& peer, const QString& reason, bool fault);

private:
    void OnNewConnection();
    void OnFinished(ClientSession* session, const QString& reason, bool fault);

    const std::shared_ptr<IServerBackend> backend_;
    const transport::TransportOptions options_;
    QTcpServer* const listener_;
    QList<ClientSession*> sessions_;  // children
    qint64 peak_of_gone_ = 0;
};

}  // namespace simserver
