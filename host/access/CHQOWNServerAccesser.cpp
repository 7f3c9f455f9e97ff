#include "host/access/CHQOWNServerAccesser.h"

#include <QDebug>
#include <QMutexLocker>
#include <QSemaphore>

#include <memory>
#include <vector>

#include "host/access/RequestParamCodec.h"
#include "host/access/ServerBackend.h"
#include "host/core/HandOffBatch.h"
#include "host/core/HostClock.h"

namespace {

const char kLogTag[] = "qzaccess";

// Task ids are unique across accessors so that a backend can tell any two requests apart.
std::atomic<int> g_lastTaskId{0};

int NextTaskId() {
    return ++g_lastTaskId;
}

QStringList TagsOf(const RequestParams& params) {
    QStringList tags;
    for (const auto& p : params) {
        tags << p.first;
    }
    return tags;
}

}  // namespace

// The accessor's side of the seam. Deliveries wait in one queue, and the accessor's thread is
// woken once for everything queued before it drains the queue: a burst of answers costs one
// wake-up, not one per answer. Closed by the accessor's destructor before the backend is
// detached; the queue's mutex makes a post either complete before Close returns or not happen at
// all, and nothing queued runs once the link is closed.
class CHQOWNServerAccesser::Link : public IServerLink {
public:
    Link(CHQOWNServerAccesser* owner, QThread* thread)
        : m_queue(std::make_shared<Queue>(owner)), m_thread(thread) {}

    void Close() {
        QMutexLocker lock(&m_queue->mutex);
        m_queue->owner = nullptr;
        m_queue->pending.clear();
    }
    bool IsOpen() { return m_queue->Owner() != nullptr; }

    void Answer(const ServerRequest& request, const QByteArray& body) override {
        Delivery delivery(Delivery::Kind::Answer);
        delivery.request = request;
        delivery.body = body;
        Post(std::move(delivery));
    }
    void Fail(const ServerRequest& request, int code, const QString& text) override {
        Delivery delivery(Delivery::Kind::Failure);
        delivery.request = request;
        delivery.code = code;
        delivery.text = text;
        Post(std::move(delivery));
    }
    void Push(int funcId, const QByteArray& body) override {
        Delivery delivery(Delivery::Kind::Push);
        delivery.funcId = funcId;
        delivery.body = body;
        Post(std::move(delivery));
    }
    void ReportAccessState(_enAccessState state) override {
        Delivery delivery(Delivery::Kind::AccessState);
        delivery.state = state;
        Post(std::move(delivery));
    }
    // A marker queued behind everything posted so far; polls IsOpen so that an accessor that
    // dies (and drops the marker) does not leave the caller waiting.
    void WaitDelivered() override {
        constexpr int kPollMs = 20;
        Delivery delivery(Delivery::Kind::Marker);
        delivery.done = std::make_shared<QSemaphore>();
        auto done = delivery.done;
        Post(std::move(delivery));
        while (!done->tryAcquire(1, kPollMs)) {
            if (!IsOpen()) {
                return;
            }
        }
    }
    QThread* DeliveryThread() const override { return m_thread; }

private:
    // One thing a backend handed the link; the fields its kind names are set.
    struct Delivery {
        enum class Kind : quint8 { Answer, Failure, Push, AccessState, Marker };
        explicit Delivery(Kind k) : kind(k) {}

        Kind kind;
        ServerRequest request;                        // Answer, Failure
        QByteArray body;                              // Answer, Push
        int funcId = 0;                               // Push
        int code = 0;                                 // Failure
        QString text;                                 // Failure
        _enAccessState state = eAccessState_Unknown;  // AccessState
        std::shared_ptr<QSemaphore> done;             // Marker
    };

    // Shared with the drain in progress, which may outlive the link when a receiver deletes the
    // accessor. Two buffers take turns, so a steady flow of bursts allocates nothing here.
    struct Queue {
        explicit Queue(CHQOWNServerAccesser* o) : owner(o) {}
        CHQOWNServerAccesser* Owner() {
            QMutexLocker lock(&mutex);
            return owner;
        }

