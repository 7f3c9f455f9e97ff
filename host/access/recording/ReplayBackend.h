#pragma once

// Plays a session recording back to the accessors as their quote server, one delivery at a time
// under the caller's control, so that a session runs again the same way every time.
//
// Each live request is matched to the recorded requests by service, function, flags, tags and
// encoded parameters: the n-th live request of a key takes the n-th recorded one that was
// answered (recorded requests without an answer are skipped; later repeats of a key are answered
// by nothing new). DeliverNext hands over the next recorded answer,
// failure, push or access state, in recorded order, after moving the host clock to the
// recording's start plus the record's time (through HostTimerQueue, so that the plug-in's timers
// due on the way fire first, at their due times), and returns once the accessor has handled it. An
// answer whose request the plug-in has not sent yet holds the replay (Waiting) until it does or
// the driver skips it; a live request that the recording does not hold is reported once per key
// (Reports() and a warning) with its function and parameters instead of being left unanswered
// unnoticed.
//
// Threads: DeliverNext, WaitForRequest, SkipNext are called by one driver thread, never from a
// receiver, holding no lock a plug-in timer needs (DeliverNext fires the timers, see
// HostTimerQueue). Endpoints (ForService) are called on the accessors' threads. m_mutex guards
// every member below it; links are called under it only to post (never block); WaitDelivered runs
// under m_deliverMutex only, which Detach also takes, so a link is never waited on after it is
// detached. The ReplayBackend must outlive the accessors bound to its endpoints.

#include <QHash>
#include <QList>
#include <QMutex>
#include <QQueue>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <QWaitCondition>

#include <memory>

#include "host/access/ServerBackend.h"
#include "host/access/recording/RecordingReader.h"

namespace recording {

class ReplayBackend {
public:
    explicit ReplayBackend(const Recording& recording);
    ~ReplayBackend();

    // The backend to install for `service` (made once per service).
    std::shared_ptr<IServerBackend> ForService(const QString& service);
    // Installs an endpoint in ServerBackendRegistry for every service the recording names.
    void InstallForServices();
    QStringList Services() const;

    enum class Step { Delivered, Waiting, Finished };
    Step DeliverNext();
    // Delivers every event up to recorded time `timeMs`; stops early on Waiting.
    Step AdvanceTo(quint64 timeMs);
    // The recorded time of the next delivery, -1 when there is none.
    qint64 NextTimeMs() const;
    // True once the request the next delivery waits for has been sent (or nothing waits).
    bool WaitForRequest(int timeoutMs);
    // Drops the next delivery, reporting that the plug-in never asked for it.
    void SkipNext();

    int DeliveredCount() const;
    int EventCount() const;  // deliveries in the recording
    // What the recording could not answer and what the plug-in never asked for, in order.
    QStringList Reports() const;

private:
    class Endpoint;
    struct Bound {
        IServerLink* link = nullptr;
        ServerRequest request;
    };

    void Attach(const QString& service, IServerLink* link);
    void Detach(const QString& service, IServerLink* link);
    void OnRequest(IServerLink* link, const ServerRequest& request);
    // Posts the next delivery; the links to wait on, or Waiting/Finished.
    Step PostNextLocked(QList<IServerLink*>* posted);
    bool NextWaitsLocked() const;
    void ReportLocked(const QString& text);

    const RecordingHeader m_header;
    QVector<RecordedEvent> m_deliveries;   // answers, failures, pushes, link events, gaps
    QHash<int, RecordedEvent> m_requests;  // recorded task id -> its request

    QMutex m_deliverMutex;
    mutable QMutex m_mutex;
    QWaitCondition m_requestArrived;
    int m_next = 0;
    QHash<QByteArray, QQueue<int>> m_unbound;  // recorded key -> answered task ids not yet matched
    QHash<int, Bound> m_bound;                 // recorded task id -> live request
    QHash<QString, QList<IServerLink*>> m_links;
    QHash<QString, std::shared_ptr<Endpoint>> m_endpoints;
    QStringList m_reports;
    QSet<QByteArray> m_reportedKeys;  // live keys already reported as not recorded
};

}  // namespace recording
