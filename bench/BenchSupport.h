#pragma once
// What every benchmark binary shares: the memcpy baseline that decoders are measured against, and
// a main for binaries whose accessor threads need the application object.
#include <QByteArray>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/BenchStdout.h"

// Copies the body once per iteration: the cheapest thing any decoder of it could do.
inline void MeasureMemcpy(benchmark::State& state, const QByteArray& body) {
    std::vector<char> target(static_cast<size_t>(body.size()));
    for (auto _ : state) {
        std::memcpy(target.data(), body.constData(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

// Runs the registered benchmarks inside a QCoreApplication (the accessors' delivery threads run
// event loops), the report alone on stdout.
inline int RunBenchmarksInApp(int argc, char** argv) {
    KeepStdoutForReports();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
