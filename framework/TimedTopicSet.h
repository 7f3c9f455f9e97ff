#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <list>
#include <map>

#include "host/core/HostClock.h"

// Topics with an expiry time: 0 means the topic stays, otherwise it is dropped by the first Purge
// at or after that time (ms since the epoch, read from HostClock). Lets a driver keep a topic for a
// short grace after its last subscriber left.
//
// Thread contract: every operation takes the set's own recursive mutex; callers hold the owning
// call's lock first (lock order: call lock, then this set).
template <typename T>
class TimedTopicSet {
public:
    static constexpr qint64 kLingerMs = 2000;  // ms a released topic stays before a purge drops it

    TimedTopicSet() : mutex_(QMutex::Recursive) {}

    // Inserts the topic without expiry (or clears the expiry of a present one), then purges.
    // Returns the number of entries purged plus 1 when the topic was new.
    int Add(const T& topic) {
        QMutexLocker locker(&mutex_);
        auto inserted = expiries_.insert_or_assign(topic, 0);
        return Purge() + (inserted.second ? 1 : 0);
    }

    // keep: the present topic expires kLingerMs from now (returns 0); !keep: it is erased
    // (returns 1). An absent topic is ignored (returns 0).
    int Expire(const T& topic, bool keep) {
        QMutexLocker locker(&mutex_);
        auto found = expiries_.find(topic);
        if (found == expiries_.end()) {
            return 0;
        }
        if (keep) {
            found->second = HostClock::NowMs() + kLingerMs;
            return 0;
        }
        expiries_.erase(found);
        return 1;
    }

    // Erases every entry whose expiry is set and not later than now; returns how many.
    int Purge() {
        QMutexLocker locker(&mutex_);
        const qint64 now = HostClock::NowMs();
        int purged = 0;
        for (auto it = expiries_.begin(); it != expiries_.end();) {
            if (it->second != 0 && it->second <= now) {
                it = expiries_.erase(it);
                ++purged;
            } else {
                ++it;
            }
        }
        return purged;
    }

    std::list<T> Snapshot() const {
        QMutexLocker locker(&mutex_);
        std::list<T> topics;
        for (const auto& entry : expiries_) {
            topics.push_back(entry.first);
        }
        return topics;
    }

    bool Contains(const T& topic) const {
        QMutexLocker locker(&mutex_);
        return expiries_.count(topic) != 0;
    }

    bool Erase(const T& topic) {
        QMutexLocker locker(&mutex_);
        return expiries_.erase(topic) != 0;
    }

    int Size() const {
        QMutexLocker locker(&mutex_);
        return static_cast<int>(expiries_.size());
    }

    // Expiry of a present topic (0 = none), or -1 when absent.
    qint64 ExpiryOf(const T& topic) const {
        QMutexLocker locker(&mutex_);
        auto found = expiries_.find(topic);
        return found == expiries_.end() ? -1 : found->second;
    }

private:
    mutable QMutex mutex_;
    std::map<T, qint64> expiries_;  // topic -> expiry, ms since the epoch (0 = none)
};
