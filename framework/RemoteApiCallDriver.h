#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <functional>
#include <list>
#include <memory>
#include <set>
#include <utility>

#include "framework/RemoteApiCallDriverBase.h"
#include "framework/RemoteApiCallDriverListener.h"
#include "framework/TimedTopicSet.h"

// Schedules requests for the subscribed topics of one server function: the first request, repeats
// until an answer comes (awaiting set), periodic polls of answered snapshot topics (polling set)
// and the server's push subscription list (push set). A released topic lingers 2000 ms in its sets.
//
// Thread contract: every operation and tick first takes the owner's call lock (a recursive QMutex
// given at construction, not owned; may be null in tests), then the topic sets' own mutexes.
// Listeners fire with the call lock held. Timers: see RemoteApiCallDriverBase.
template <typename T>
class RemoteApiCallDriver : public RemoteApiCallDriverBase {
public:
    using TopicList = std::list<T>;
    using TopicListener = OnRemoteApiCallDriverEventListener<T>;
    using ListListener = OnRemoteApiCallDriverEventListener<TopicList>;
    using TopicCallable = std::function<void(const T&)>;
    using ListCallable = std::function<void(const TopicList&)>;

    explicit RemoteApiCallDriver(QMutex* callLock, QObject* parent = nullptr)
        : RemoteApiCallDriverBase(parent), callLock_(callLock) {}

    // Listener setters. Those with an interval also start the matching timer.
    void SetRequestListener(int intervalMs, std::shared_ptr<TopicListener> listener) {
        QMutexLocker locker(callLock_);
        request_.SetListener(std::move(listener));
        StartAwaitingTimer(intervalMs);
    }
    void SetPollListener(int intervalMs, std::shared_ptr<TopicListener> listener) {
        QMutexLocker locker(callLock_);
        poll_.SetListener(std::move(listener));
        StartPollingTimer(intervalMs);
    }
    void SetPushListListener(std::shared_ptr<ListListener> listener) {
        QMutexLocker locker(callLock_);
        pushListChanged_.SetListener(std::move(listener));
    }
    void SetPushRefreshListener(int intervalMs, std::shared_ptr<ListListener> listener) {
        QMutexLocker locker(callLock_);
        pushListRefresh_.SetListener(std::move(listener));
        StartPushPurgeTimer(kPushPurgeIntervalMs);
        StartPushRefreshTimer(intervalMs);
    }
    void SetPushStartedListener(std::shared_ptr<TopicListener> listener) {
        QMutexLocker locker(callLock_);
        pushStarted_.SetListener(std::move(listener));
    }
    void SetPushRefreshedListener(std::shared_ptr<TopicListener> listener) {
        QMutexLocker locker(callLock_);
        pushRefreshed_.SetListener(std::move(listener));
    }

    // Callable forms of the setters above.
    void SetRequestListener(int intervalMs, TopicCallable callable) {
        SetRequestListener(intervalMs, Wrap(std::move(callable)));
    }
    void SetPollListener(int intervalMs, TopicCallable callable) {
        SetPollListener(intervalMs, Wrap(std::move(callable)));
    }
    void SetPushListListener(ListCallable callable) {
        SetPushListListener(Wrap(std::move(callable)));
    }
    void SetPushRefreshListener(int intervalMs, ListCallable callable) {
        SetPushRefreshListener(intervalMs, Wrap(std::move(callable)));
    }
    void SetPushStartedListener(TopicCallable callable) {
        SetPushStartedListener(Wrap(std::move(callable)));
    }
    void SetPushRefreshedListener(TopicCallable callable) {
        SetPushRefreshedListener(Wrap(std::move(callable)));
    }

    // The topic got its first subscriber; cached tells whether the response cache holds it.
    void Activate(const T& topic, bool cached) {
        QMutexLocker locker(callLock_);
        active_.insert(topic);
        if (!cached) {
            awaiting_.Add(topic);
            polling_.Erase(topic);
            push_.Expire(topic, true);
            request_.OnEvent(topic);
            return;
        }
        if (polling_.Contains(topic)) {
            polling_.Add(topic);
            return;
        }
        if (push_.Contains(topic)) {
            if (push_.Add(topic) != 0) {
                pushListChanged_.OnEvent(push_.Snapshot());
            }
            return;
        }
        awaiting_.Add(topic);
        request_.OnEvent(topic);
    }

