#pragma once

#include <QHashFunctions>
#include <QList>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

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
constexpr bool kHashable = HasQHash<K>::value || std::is_default_constructible<std::hash<K>>::value;

// Qt hashes text with the processor's CRC32 instruction only when given a seed other than 0;
// with 0 it runs a multiply-add per character, which cost half a cache lookup. Any fixed value
// other than 0 does: the index's layout is never seen outside the cache.
constexpr uint kHashSeed = 0x9E3779B9u;

template <typename K>
size_t HashOf(const K& key) {
    if constexpr (HasQHash<K>::value) {
        return qHash(key, kHashSeed);
    } else {
        return std::hash<K>()(key);
    }
}

// The index of a cache by key over slots the cache owns (each slot holds its key and the links
// below): a chained hash table whose chains run through the slots themselves, so a key is hashed
// once per operation (an evicting put included: the evicted slot remembers its hash) and moving a
// slot to another key allocates nothing. Its buckets are allocated once, for the capacity.
template <typename K, typename Slot>
class HashIndex {
public:
    struct Probe {
        size_t hash = 0;
    };

    explicit HashIndex(int capacity) {
        size_t buckets = 8;
        while (buckets < 2 * static_cast<size_t>(capacity)) {
            buckets *= 2;
        }
        buckets_.assign(buckets, nullptr);
    }

    Slot* Find(const K& key, Probe& probe) const {
        probe.hash = HashOf(key);
        for (Slot* slot = buckets_[probe.hash & (buckets_.size() - 1)]; slot != nullptr;
             slot = slot->chain) {
            if (slot->hash == probe.hash && slot->key == key) {
                return slot;
            }
        }
        return nullptr;
    }

    // Files the slot, whose key is the one probed, under that key.
    void Link(Slot* slot, const Probe& probe) {
        slot->hash = probe.hash;
        Slot*& head = buckets_[probe.hash & (buckets_.size() - 1)];
        slot->chain = head;
        head = slot;
    }

    void Unlink(Slot* slot) {
        Slot** link = &buckets_[slot->hash & (buckets_.size() - 1)];
        while (*link != slot) {
            link = &(*link)->chain;
        }
        *link = slot->chain;
        slot->chain = nullptr;
    }

private:
    std::vector<Slot*> buckets_;  // power-of-two count; a chain per bucket
};

// The index of a key with neither qHash nor std::hash (every topic type is ordered): an ordered
// map to the slots. An unlinked entry's node is kept for the next link, so a full cache still
// allocates nothing to evict.
template <typename K, typename Slot>
class OrderedIndex {
public:
    struct Probe {};

    explicit OrderedIndex(int /*capacity*/) {}

    Slot* Find(const K& key, Probe& /*probe*/) const {
        auto found = map_.find(key);
        return found != map_.end() ? found->second : nullptr;
    }

    void Link(Slot* slot, const Probe& /*probe*/) {
        if (spare_.empty()) {
            map_.emplace(slot->key, slot);
            return;
        }
        spare_.key() = slot->key;
        spare_.mapped() = slot;
        map_.insert(std::move(spare_));
    }

    void Unlink(Slot* slot) { spare_ = map_.extract(slot->key); }

private:
    std::map<K, Slot*> map_;
    typename std::map<K, Slot*>::node_type spare_;
};

template <typename K, typename Slot>
using IndexFor = std::conditional_t<kHashable<K>, HashIndex<K, Slot>, OrderedIndex<K, Slot>>;

}  // namespace cache_index

// Least-recently-used cache from a topic to its last decoded package, optionally backed by a
// loader (asked on a miss) and a saver (handed every value not coming from the loader).
//
// Thread contract: every operation takes the cache's own recursive lock (CacheLock), so any thread
// may call it; the owning call normally holds its call lock around it. Saves run on the cache's
// ConcurrentRunner with copies of key and value; the destructor waits for running saves, so an
// owner must not hold a lock that its saver takes while destroying the cache.
//
// Layout: the entries live in slots the cache owns, threaded on an intrusive recency list and on
// the index's chains, rather than a separate list plus an index into it: a hit is one hash and a
// few pointer moves, and a put into a full cache hashes its key once and reuses the evicted
// entry's slot, so a cache that is full allocates nothing more. What callers see (recency order,
// eviction, hooks, the miss exception) is that of a list with an index.
template <typename K, typename V>
class ResponseCache {
public:
    using Loader = cache::OnLoadFromDiskCacheListener<K, V>;
    using Saver = cache::OnSaveToDiskCacheListener<K, V>;

