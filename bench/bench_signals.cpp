// Costs of the short-line signals and large deals: decoding a 500-signal 10016 body (a memcpy of
// the same bytes in the same run is the reference), the signal-list join of a 200-signal poll into
// 1k, 5k and 20k existing rows (half the poll replaces rows, half is new; the fitted complexity
// shows how it grows), the statistics join, and decoding a 100-record 12990 page.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "host/quoter/BaseQuoteData.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/signals/SignalDecoders.h"
#include "services/signals/SignalJoins.h"
#include "sim/wire/largedeals/LargeDealBodyEncoder.h"
#include "sim/wire/signals/SignalBodyEncoders.h"

namespace {

constexpr int kBodySignals = 500;  // signals in the decoded body
constexpr int kPollSignals = 200;  // signals in one poll's answer
constexpr int kTypes = 12;         // signal types of the catalogue

const char* const kMarkets[] = {"SH", "SZ"};

ResponsePkgEntity_10016 Signals(int count, quint32 firstOrder) {
    ResponsePkgEntity_10016 answer;
    answer.flags = ResponsePkgEntity_10016::kWideOrderFlag;
    for (int i = 0; i < count; ++i) {
        ShortLineSignal s;
        s.stock_code = QString("%1%2").arg(kMarkets[i % 2]).arg(600000 + i % 97);
        s.stock_name = QString::fromUtf8("股票%1").arg(i % 97);
        s.signal_type_name = QString::fromUtf8("信号%1").arg(i % kTypes);
        s.order = firstOrder + quint32(i);
        s.signal_type_deal_direction = (i % 3) - 1;
        s.signal_time = 93000000 + (i % 3600) * 1000;
        s.signal_description = QString::fromUtf8("1分钟涨 %1.%2%").arg(i % 9).arg(i % 100);
        answer.signal_list.append(s);
    }
    answer.count = count;
    return answer;
}

ScopeTreeNode Source(const ResponsePkgEntity_10016& answer) {
    ScopeTreeNode node{ScopeTypeVariant("qz_lv2_quoter_10016")};
    node.quote_data = QSharedPointer<ResponsePkgEntity_10016>::create(answer);
    return node;
}

void BM_MemcpySignalBody(benchmark::State& state) {
    const QByteArray body = simwire::EncodeSignalBody(Signals(kBodySignals, 1));
    MeasureMemcpy(state, body);
}
BENCHMARK(BM_MemcpySignalBody);

void BM_DecodeSignalBody500(benchmark::State& state) {
    const QByteArray body = simwire::EncodeSignalBody(Signals(kBodySignals, 1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(signalwire::DecodeSignalBody(body).ok);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeSignalBody500);

// n existing rows; the poll's orders start at n - 100 (100 replaced, 100 new).
void BM_SignalListJoin(benchmark::State& state) {
    const int existing = int(state.range(0));
    ScopeTreeNode target{ScopeTypeVariant(QString::fromUtf8("短线精灵查询"))};
    target.quote_data = QSharedPointer<BaseQuoteData>::create();
    shortline::JoinSignalList(target, Source(Signals(existing, 1)));
    const ScopeTreeNode poll = Source(Signals(kPollSignals, quint32(existing - kPollSignals / 2)));
    for (auto _ : state) {
        ScopeTreeNode copy = target;
        benchmark::DoNotOptimize(shortline::JoinSignalList(copy, poll).IsSuccess());
    }
    state.SetComplexityN(existing);
}
BENCHMARK(BM_SignalListJoin)->Arg(1000)->Arg(5000)->Arg(20000)->Complexity(benchmark::oNLogN);

void BM_StatisticsJoin500(benchmark::State& state) {
    auto types = QSharedPointer<ResponsePkgEntity_10015>::create();
    for (int i = 0; i < kTypes; ++i) {
        SignalType t;
        t.signal_type_code = QString::number(100 + i);
        t.signal_type_name = QString::fromUtf8("信号%1").arg(i);
        t.signal_type_group_code = quint32(i / 3);
        t.signal_type_group_name = QString::fromUtf8("组%1").arg(i / 3);
        types->types.append(t);
    }
    ScopeTreeNode target{ScopeTypeVariant(QString::fromUtf8("短线精灵查询"))};
    ScopeTreeNode typeSource{ScopeTypeVariant("qz_lv2_quoter_10015")};
    typeSource.quote_data = types;
    shortline::JoinSignalStatistics(target, typeSource);
    const ScopeTreeNode signalSource = Source(Signals(kBodySignals, 1));
    for (auto _ : state) {
        ScopeTreeNode copy = target;
        benchmark::DoNotOptimize(shortline::JoinSignalStatistics(copy, signalSource).IsSuccess());
    }
}
BENCHMARK(BM_StatisticsJoin500);

void BM_DecodeLargeDealPage100(benchmark::State& state) {
    simwire::LargeDealAnswer answer;
    answer.code = "SZ300750";
    answer.first_sequence = 1;
    for (int i = 0; i < 100; ++i)
        answer.records.append(
            LargeDealRecord{0, quint32(93000 + i), 18000 + i, 50000, 0, 0, 30000, 20000, 0, 0});
    const QByteArray body = simwire::EncodeLargeDealBody(answer);
    for (auto _ : state) {
        benchmark::DoNotOptimize(largedeal::DecodeLargeDealBody(body, largedeal::kPagedKind).ok);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeLargeDealPage100);

}  // namespace

BENCHMARK_MAIN();
