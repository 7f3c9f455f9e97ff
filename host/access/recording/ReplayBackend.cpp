#include "host/access/recording/ReplayBackend.h"

#include <QDebug>
#include <QMutexLocker>

#include "host/access/recording/RecordingFormat.h"
#include "host/core/DetachedCopy.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"

namespace recording {

namespace {

const char kLogTag[] = "replay";

// The request's identity as the server saw it, in the recording's own encoding.
QByteArray KeyOf(const QString& service, int function, quint16 flags, const QStringList& tags,
                 const QByteArray& params) {
    RecordedEvent e;
    e.kind = Kind::Request;
    e.service = service;
    e.function = function;
    e.flags = flags;
    e.taskId = 0;
    e.tags = tags;
    e.params = params;
    return RecordingFormat::EncodeRecord(e);
}

QString Describe(const ServerRequest& request) {
    QStringList params;
    for (const auto& p : request.params) {
        const QVariant& v = p.second;
        const QString value =
            v.type() == QVariant::StringList  ? v.toStringList().join(QLatin1Char(','))
            : v.type() == QVariant::ByteArray ? QString::fromLatin1(v.toByteArray().toHex())
                                              : v.toString();
        params << QStringLiteral("%1 %2").arg(p.first, value);
    }
    return QStringLiteral("function %1 on %2 with parameters [%3]")
        .arg(request.funcId)
        .arg(request.service, params.join(QStringLiteral("; ")));
}

}  // namespace

class ReplayBackend::Endpoint : public IServerBackend {
public:
    Endpoint(ReplayBackend& owner, const QString& service) : m_owner(owner), m_service(service) {}
    void Attach(IServerLink* link) override { m_owner.Attach(m_service, link); }
    void Detach(IServerLink* link) override { m_owner.Detach(m_service, link); }
    void OnRequest(IServerLink* link, const ServerRequest& request) override {
        m_owner.OnRequest(link, request);
    }

private:
    ReplayBackend& m_owner;
    const QString m_service;
};

ReplayBackend::ReplayBackend(const Recording& recording) : m_header(recording.header) {
    QSet<int> answered;
    for (const RecordedEvent& e : recording.events) {
        if (e.kind == Kind::Answer || e.kind == Kind::Failure) {
            answered.insert(e.taskId);
        }
    }
    for (const RecordedEvent& e : recording.events) {
        if (e.kind != Kind::Request) {
            m_deliveries.append(e);
            continue;
        }
        m_requests.insert(e.taskId, e);
        // Every recorded key is known; only answered requests take a live one: one that went
        // unanswered (sent while the link was down, or a retry the answer overtook) depends on
        // timing and has nothing to replay, and must not shift the answers of later ones.
        QQueue<int>& unbound = m_unbound[KeyOf(e.service, e.function, e.flags, e.tags, e.params)];
        if (answered.contains(e.taskId)) {
            unbound.enqueue(e.taskId);
        }
    }
}

ReplayBackend::~ReplayBackend() = default;

std::shared_ptr<IServerBackend> ReplayBackend::ForService(const QString& service) {
    QMutexLocker lock(&m_mutex);
    std::shared_ptr<Endpoint>& endpoint = m_endpoints[service];
    if (!endpoint) {
        endpoint = std::make_shared<Endpoint>(*this, service);
    }
    return endpoint;
}

QStringList ReplayBackend::Services() const {
    QSet<QString> services;
    for (const RecordedEvent& e : m_deliveries) {
        if (!e.service.isEmpty()) {
            services.insert(e.service);
        }
    }
    for (const RecordedEvent& e : m_requests) {
        services.insert(e.service);
    }
    QStringList sorted = services.values();
    sorted.sort();
    return sorted;
}

void ReplayBackend::InstallForServices() {
    for (const QString& service : Services()) {
        ServerBackendRegistry::Install(service, ForService(service));
    }
}

void ReplayBackend::Attach(const QString& service, IServerLink* link) {
    QMutexLocker lock(&m_mutex);
    m_links[service].append(link);
}

void ReplayBackend::Detach(const QString& service, IServerLink* link) {
    QMutexLocker flushLock(&m_deliverMutex);
    QMutexLocker lock(&m_mutex);
    m_links[service].removeAll(link);
    for (auto it = m_bound.begin(); it != m_bound.end();) {
        it = it->link == link ? m_bound.erase(it) : std::next(it);
    }
}

void ReplayBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    QStringList tags;
    for (const auto& p : request.params) {
        tags << p.first;
    }
    const QByteArray key =
        KeyOf(request.service, request.funcId, request.flags, tags, request.encoded);
    QMutexLocker lock(&m_mutex);
    auto it = m_unbound.find(key);
    if (it == m_unbound.end()) {
        // Once per key: a call's timer may send the same request again and again.
        if (!m_reportedKeys.contains(key)) {
            m_reportedKeys.insert(key);
            ReportLocked(QStringLiteral("not in the recording: %1").arg(Describe(request)));
        }
        return;
    }
    if (!it->isEmpty()) {
        m_bound.insert(it->dequeue(), Bound{link, request});
        m_requestArrived.wakeAll();
    }
}

