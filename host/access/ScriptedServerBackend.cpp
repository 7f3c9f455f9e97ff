#include "host/access/ScriptedServerBackend.h"

#include "host/core/DetachedCopy.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QMutexLocker>

void ScriptedServerBackend::Attach(IServerLink* link) {
    QMutexLocker lock(&m_mutex);
    if (!m_links.contains(link)) {
        m_links.append(link);
    }
}

void ScriptedServerBackend::Detach(IServerLink* link) {
    QMutexLocker lock(&m_mutex);
    m_links.removeAll(link);
    for (auto it = m_origins.begin(); it != m_origins.end();) {
        it = it.value() == link ? m_origins.erase(it) : std::next(it);
    }
}

void ScriptedServerBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    Responder responder;
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(request);
        m_origins.insert(Origin(request.service, request.taskId), link);
        responder = m_responder;
        m_requestArrived.wakeAll();
    }
    if (responder) {
        responder(link, request);
    }
}

bool ScriptedServerBackend::WaitForRequests(int n, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_requests.size() < n) {
        if (!m_requestArrived.wait(&m_mutex, deadline)) {
            return m_requests.size() >= n;
        }
    }
    return true;
}

QList<ServerRequest> ScriptedServerBackend::Requests() const {
    QMutexLocker lock(&m_mutex);
    return DetachedCopy(m_requests);
}

void ScriptedServerBackend::ClearRequests() {
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

IServerLink* ScriptedServerBackend::OriginLinkLocked(const ServerRequest& request) const {
    IServerLink* link = m_origins.value(Origin(request.service, request.taskId));
    if (link == nullptr) {
        qWarning().noquote() << "qzaccess"
                             << "{:SEPARATOR}"
                             << QStringLiteral(
                                    "scripted backend: task %1 of %2 has no link; "
                                    "not answered")
                                    .arg(request.taskId)
                                    .arg(request.service);
    }
    return link;
}

bool ScriptedServerBackend::Answer(const ServerRequest& request, const QByteArray& body) {
    QMutexLocker lock(&m_mutex);
    IServerLink* link = OriginLinkLocked(request);
    if (link != nullptr) {
        link->Answer(request, body);
    }
    return link != nullptr;
}

bool ScriptedServerBackend::Fail(const ServerRequest& request, int code, const QString& text) {
    QMutexLocker lock(&m_mutex);
    IServerLink* link = OriginLinkLocked(request);
    if (link != nullptr) {
        link->Fail(request, code, text);
    }
    return link != nullptr;
}

void ScriptedServerBackend::Push(int funcId, const QByteArray& body) {
    QMutexLocker lock(&m_mutex);
    for (IServerLink* link : qAsConst(m_links)) {
        link->Push(funcId, body);
    }
}

void ScriptedServerBackend::SetAccessState(_enAccessState state) {
    QMutexLocker lock(&m_mutex);
    for (IServerLink* link : qAsConst(m_links)) {
        link->ReportAccessState(state);
    }
}

void ScriptedServerBackend::SetResponder(Responder responder) {
    QMutexLocker lock(&m_mutex);
    m_responder = std::move(responder);
}

int ScriptedServerBackend::LinkCount() const {
    QMutexLocker lock(&m_mutex);
    return m_links.size();
}
