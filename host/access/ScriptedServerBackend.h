#pragma once

// A quote-server backend driven by tests: it records every request, lets the test answer or
// push when it wants, and can answer by itself through an optional responder.
//
// Threads: every function may be called from any thread; m_mutex guards the records and the
// link list. Calls into links happen under m_mutex, so Detach waits for a Push or Answer in
// progress and no link is called after it is detached (link calls only post, never block).
// The responder runs on the requesting thread without m_mutex held.

#include <functional>

#include <QHash>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QWaitCondition>

#include "host/access/ServerBackend.h"

class ScriptedServerBackend : public IServerBackend {
public:
    using Responder = std::function<void(IServerLink*, const ServerRequest&)>;

    void Attach(IServerLink* link) override;
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

    // True once at least n requests were recorded since the last ClearRequests, false on timeout.
    bool WaitForRequests(int n, int timeoutMs);
    QList<ServerRequest> Requests() const;
    void ClearRequests();

    // Answers through the link that sent the request; false (and a warning) if that link is gone.
    bool Answer(const ServerRequest& request, const QByteArray& body);
    bool Fail(const ServerRequest& request, int code, const QString& text);
    void Push(int funcId, const QByteArray& body);  // to every attached link
    void SetAccessState(_enAccessState state);      // to every attached link
    void SetResponder(Responder responder);

    int LinkCount() const;

private:
    using Origin = QPair<QString, int>;  // (service, task id)
    IServerLink* OriginLinkLocked(const ServerRequest& request) const;

    mutable QMutex m_mutex;
    QWaitCondition m_requestArrived;
    QList<ServerRequest> m_requests;
    QList<IServerLink*> m_links;
    QHash<Origin, IServerLink*> m_origins;
    Responder m_responder;
};