        QMutex mutex;
        CHQOWNServerAccesser* owner;
        std::vector<Delivery> pending;
        std::vector<Delivery> spare;
        bool drainPosted = false;
    };

    void Post(Delivery&& delivery) {
        QMutexLocker lock(&m_queue->mutex);
        CHQOWNServerAccesser* owner = m_queue->owner;
        if (owner == nullptr) {
            return;
        }
        m_queue->pending.push_back(std::move(delivery));
        if (m_queue->drainPosted) {
            return;
        }
        m_queue->drainPosted = true;
        std::shared_ptr<Queue> queue = m_queue;
        QMetaObject::invokeMethod(
            owner, [queue] { Drain(*queue); }, Qt::QueuedConnection);
    }

    // On the accessor's thread: delivers what is queued, in order, while the link stays open.
    static void Drain(Queue& queue) {
        std::vector<Delivery> batch;
        {
            QMutexLocker lock(&queue.mutex);
            batch.swap(queue.pending);
            queue.pending.swap(queue.spare);
            queue.drainPosted = false;
        }
        // What the receivers hand on to other threads wakes them once, after the last delivery.
        const HandOffBatch handOffs;
        for (Delivery& delivery : batch) {
            CHQOWNServerAccesser* owner = queue.Owner();
            if (owner == nullptr) {
                return;
            }
            Run(owner, delivery);
        }
        batch.clear();
        QMutexLocker lock(&queue.mutex);
        if (queue.spare.capacity() < batch.capacity()) {
            queue.spare.swap(batch);
        }
    }

    static void Run(CHQOWNServerAccesser* owner, const Delivery& delivery) {
        switch (delivery.kind) {
            case Delivery::Kind::Answer:
                owner->DeliverAnswer(delivery.request, delivery.body);
                break;
            case Delivery::Kind::Failure:
                owner->DeliverFailure(delivery.request, delivery.code, delivery.text);
                break;
            case Delivery::Kind::Push:
                owner->DeliverPush(delivery.funcId, delivery.body);
                break;
            case Delivery::Kind::AccessState:
                owner->DeliverAccessState(delivery.state);
                break;
            case Delivery::Kind::Marker:
                delivery.done->release();
                break;
        }
    }

    const std::shared_ptr<Queue> m_queue;
    QThread* const m_thread;
};

CHQOWNServerAccesser::CHQOWNServerAccesser(const QString& service, QObject* parent, int flags)
    : QObject(nullptr),
      m_service(service),
      m_flags(flags),
      m_sendMutex(QMutex::Recursive),
      m_backend(ServerBackendRegistry::Find(service)),
      m_thread(new QThread) {
    m_link.reset(new Link(this, m_thread));
    if (parent != nullptr) {
        qWarning().noquote() << kLogTag << "{:SEPARATOR}" << service
                             << ": an accessor runs on its own thread; the parent is ignored";
    }
    m_thread->setObjectName(QStringLiteral("qzaccess-") + service);
    // Named before the thread starts: the first name allocates the object's extra data, which
    // the delivery thread reads for every event. The creator's later setObjectName (the client
    // names its accessors) then changes only the name, not memory that thread reads.
    setObjectName(service);
    // Likewise the connection data: the thread's first queued call would create it while the
    // creator may be naming the accessor (which reads it to emit objectNameChanged). A connection
    // made here creates it before the thread runs.
    connect(this, &QObject::objectNameChanged, this, [] {});
    moveToThread(m_thread);
    m_thread->start();
    if (m_backend) {
        m_backend->Attach(m_link.get());
    }
}

// The backend is detached only once no receiver can run any more, so that a request appended
// by a receiver during the shutdown never reaches the backend after Detach.
CHQOWNServerAccesser::~CHQOWNServerAccesser() {
    m_link->Close();
    m_thread->quit();
    if (QThread::currentThread() == m_thread) {
        // Deleted by one of its own receivers: the loop ends once this delivery returns, and the
        // thread object goes when its creator's loop runs.
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    } else {
        m_thread->wait();
        delete m_thread;
    }
    if (m_backend) {
        m_backend->Detach(m_link.get());
    }
}

