#pragma once

#include <QHash>
#include <QMutex>

class IServerLink;

namespace transport {

class ServerConnection;

// What a TcpServerBackend shares with its connections: which connection serves which link.
// The mutex also guards every connection's link pointer and is held for each call into a link
// (calls that only post), so that a detached link is never called again.
struct ConnectionHub {
    QMutex mutex;
    QHash<IServerLink*, ServerConnection*> connections;
    int connected = 0;  // connections whose last reported state is 1

    // Mutex held: the connection is going away.
    void Forget(ServerConnection* connection) {
        for (auto it = connections.begin(); it != connections.end();) {
            it = it.value() == connection ? connections.erase(it) : std::next(it);
        }
    }
};

}  // namespace transport