    // The topic lost its last subscriber: its entries linger, then the next purge drops them.
    void Deactivate(const T& topic) {
        QMutexLocker locker(callLock_);
        active_.erase(topic);
        for (TimedTopicSet<T>* set : {&awaiting_, &polling_, &push_}) {
            set->Purge();
            set->Expire(topic, true);
        }
    }

    // A snapshot answer arrived for the topic.
    void MarkAnswered(const T& topic) {
        QMutexLocker locker(callLock_);
        if (!IsActive(topic)) {
            return;
        }
        awaiting_.Erase(topic);
        polling_.Add(topic);
    }

    // An answer arrived for a topic the server keeps up to date by push.
    void StartPush(const T& topic) {
        QMutexLocker locker(callLock_);
        if (!IsActive(topic)) {
            return;
        }
        const bool wasPushed = push_.Contains(topic);
        awaiting_.Erase(topic);
        if (push_.Add(topic) != 0) {
            pushListChanged_.OnEvent(push_.Snapshot());
        }
        if (!wasPushed) {
            pushStarted_.OnEvent(topic);
        }
    }

    // The cached package was dropped: request the topic again now.
    void Reload(const T& topic) {
        QMutexLocker locker(callLock_);
        if (!IsActive(topic)) {
            return;
        }
        awaiting_.Add(topic);
        push_.Expire(topic, true);
        polling_.Erase(topic);
        request_.OnEvent(topic);
    }

    // Re-requests every topic still waiting for its answer.
    void OnAwaitingTick() override {
        QMutexLocker locker(callLock_);
        FireTick(awaiting_, request_);
    }

    // Polls every answered snapshot topic.
    void OnPollingTick() override {
        QMutexLocker locker(callLock_);
        FireTick(polling_, poll_);
    }

    // Re-sends the push list (as changed when entries expired), then reports each pushed topic.
    void OnPushRefreshTick() override {
        QMutexLocker locker(callLock_);
        const int purged = push_.Purge();
        const TopicList topics = push_.Snapshot();
        if (purged > 0) {
            pushListChanged_.OnEvent(topics);
        } else {
            pushListRefresh_.OnEvent(topics);
        }
        for (const T& topic : topics) {
            pushRefreshed_.OnEvent(topic);
        }
    }

    // Drops expired push topics and announces the shorter list.
    void OnPushPurgeTick() override {
        QMutexLocker locker(callLock_);
        if (push_.Purge() > 0) {
            pushListChanged_.OnEvent(push_.Snapshot());
        }
    }

    // True while the awaiting or the polling timer's tick fires its listener (ask it from a
    // listener): the request is the period's own, not a first subscription or a reload.
    bool InTimerTick() const {
        QMutexLocker locker(callLock_);
        return inTimerTick_;
    }

    bool IsActive(const T& topic) const {
        QMutexLocker locker(callLock_);
        return active_.count(topic) != 0;
    }
    std::set<T> ActiveTopics() const {
        QMutexLocker locker(callLock_);
        return active_;
    }
    const TimedTopicSet<T>& AwaitingSet() const { return awaiting_; }
    const TimedTopicSet<T>& PollingSet() const { return polling_; }
    const TimedTopicSet<T>& PushSet() const { return push_; }

private:
    template <typename E>
    static std::shared_ptr<OnRemoteApiCallDriverEventListener<E>> Wrap(
        std::function<void(const E&)> callable) {
        return std::make_shared<LambdaOnRemoteApiCallDriverEventListener<E>>(std::move(callable));
    }

    void FireTick(TimedTopicSet<T>& set, OnRemoteApiCallDriverEventListenerOwner<T>& listener) {
        set.Purge();
        inTimerTick_ = true;
        for (const T& topic : set.Snapshot()) {
            listener.OnEvent(topic);
        }
        inTimerTick_ = false;
    }

    QMutex* callLock_;          // the owner's recursive call lock, not owned
    bool inTimerTick_ = false;  // guarded by the call lock
    std::set<T> active_;
    TimedTopicSet<T> awaiting_;  // requested, no answer yet
    TimedTopicSet<T> polling_;   // answered snapshot topics
    TimedTopicSet<T> push_;      // topics in the server's push list
    OnRemoteApiCallDriverEventListenerOwner<T> request_;
    OnRemoteApiCallDriverEventListenerOwner<T> poll_;
    OnRemoteApiCallDriverEventListenerOwner<T> pushStarted_;
    OnRemoteApiCallDriverEventListenerOwner<T> pushRefreshed_;
    OnRemoteApiCallDriverEventListenerOwner<TopicList> pushListChanged_;
    OnRemoteApiCallDriverEventListenerOwner<TopicList> pushListRefresh_;
};