void ReplayBackend::ReportLocked(const QString& text) {
    m_reports << text;
    qWarning().noquote() << kLogTag << "{:SEPARATOR}" << text;
}

bool ReplayBackend::NextWaitsLocked() const {
    if (m_next >= m_deliveries.size()) {
        return false;
    }
    const RecordedEvent& e = m_deliveries.at(m_next);
    const bool answers = e.kind == Kind::Answer || e.kind == Kind::Failure;
    return answers && m_requests.contains(e.taskId) && !m_bound.contains(e.taskId);
}

ReplayBackend::Step ReplayBackend::PostNextLocked(QList<IServerLink*>* posted) {
    if (m_next >= m_deliveries.size()) {
        return Step::Finished;
    }
    if (NextWaitsLocked()) {
        return Step::Waiting;
    }
    const RecordedEvent& e = m_deliveries.at(m_next++);
    HostClock::SetForTest(m_header.startMs + qint64(e.timeMs));
    switch (e.kind) {
        case Kind::Answer:
        case Kind::Failure: {
            const auto bound = m_bound.constFind(e.taskId);
            if (bound == m_bound.constEnd()) {
                ReportLocked(QStringLiteral("recorded answer at %1 ms to task %2 of function %3, "
                                            "whose request is not in the recording; skipped")
                                 .arg(e.timeMs)
                                 .arg(e.taskId)
                                 .arg(e.function));
                break;
            }
            if (e.kind == Kind::Answer) {
                bound->link->Answer(bound->request, e.body);
            } else {
                bound->link->Fail(bound->request, e.code, e.text);
            }
            posted->append(bound->link);
            break;
        }
        case Kind::Push:
        case Kind::Link:
            for (IServerLink* link : m_links.value(e.service)) {
                if (e.kind == Kind::Push) {
                    link->Push(e.function, e.body);
                } else {
                    link->ReportAccessState(e.state);
                }
                posted->append(link);
            }
            break;
        case Kind::Dropped:
            ReportLocked(QStringLiteral("%1 records were dropped by the recorder at %2 ms")
                             .arg(e.dropped)
                             .arg(e.timeMs));
            break;
        case Kind::Request:
            break;
    }
    return Step::Delivered;
}

ReplayBackend::Step ReplayBackend::DeliverNext() {
    // The plug-in's timers due before the delivery fire first, at their own times, as they did
    // live: a poll they send is bound before its recorded answer comes due. Outside the locks, as
    // a timer's request comes back to OnRequest.
    const qint64 next = NextTimeMs();
    if (next >= 0) {
        HostTimerQueue::AdvanceClockTo(m_header.startMs + next);
    }
    QMutexLocker flushLock(&m_deliverMutex);
    QList<IServerLink*> posted;
    Step step;
    {
        QMutexLocker lock(&m_mutex);
        step = PostNextLocked(&posted);
    }
    for (IServerLink* link : posted) {
        link->WaitDelivered();
    }
    return step;
}

ReplayBackend::Step ReplayBackend::AdvanceTo(quint64 timeMs) {
    for (;;) {
        const qint64 next = NextTimeMs();
        if (next < 0) {
            return Step::Finished;
        }
        if (quint64(next) > timeMs) {
            return Step::Delivered;
        }
        const Step step = DeliverNext();
        if (step != Step::Delivered) {
            return step;
        }
    }
}

qint64 ReplayBackend::NextTimeMs() const {
    QMutexLocker lock(&m_mutex);
    return m_next < m_deliveries.size() ? qint64(m_deliveries.at(m_next).timeMs) : -1;
}

bool ReplayBackend::WaitForRequest(int timeoutMs) {
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer deadline(timeoutMs);
    while (NextWaitsLocked()) {
        if (!m_requestArrived.wait(&m_mutex, deadline)) {
            return !NextWaitsLocked();
        }
    }
    return true;
}

void ReplayBackend::SkipNext() {
    QMutexLocker lock(&m_mutex);
    if (m_next >= m_deliveries.size()) {
        return;
    }
    const RecordedEvent& e = m_deliveries.at(m_next++);
    const RecordedEvent request = m_requests.value(e.taskId);
    ReportLocked(QStringLiteral("the plug-in did not ask for the recorded answer at %1 ms to "
                                "function %2 on %3 (parameters %4); skipped")
                     .arg(e.timeMs)
                     .arg(e.function)
                     .arg(e.service, QString::fromLatin1(request.params.toHex())));
}

int ReplayBackend::DeliveredCount() const {
    QMutexLocker lock(&m_mutex);
    return m_next;
}

int ReplayBackend::EventCount() const {
    return m_deliveries.size();
}

QStringList ReplayBackend::Reports() const {
    QMutexLocker lock(&m_mutex);
    return DetachedCopy(m_reports);  // appended to on the accessors' threads
}

}  // namespace recording
