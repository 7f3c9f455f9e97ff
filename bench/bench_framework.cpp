// Costs of the remote call framework's hot paths, with two reference points measured in the same
// run (a std::function call and an uncontended QMutex lock/unlock) so ratios read off one table.
#include <benchmark/benchmark.h>

#include <QMutex>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ResponseCache.h"
#include "host/tolk/subscriber/Subscriber.h"

namespace {

using kestrov::tolk::subscriber::LambdaSubscriber;
using kestrov::tolk::subscriber::Publisher;

void BM_StdFunctionCall(benchmark::State& state) {
    int sink = 0;
    std::function<void(int)> call = [&sink](int v) { sink += v; };
    for (auto _ : state) {
        call(1);
    }
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_StdFunctionCall);

void BM_QMutexLockUnlock(benchmark::State& state) {
    QMutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}
BENCHMARK(BM_QMutexLockUnlock);

void BM_RecursiveQMutexLockUnlock(benchmark::State& state) {
    QMutex mutex(QMutex::Recursive);
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}
BENCHMARK(BM_RecursiveQMutexLockUnlock);

// One publication reaching N subscribers of the topic.
void BM_Publish(benchmark::State& state) {
    Publisher<std::string, int> publisher;
    long delivered = 0;
    std::vector<std::unique_ptr<LambdaSubscriber<std::string, int>>> subscribers;
    for (int i = 0; i < state.range(0); ++i) {
        subscribers.push_back(std::make_unique<LambdaSubscriber<std::string, int>>(
            [&delivered](const std::string&, const int& v) { delivered += v; }));
        publisher.Subscribe("SH600000", subscribers.back().get());
    }
    for (auto _ : state) {
        publisher.Publish("SH600000", 1);
    }
    benchmark::DoNotOptimize(delivered);
    state.counters["deliveries/publish"] =
        static_cast<double>(delivered) / static_cast<double>(state.iterations());
    for (auto& subscriber : subscribers) {
        publisher.Unsubscribe("SH600000", subscriber.get());
    }
}
BENCHMARK(BM_Publish)->Arg(1)->Arg(8);

std::vector<std::string> Keys(int count) {
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i) {
        keys.push_back("SH" + std::to_string(600000 + i));
    }
    return keys;
}

// Put over twice the capacity's worth of keys: every put evicts.
void BM_ResponseCachePut(benchmark::State& state) {
    const int capacity = static_cast<int>(state.range(0));
    ResponseCache<std::string, int> cache(capacity);
    const std::vector<std::string> keys = Keys(2 * capacity);
    size_t i = 0;
    for (auto _ : state) {
        cache.Put(keys[i], 1);
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_ResponseCachePut)->Arg(10)->Arg(100);

// Get of present keys: every get is a hit that moves its entry to the front.
void BM_ResponseCacheGet(benchmark::State& state) {
    const int capacity = static_cast<int>(state.range(0));
    ResponseCache<std::string, int> cache(capacity);
    const std::vector<std::string> keys = Keys(capacity);
    for (const std::string& key : keys) {
        cache.Put(key, 1);
    }
    size_t i = 0;
    long sum = 0;
    for (auto _ : state) {
        sum += cache.Get(keys[i]);
        i = (i + 1) % keys.size();
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_ResponseCacheGet)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
