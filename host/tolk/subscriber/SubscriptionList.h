#pragma once

#include <QByteArray>
#include <QString>

#include <list>
#include <mutex>

#include "host/tolk/subscriber/ISubscriber.h"
#include "host/tolk/subscriber/Publisher.h"

namespace kestrov {
namespace tolk {
namespace subscriber {

// The subscriptions an owner made on other publishers (typically the host's broadcaster), undone
// together by Clear or the destructor. Publishers are not owned; a subscriber is deleted on Clear
// when it was added as owned.
// Thread contract: any thread; the recursive mutex guards the records. Clear must not run from
// inside a callback of a recorded publisher, since the publisher defers that unsubscribe while
// an owned subscriber is deleted at once.
template <typename K = QString, typename V = QByteArray>
class SubscriptionList {
public:
    SubscriptionList() = default;
    SubscriptionList(const SubscriptionList&) = delete;
    SubscriptionList& operator=(const SubscriptionList&) = delete;

    ~SubscriptionList() { Clear(); }

    // Records the subscription and subscribes; false (and nothing done) when either pointer is
    // null.
    bool Add(IPublisher<K, V>* publisher, const K& key, ISubscriber<K, V>* subscriber, bool owned) {
        if (publisher == nullptr || subscriber == nullptr) {
            return false;
        }
        std::lock_guard<std::recursive_mutex> locker(mutex_);
        records_.push_back(Record{publisher, key, subscriber, owned});
        publisher->Subscribe(key, subscriber);
        return true;
    }

    // Unsubscribes every record in the order added, deletes owned subscribers, empties the list.
    void Clear() {
        std::lock_guard<std::recursive_mutex> locker(mutex_);
        std::list<Record> records;
        records.swap(records_);
        for (const Record& record : records) {
            record.publisher->Unsubscribe(record.key, record.subscriber);
            if (record.owned) {
                delete record.subscriber;
            }
        }
    }

    int Size() const {
        std::lock_guard<std::recursive_mutex> locker(mutex_);
        return static_cast<int>(records_.size());
    }

private:
    struct Record {
        IPublisher<K, V>* publisher;
        K key;
        ISubscriber<K, V>* subscriber;
        bool owned;
    };

    mutable std::recursive_mutex mutex_;
    std::list<Record> records_;
};

}  // namespace subscriber
}  // namespace tolk
}  // namespace kestrov
