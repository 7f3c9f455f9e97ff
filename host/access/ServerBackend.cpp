#include "host/access/ServerBackend.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Registry {
    QMutex mutex;
    QMap<QString, std::shared_ptr<IServerBackend>> backends;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void ServerBackendRegistry::Install(const QString& service,
                                    std::shared_ptr<IServerBackend> backend) {
    Registry& r = TheRegistry();
    QMutexLocker lock(&r.mutex);
    if (backend) {
        r.backends.insert(service, std::move(backend));
    } else {
        r.backends.remove(service);
    }
}

std::shared_ptr<IServerBackend> ServerBackendRegistry::Find(const QString& service) {
    Registry& r = TheRegistry();
    QMutexLocker lock(&r.mutex);
    return r.backends.value(service);
}

void ServerBackendRegistry::Clear() {
    Registry& r = TheRegistry();
    QMap<QString, std::shared_ptr<IServerBackend>> dropped;
    {
        QMutexLocker lock(&r.mutex);
        dropped.swap(r.backends);
    }
    // `dropped` releases the backends here, outside the lock.
}
