#pragma once

// The seam between an accessor and whatever plays the quote server (a scripted test backend,
// a simulated market). An accessor binds to the backend installed for its service name when it
// is constructed, attaches its link, hands every accepted request to OnRequest, and detaches the
// link in its destructor.
//
// Threads: OnRequest is called on the thread that called AppendTaskByParams, with no accessor
// lock held; it must not block for long. A backend may call the link from any thread (its own
// timers included); the link marshals every delivery onto the accessor's thread. After Detach
// returns the backend must not call that link again, so a backend that calls links from its own
// threads serialises those calls with Detach (e.g. under one mutex).

#include <memory>

#include <QByteArray>
#include <QSharedPointer>
#include <QString>

#include "host/access/AccessTypes.h"

class QThread;

struct ServerRequest {
    QString service;
    int funcId = 0;
    quint16 flags = 0;
    QSharedPointer<ProcessContext_s> context;
    RequestParams params;  // decoded from `encoded`: what the server sees
    QByteArray encoded;    // the wire form of the parameters
    int taskId = -1;       // unique within the process
};

// What a backend calls back on an accessor. Thread-safe; every call returns at once.
class IServerLink {
public:
    virtual ~IServerLink() = default;
    // The answer to `request`, for the receivers of request.funcId with request.context.
    virtual void Answer(const ServerRequest& request, const QByteArray& body) = 0;
    // An error for `request`, for the error handlers of the receivers of request.funcId.
    virtual void Fail(const ServerRequest& request, int code, const QString& text) = 0;
    // A package the server pushes; delivered only if funcId is registered as push.
    virtual void Push(int funcId, const QByteArray& body) = 0;
    virtual void ReportAccessState(_enAccessState state) = 0;
    // Returns once everything this link was handed before has been delivered (receivers and
    // observers have returned), or the accessor is going away. Must not be called on the
    // delivery thread or with a lock a receiver may take. For drivers that step deliveries
    // (a replay); the default returns at once.
    virtual void WaitDelivered() {}
    // The thread deliveries run on, for a backend that keeps an object per link on it (a
    // socket); null when the link has none of its own.
    virtual QThread* DeliveryThread() const { return nullptr; }
};

class IServerBackend {
public:
    virtual ~IServerBackend() = default;
    virtual void Attach(IServerLink* link) { Q_UNUSED(link); }
    virtual void Detach(IServerLink* link) { Q_UNUSED(link); }
    virtual void OnRequest(IServerLink* link, const ServerRequest& request) = 0;
};

// Process-wide map from service name to backend. Thread-safe (one mutex).
class ServerBackendRegistry {
public:
    // Replaces any backend installed for the service; a null backend uninstalls it.
    static void Install(const QString& service, std::shared_ptr<IServerBackend> backend);
    static std::shared_ptr<IServerBackend> Find(const QString& service);
    static void Clear();
};
