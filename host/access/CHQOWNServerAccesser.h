#pragma once

// The client's accessor to one quote-server service ("l2quote", "pcl2xtquote", ...).
//
// Threads: the accessor owns a thread, moves itself onto it at construction and starts it; its
// object name starts as the service name and may be changed from the creating thread.
// Answers, pushes, errors and access-state changes are delivered on that thread: receivers and
// access-state observers run there, with no accessor lock held (so they may register, append
// tasks, etc.). Every public function may be called from any thread; m_mutex guards the
// registrations, receivers and observers. The accessor may be deleted from any thread: the
// destructor closes the link (later backend calls are dropped, and so is what was queued and
// not yet delivered), quits and joins the thread (a delivery in progress finishes first), then
// detaches from the backend. Deliveries handed over together are delivered in one wake-up of the
// thread, in the order handed. Deleted from a receiver on its own thread, it quits without joining
// and the thread ends when that delivery returns.
//
// Requests go to the backend installed in ServerBackendRegistry for the service name at
// construction; with none installed they are dropped (debug line) and still get a task id.
//
// Reconnection (docs/reconnection.md): once the backend reports a state other than connected,
// requests are held; when it reports connected again, the accessor first sends, in the order
// appended and each once, what it owes the server (ReconnectLedger: the requests not answered,
// the standing subscriptions), and only then tells the observers that the link is up. m_sendMutex
// orders every send: a request appended meanwhile goes after the re-sends.

#include <atomic>
#include <functional>
#include <memory>

#include <QMap>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSharedPointer>
#include <QString>
#include <QThread>
#include <QVarLengthArray>
#include <QVector>

#include "host/access/AccessTypes.h"
#include "host/access/ReconnectLedger.h"

class IServerBackend;

class CHQOWNServerAccesser : public QObject {
    Q_OBJECT
public:
    using ResponseHandler = std::function<void(const Resp_s&)>;
    using ErrorHandler = std::function<void(int task, int code, const QString& text)>;
    using AccessStateObserver = std::function<void(_enAccessState)>;

    // `parent` must be null (the accessor lives on its own thread); a non-null parent is ignored
    // with a warning. `flags` is kept for the caller (Flags()) and has no effect.
    CHQOWNServerAccesser(const QString& service, QObject* parent, int flags);
    ~CHQOWNServerAccesser() override;

    QString ServiceName() const;
    int Flags() const;

    // Recorded only: this accessor has no connection of its own to check.
    void EnableAsyncAutoCheck(bool enable);
    bool IsAsyncAutoCheckEnabled() const;

    void RegisterAccessStateObserver(AccessStateObserver observer);
    // The last state a backend reported (eAccessState_Unknown before any).
    _enAccessState AccessState() const;

    void RegisterFuncAsSerial(int funcId);
    void RegisterFuncAsPush(int funcId);
    bool IsSerial(int funcId) const;
    bool IsPush(int funcId) const;

    // Registering the same key again replaces its handlers. Either handler may be empty.
    void RegisterReceiver(const ReceiverKey& key, ResponseHandler onResponse, ErrorHandler onError);
    void UnregisterReceiver(const ReceiverKey& key);

    // Returns the task id (> 0), or -1 when funcId is not registered as serial or the parameters
    // cannot be encoded (both logged as warnings; nothing is sent).
    int AppendTaskByParams(int funcId, quint16 flags, QSharedPointer<ProcessContext_s> context,
                           const RequestParams& params);
    int AppendTaskByParams(int funcId, QSharedPointer<ProcessContext_s> context,
                           const RequestParams& params);

    // The thread answers are delivered on.
    QThread* DeliveryThread();

    // For tests and diagnostics: whether requests are being held for a reconnection, and how
    // many requests would be sent again on one.
    bool IsHoldingRequests() const;
    int OwedRequestCount() const;

private:
    class Link;
    struct Receiver {
        ResponseHandler onResponse;
        ErrorHandler onError;
    };

    // Run on the accessor's thread.
    void DeliverAnswer(const ServerRequest& request, const QByteArray& body);
    void DeliverFailure(const ServerRequest& request, int code, const QString& text);
    void DeliverPush(int funcId, const QByteArray& body);
    void DeliverAccessState(_enAccessState state);
    void DeliverResponse(const Resp_s& resp);
    void Settle(int taskId);
    // The link is back: sends what the ledger owes the server.
    void Reconnect();

    // Shared, so that handing a function's receivers to a delivery copies pointers, not the
    // handlers (a handler's copy may allocate); most functions have one or two receivers.
    using ReceiverList = QVarLengthArray<std::shared_ptr<const Receiver>, 4>;
    ReceiverList ReceiversFor(int funcId) const;

    const QString m_service;
    const int m_flags;
    std::atomic<bool> m_asyncAutoCheck{false};
    std::atomic<int> m_accessState{eAccessState_Unknown};

    mutable QMutex m_mutex;  // guards the four members below
    QSet<int> m_serialFuncs;
    QSet<int> m_pushFuncs;
    QMap<ReceiverKey, std::shared_ptr<const Receiver>> m_receivers;
    QVector<AccessStateObserver> m_observers;

    mutable QMutex m_sendMutex;  // guards m_ledger and orders the calls of OnRequest
    ReconnectLedger m_ledger;

    std::shared_ptr<IServerBackend> m_backend;
    std::unique_ptr<Link> m_link;
    QThread* m_thread;  // owned; see the destructor
};
