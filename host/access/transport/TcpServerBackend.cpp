#include "host/access/transport/TcpServerBackend.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include "host/access/transport/ConnectionHub.h"
#include "host/access/transport/ServerConnection.h"

namespace transport {

TcpServerBackend::TcpServerBackend(const QString& service, const ServerAddress& address,
                                   const TransportOptions& options)
    : service_(service),
      address_(address),
      options_(options),
      hub_(std::make_shared<ConnectionHub>()) {}

// Accessors hold their backend until they have detached, so no connection is left here.
TcpServerBackend::~TcpServerBackend() = default;

QStringList TcpServerBackend::DefaultServices() {
    return {QStringLiteral("l2quote"), QStringLiteral("pcl2xtquote")};
}

QList<std::shared_ptr<TcpServerBackend>> TcpServerBackend::InstallForServices(
    const ServerAddress& address, const TransportOptions& options, const QStringList& services) {
    QList<std::shared_ptr<TcpServerBackend>> installed;
    for (const QString& service : services) {
        installed << std::make_shared<TcpServerBackend>(service, address, options);
        ServerBackendRegistry::Install(service, installed.last());
    }
    return installed;
}

bool TcpServerBackend::IsLinkUp() const {
    QMutexLocker lock(&hub_->mutex);
    return hub_->connected > 0;
}

void TcpServerBackend::Attach(IServerLink* link) {
    QThread* thread = link->DeliveryThread();
    if (thread == nullptr) {
        thread = QThread::currentThread();
    }
    auto* connection = new ServerConnection(hub_, link, service_, address_, options_);
    connection->moveToThread(thread);
    QMutexLocker lock(&hub_->mutex);
    hub_->connections.insert(link, connection);
    QMetaObject::invokeMethod(connection, &ServerConnection::Start, Qt::QueuedConnection);
}

void TcpServerBackend::Detach(IServerLink* link) {
    QMutexLocker lock(&hub_->mutex);
    ServerConnection* connection = hub_->connections.take(link);
    if (connection == nullptr) {
        return;  // gone with its thread
    }
    connection->DetachLinkLocked();
    if (connection->thread() == QThread::currentThread()) {
        lock.unlock();
        delete connection;
    } else {
        connection->deleteLater();
    }
}

// Posted under the hub's mutex: the connection cannot be deleted meanwhile (its destructor takes
// the mutex first), and a deleted connection's posted calls are discarded.
void TcpServerBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    QMutexLocker lock(&hub_->mutex);
    ServerConnection* connection = hub_->connections.value(link);
    if (connection == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        connection, [connection, request] { connection->Send(request); }, Qt::QueuedConnection);
}

}  // namespace transport
