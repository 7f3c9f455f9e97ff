#pragma once

// The quote server over TCP, for one service: each accessor that attaches gets a connection of
// its own (ServerConnection), made on the accessor's thread, to the server at one address
// (docs/wire/transport.md). Requests are handed to the accessor's connection; answers, pushes,
// failures and access states come back through the link. What the server keeps for a connection
// (push subscriptions) is the connection's: a new connection starts with none, and the accessor
// asks for them again when the server reports state 1 (docs/reconnection.md).
//
// Threads: as IServerBackend; every function may be called from any thread. A link whose
// DeliveryThread is null gets its connection on the thread that attaches it, which must run an
// event loop. The hub's mutex guards the connection map and the links.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "host/access/ServerBackend.h"
#include "host/access/transport/ServerAddress.h"
#include "host/access/transport/TransportOptions.h"

namespace transport {

struct ConnectionHub;

class TcpServerBackend : public IServerBackend {
public:
    TcpServerBackend(const QString& service, const ServerAddress& address,
                     const TransportOptions& options = TransportOptions());
    ~TcpServerBackend() override;

    // Installs a backend to `address` in ServerBackendRegistry for each service, the plug-in's
    // two ("l2quote", "pcl2xtquote") by default: what a host's --server HOST:PORT does. Returns
    // them in the order of `services`.
    static QList<std::shared_ptr<TcpServerBackend>> InstallForServices(
        const ServerAddress& address, const TransportOptions& options = TransportOptions(),
        const QStringList& services = DefaultServices());
    static QStringList DefaultServices();

    // Whether a connection of this backend is up (the server's last report was state 1).
    bool IsLinkUp() const;

    void Attach(IServerLink* link) override;
    // Once it returns the link is not called again; the connection closes on its thread.
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

private:
    const QString service_;
    const ServerAddress address_;
    const TransportOptions options_;
    const std::shared_ptr<ConnectionHub> hub_;
};

}  // namespace transport