QString CHQOWNServerAccesser::ServiceName() const {
    return m_service;
}

int CHQOWNServerAccesser::Flags() const {
    return m_flags;
}

void CHQOWNServerAccesser::EnableAsyncAutoCheck(bool enable) {
    m_asyncAutoCheck = enable;
}

bool CHQOWNServerAccesser::IsAsyncAutoCheckEnabled() const {
    return m_asyncAutoCheck;
}

void CHQOWNServerAccesser::RegisterAccessStateObserver(AccessStateObserver observer) {
    QMutexLocker lock(&m_mutex);
    m_observers.append(std::move(observer));
}

_enAccessState CHQOWNServerAccesser::AccessState() const {
    return _enAccessState(m_accessState.load());
}

void CHQOWNServerAccesser::RegisterFuncAsSerial(int funcId) {
    QMutexLocker lock(&m_mutex);
    m_serialFuncs.insert(funcId);
}

void CHQOWNServerAccesser::RegisterFuncAsPush(int funcId) {
    QMutexLocker lock(&m_mutex);
    m_pushFuncs.insert(funcId);
}

bool CHQOWNServerAccesser::IsSerial(int funcId) const {
    QMutexLocker lock(&m_mutex);
    return m_serialFuncs.contains(funcId);
}

bool CHQOWNServerAccesser::IsPush(int funcId) const {
    QMutexLocker lock(&m_mutex);
    return m_pushFuncs.contains(funcId);
}

void CHQOWNServerAccesser::RegisterReceiver(const ReceiverKey& key, ResponseHandler onResponse,
                                            ErrorHandler onError) {
    QMutexLocker lock(&m_mutex);
    m_receivers.insert(
        key, std::make_shared<const Receiver>(Receiver{std::move(onResponse), std::move(onError)}));
}

void CHQOWNServerAccesser::UnregisterReceiver(const ReceiverKey& key) {
    QMutexLocker lock(&m_mutex);
    m_receivers.remove(key);
}

int CHQOWNServerAccesser::AppendTaskByParams(int funcId, quint16 flags,
                                             QSharedPointer<ProcessContext_s> context,
                                             const RequestParams& params) {
    if (!IsSerial(funcId)) {
        qWarning().noquote() << kLogTag << "{:SEPARATOR}"
                             << QStringLiteral(
                                    "%1: function %2 is not registered as serial; "
                                    "request not sent")
                                    .arg(m_service)
                                    .arg(funcId);
        return -1;
    }
    ServerRequest request;
    QString error;
    if (!RequestParamCodec::Encode(params, &request.encoded, &error)) {
        qWarning().noquote() << kLogTag << "{:SEPARATOR}"
                             << QStringLiteral("%1: function %2 %3; request not sent")
                                    .arg(m_service)
                                    .arg(funcId)
                                    .arg(error);
        return -1;
    }
    // Decoding what was just encoded cannot fail; it normalises values as the server sees them.
    RequestParamCodec::Decode(TagsOf(params), request.encoded, &request.params, &error);
    request.service = m_service;
    request.funcId = funcId;
    request.flags = flags;
    request.context = std::move(context);
    if (!m_backend || !m_link->IsOpen()) {
        request.taskId = NextTaskId();
        qDebug().noquote()
            << kLogTag << "{:SEPARATOR}"
            << QStringLiteral(
                   "%1: no server backend or shutting down; task %2 (function %3) dropped")
                   .arg(m_service)
                   .arg(request.taskId)
                   .arg(funcId);
        return request.taskId;
    }
    // The id is taken under the lock that orders the sends, so that ids follow the append order.
    QMutexLocker lock(&m_sendMutex);
    request.taskId = NextTaskId();
    if (m_ledger.Append(request, HostClock::NowMs())) {
        m_backend->OnRequest(m_link.get(), request);
    }
    return request.taskId;
}

int CHQOWNServerAccesser::AppendTaskByParams(int funcId, QSharedPointer<ProcessContext_s> context,
                                             const RequestParams& params) {
    return AppendTaskByParams(funcId, 0, std::move(context), params);
}

