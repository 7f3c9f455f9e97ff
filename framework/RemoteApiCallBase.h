#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/ReceiverGuard.h"
#include "framework/RemoteApiCallDriver.h"
#include "framework/ResponseCache.h"
#include "framework/StoppableCall.h"
#include "framework/SupportedTypeHolder.h"
#include "host/access/CHQOWNServerAccesser.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/QuoteTaskExecMidResult.h"
#include "host/quoter/RemoteApiCall.h"
#include "host/quoter/ScopeTreeNode.h"
#include "host/tolk/subscriber/Subscriber.h"

// What every remote API call shares, for one server function family described by Traits:
//   using Topic      = ...;  // the request key, strictly ordered
//   using Package    = ...;  // the decoded answer published on the topic
//   using CacheKey   = ...;  // usually Topic
//   using CacheValue = ...;  // usually Package
//   static Topic TopicOf(const ScopeTreeNode& node);
//   static QSharedPointer<QuoteData> EntityOf(const Package& package);  // null: nothing to hand
// A concrete call derives from RemoteApiCallBase<Traits>, fills the supported types and its
// listeners in Init, registers its receivers, and decodes its answers.
//
// Thread contract: every entry point (host virtuals, receiver callbacks, publisher listeners,
// driver ticks) takes the call lock first, a recursive QMutex. Lock order: call lock, then topic
// sets / cache / publisher. The host's broadcaster comes BEFORE the call lock: it calls its
// subscribers (which take the call lock) with its own lock held, so a call subscribes to and
// unsubscribes from it only while not holding the call lock. Deliveries to the host run with the
// call lock held, from whichever thread publishes. AttachNode/DetachNode must not be called from
// inside this call's own publications (the publisher would defer the unsubscribe past the
// subscriber's deletion).
// Receiver callbacks run under a ReceiverGuard, so a late answer after destruction is dropped.
template <typename Traits>
class RemoteApiCallBase : public QObject, public RemoteApiCall, public StoppableCall {
public:
    using Topic = typename Traits::Topic;
    using Package = typename Traits::Package;
    using CacheKey = typename Traits::CacheKey;
    using CacheValue = typename Traits::CacheValue;
    using Publisher = kestrov::tolk::subscriber::Publisher<Topic, Package>;
    using ISubscriber = kestrov::tolk::subscriber::ISubscriber<Topic, Package>;
    using NodeSubscriber = kestrov::tolk::subscriber::LambdaSubscriber<Topic, Package>;
    using Driver = RemoteApiCallDriver<Topic>;
    using Broadcasts = kestrov::tolk::subscriber::SubscriptionList<QString, QByteArray>;

    static constexpr int kMidResultWaitMs = 10;  // ms a delivery waits for room in the host queue

    RemoteApiCallBase(QuoteDataSourceHandlerConfiguration* configuration,
                      CHQOWNServerAccesser* accessor, int cacheCapacity)
        : callLock_(QMutex::Recursive),
          configuration_(configuration),
          accessor_(accessor),
          cache_(cacheCapacity),
          replay_(
              [this](const Topic& topic, ISubscriber* subscriber) { Replay(topic, subscriber); }),
          guard_(std::make_shared<ReceiverGuard>()),
          accessorWatch_(accessor) {}

    ~RemoteApiCallBase() override { Shutdown(); }

    std::set<ScopeTypeVariant> GetSupportedTypeSet() const override {
        QMutexLocker locker(&callLock_);
        return supportedTypes_.Types();
    }

    // Subscribes a per-node subscriber on the node's topic; it hands every package published
    // there to the host's queue under the node's scope id. The same scope id again replaces the
    // earlier subscription.
    void AttachNode(const ScopeTreeNode& node) override {
        QMutexLocker locker(&callLock_);
        DropNode(node.scope_id);
        const int scopeId = node.scope_id;
        auto subscriber = std::make_unique<NodeSubscriber>(
            [this, node](const Topic&, const Package& package) { Deliver(node, package); });
        NodeSubscriber* raw = subscriber.get();
        const Topic topic = TopicOf(node);
        nodes_.emplace(scopeId, NodeEntry{topic, std::move(subscriber)});
        publisher_.Subscribe(topic, raw);
    }

    // Undoes AttachNode; a node never attached is ignored.
    void DetachNode(const ScopeTreeNode& node) override {
        QMutexLocker locker(&callLock_);
        DropNode(node.scope_id);
    }

    // For tests and diagnostics.
    int AttachedNodeCount() const {
        QMutexLocker locker(&callLock_);
        return static_cast<int>(nodes_.size());
    }
    QMutex* CallLock() { return &callLock_; }
    Publisher& GetPublisher() { return publisher_; }
    ResponseCache<CacheKey, CacheValue>& Cache() { return cache_; }
    Driver* GetDriver() { return driver_.get(); }

