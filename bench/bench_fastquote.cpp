// Costs of the fast quote's hot path, per push of one stock's full book (ten levels a side, 50
// queued orders per level): decoding the body, converting the book once the precision is known,
// and the whole road from an answer body to the client's mid-result queue. A memcpy of the same
// bytes in the same run is the reference point.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstring>
#include <memory>
#include <vector>

#include "bench/AnswerPath.h"
#include "bench/BenchSupport.h"
#include "host/access/ScriptedServerBackend.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"

namespace {

constexpr int kLevels = 10;  // levels a side
constexpr int kQueued = 50;  // queued orders per level

QByteArray FullBookBody() {
    return simwire::EncodeFastQuoteBody(
        simwire::MakeFullFastQuoteBook("SH600000", 1050, kLevels, kQueued));
}

void BM_MemcpyFullBookBytes(benchmark::State& state) {
    const QByteArray body = FullBookBody();
    MeasureMemcpy(state, body);
}
BENCHMARK(BM_MemcpyFullBookBytes);

void BM_DecodeFullBook(benchmark::State& state) {
    const QByteArray body = FullBookBody();
    for (auto _ : state) {
        ResponsePkgEntity_12989 entity;
        QString code;
        benchmark::DoNotOptimize(FastQuoteDecoder::Decode(body, entity, code));
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeFullBook);

// A full book cut in half: the counts promise more levels than the body holds, so the decoder
// reads up to the cut, throws and rejects the body (its warning dropped here).
void BM_RejectTruncatedFullBook(benchmark::State& state) {
    const QByteArray body = FullBookBody().left(FullBookBody().size() / 2);
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    for (auto _ : state) {
        ResponsePkgEntity_12989 entity;
        QString code;
        benchmark::DoNotOptimize(FastQuoteDecoder::Decode(body, entity, code));
    }
    qInstallMessageHandler(previous);
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_RejectTruncatedFullBook);

// What the fast-quote join does with every push once the precision is known: copy the published
// book (shared) and convert the copy.
void BM_ConvertFullBook(benchmark::State& state) {
    ResponsePkgEntity_12989 published;
    QString code;
    FastQuoteDecoder::Decode(FullBookBody(), published, code);
    for (auto _ : state) {
        WillsQuoteData wills = published.wills;
        ThousandGearsQuoteData gears = published.gears;
        FastQuoteConversion::ConvertBook(wills, gears, 2);
        benchmark::DoNotOptimize(gears.buy_queues.size());
    }
}
BENCHMARK(BM_ConvertFullBook);

// Answer body -> accessor thread -> decode, signal check, publish, cache -> node subscriber ->
// client's mid-result queue, popped on the benchmark thread. Includes the accessor's thread hop.
void BM_AnswerToMidResultQueue(benchmark::State& state) {
    auto backend = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install("pcl2xtquote", backend);
    MeasureAnswerToMidResultQueue(state, "pcl2xtquote", *backend, FullBookBody());
}
BENCHMARK(BM_AnswerToMidResultQueue)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksInApp(argc, argv);
}