    explicit ResponseCache(int capacity)
        : capacity_(capacity < 1 ? 1 : capacity), index_(capacity_) {}
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
        Probe probe;
        if (Slot* slot = index_.Find(key, probe)) {
            MakeNewest(slot);
            value = slot->value;
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
        Probe probe;
        const Slot* slot = index_.Find(key, probe);
        if (slot == nullptr) {
            return false;
        }
        value = slot->value;
        return true;
    }

    // Stores the value as the most recently used, replacing an older one for the key, and evicts
    // the least recently used entry beyond the capacity. Values not coming from the loader are
    // handed (as copies) to the saver in the background.
    void Put(const K& key, const V& value, bool fromLoader = false) {
        std::lock_guard<CacheLock> guard(mutex_);
        Probe probe;
        if (Slot* slot = index_.Find(key, probe)) {
            slot->value = value;
            MakeNewest(slot);
        } else {
            Slot* fresh = size_ >= capacity_ ? Evict() : NewSlot();
            fresh->key = key;
            fresh->value = value;
            index_.Link(fresh, probe);
            PushNewest(fresh);
            ++size_;
        }
        if (!fromLoader && saver_) {
            std::shared_ptr<Saver> saver = saver_;
            runner_.Run([saver, key, value]() { saver->OnSaveToDiskCache(key, value); });
        }
    }

    bool Contains(const K& key) const {
        std::lock_guard<CacheLock> guard(mutex_);
        Probe probe;
        return index_.Find(key, probe) != nullptr;
    }

    void Remove(const K& key) {
        std::lock_guard<CacheLock> guard(mutex_);
        Probe probe;
        if (Slot* slot = index_.Find(key, probe)) {
            Drop(slot);
            slot->value = V{};  // what it holds goes now, not when the slot is reused
            slot->older = free_;
            free_ = slot;
        }
    }

    // Keys, most recently used first.
    QList<K> Keys() const {
        std::lock_guard<CacheLock> guard(mutex_);
        QList<K> keys;
        for (const Slot* slot = newest_; slot != nullptr; slot = slot->older) {
            keys.append(slot->key);
        }
        return keys;
    }

    int Size() const {
        std::lock_guard<CacheLock> guard(mutex_);
        return size_;
    }

    int Capacity() const { return capacity_; }

    // Blocks until every save handed to the runner so far has finished.
    void WaitForSaves() { runner_.WaitForDone(); }

private:
    // An entry: its key and value, its place in the recency list (newer is toward newest_) and
    // its link in the index's chain. A removed slot waits on the free list (through `older`).
    struct Slot {
        K key{};
        V value{};
        size_t hash = 0;
        Slot* chain = nullptr;
        Slot* newer = nullptr;
        Slot* older = nullptr;
    };
    using Index = cache_index::IndexFor<K, Slot>;
    using Probe = typename Index::Probe;

    // A slot for a new entry: a removed entry's, else a new one (a deque keeps the addresses).
    Slot* NewSlot() {
        if (free_ != nullptr) {
            Slot* slot = free_;
            free_ = slot->older;
            slot->older = nullptr;
            return slot;
        }
        slots_.emplace_back();
        return &slots_.back();
    }

    // The oldest entry leaves; its slot takes the new entry, so a full cache allocates nothing.
    Slot* Evict() {
        Slot* oldest = oldest_;
        Drop(oldest);
        return oldest;
    }

    // Takes the slot out of the index and the recency list.
    void Drop(Slot* slot) {
        index_.Unlink(slot);
        Unlink(slot);
        --size_;
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
    const int capacity_;
    std::deque<Slot> slots_;  // every slot ever used, at most capacity_ of them
    Index index_;
    Slot* newest_ = nullptr;  // most recently used
    Slot* oldest_ = nullptr;  // least recently used: evicted first
    Slot* free_ = nullptr;    // removed entries' slots
    int size_ = 0;
    std::shared_ptr<Loader> loader_;
    std::shared_ptr<Saver> saver_;
    ConcurrentRunner runner_;
};
