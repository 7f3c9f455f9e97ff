// Costs of the remote call framework's hot paths, with two reference points measured in the same
// run (a std::function call and an uncontended QMutex lock/unlock) so ratios read off one table.
#include <benchmark/benchmark.h>

#include <QMutex>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// The response cache is measured in bench_pipeline, beside QHash::find on the same keys.

}  // namespace

BENCHMARK_MAIN();
