#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <functional>
#include <memory>
#include <utility>

#include "framework/DiskCacheListener.h"
#include "framework/HistoryFile.h"
#include "framework/HistorySaveLedger.h"

namespace historyfile {

// How a call's cache key and value map onto a history file.
template <typename K, typename V, typename Record>
struct HistoryBinding {
    std::function<QString(const K&)> stockCode;
    std::function<QString(const K&)> cycle;
    std::function<HistoryData<Record>(const V&)> toData;
    // Fills the value from what the file held, which it may move from.
    std::function<void(HistoryData<Record>&&, V&)> fromData;
    // Told the outcome of every save, under the call lock (optional).
    std::function<void(const K&, bool saved)> saved;
};

// Loader and saver hooks that plug a HistoryFile into a ResponseCache. Both take the owning call's
// lock (recursive, not owned) before touching the file: the loader runs inside a cache miss that
// already holds it, the saver on the cache's background runner.
template <typename K, typename V, typename Record>
std::shared_ptr<cache::OnLoadFromDiskCacheListener<K, V>> MakeHistoryLoader(
    QMutex* callLock, HistoryFile<Record> file, HistoryBinding<K, V, Record> binding) {
    return std::make_shared<cache::LambdaOnLoadFromDiskCacheListener<K, V>>(
        [callLock, file = std::move(file), binding](const K& key, V& value) {
            QMutexLocker locker(callLock);
            HistoryData<Record> data;
            if (!file.Load(binding.stockCode(key), binding.cycle(key), data)) {
                return false;
            }
            binding.fromData(std::move(data), value);
            return true;
        });
}

// Every save's outcome goes to the ledger, which reports a failed one (HistorySaveLedger.h).
template <typename K, typename V, typename Record>
std::shared_ptr<cache::OnSaveToDiskCacheListener<K, V>> MakeHistorySaver(
    QMutex* callLock, HistoryFile<Record> file, HistoryBinding<K, V, Record> binding,
    HistorySaveLedger& ledger) {
    return std::make_shared<cache::LambdaOnSaveToDiskCacheListener<K, V>>(
        [callLock, file = std::move(file), binding, &ledger](const K& key, const V& value) {
            QMutexLocker locker(callLock);
            const SaveOutcome outcome =
                file.Save(binding.stockCode(key), binding.cycle(key), binding.toData(value));
            ledger.Record(outcome);
            if (binding.saved) {
                binding.saved(key, outcome.IsKept());
            }
            return outcome.IsKept();
        });
}

}  // namespace historyfile
