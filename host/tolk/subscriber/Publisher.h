#pragma once

#include <QMutex>
#include <QMutexLocker>

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
// and Publish are serialised: while an operation runs (running_, guarded by the mutex), an
// operation issued from inside a callback (same thread, mutex re-entered) copies its arguments
// into a queued action that runs after the running one has finished, in issue order, never nested
// inside it. Other threads wait on the mutex. The owned observables are reached only under the
// mutex, so they are notified without taking their own locks.
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
        Execute(&Publisher::DoSubscribe, topic, subscriber);
        return true;
    }

    void Unsubscribe(const K& topic, SubscriberPtr subscriber) override {
        Execute(&Publisher::DoUnsubscribe, topic, subscriber);
    }

    void Publish(const K& topic, const V& value, SubscriberPtr excluded) override {
        Execute(&Publisher::DoPublish, topic, value, excluded);
    }

    void Publish(const K& topic, const V& value) override {
        Execute(&Publisher::DoPublish, topic, value, SubscriberPtr{nullptr});
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
        Execute(&Publisher::DoSubscribeAllTopics, subscriber);
    }

    void UnsubscribeAllTopics(SubscriberPtr subscriber) {
        Execute(&Publisher::DoUnsubscribeAllTopics, subscriber);
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
    // Clears running_ when the running operations are done, also when one throws.
    struct RunningGuard {
        explicit RunningGuard(bool& running) : running_(running) { running_ = true; }
        ~RunningGuard() { running_ = false; }
        bool& running_;
    };

    // Runs (this->*op)(args...) at once, reading the caller's arguments in place, unless an
    // operation is already running on this thread: then the arguments are copied into a queued
    // action. Only that rare re-entry pays for a copy and a std::function.
    template <typename Op, typename... Args>
    void Execute(Op op, const Args&... args) {
        QMutexLocker locker(&mutex_);
        if (running_) {
            actions_.emplace_back([this, op, args...] { (this->*op)(args...); });
            return;
        }
        RunningGuard guard(running_);
        (this->*op)(args...);
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
        anyTopic_.NotifyHeld(topic, value, excluded);
        if (Observable<K, V>* observable = FindObservable(topic)) {
            observable->NotifyHeld(topic, value, excluded);
        }
    }

    void DoSubscribeAllTopics(SubscriberPtr subscriber) { anyTopic_.Attach(subscriber); }
    void DoUnsubscribeAllTopics(SubscriberPtr subscriber) { anyTopic_.Detach(subscriber); }

    std::deque<std::function<void()>> actions_;   // deferred operations, run in issue order
    mutable QMutex mutex_{QMutex::Recursive};     // guards everything below
    bool running_ = false;                        // an operation is running
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
