#pragma once

#include <QList>

#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "framework/DiskCacheListener.h"
#include "host/core/ConcurrentRunner.h"

// Least-recently-used cache from a topic to its last decoded package, optionally backed by a
// loader (asked on a miss) and a saver (handed every value not coming from the loader).
//
// Thread contract: every operation takes the cache's own recursive mutex, so any thread may call
// it; the owning call normally holds its call lock around it. Saves run on the cache's
// ConcurrentRunner with copies of key and value; the destructor waits for running saves, so an
// owner must not hold a lock that its saver takes while destroying the cache.
//
// The index is a std::map (K needs operator<, which every topic type has) rather than a hash, so no
// topic type has to provide qHash.
template <typename K, typename V>
class ResponseCache {
public:
    using Loader = cache::OnLoadFromDiskCacheListener<K, V>;
    using Saver = cache::OnSaveToDiskCacheListener<K, V>;

    explicit ResponseCache(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {}
    ResponseCache(const ResponseCache&) = delete;
    ResponseCache& operator=(const ResponseCache&) = delete;
    ~ResponseCache() { runner_.WaitForDone(); }

    void SetLoader(std::shared_ptr<Loader> loader) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        loader_ = std::move(loader);
    }

    void SetSaver(std::shared_ptr<Saver> saver) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        saver_ = std::move(saver);
    }

    // Returns the value and makes it the most recently used; on a miss asks the loader.
    // Throws std::range_error("There is no such key in cache") when neither has it.
    V Get(const K& key) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            entries_.splice(entries_.begin(), entries_, found->second);
            return entries_.front().second;
        }
        V loaded{};
        if (loader_ && loader_->OnLoadFromDiskCache(key, loaded)) {
            Put(key, loaded, true);
            return entries_.front().second;
        }
        throw std::range_error("There is no such key in cache");
    }

    // Stores the value as the most recently used, replacing an older one for the key, and evicts
    // the least recently used entry beyond the capacity. Values not coming from the loader are
    // handed (as copies) to the saver in the background.
    void Put(const K& key, const V& value, bool fromLoader = false) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            entries_.erase(found->second);
        }
        entries_.emplace_front(key, value);
        index_[key] = entries_.begin();
        if (static_cast<int>(index_.size()) > capacity_) {
            index_.erase(entries_.back().first);
            entries_.pop_back();
        }
        if (!fromLoader && saver_) {
            std::shared_ptr<Saver> saver = saver_;
            runner_.Run([saver, key, value]() { saver->OnSaveToDiskCache(key, value); });
        }
    }

    bool Contains(const K& key) const {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        return index_.count(key) != 0;
    }

    void Remove(const K& key) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        auto found = index_.find(key);
        if (found != index_.end()) {
            entries_.erase(found->second);
            index_.erase(found);
        }
    }

    // Keys, most recently used first.
    QList<K> Keys() const {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        QList<K> keys;
        for (const auto& entry : entries_) {
            keys.append(entry.first);
        }
        return keys;
    }

    int Size() const {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        return static_cast<int>(index_.size());
    }

    int Capacity() const { return capacity_; }

    // Blocks until every save handed to the runner so far has finished.
    void WaitForSaves() { runner_.WaitForDone(); }

private:
    using Entry = std::pair<K, V>;
    using EntryList = std::list<Entry>;

    mutable std::recursive_mutex mutex_;
    EntryList entries_;  // most recently used first
    std::map<K, typename EntryList::iterator> index_;
    const int capacity_;
    std::shared_ptr<Loader> loader_;
    std::shared_ptr<Saver> saver_;
    ConcurrentRunner runner_;
};
