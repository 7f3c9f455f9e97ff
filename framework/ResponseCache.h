#pragma once

#include <QHashFunctions>
#include <QList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "framework/CacheLock.h"
#include "framework/DiskCacheListener.h"
#include "host/core/ConcurrentRunner.h"

namespace cache_index {

// Asked with one argument: Qt's catch-all qHash(const T&, uint) matches any type and fails
// only inside, where detection cannot see it.
template <typename K, typename = void>
struct HasQHash : std::false_type {};
template <typename K>
struct HasQHash<K, std::void_t<decltype(qHash(std::declval<const K&>()))>> : std::true_type {};

template <typename K>
struct QHasher {
    size_t operator()(const K& key) const { return qHash(key); }
};

// The index of a cache by key: a hash table when the key has qHash or std::hash, else an ordered
// map (every topic type is ordered). Both keep their elements' addresses while they hold them.
template <typename K, typename Slot>
using IndexFor =
    std::conditional_t<HasQHash<K>::value, std::unordered_map<K, Slot, QHasher<K>>,
                       std::conditional_t<std::is_default_constructible<std::hash<K>>::value,
                                          std::unordered_map<K, Slot>, std::map<K, Slot>>>;

}  // namespace cache_index

// Least-recently-used cache from a topic to its last decoded package, optionally backed by a
// loader (asked on a miss) and a saver (handed every value not coming from the loader).
//
// Thread contract: every operation takes the cache's own recursive lock (CacheLock), so any thread
// may call it; the owning call normally holds its call lock around it. Saves run on the cache's
// ConcurrentRunner with copies of key and value; the destructor waits for running saves, so an
// owner must not hold a lock that its saver takes while destroying the cache.
//
// Layout: one index (a hash table keyed by the topic) whose entries are threaded on an intrusive
// recency list, rather than a separate list plus an index into it: a hit is one lookup and a few
// pointer moves, and a put into a full cache reuses the evicted entry's node, so a cache that is
// full allocates nothing more. What callers see (recency order, eviction, hooks, the miss
// exception) is that of a list with an index.
template <typename K, typename V>
class ResponseCache {
public:
    using Loader = cache::OnLoadFromDiskCacheListener<K, V>;
    using Saver = cache::OnSaveToDiskCacheListener<K, V>;

    explicit ResponseCache(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {
        Reserve(index_);
    }
    ResponseCache(const ResponseCache&) = delete;
    ResponseCache& operator=(const ResponseCache&) = delete;
    ~ResponseCache() { runner_.WaitForDone(); }

    void SetLoader(std::shared_ptr<Loader> loader) {
        std::lock_guard<CacheLock> guard(mutex_);
        loader_ = std::move(loader);
    }

    void SetSaver(std::shared_ptr<Saver> saver) {
        std::lock_guard<CacheLock> guard(mutex_);
        saver_ = std::move(saver);
    }

    // Returns the value and makes it the most recently used; on a miss asks the loader.
    // Throws std::range_error("There is no such key in cache") when neither has it.
    V Get(const K& key) {
        V value{};
        if (!TryGet(key, value)) {
            throw std::range_error("There is no such key in cache");
        }
        return value;
    }

    // Get without the exception: false (value untouched) when neither the cache nor the loader
    // has the key. For callers to whom a miss is an everyday event.
    bool TryGet(const K& key, V& value) {
        std::lock_guard<CacheLock> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            MakeNewest(&found->second);
            value = found->second.value;
            return true;
        }
        V loaded{};
        if (loader_ && loader_->OnLoadFromDiskCache(key, loaded)) {
            Put(key, loaded, true);
            value = newest_->value;
            return true;
        }
        return false;
    }

    // The value held for the key, if any, leaving the recency order as it is and not asking the
    // loader: for a caller that only looks at what is there (not a use of the entry).
    bool Peek(const K& key, V& value) const {
        std::lock_guard<CacheLock> guard(mutex_);
        auto found = index_.find(key);
        if (found == index_.end()) {
            return false;
        }
        value = found->second.value;
        return true;
    }

    // Stores the value as the most recently used, replacing an older one for the key, and evicts
    // the least recently used entry beyond the capacity. Values not coming from the loader are
    // handed (as copies) to the saver in the background.
    void Put(const K& key, const V& value, bool fromLoader = false) {
        std::lock_guard<CacheLock> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            found->second.value = value;
            MakeNewest(&found->second);
        } else if (static_cast<int>(index_.size()) >= capacity_) {
            Recycle(key, value);
        } else {
            auto inserted = index_.emplace(key, Slot{value}).first;
            inserted->second.key = &inserted->first;
            PushNewest(&inserted->second);
        }
        if (!fromLoader && saver_) {
            std::shared_ptr<Saver> saver = saver_;
            runner_.Run([saver, key, value]() { saver->OnSaveToDiskCache(key, value); });
        }
    }

    bool Contains(const K& key) const {
        std::lock_guard<CacheLock> guard(mutex_);
        return index_.find(key) != index_.end();
    }

    void Remove(const K& key) {
        std::lock_guard<CacheLock> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            Unlink(&found->second);
            index_.erase(found);
        }
    }

    // Keys, most recently used first.
    QList<K> Keys() const {
        std::lock_guard<CacheLock> guard(mutex_);
        QList<K> keys;
        for (const Slot* slot = newest_; slot != nullptr; slot = slot->older) {
            keys.append(*slot->key);
        }
        return keys;
    }

    int Size() const {
        std::lock_guard<CacheLock> guard(mutex_);
        return static_cast<int>(index_.size());
    }

    int Capacity() const { return capacity_; }

    // Blocks until every save handed to the runner so far has finished.
    void WaitForSaves() { runner_.WaitForDone(); }

private:
    // An entry: its value and its place in the recency list (newer is toward newest_).
    struct Slot {
        V value;
        const K* key = nullptr;  // the index's own key of this entry
        Slot* newer = nullptr;
        Slot* older = nullptr;
    };
    using Index = cache_index::IndexFor<K, Slot>;

    template <typename Map>
    void Reserve(Map& map) {
        if constexpr (!std::is_same<Map, std::map<K, Slot>>::value) {
            map.reserve(static_cast<size_t>(capacity_) + 1);
        }
    }

    // The oldest entry's node takes the new key and value: the node is moved between buckets,
    // nothing is allocated or freed.
    void Recycle(const K& key, const V& value) {
        Slot* oldest = oldest_;
        Unlink(oldest);
        auto node = index_.extract(*oldest->key);
        node.key() = key;
        node.mapped().value = value;
        auto inserted = index_.insert(std::move(node)).position;
        inserted->second.key = &inserted->first;
        PushNewest(&inserted->second);
    }

    void Unlink(Slot* slot) {
        (slot->newer != nullptr ? slot->newer->older : newest_) = slot->older;
        (slot->older != nullptr ? slot->older->newer : oldest_) = slot->newer;
        slot->newer = slot->older = nullptr;
    }

    void PushNewest(Slot* slot) {
        slot->older = newest_;
        slot->newer = nullptr;
        (newest_ != nullptr ? newest_->newer : oldest_) = slot;
        newest_ = slot;
    }

    void MakeNewest(Slot* slot) {
        if (slot != newest_) {
            Unlink(slot);
            PushNewest(slot);
        }
    }

    mutable CacheLock mutex_;
    Index index_;
    Slot* newest_ = nullptr;  // most recently used
    Slot* oldest_ = nullptr;  // least recently used: evicted first
    const int capacity_;
    std::shared_ptr<Loader> loader_;
    std::shared_ptr<Saver> saver_;
    ConcurrentRunner runner_;
};
