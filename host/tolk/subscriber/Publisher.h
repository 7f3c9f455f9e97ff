#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "host/tolk/subscriber/ISubscriber.h"
#include "host/tolk/subscriber/Listeners.h"
#include "host/tolk/subscriber/Observable.h"

namespace kestrov {
namespace tolk {
namespace subscriber {

template <typename K, typename V>
class IPublisher {
public:
    virtual ~IPublisher() = default;
    virtual bool Subscribe(const K& topic, ISubscriber<K, V>* subscriber) = 0;
    virtual void Unsubscribe(const K& topic, ISubscriber<K, V>* subscriber) = 0;
    virtual void Publish(const K& topic, const V& value, ISubscriber<K, V>* excluded) = 0;
    virtual void Publish(const K& topic, const V& value) = 0;
};

// Topic-keyed publish/subscribe hub. Subscribers and OnSubscribe listeners are not owned; the
// topic and subscribe listeners are shared; the per-topic observables are owned.
//
// Thread contract: any thread. Every operation holds the recursive mutex for its whole run, and
// subscriber and listener callbacks run on the calling thread with it held. Subscribe, Unsubscribe
// and Publish are serialised: each copies its arguments into an action; the one-permit semaphore
// is held while actions run, so an operation issued from inside a callback (same thread, mutex
// re-entered) is queued and runs after the running action has finished, in issue order, never
// nested inside it. Other threads wait on the mutex.
template <typename K, typename V>
class Publisher : public IPublisher<K, V> {
public:
    using SubscriberPtr = ISubscriber<K, V>*;

    Publisher() = default;
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    ~Publisher() override {
        QMutexLocker locker(&mutex_);
        for (auto& entry : topics_) {
            delete entry.second;
        }
    }

    // Always true; the subscription itself may be deferred (see the thread contract).
    bool Subscribe(const K& topic, SubscriberPtr subscriber) override {
        Execute([this, topic, subscriber] { DoSubscribe(topic, subscriber); });
        return true;
    }

    void Unsubscribe(const K& topic, SubscriberPtr subscriber) override {
        Execute([this, topic, subscriber] { DoUnsubscribe(topic, subscriber); });
    }

    void Publish(const K& topic, const V& value, SubscriberPtr excluded) override {
        Execute([this, topic, value, excluded] { DoPublish(topic, value, excluded); });
    }

    void Publish(const K& topic, const V& value) override {
        Execute([this, topic, value] { DoPublish(topic, value, nullptr); });
    }

    // Attaches a listener told of every later subscription (not owned).
    void RegisterOnSubscribeListener(OnSubscribeListener<K, V>* listener) {
        QMutexLocker locker(&mutex_);
        subscriptions_.Attach(listener);
    }

    // Replaces the held listener; the previous one is released. Null clears it.
    void SetOnTopicInsertedListener(std::shared_ptr<OnTopicInsertedListener<K>> listener) {
        QMutexLocker locker(&mutex_);
        onTopicInserted_ = std::move(listener);
    }

    void SetOnTopicDeletedListener(std::shared_ptr<OnTopicDeletedListener<K>> listener) {
        QMutexLocker locker(&mutex_);
        onTopicDeleted_ = std::move(listener);
    }

    // A subscriber of every publication, whatever its topic; serialised like Subscribe.
    void SubscribeAllTopics(SubscriberPtr subscriber) {
        Execute([this, subscriber] { anyTopic_.Attach(subscriber); });
    }

    void UnsubscribeAllTopics(SubscriberPtr subscriber) {
        Execute([this, subscriber] { anyTopic_.Detach(subscriber); });
    }

    bool HasTopic(const K& topic) const {
        QMutexLocker locker(&mutex_);
        return topicSet_.count(topic) != 0;
    }

    std::set<K> Topics() const {
        QMutexLocker locker(&mutex_);
        return topicSet_;
    }

    int SubscriberCount(const K& topic) const {
        QMutexLocker locker(&mutex_);
        auto it = topics_.find(topic);
        return (it != topics_.end() && it->second != nullptr) ? it->second->Count() : 0;
    }

protected:
    // The deferred body of Subscribe: subscribe listeners first, then the topic (created on its
    // first subscriber), then the attachment.
    virtual void DoSubscribe(const K& topic, SubscriberPtr subscriber) {
        if (subscriber == nullptr) {
            return;
        }
        subscriptions_.Notify(topic, subscriber);
        Observable<K, V>* observable = FindObservable(topic);
        if (observable == nullptr) {
            observable = InsertTopic(topic);
        }
        subscriber->SetPublisher(this);
        observable->Attach(subscriber);
    }

private:
    // Releases the permit when the running actions are done, also when one throws.
    struct PermitGuard {
        explicit PermitGuard(QSemaphore& permit) : permit_(permit) {}
        ~PermitGuard() { permit_.release(); }
        QSemaphore& permit_;
    };

    template <typename Action>
    void Execute(Action&& action) {
        QMutexLocker locker(&mutex_);
        if (!permit_.tryAcquire()) {
            // An action of this publisher is running on this thread and called back into it.
            actions_.emplace_back(std::forward<Action>(action));
            return;
        }
        PermitGuard guard(permit_);
        action();
        while (!actions_.empty()) {
            std::function<void()> next = std::move(actions_.front());
            actions_.pop_front();
            next();
        }
    }

    Observable<K, V>* FindObservable(const K& topic) const {
        auto it = topics_.find(topic);
        return it != topics_.end() ? it->second : nullptr;
    }

    Observable<K, V>* InsertTopic(const K& topic) {
        topics_.erase(topic);  // drops an entry holding a null observable
        auto* observable = new Observable<K, V>();
        topics_.emplace(topic, observable);
        topicSet_.insert(topic);
        if (onTopicInserted_) {
            onTopicInserted_->OnTopicInserted(topic);
        }
        return observable;
    }

    void DoUnsubscribe(const K& topic, SubscriberPtr subscriber) {
        auto it = topics_.find(topic);
        if (it == topics_.end() || it->second == nullptr) {
            return;
        }
        Observable<K, V>* observable = it->second;
        observable->Detach(subscriber);
        if (subscriber != nullptr) {
            subscriber->SetPublisher(nullptr);
        }
        if (observable->Count() != 0) {
            return;
        }
        topics_.erase(it);
        delete observable;
        topicSet_.erase(topic);
        if (onTopicDeleted_) {
            onTopicDeleted_->OnTopicDeleted(topic);
        }
    }

    void DoPublish(const K& topic, const V& value, SubscriberPtr excluded) {
        anyTopic_.Notify(topic, value, excluded);
        if (Observable<K, V>* observable = FindObservable(topic)) {
            observable->Notify(topic, value, excluded);
        }
    }

    std::deque<std::function<void()>> actions_;   // deferred operations, run in issue order
    mutable QMutex mutex_{QMutex::Recursive};     // guards everything below
    QSemaphore permit_{1};                        // taken while an action runs
    std::map<K, Observable<K, V>*> topics_;       // owned; one per topic with subscribers
    Observable<K, SubscriberPtr> subscriptions_;  // OnSubscribe listeners
    Observable<K, V> anyTopic_;                   // told of every publication
    std::shared_ptr<OnTopicInsertedListener<K>> onTopicInserted_;
    std::shared_ptr<OnTopicDeletedListener<K>> onTopicDeleted_;
    std::set<K> topicSet_;  // topics that currently have an observable
};

}  // namespace subscriber
}  // namespace tolk
}  // namespace kestrov
