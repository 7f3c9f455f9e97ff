#pragma once

// What the socket tests share: short transport timings, a recorder of what an accessor hears,
// and a listener that plays a hostile quote server from a script of raw bytes.
// Threads: the listener and its sockets live on the test's thread; the recorder is written on
// the accessor's thread and read under its lock.

#include <QHostAddress>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/transport/TransportOptions.h"
#include "host/core/DetachedCopy.h"

namespace tcptest {

// Timings a tenth or less of the real ones, so that a test of a reconnection takes a second.
inline transport::TransportOptions ShortTimings() {
    transport::TransportOptions o;
    o.heartbeat_ms = 100;
    o.silence_ms = 400;
    o.check_ms = 25;
    o.first_retry_ms = 20;
    o.max_retry_ms = 80;
    return o;
}

// Access states and packages an accessor delivered, in order; copies handed out
// share no block with the lists the accessor's thread appends to.
class Heard {
public:
    void Listen(CHQOWNServerAccesser& accessor, const QList<int>& functions) {
        accessor.RegisterAccessStateObserver([this](_enAccessState s) { Add(&states_, int(s)); });
        for (int function : functions) {
            accessor.RegisterReceiver(
                ReceiverKey(function, this), [this](const Resp_s& r) { Add(&packages_, r); },
                nullptr);
        }
    }
    QList<int> States() const { return Copy(states_); }
    int LastState() const { return States().value(States().size() - 1, -1); }
    QList<Resp_s> Packages() const { return Copy(packages_); }
    void Clear() {
        QMutexLocker lock(&mutex_);
        states_.clear(), packages_.clear();
    }

private:
    template <typename T>
    void Add(QList<T>* list, const T& item) {
        QMutexLocker lock(&mutex_);
        *list << item;
    }
    template <typename T>
    QList<T> Copy(const QList<T>& list) const {
        QMutexLocker lock(&mutex_);
        return DetachedCopy(list);
    }
    mutable QMutex mutex_;
    QList<int> states_;
    QList<Resp_s> packages_;
};

// A server that writes `script` to every connection it accepts, then reads and drops whatever
// comes and never sends again.
class ScriptedListener : public QObject {
public:
    explicit ScriptedListener(const QByteArray& script) : script_(script) {
        QObject::connect(&listener_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = listener_.nextPendingConnection()) {
                ++accepted_;
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [socket] { socket->readAll(); });
                socket->write(script_);
            }
        });
        listener_.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return listener_.serverPort(); }
    int Accepted() const { return accepted_; }

private:
    const QByteArray script_;
    QTcpServer listener_;  // owns the sockets
    int accepted_ = 0;
};

}  // namespace tcptest
