#pragma once

#include <functional>
#include <utility>

#include "host/tolk/subscriber/ISubscriber.h"

namespace kestrov {
namespace tolk {
namespace subscriber {

// Told of every subscription to a publisher, before the subscriber is attached.
// Thread contract: called on the subscribing thread with the publisher's mutex held.
template <typename K, typename V>
class OnSubscribeListener : public Subscriber<K, ISubscriber<K, V>*> {
public:
    void OnPublish(const K& topic, ISubscriber<K, V>* const& subscriber) override {
        OnSubscribe(topic, subscriber);
    }
    virtual void OnSubscribe(const K& topic, ISubscriber<K, V>* subscriber) = 0;
};

// Topic listeners: told when a topic gains its first subscriber (inserted) or loses its last
// (deleted), on the thread that caused it, with the publisher's mutex held. They depend on the
// topic type only: OnTopicInsertedListener<K> is the interface, and OnTopicInsertedListener<K, V>
// is the same interface named after a publisher's pair of types.
template <typename K, typename V = void>
class OnTopicInsertedListener;

template <typename K>
class OnTopicInsertedListener<K, void> {
public:
    virtual ~OnTopicInsertedListener() = default;
    virtual void OnTopicInserted(const K& topic) = 0;
};

template <typename K, typename V>
class OnTopicInsertedListener : public OnTopicInsertedListener<K, void> {};

template <typename K, typename V = void>
class OnTopicDeletedListener;

template <typename K>
class OnTopicDeletedListener<K, void> {
public:
    virtual ~OnTopicDeletedListener() = default;
    virtual void OnTopicDeleted(const K& topic) = 0;
};

template <typename K, typename V>
class OnTopicDeletedListener : public OnTopicDeletedListener<K, void> {};

namespace lambda {

// Listener adapters around callables; without one, the notification is ignored.
template <typename K, typename V>
class LambdaOnSubscribeListener : public OnSubscribeListener<K, V> {
public:
    using Callback = std::function<void(const K&, ISubscriber<K, V>*)>;

    LambdaOnSubscribeListener() = default;
    explicit LambdaOnSubscribeListener(Callback callback) : callback_(std::move(callback)) {}

    void SetCallback(Callback callback) { callback_ = std::move(callback); }

    void OnSubscribe(const K& topic, ISubscriber<K, V>* subscriber) override {
        if (callback_) {
            callback_(topic, subscriber);
        }
    }

private:
    Callback callback_;
};

template <typename K, typename V = void>
class LambdaOnTopicInsertedListener : public OnTopicInsertedListener<K, V> {
public:
    using Callback = std::function<void(const K&)>;

    LambdaOnTopicInsertedListener() = default;
    explicit LambdaOnTopicInsertedListener(Callback callback) : callback_(std::move(callback)) {}

    void SetCallback(Callback callback) { callback_ = std::move(callback); }

    void OnTopicInserted(const K& topic) override {
        if (callback_) {
            callback_(topic);
        }
    }

private:
    Callback callback_;
};

template <typename K, typename V = void>
class LambdaOnTopicDeletedListener : public OnTopicDeletedListener<K, V> {
public:
    using Callback = std::function<void(const K&)>;

    LambdaOnTopicDeletedListener() = default;
    explicit LambdaOnTopicDeletedListener(Callback callback) : callback_(std::move(callback)) {}

    void SetCallback(Callback callback) { callback_ = std::move(callback); }

    void OnTopicDeleted(const K& topic) override {
        if (callback_) {
            callback_(topic);
        }
    }

private:
    Callback callback_;
};

}  // namespace lambda

using lambda::LambdaOnSubscribeListener;
using lambda::LambdaOnTopicDeletedListener;
using lambda::LambdaOnTopicInsertedListener;

}  // namespace subscriber
}  // namespace tolk
}  // namespace kestrov
