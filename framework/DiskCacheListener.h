#pragma once

#include <functional>
#include <utility>

// Hooks through which a ResponseCache reaches a backing store: a loader asked on a miss and a saver
// handed every value that was put from outside the loader. The cache holds both by std::shared_ptr.
// Thread contract: the loader runs on the thread that missed the cache (inside the cache's lock);
// the saver runs on the cache's background runner with copies of key and value.
namespace cache {

template <typename K, typename V>
class OnLoadFromDiskCacheListener {
public:
    virtual ~OnLoadFromDiskCacheListener() = default;
    // Fills value and returns true when the store holds the key.
    virtual bool OnLoadFromDiskCache(const K& key, V& value) = 0;
};

template <typename K, typename V>
class OnSaveToDiskCacheListener {
public:
    virtual ~OnSaveToDiskCacheListener() = default;
    virtual bool OnSaveToDiskCache(const K& key, const V& value) = 0;
};

template <typename K, typename V>
class LambdaOnLoadFromDiskCacheListener : public OnLoadFromDiskCacheListener<K, V> {
public:
    using Callable = std::function<bool(const K&, V&)>;
    explicit LambdaOnLoadFromDiskCacheListener(Callable callable)
        : callable_(std::move(callable)) {}
    bool OnLoadFromDiskCache(const K& key, V& value) override {
        return callable_ ? callable_(key, value) : false;
    }

private:
    Callable callable_;
};

template <typename K, typename V>
class LambdaOnSaveToDiskCacheListener : public OnSaveToDiskCacheListener<K, V> {
public:
    using Callable = std::function<bool(const K&, const V&)>;
    explicit LambdaOnSaveToDiskCacheListener(Callable callable) : callable_(std::move(callable)) {}
    bool OnSaveToDiskCache(const K& key, const V& value) override {
        return callable_ ? callable_(key, value) : false;
    }

private:
    Callable callable_;
};

}  // namespace cache
