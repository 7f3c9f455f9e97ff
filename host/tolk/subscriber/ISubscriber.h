#pragma once

#include <functional>
#include <utility>

namespace kestrov {
namespace tolk {
namespace subscriber {

template <typename K, typename V>
class IPublisher;

// Receives the values published on the topics it is subscribed to.
// Thread contract: OnPublish runs on the publishing thread with the publisher's mutex held;
// SetPublisher is called by the publisher under that mutex.
template <typename K, typename V>
class ISubscriber {
public:
    virtual ~ISubscriber() = default;
    virtual void SetPublisher(IPublisher<K, V>* publisher) = 0;
    virtual IPublisher<K, V>* GetPublisher() = 0;
    virtual void OnPublish(const K& topic, const V& value) = 0;
};

// Remembers the publisher it is currently subscribed to (null when not subscribed; not owned).
template <typename K, typename V>
class Subscriber : public ISubscriber<K, V> {
public:
    void SetPublisher(IPublisher<K, V>* publisher) override { publisher_ = publisher; }
    IPublisher<K, V>* GetPublisher() override { return publisher_; }

private:
    IPublisher<K, V>* publisher_ = nullptr;
};

namespace lambda {

// A subscriber around a callable; without one, publications are ignored.
template <typename K, typename V>
class LambdaSubscriber : public Subscriber<K, V> {
public:
    using Callback = std::function<void(const K&, const V&)>;

    LambdaSubscriber() = default;
    explicit LambdaSubscriber(Callback callback) : callback_(std::move(callback)) {}

    void SetCallback(Callback callback) { callback_ = std::move(callback); }

    void OnPublish(const K& topic, const V& value) override {
        if (callback_) {
            callback_(topic, value);
        }
    }

private:
    Callback callback_;
};

}  // namespace lambda

using lambda::LambdaSubscriber;

}  // namespace subscriber
}  // namespace tolk
}  // namespace kestrov