QThread* CHQOWNServerAccesser::DeliveryThread() {
    return m_thread;
}

bool CHQOWNServerAccesser::IsHoldingRequests() const {
    QMutexLocker lock(&m_sendMutex);
    return !m_ledger.IsUp();
}

int CHQOWNServerAccesser::OwedRequestCount() const {
    QMutexLocker lock(&m_sendMutex);
    return m_ledger.OwedCount();
}

CHQOWNServerAccesser::ReceiverList CHQOWNServerAccesser::ReceiversFor(int funcId) const {
    QMutexLocker lock(&m_mutex);
    ReceiverList found;
    for (auto it = m_receivers.lowerBound(ReceiverKey(funcId));
         it != m_receivers.end() && it.key().FuncId() == funcId; ++it) {
        found.append(it.value());
    }
    return found;
}

void CHQOWNServerAccesser::DeliverAnswer(const ServerRequest& request, const QByteArray& body) {
    Settle(request.taskId);
    Resp_s resp;
    resp.funcId = request.funcId;
    resp.body = body;
    resp.context = request.context;
    resp.isPush = false;
    resp.taskId = request.taskId;
    DeliverResponse(resp);
}

void CHQOWNServerAccesser::DeliverPush(int funcId, const QByteArray& body) {
    if (!IsPush(funcId)) {
        qDebug().noquote() << kLogTag << "{:SEPARATOR}"
                           << QStringLiteral(
                                  "%1: push for function %2, not registered as push; "
                                  "dropped")
                                  .arg(m_service)
                                  .arg(funcId);
        return;
    }
    Resp_s resp;
    resp.funcId = funcId;
    resp.body = body;
    resp.isPush = true;
    DeliverResponse(resp);
}

// Handlers are copied out and run without m_mutex so that they may call back into the accessor.
void CHQOWNServerAccesser::DeliverResponse(const Resp_s& resp) {
    const ReceiverList receivers = ReceiversFor(resp.funcId);
    if (receivers.isEmpty()) {
        qDebug().noquote() << kLogTag << "{:SEPARATOR}"
                           << QStringLiteral("%1: no receiver for function %2; package dropped")
                                  .arg(m_service)
                                  .arg(resp.funcId);
    }
    for (const auto& r : receivers) {
        if (r->onResponse) {
            r->onResponse(resp);
        }
    }
}

void CHQOWNServerAccesser::DeliverFailure(const ServerRequest& request, int code,
                                          const QString& text) {
    Settle(request.taskId);
    for (const auto& r : ReceiversFor(request.funcId)) {
        if (r->onError) {
            r->onError(request.taskId, code, text);
        }
    }
}

void CHQOWNServerAccesser::Settle(int taskId) {
    QMutexLocker lock(&m_sendMutex);
    m_ledger.Settle(taskId);
}

// What the link owes the server goes out before the observers hear that the link is up, so that
// whatever they ask for comes after it.
void CHQOWNServerAccesser::DeliverAccessState(_enAccessState state) {
    if (state == eAccessState_Connected) {
        Reconnect();
    } else {
        QMutexLocker lock(&m_sendMutex);
        m_ledger.Down();
    }
    m_accessState = state;
    QVector<AccessStateObserver> observers;
    {
        QMutexLocker lock(&m_mutex);
        observers = m_observers;
    }
    for (const AccessStateObserver& observer : observers) {
        if (observer) {
            observer(state);
        }
    }
}

void CHQOWNServerAccesser::Reconnect() {
    QMutexLocker lock(&m_sendMutex);
    const QList<ServerRequest> owed = m_ledger.Up(HostClock::NowMs());
    if (owed.isEmpty()) {
        return;
    }
    qDebug().noquote()
        << kLogTag << "{:SEPARATOR}"
        << QStringLiteral("%1: link back; %2 requests sent again").arg(m_service).arg(owed.size());
    for (const ServerRequest& request : owed) {
        m_backend->OnRequest(m_link.get(), request);
    }
}
