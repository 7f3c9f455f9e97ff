#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <queue>
#include <set>
#include <vector>

#include "host/core/HostClock.h"

// Remembers the requests sent during the last 3000 ms so that a repeat within that window is not
// sent again. Key must provide:
//   qint64 Timestamp() const  - ms since the epoch when the request was made;
//   operator==                - same request (the timestamp is ignored);
//   operator<                 - a strict total order (request fields, then timestamp).
//
// Thread contract: every operation takes the set's own mutex; any thread may call it (the owning
// call holds its call lock around it).
template <typename Key>
class RecentRequestSet {
public:
    static constexpr qint64 kWindowMs = 3000;  // ms a sent request suppresses its repeats

    // Drops keys made more than kWindowMs before now (a key exactly kWindowMs old stays); then, if
    // an equal key made holdMs or less before now remains, returns false (do not send); otherwise
    // remembers the key and returns true. holdMs shorter than the window lets a caller on a timer
    // of that period send once a period however the timer's ticks fall (see 12990).
    bool TrimAndInsert(const Key& key, qint64 nowMs, qint64 holdMs = kWindowMs) {
        QMutexLocker locker(&mutex_);
        Trim(nowMs);
        const bool held = std::any_of(keys_.begin(), keys_.end(), [&](const Key& kept) {
            return kept == key && kept.Timestamp() >= nowMs - holdMs;
        });
        if (held) {
            return false;
        }
        keys_.insert(key);
        byAge_.push(key);
        return true;
    }

    bool TrimAndInsert(const Key& key) { return TrimAndInsert(key, HostClock::NowMs()); }

    int Size() const {
        QMutexLocker locker(&mutex_);
        return static_cast<int>(keys_.size());
    }

private:
    struct Newer {
        bool operator()(const Key& a, const Key& b) const { return a.Timestamp() > b.Timestamp(); }
    };

    void Trim(qint64 nowMs) {
        while (!byAge_.empty() && byAge_.top().Timestamp() < nowMs - kWindowMs) {
            keys_.erase(byAge_.top());
            byAge_.pop();
        }
    }

    mutable QMutex mutex_;
    std::priority_queue<Key, std::vector<Key>, Newer> byAge_;  // oldest on top
    std::set<Key> keys_;
};
