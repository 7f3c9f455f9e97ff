#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <iterator>
#include <list>
#include <set>

#include "host/tolk/subscriber/ISubscriber.h"

namespace kestrov {
namespace tolk {
namespace subscriber {

template <typename K, typename V>
class Publisher;

template <typename K, typename V>
class IObservable {
public:
    virtual ~IObservable() = default;
    virtual bool Attach(ISubscriber<K, V>* subscriber) = 0;
    virtual void Detach(ISubscriber<K, V>* subscriber) = 0;
    virtual void Notify(const K& topic, const V& value, ISubscriber<K, V>* excluded) = 0;
    virtual void Notify(const K& topic, const V& value) = 0;
    virtual int Count() = 0;
};

// The subscribers of one topic, notified in the order they were attached.
// Thread contract: any thread; every operation holds the recursive mutex, so a subscriber may call
// back into this observable from OnPublish. A subscriber detached during a notification pass is
// skipped from then on and one attached during it is first notified by the next pass; the list
// entry of a detached subscriber is nulled while a pass runs and swept when the outermost pass
// ends, so a pass never allocates and never walks a freed node.
template <typename K, typename V>
class Observable : public IObservable<K, V> {
public:
    Observable() = default;
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    bool Attach(ISubscriber<K, V>* subscriber) override {
        QMutexLocker locker(&mutex_);
        if (members_.insert(subscriber).second) {
            order_.push_back(subscriber);
        }
        return true;
    }

    void Detach(ISubscriber<K, V>* subscriber) override {
        QMutexLocker locker(&mutex_);
        if (members_.erase(subscriber) == 0) {
            return;
        }
        for (auto it = order_.begin(); it != order_.end(); ++it) {
            if (*it == subscriber) {
                if (passDepth_ > 0) {
                    *it = nullptr;  // a pass may stand on this node; swept after the pass
                    hasHoles_ = true;
                } else {
                    order_.erase(it);
                }
                return;
            }
        }
    }

    void Notify(const K& topic, const V& value, ISubscriber<K, V>* excluded) override {
        QMutexLocker locker(&mutex_);
        NotifyHeld(topic, value, excluded);
    }

    void Notify(const K& topic, const V& value) override { Notify(topic, value, nullptr); }

    int Count() override {
        QMutexLocker locker(&mutex_);
        return static_cast<int>(members_.size());
    }

private:
    template <typename, typename>
    friend class Publisher;

    // Notify without this observable's own lock, for an owner that already serialises every access
    // to it (a publisher holding its mutex): saves a recursive lock pair per publication.
    void NotifyHeld(const K& topic, const V& value, ISubscriber<K, V>* excluded) {
        if (order_.empty()) {
            return;
        }
        const auto last = std::prev(order_.end());  // later attachments wait for the next pass
        PassGuard pass(*this);
        for (auto it = order_.begin();; ++it) {
            ISubscriber<K, V>* subscriber = *it;
            if (subscriber != nullptr && subscriber != excluded) {
                subscriber->OnPublish(topic, value);
            }
            if (it == last) {
                break;
            }
        }
    }

    // Counts a running pass; the outermost pass sweeps the nulled entries, even when a callback
    // throws.
    struct PassGuard {
        explicit PassGuard(Observable& owner) : owner_(owner) { ++owner_.passDepth_; }
        ~PassGuard() {
            if (--owner_.passDepth_ == 0 && owner_.hasHoles_) {
                owner_.order_.remove(nullptr);
                owner_.hasHoles_ = false;
            }
        }
        Observable& owner_;
    };

    QMutex mutex_{QMutex::Recursive};
    std::set<ISubscriber<K, V>*> members_;
    std::list<ISubscriber<K, V>*> order_;
    int passDepth_ = 0;      // notification passes running (nested through callbacks)
    bool hasHoles_ = false;  // order_ holds nulled entries of detached subscribers
};

}  // namespace subscriber
}  // namespace tolk
}  // namespace kestrov
