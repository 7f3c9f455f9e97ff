// Decoding cost of the per-stock snapshot: a 10002 record with every mask bit set, beside a
// plain copy of the same bytes as the floor.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"

namespace {

const QByteArray& FullBody() {
    static const QByteArray body =
        simwire::EncodeStockSnapshotBody(simwire::MakeFullStockSnapshot("SZ000001", 10));
    return body;
}

void BM_DecodeFullSnapshot(benchmark::State& state) {
    const QByteArray& body = FullBody();
    for (auto _ : state) {
        DecodeResult<StockSnapshot> result = DecodeStockSnapshotBody(body);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeFullSnapshot);

void BM_CopyFullSnapshotBytes(benchmark::State& state) {
    const QByteArray& body = FullBody();
    MeasureMemcpy(state, body);
}
BENCHMARK(BM_CopyFullSnapshotBytes);

}  // namespace

BENCHMARK_MAIN();
