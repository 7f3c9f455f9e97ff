// Costs of the capital-flow and deals answers, per answer: decoding each body and joining its
// package into the parent's table. A 12915 body of 200 traded prices stands for a busy day; the
// memcpy of each body in the same run is the reference point.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/deals/DealsDecoders.h"
#include "services/deals/PriceDealsJoin.h"
#include "sim/wire/capitalflow/CapitalFlowEncoders.h"
#include "sim/wire/deals/DealsEncoders.h"

namespace {

constexpr int kPrices = 200;       // traded prices of a busy day
constexpr int kQueued = 50;        // orders at each best price
constexpr int kBoardMembers = 40;  // members in a 12973 list

QByteArray StockFlowBody() {
    ResponsePkg_12930 f;
    f.total_sell = 81234;
    f.ddx = -321;
    f.little_buy_volume = 98765;
    return simwire::EncodeStockFlowBody(f);
}

QByteArray BoardFlowBody() {
    ResponsePkg_12932 f;
    f.extra_large_buy_amount = 2500000000;
    f.little_sell_amount = 130000000;
    return simwire::EncodeBoardFlowBody("BK0475", 1, f);
}

QByteArray BoardAnalysisBody() {
    simwire::BoardAnalysis a;
    a.mask = 15;
    for (int i = 0; i < kBoardMembers; ++i)
        a.entries.append({QString("SH6%1").arg(i, 5, 10, QChar('0')), "成分股", 1, i, -i, 1, 1050});
    a.large_in_capital = -1234;
    return simwire::EncodeBoardAnalysisBody(a);
}

QByteArray PriceDealsBody() {
    std::vector<PriceDealRecord> records;
    for (int i = 0; i < kPrices; ++i) {
        const quint32 buy = 1000 + quint32(i) * 37, sell = 900 + quint32(i) * 41, other = 100;
        records.push_back({quint32(1000 + i), buy + sell + other, buy, sell, other});
    }
    return simwire::EncodePriceDealsBody(40000000, records);
}

QByteArray WillDealsBody() {
    ResponsePkgEntity_12917 q;
    for (int i = 0; i < kQueued; ++i) {
        q.bid_volumes.push_back(100 * (1 + i % 30));
        q.ask_volumes.push_back(100 * (1 + i % 17));
    }
    q.bid_order_count = q.ask_order_count = kQueued;
    return simwire::EncodeWillDealsBody("SH600000", q);
}

QByteArray BodyOf(int function) {
    switch (function) {
        case 12930:
            return StockFlowBody();
        case 12932:
            return BoardFlowBody();
        case 12973:
            return BoardAnalysisBody();
        case 12915:
            return PriceDealsBody();
        default:
            return WillDealsBody();
    }
}

bool Decode(int function, const QByteArray& body) {
    switch (function) {
        case 12930:
            return capitalflow::DecodeStockFlowBody(body).ok;
        case 12932:
            return capitalflow::DecodeBoardFlowBody(body).ok;
        case 12973:
            return capitalflow::DecodeBoardAnalysisBody(body).ok;
        case 12915:
            return deals::DecodePriceDealsBody(body).ok;
        default:
            return deals::DecodeWillDealsBody(body).ok;
    }
}

void BM_MemcpyBody(benchmark::State& state) {
    const QByteArray body = BodyOf(int(state.range(0)));
    MeasureMemcpy(state, body);
}
BENCHMARK(BM_MemcpyBody)->Arg(12930)->Arg(12932)->Arg(12973)->Arg(12915)->Arg(12917);

void BM_DecodeBody(benchmark::State& state) {
    const int function = int(state.range(0));
    const QByteArray body = BodyOf(function);
    for (auto _ : state)
        benchmark::DoNotOptimize(Decode(function, body));
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeBody)->Arg(12930)->Arg(12932)->Arg(12973)->Arg(12915)->Arg(12917);

// The join of each capital-flow package: one row of cells on a new table.
template <typename Entity, typename Join>
void JoinLoop(benchmark::State& state, const Entity& entity, Join join) {
    ScopeTreeNode target = ScopeTreeNode::NewRoot(ScopeTypeVariant(17));
    ScopeTreeNode source = ScopeTreeNode::NewRoot(ScopeTypeVariant("child"));
    source.quote_data = QSharedPointer<Entity>::create(entity);
    for (auto _ : state)
        benchmark::DoNotOptimize(join(target, source));
}

void BM_JoinStockFlow(benchmark::State& state) {
    JoinLoop(state, *capitalflow::DecodeStockFlowBody(StockFlowBody()).record,
             &capitalflow::JoinStockFlow);
}
BENCHMARK(BM_JoinStockFlow);

void BM_JoinBoardFlow(benchmark::State& state) {
    JoinLoop(state, *capitalflow::DecodeBoardFlowBody(BoardFlowBody()).record,
             &capitalflow::JoinBoardFlow);
}
BENCHMARK(BM_JoinBoardFlow);

void BM_JoinBoardAnalysis(benchmark::State& state) {
    JoinLoop(state, *capitalflow::DecodeBoardAnalysisBody(BoardAnalysisBody()).record,
             &capitalflow::JoinBoardAnalysis);
}
BENCHMARK(BM_JoinBoardAnalysis);

// 200 rows of nine cells each.
void BM_JoinPriceDeals(benchmark::State& state) {
    JoinLoop(state, *deals::DecodePriceDealsBody(PriceDealsBody()).record, &deals::JoinPriceDeals);
    state.SetItemsProcessed(state.iterations() * kPrices);
}
BENCHMARK(BM_JoinPriceDeals);

}  // namespace

BENCHMARK_MAIN();
