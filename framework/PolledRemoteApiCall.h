#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include "framework/CodeTopic.h"
#include "framework/DecodeResult.h"
#include "framework/Log.h"
#include "framework/NonNullPackage.h"
#include "framework/RecentRequestSet.h"
#include "framework/RemoteApiCallBase.h"
#include "framework/TimedTopicSet.h"
#include "host/core/CKeyGroup.h"
#include "host/core/CTVar.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimer.h"

// The part of a polled call's traits that only names its types: the topic is the node's code,
// the cache maps it to the published package, a never-null shared Entity, which the host receives.
template <int FunctionId, typename EntityType>
struct PolledCallTypes {
    using Topic = CodeTopic<FunctionId>;
    using Entity = EntityType;
    using Package = NonNullPackage<Entity>;
    using CacheKey = Topic;
    using CacheValue = Package;
    static constexpr int kFunctionId = FunctionId;

    static Topic TopicOf(const ScopeTreeNode& node) {
        return Topic(node.stock_list.GetStockCode(), HostClock::NowMs());
    }
    static QSharedPointer<QuoteData> EntityOf(const Package& package) { return package.Shared(); }
};

// A call that polls one serial function per security code (12915, 12917, 12930, 12932, 12973).
// Traits derive from PolledCallTypes and add:
//   static constexpr const char* kLogTag;        // e.g. "lv2-12930"
//   static constexpr int kCacheCapacity;         // topics
//   static constexpr int kPollIntervalMs;        // ms
//   static constexpr bool kLingerAndSuppress;    // see below
//   static RequestParams ParamsOf(const Topic&);
//   static DecodeResult<Entity> Decode(const QByteArray& body);
//
// A topic's first subscriber sends its request at once and adds it to the attached-topic set;
// every poll tick purges the set and sends every topic in it again, in code order, with the
// current time. With kLingerAndSuppress, a topic that loses its last subscriber stays attached
// (and polled) for 2000 ms, is not requested again at once when it comes back within that time,
// and no request for a code goes out while one sent for it is 3000 ms old or younger; without,
// the last subscriber's leave detaches the topic at once and every tick sends.
// A request carries a process context of "seccode" (the code) and "timestamp" (the creation
// time); its answer is decoded, cached under the code and published. A body that does not decode
// is rejected whole with one warning; nothing is cached or published.
//
// Thread contract: as RemoteApiCallBase. The poll timer (a HostTimer: on a frozen host clock it
// fires as HostTimerQueue moves the clock) lives on the thread that runs Init and fires there;
// PollTick takes the call lock. The recent-request and attached-topic sets have their own mutexes,
// taken under the call lock.
template <typename Traits>
class PolledRemoteApiCall : public RemoteApiCallBase<Traits> {
    using Base = RemoteApiCallBase<Traits>;

public:
    using Topic = typename Base::Topic;
    using Package = typename Base::Package;
    using Entity = typename Traits::Entity;

    static constexpr int kFunctionId = Traits::kFunctionId;
    static constexpr int kPollIntervalMs = Traits::kPollIntervalMs;

    PolledRemoteApiCall(QuoteDataSourceHandlerConfiguration* configuration,
                        CHQOWNServerAccesser* accessor)
        : Base(configuration, accessor, Traits::kCacheCapacity) {}

    ~PolledRemoteApiCall() override {
        this->Shutdown();  // before the sets and the timer go
        delete pollTimer_;
    }

    void Init() override {
        QMutexLocker locker(&this->callLock_);
        this->RegisterSerial(kFunctionId);
        this->RegisterReceiver(kFunctionId, [this](const Resp_s& resp) { OnResponse(resp); });
        this->supportedTypes_.Insert(ScopeTypeVariant(QString::number(kFunctionId)));
        this->RegisterReplayListener();
        this->SetTopicListeners([this](const Topic& topic) { OnTopicInserted(topic); },
                                [this](const Topic& topic) { OnTopicDeleted(topic); });
        if (pollTimer_ == nullptr) {
            pollTimer_ = new HostTimer;
            QObject::connect(pollTimer_, &HostTimer::Timeout, [this] { PollTick(); });
            pollTimer_->Start(kPollIntervalMs);
        }
    }

    // One poll: what the timer runs every kPollIntervalMs (tests call it directly).
    void PollTick() {
        QMutexLocker locker(&this->callLock_);
        attached_.Purge();
        const qint64 now = HostClock::NowMs();
        for (const Topic& topic : attached_.Snapshot()) {
            Send(Topic(topic.Code(), now));
        }
    }

    // Decodes an answer for the code: cached and published when it decodes; else one warning.
    // Returns whether it was accepted.
    bool HandleBody(const QString& code, const QByteArray& body) {
        QMutexLocker locker(&this->callLock_);
        DecodeResult<Entity> decoded = Traits::Decode(body);
        if (!decoded.ok || !decoded.record) {
            qzlog::Warning(Traits::kLogTag, decoded.error);
            return false;
        }
        this->StoreAndPublish(Topic(code, HostClock::NowMs()), Package(std::move(*decoded.record)));
        return true;
    }

    // For tests and diagnostics.
    bool IsAttached(const QString& code) const { return attached_.Contains(Topic(code, 0)); }
    int PollTimerIntervalMs() const { return pollTimer_ ? pollTimer_->IntervalMs() : -1; }

private:
    void OnTopicInserted(const Topic& topic) {
        if (!Traits::kLingerAndSuppress || !attached_.Contains(topic)) {
            Send(Topic(topic.Code(), HostClock::NowMs()));
        }
        attached_.Add(topic);
    }

    void OnTopicDeleted(const Topic& topic) { attached_.Expire(topic, Traits::kLingerAndSuppress); }

    void Send(const Topic& topic) {
        if (Traits::kLingerAndSuppress && !recent_.TrimAndInsert(topic, topic.created_ms)) {
            return;
        }
        auto context = QSharedPointer<ProcessContext_s>::create();
        context->keyGroup.Append(QStringLiteral("seccode"), CTVar(topic.Code()));
        context->keyGroup.Append(
            QStringLiteral("timestamp"),
            CTVar::FromDataCell(nscell::UnsharedDataCell::FromInteger(topic.created_ms)));
        this->accessor_->AppendTaskByParams(kFunctionId, 0, context, Traits::ParamsOf(topic));
    }

    void OnResponse(const Resp_s& resp) {
        if (resp.context.isNull()) {
            return;
        }
        HandleBody(resp.context->keyGroup.Value(QStringLiteral("seccode")).ToString(), resp.body);
    }

    TimedTopicSet<Topic> attached_;
    RecentRequestSet<Topic> recent_;
    HostTimer* pollTimer_ = nullptr;  // owned; created by Init on the thread that runs it
};