    // Cuts the call off from everything that could call into it: answers are dropped (a receiver
    // in progress is waited for), receivers are unregistered, topic listeners are removed, the
    // broadcaster subscriptions and node subscriptions are undone and the driver is destroyed.
    // Idempotent. The owner calls it before deleting the call; a derived call whose receivers or
    // listeners touch its own members also calls it first in its destructor.
    void Shutdown() override {
        guard_->Revoke();  // taken before the call lock, as the receivers do
        for (const ReceiverKey& key : receivers_) {
            if (!accessorWatch_.isNull()) {
                accessorWatch_->UnregisterReceiver(key);
            }
        }
        receivers_.clear();
        broadcasts_.Clear();  // before the call lock: a broadcast in progress holds the broadcaster
        QMutexLocker locker(&callLock_);
        publisher_.SetOnTopicInsertedListener(nullptr);
        publisher_.SetOnTopicDeletedListener(nullptr);
        for (auto& entry : nodes_) {
            publisher_.Unsubscribe(entry.second.topic, entry.second.subscriber.get());
        }
        nodes_.clear();
        driver_.reset();
    }

protected:
    virtual Topic TopicOf(const ScopeTreeNode& node) const { return Traits::TopicOf(node); }

    // The package a late subscriber of the topic receives at once. Throws std::range_error when
    // nothing is cached. The default fits calls whose cache maps the topic to the package.
    virtual Package ReplayPackage(const Topic& topic) {
        if constexpr (std::is_same<CacheKey, Topic>::value &&
                      std::is_same<CacheValue, Package>::value) {
            return cache_.Get(topic);
        } else {
            Q_UNUSED(topic);
            throw std::range_error("There is no such key in cache");
        }
    }

    // Hands one package to the host for the node: (scope id, entity) into the mid-result queue,
    // waiting at most kMidResultWaitMs; dropped when the queue stays full.
    virtual void Deliver(const ScopeTreeNode& node, const Package& package) {
        QuoteContext* context = Context();
        QSharedPointer<QuoteData> data = Traits::EntityOf(package);
        if (context == nullptr || data.isNull()) {
            return;
        }
        QuoteTaskExecMidResult result;
        result.scope_id = node.scope_id;
        result.data = data;
        context->GetQuoteTaskExecMidResultQueue().Push(result, kMidResultWaitMs);
    }

    QuoteContext* Context() const {
        return configuration_ != nullptr ? configuration_->context : nullptr;
    }

    // Registers the replay listener: a new subscriber of a cached topic gets the cached package
    // at once, and nobody else does.
    void RegisterReplayListener() { publisher_.RegisterOnSubscribeListener(&replay_); }

    // Topic listeners run under the call lock.
    void SetTopicListeners(std::function<void(const Topic&)> inserted,
                           std::function<void(const Topic&)> deleted) {
        using Inserted = kestrov::tolk::subscriber::LambdaOnTopicInsertedListener<Topic, Package>;
        using Deleted = kestrov::tolk::subscriber::LambdaOnTopicDeletedListener<Topic, Package>;
        publisher_.SetOnTopicInsertedListener(std::make_shared<Inserted>(Locked(inserted)));
        publisher_.SetOnTopicDeletedListener(std::make_shared<Deleted>(Locked(deleted)));
    }

    // Creates the driver (owned, parented to nothing, lives on the calling thread) and feeds it
    // from the publisher: first subscriber -> Activate(topic, cached), last gone -> Deactivate.
    Driver& EnableDriver() {
        static_assert(std::is_same<CacheKey, Topic>::value, "the driver asks the cache by topic");
        driver_ = std::make_unique<Driver>(&callLock_);
        SetTopicListeners(
            [this](const Topic& topic) { driver_->Activate(topic, cache_.Contains(topic)); },
            [this](const Topic& topic) { driver_->Deactivate(topic); });
        return *driver_;
    }

    // A driver that requests a topic every awaitingMs until answered, then polls it every
    // pollingMs, both through `send` (run under the call lock).
    Driver& EnablePolledDriver(int awaitingMs, int pollingMs,
                               std::function<void(const Topic&)> send) {
        Driver& driver = EnableDriver();
        driver.SetRequestListener(awaitingMs, send);
        driver.SetPollListener(pollingMs, std::move(send));
        return driver;
    }

