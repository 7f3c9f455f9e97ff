#pragma once

#include <QList>

#include <string>
#include <tuple>

#include "framework/RecentRequestSet.h"
#include "framework/RemoteApiCallBase.h"
#include "host/core/HostClock.h"
#include "services/minuteflow/FlowSeries.h"

// What 12842 and 12844 share: a topic's series is requested at once and then every kPollMs
// (driver; the newest page only, see IsNewestPage), each answer's batch is merged into the cached
// series (FlowSeries.h), the batch is published on the topic, and the follow-up requests the
// stored series calls for are sent. A late subscriber receives the whole cached series at once. A
// follow-up equal to one sent less than 3000 ms before is not sent again (each answer of an
// incomplete series calls for the same page until it arrives).
//
// Traits, beyond RemoteApiCallBase's (CacheKey = Topic, CacheValue = FlowSeriesPtr):
//   static constexpr int kFunctionId;
//   static bool Decode(const QByteArray& body, FlowBatch& out);
//   static Package PackageOf(quint16 count, QSharedPointer<const FlowRecords> records);
//   static RequestParams ParamsOf(const Topic& topic);
//   static void FillContext(CKeyGroup& keys, const Topic& topic);
//   static Topic TopicOfContext(const CKeyGroup& keys);
//   static Topic FollowUpOf(const Topic& topic, qint32 revindex);  // the next page's request
//
// Threads: as RemoteApiCallBase; the receiver (accessor's thread), the driver's ticks (the thread
// that ran Init) and AttachNode/DetachNode (the quoter's work thread) all take the call lock.
template <typename Traits>
class FlowSeriesCall : public RemoteApiCallBase<Traits> {
    using Base = RemoteApiCallBase<Traits>;

public:
    using Topic = typename Traits::Topic;
    using Package = typename Traits::Package;
    static constexpr int kCacheCapacity = 10;  // series
    static constexpr int kPollMs = 10000;      // ms between requests of an attached series

    FlowSeriesCall(QuoteDataSourceHandlerConfiguration* configuration,
                   CHQOWNServerAccesser* accessor)
        : Base(configuration, accessor, kCacheCapacity) {}

    void Init() override {
        QMutexLocker locker(&this->callLock_);
        this->RegisterSerial(Traits::kFunctionId);
        this->RegisterReceiver(Traits::kFunctionId,
                               [this](const Resp_s& resp) { OnResponse(resp); });
        this->supportedTypes_.Insert(ScopeTypeVariant(QString::number(Traits::kFunctionId)));
        this->RegisterReplayListener();
        auto& driver = this->EnableDriver();
        driver.SetRequestListener(kPollMs, [this](const Topic& topic) { SendRequest(topic); });
        driver.SetPollListener(kPollMs, [this](const Topic& topic) { SendRequest(topic); });
    }

    // Merges, stores and publishes one answer body of the topic's series and sends its follow-up
    // requests; false when the body was rejected (nothing changes).
    bool HandleBody(const Topic& topic, const QByteArray& body) {
        QMutexLocker locker(&this->callLock_);
        FlowBatch batch;
        if (!Traits::Decode(body, batch)) {
            return false;
        }
        const std::optional<FlowSeriesPtr> cached = this->Cached(topic);
        const FlowSeries empty;
        const FlowSeriesPtr series(
            new FlowSeries(minuteflow::Absorb(cached ? **cached : empty, batch)));
        this->cache_.Put(topic, series);
        const quint16 count = batch.count;
        this->publisher_.Publish(
            topic, Traits::PackageOf(count, QSharedPointer<const FlowRecords>(
                                                new FlowRecords(std::move(batch.records)))));
        if (this->driver_ && IsNewestPage(topic)) {
            this->driver_->MarkAnswered(topic);
        }
        for (qint32 revindex : minuteflow::FollowUpRevindexes(*series)) {
            const FollowUpKey key{topic.code, topic.cycle, revindex, HostClock::NowMs()};
            if (recentFollowUps_.TrimAndInsert(key, key.sent)) {
                SendRequest(Traits::FollowUpOf(topic, revindex));
            }
        }
        return true;
    }

    // A view asks for the newest page (revindex 0); follow-ups page back from it. Only the newest
    // page's answer marks the series answered, so that the key the driver polls is always the
    // view's: an older page's answer (say one that arrives after a quick switch away and back)
    // is merged and published but would otherwise be polled for good.
    static bool IsNewestPage(const Topic& topic) { return topic.revindex == 0; }

protected:
    // Whether a request for the topic may be sent at all.
    virtual bool Requestable(const Topic& topic) const {
        Q_UNUSED(topic);
        return true;
    }

    Package ReplayPackage(const Topic& topic) override {
        const FlowSeriesPtr series = this->cache_.Get(topic);
        const int size = static_cast<int>(series->records->size());
        return Traits::PackageOf(static_cast<quint16>(qMin(size, 0xFFFF)), series->records);
    }

    void SendRequest(Topic topic) {
        if (this->accessor_ == nullptr || !Requestable(topic)) {
            return;
        }
        topic.created = HostClock::NowMs();
        auto context = QSharedPointer<ProcessContext_s>::create();
        Traits::FillContext(context->keyGroup, topic);
        this->accessor_->AppendTaskByParams(Traits::kFunctionId, 0, context,
                                            Traits::ParamsOf(topic));
    }

private:
    // A follow-up request as RecentRequestSet compares them: the series and page, then the time.
    struct FollowUpKey {
        std::string code;
        std::string cycle;
        qint32 revindex;
        qint64 sent;  // ms since the epoch
        qint64 Timestamp() const { return sent; }
        bool operator==(const FollowUpKey& o) const {
            return code == o.code && cycle == o.cycle && revindex == o.revindex;
        }
        bool operator<(const FollowUpKey& o) const {
            return std::tie(code, cycle, revindex, sent) <
                   std::tie(o.code, o.cycle, o.revindex, o.sent);
        }
    };

    void OnResponse(const Resp_s& resp) {
        if (resp.context.isNull()) {
            return;  // an answer without its task
        }
        HandleBody(Traits::TopicOfContext(resp.context->keyGroup), resp.body);
    }

    RecentRequestSet<FollowUpKey> recentFollowUps_;
};