    // The Init of a polled function, under the call lock: the function registered as serial with
    // its receiver, its id as the supported API type, replay to late subscribers, and a driver
    // that requests and polls through `send` (see EnablePolledDriver).
    void InitPolledFunction(int funcId, std::function<void(const Resp_s&)> receiver, int awaitingMs,
                            int pollingMs, std::function<void(const Topic&)> send) {
        QMutexLocker locker(&callLock_);
        RegisterSerial(funcId);
        RegisterReceiver(funcId, std::move(receiver));
        supportedTypes_.Insert(ScopeTypeVariant(QString::number(funcId)));
        RegisterReplayListener();
        EnablePolledDriver(awaitingMs, pollingMs, std::move(send));
    }

    // Subscribes to one key of the host's broadcaster; the handler runs under the call lock.
    // Call without holding the call lock: the broadcaster comes before it in the lock order.
    void SubscribeBroadcast(const QString& key, std::function<void(const QByteArray&)> handler) {
        using BroadcastSubscriber =
            kestrov::tolk::subscriber::LambdaSubscriber<QString, QByteArray>;
        QuoteContext* context = Context();
        if (context == nullptr) {
            return;
        }
        auto locked = [this, handler = std::move(handler)](const QString&,
                                                           const QByteArray& payload) {
            QMutexLocker locker(&callLock_);
            handler(payload);
        };
        broadcasts_.Add(context->GetBroadcaster(), key, new BroadcastSubscriber(std::move(locked)),
                        true);
    }

    // Accessor registration; the handler runs on the accessor's thread under the call lock.
    void RegisterSerial(int funcId) { accessor_->RegisterFuncAsSerial(funcId); }
    void RegisterPush(int funcId) { accessor_->RegisterFuncAsPush(funcId); }
    void RegisterReceiver(int funcId, std::function<void(const Resp_s&)> handler) {
        const ReceiverKey key(funcId, this);
        receivers_.push_back(key);
        auto locked = [this, handler = std::move(handler)](const Resp_s& resp) {
            QMutexLocker locker(&callLock_);
            handler(resp);
        };
        accessor_->RegisterReceiver(key, ReceiverGuard::Wrap<Resp_s>(guard_, std::move(locked)),
                                    nullptr);
    }

    // The cached value, or nothing (a miss is not an error here, and costs no exception).
    std::optional<CacheValue> Cached(const CacheKey& key) {
        CacheValue value;
        if (!cache_.TryGet(key, value)) {
            return std::nullopt;
        }
        return value;
    }

    // Stores the package as the topic's latest and publishes it (calls whose cache maps topic ->
    // package).
    void StoreAndPublish(const Topic& topic, const Package& package) {
        cache_.Put(topic, package);
        publisher_.Publish(topic, package);
    }

    // Merges a decoded record into the topic's cached package (Entity::MergeFrom: the fields the
    // record carries replace the cached ones, the others stay), then stores and publishes the
    // result as a new package; a package published before stays untouched. Without a cached
    // package the record is stored as it is.
    template <typename Entity>
    void MergeStoreAndPublish(const Topic& topic, const Entity& record) {
        Package package(record);
        if (const std::optional<CacheValue> cached = Cached(topic)) {
            package = cached->Copy();
            package.Mutable().MergeFrom(record);
        }
        StoreAndPublish(topic, package);
    }

    mutable QMutex callLock_;
    QuoteDataSourceHandlerConfiguration* configuration_;  // not owned
    SupportedTypeHolder supportedTypes_;
    CHQOWNServerAccesser* accessor_;  // not owned
    ResponseCache<CacheKey, CacheValue> cache_;
    Publisher publisher_;
    std::unique_ptr<Driver> driver_;
    Broadcasts broadcasts_;

private:
    struct NodeEntry {
        Topic topic;
        std::unique_ptr<NodeSubscriber> subscriber;
    };

    void DropNode(int scopeId) {
        auto found = nodes_.find(scopeId);
        if (found == nodes_.end()) {
            return;
        }
        publisher_.Unsubscribe(found->second.topic, found->second.subscriber.get());
        nodes_.erase(found);
    }

    void Replay(const Topic& topic, ISubscriber* subscriber) {
        QMutexLocker locker(&callLock_);
        try {
            const Package package = ReplayPackage(topic);
            subscriber->OnPublish(topic, package);
        } catch (const std::range_error&) {
            // nothing cached: nothing to replay
        }
    }

    std::function<void(const Topic&)> Locked(std::function<void(const Topic&)> callable) {
        return [this, callable = std::move(callable)](const Topic& topic) {
            QMutexLocker locker(&callLock_);
            if (callable) {
                callable(topic);
            }
        };
    }

    std::map<int, NodeEntry> nodes_;  // scope id -> the node's subscription (owned)
    kestrov::tolk::subscriber::LambdaOnSubscribeListener<Topic, Package> replay_;
    std::shared_ptr<ReceiverGuard> guard_;
    std::vector<ReceiverKey> receivers_;
    QPointer<CHQOWNServerAccesser> accessorWatch_;  // null once the accessor is gone
};
