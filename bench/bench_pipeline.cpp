// The answer path of the book and the pushed snapshot, from the bytes a server sends to the
// client's mid-result queue, with the reference points every ratio is read against measured in
// the same run: a memcpy of each body and QHash::find on the cache's keys.
//
// Counters: "allocs/msg" are heap allocations per message (AllocCounter: this binary replaces
// malloc), the primary figure since it does not vary from run to run; "x_memcpy"-style ratios are
// left to scripts/bench.sh, which reads the rows of one run. The path benchmarks report the
// latency from send to pop (p50, p99, max, in microseconds), the path's cost per message
// ("path_us") and the cost of decoding the same messages on their own ("decode_us"), and their
// ratio "decode/path". "accessor_cpu/decode" is the whole path's CPU time per message on the
// accessors' threads (received, decoded, cached, published and handed to the client's queue,
// wake-ups included) over the decode alone; "cpu/decode" the same with every thread of the
// process, the sending and popping benchmark thread included; "accessor_sleeps/burst" how often
// the accessors' threads went to sleep (and so were woken) per burst.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "bench/AllocCounter.h"
#include "bench/BenchSupport.h"
#include "bench/PipelineRig.h"
#include "framework/ResponseCache.h"
#include "services/fastquote/DecodedFastQuote.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/FastQuoteJoins.h"
#include "services/fastquote/FastQuoteRows.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"

namespace {

constexpr int kLevels = 10;  // levels a side
constexpr int kQueued = 50;  // queued orders per level
constexpr qint32 kMidPrice = 1050;
constexpr qint32 kOtherMidPrice = 5000;  // a book none of whose prices is in the first
constexpr int kChain = 2 * kLevels;      // typical pushes before the chain comes round again
constexpr int kBurst = 16;               // messages sent at once in a burst
constexpr int kTickStocks = 50;          // stocks of a tick
constexpr int kPrecision = 2;            // decimals of the converted prices
// The 10001 push asks for these masks (the push-kind snapshot request).
constexpr quint32 kPushMask1 = 0x19600FDF;
constexpr quint32 kPushMask2 = 0x60400415;
constexpr quint32 kPushMask3 = 0x4000;

using Clock = std::chrono::steady_clock;
using nscell::DataRow;
using nscell::UnsharedDataCell;

simwire::FastQuoteBook Book(const QString& code, qint32 mid) {
    return simwire::MakeFullFastQuoteBook(code, mid, kLevels, kQueued);
}

// Pushes of a book of `queued` orders a level, each differing from the one before in `changed`
// of its 20 levels (half on each side: volume, order count and the first queued order), the chain
// coming round to its first book, so that every step, the last included, changes as many levels.
std::vector<QByteArray> ChangingChain(const QString& code, int changed, int queued) {
    simwire::FastQuoteBook book = simwire::MakeFullFastQuoteBook(code, kMidPrice, kLevels, queued);
    std::vector<QByteArray> chain;
    for (int step = 0; step < kChain; ++step) {
        const int sign = step < kLevels ? 1 : -1;  // the second half undoes the first
        for (int k = 0; k < changed / 2; ++k) {
            const size_t level = static_cast<size_t>((step + k) % kLevels);
            for (simwire::FastQuoteLevel* at : {&book.buy[level], &book.sell[level]}) {
                at->volume += sign * 100;
                at->order_count += sign;
                at->queued[0] += sign * 100;
            }
        }
        chain.push_back(simwire::EncodeFastQuoteBody(book));
    }
    return chain;
}

// Typical pushes: 2 of the 20 levels change (one buy, one sell).
std::vector<QByteArray> TypicalPushChain(const QString& code) {
    return ChangingChain(code, 2, kQueued);
}

// Two full books none of whose levels the other has: alternating them, every push is new.
std::vector<QByteArray> NewBookPair(const QString& code) {
    return {simwire::EncodeFastQuoteBody(Book(code, kMidPrice)),
            simwire::EncodeFastQuoteBody(Book(code, kOtherMidPrice))};
}

QByteArray AllMaskSnapshotBody() {
    return simwire::EncodeStockSnapshotBody(simwire::MakeFullStockSnapshot("SZ000001", 10));
}

// A 10001 push: what the push subscription's masks carry, for one stock.
QByteArray PushBody(const QString& code) {
    StockSnapshot snapshot = simwire::MakeFullStockSnapshot(code, 3);
    snapshot.mask1 &= kPushMask1;
    snapshot.mask2 &= kPushMask2;
    snapshot.mask3 &= kPushMask3;
    return simwire::EncodeStockSnapshotBody(snapshot);
}

void Memcpy(benchmark::State& state, const QByteArray& body) {
    MeasureMemcpy(state, body);
    state.counters["bytes"] = body.size();
}

void SetAllocsPerMessage(benchmark::State& state, const alloccount::ThreadScope& allocs) {
    state.counters["allocs/msg"] =
        static_cast<double>(allocs.Count()) / static_cast<double>(state.iterations());
}

// ---- reference points ----

void BM_Memcpy12989Book(benchmark::State& state) {
    Memcpy(state, NewBookPair("SH600000").front());
}
BENCHMARK(BM_Memcpy12989Book);

void BM_Memcpy10002AllMask(benchmark::State& state) {
    Memcpy(state, AllMaskSnapshotBody());
}
BENCHMARK(BM_Memcpy10002AllMask);

void BM_Memcpy10001Push(benchmark::State& state) {
    Memcpy(state, PushBody("SH600000"));
}
BENCHMARK(BM_Memcpy10001Push);

std::vector<QString> CacheKeys(int count) {
    std::vector<QString> keys;
    for (int i = 0; i < count; ++i) {
        keys.push_back(QStringLiteral("SH%1").arg(600000 + i));
    }
    return keys;
}

// Present keys, in turn.
void BM_QHashFind(benchmark::State& state) {
    const std::vector<QString> keys = CacheKeys(static_cast<int>(state.range(0)));
    QHash<QString, int> hash;
    for (const QString& key : keys) {
        hash.insert(key, 1);
    }
    size_t i = 0;
    long sum = 0;
    for (auto _ : state) {
        sum += hash.find(keys[i]).value();
        i = (i + 1) % keys.size();
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_QHashFind)->Arg(10)->Arg(100);

// Get of present keys, in turn: every get is a hit that makes its entry the most recent.
void BM_ResponseCacheGet(benchmark::State& state) {
    const int capacity = static_cast<int>(state.range(0));
    const std::vector<QString> keys = CacheKeys(capacity);
    ResponseCache<QString, int> cache(capacity);
    for (const QString& key : keys) {
        cache.Put(key, 1);
    }
    size_t i = 0;
    long sum = 0;
    alloccount::ThreadScope allocs;
    for (auto _ : state) {
        sum += cache.Get(keys[i]);
        i = (i + 1) % keys.size();
    }
    SetAllocsPerMessage(state, allocs);
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_ResponseCacheGet)->Arg(10)->Arg(100);

// Put over twice the capacity's worth of keys: every put inserts and evicts.
void BM_ResponseCachePut(benchmark::State& state) {
    const int capacity = static_cast<int>(state.range(0));
    const std::vector<QString> keys = CacheKeys(2 * capacity);
    ResponseCache<QString, int> cache(capacity);
    size_t i = 0;
    alloccount::ThreadScope allocs;
    for (auto _ : state) {
        cache.Put(keys[i], 1);
        i = (i + 1) % keys.size();
    }
    SetAllocsPerMessage(state, allocs);
}
BENCHMARK(BM_ResponseCachePut)->Arg(10)->Arg(100);

// ---- decoders and joins, per message ----

// What the plug-in does with one 12989 message for one node once the precision is known: decode
// the body, then the fast-quote join converts it into the node's data.
class BookStep {
public:
    BookStep() {
        target_.quote_data = QSharedPointer<QzLv2FastQuoteNodeData>::create();
        static_cast<QzLv2FastQuoteNodeData&>(*target_.quote_data).precision = kPrecision;
    }
    // As the call decodes: the stock's last book lends its unchanged levels.
    bool Decode(const QByteArray& body) {
        auto entity = QSharedPointer<DecodedFastQuote>::create();
        QString code;
        FastQuoteLevelsPtr levels;
        if (!FastQuoteDecoder::DecodeNext(body, levels_.get(), *entity, code, levels)) {
            return false;
        }
        entity->levels = levels;
        levels_ = std::move(levels);
        source_.quote_data = entity;
        return true;
    }
    bool Join() { return fastquote::JoinFastQuote(target_, source_).IsSuccess(); }

private:
    ScopeTreeNode target_;
    ScopeTreeNode source_;
    FastQuoteLevelsPtr levels_;
};

void DecodeAndJoin(benchmark::State& state, const std::vector<QByteArray>& bodies, bool join) {
    BookStep step;
    for (int warm = 0; warm < 2; ++warm) {  // the first messages have no previous book
        step.Decode(bodies[static_cast<size_t>(warm) % bodies.size()]);
        step.Join();
    }
    size_t i = 0;
    alloccount::ThreadScope allocs;
    for (auto _ : state) {
        if (!step.Decode(bodies[i]) || (join && !step.Join())) {
            state.SkipWithError("rejected");
            break;
        }
        i = (i + 1) % bodies.size();
    }
    SetAllocsPerMessage(state, allocs);
    state.SetBytesProcessed(state.iterations() * bodies.front().size());
}

void BM_12989DecodeTypicalPush(benchmark::State& state) {
    DecodeAndJoin(state, TypicalPushChain("SH600000"), false);
}
BENCHMARK(BM_12989DecodeTypicalPush);

void BM_12989DecodeJoinTypicalPush(benchmark::State& state) {
    DecodeAndJoin(state, TypicalPushChain("SH600000"), true);
}
BENCHMARK(BM_12989DecodeJoinTypicalPush);

// Growth: levels changed a push (of 20) and queued orders a level.
void BM_12989DecodeJoinGrowth(benchmark::State& state) {
    const int changed = static_cast<int>(state.range(0));
    const int queued = static_cast<int>(state.range(1));
    DecodeAndJoin(state, ChangingChain("SH600000", changed, queued), true);
}
BENCHMARK(BM_12989DecodeJoinGrowth)
    ->ArgNames({"changed", "queued"})
    ->Args({0, kQueued})
    ->Args({2, kQueued})
    ->Args({10, kQueued})
    ->Args({20, kQueued})
    ->Args({2, 10})
    ->Args({2, 200});

// The least any decode and conversion of a new book does with the types the host fixes, without
// the plug-in's own logic: per level, its queued volumes formatted as shares and as lots with the
// big orders' indexes, its four rows (level and queue, as decoded and converted) built cell by
// cell in name order, and the eight maps and four row vectors of both packages filled; then the
// book before it dropped. Range 1 takes the texts formatted beforehand: the containers alone.
struct BookFloor {
    WillsQuoteData wills;
    ThousandGearsQuoteData gears;
    WillsQuoteData convertedWills;
    ThousandGearsQuoteData convertedGears;
};

// The queued volumes as shares, or as lots with the indexes of the big orders (second).
QString SharesText(const QVector<qint32>& volumes) {
    char text[1024];
    char* out = text;
    for (int i = 0; i < volumes.size(); ++i) {
        if (i > 0) {
            *out++ = ',';
        }
        out = std::to_chars(out, text + sizeof(text), volumes[i]).ptr;
    }
    return QString::fromLatin1(text, int(out - text));
}

std::pair<QString, QString> LotsText(const QVector<qint32>& volumes, qint32 price) {
    char lots[1024];
    char big[1024];
    char* out = lots;
    char* bigOut = big;
    for (int i = 0; i < volumes.size(); ++i) {
        if (i > 0) {
            *out++ = ',';
        }
        const qint32 partLots = volumes[i] / fastquote::kSharesPerLot;
        out = std::to_chars(out, lots + sizeof(lots), partLots).ptr;
        if (FastQuoteConversion::IsBigOrder(partLots, double(partLots) * price)) {
            if (bigOut != big) {
                *bigOut++ = ',';
            }
            bigOut = std::to_chars(bigOut, big + sizeof(big), i).ptr;
        }
    }
    const auto text = [](const char* from, const char* to) {
        return from == to ? QString() : QString::fromLatin1(from, int(to - from));
    };
    return {text(lots, out), text(big, bigOut)};
}

struct LevelTexts {
    QString shares;
    QString lots;
    QString bigIndexes;
};

LevelTexts TextsOf(const simwire::FastQuoteLevel& level) {
    auto [lots, bigIndexes] = LotsText(level.queued, level.price);
    return {SharesText(level.queued), std::move(lots), std::move(bigIndexes)};
}

// Adds a side's levels; their texts are formatted here unless `formatted` has them.
void AddFloorSide(BookFloor& book, const QVector<simwire::FastQuoteLevel>& levels, bool buy,
                  const std::vector<LevelTexts>* formatted) {
    const QString& type = buy ? fastquote::kBuy : fastquote::kSell;
    for (int j = 0; j < levels.size(); ++j) {
        const simwire::FastQuoteLevel& level = levels[j];
        const LevelTexts texts = formatted ? (*formatted)[size_t(j)] : TextsOf(level);
        const UnsharedDataCell key = UnsharedDataCell::FromInteger(level.price);
        const DataRow row =
            fastquote::MakeLevelRow(type, level.price, level.volume, level.big_flag);
        DataRow converted = row;
        converted.Set(fastquote::kPrice, UnsharedDataCell::FromPrice(level.price, kPrecision));
        const DataRow queue =
            fastquote::MakeQueueRow(type, level.price, level.order_count, texts.shares);
        DataRow convertedQueue;
        convertedQueue.Set(fastquote::kBigVolumeIndexList, UnsharedDataCell(texts.bigIndexes));
        convertedQueue.Set(fastquote::kTotalWillCount,
                           UnsharedDataCell::FromBigInteger(level.order_count));
        convertedQueue.Set(fastquote::kVolumeUnit, fastquote::LotUnitCell());
        convertedQueue.Set(fastquote::kWillPrice,
                           UnsharedDataCell::FromPrice(level.price, kPrecision));
        convertedQueue.Set(fastquote::kWillType, UnsharedDataCell(type));
        convertedQueue.Set(fastquote::kWillVolumeList, UnsharedDataCell(texts.lots));
        (buy ? book.wills.buy_rows : book.wills.sell_rows).push_back(row);
        (buy ? book.convertedWills.buy_rows : book.convertedWills.sell_rows).push_back(converted);
        (buy ? book.gears.buy_levels : book.gears.sell_levels).insert(key, row);
        (buy ? book.gears.buy_queues : book.gears.sell_queues).insert(key, queue);
        (buy ? book.convertedGears.buy_levels : book.convertedGears.sell_levels)
            .insert(key, converted);
        (buy ? book.convertedGears.buy_queues : book.convertedGears.sell_queues)
            .insert(key, convertedQueue);
    }
}

void BM_12989NewBookFloor(benchmark::State& state) {
    const bool textsBeforehand = state.range(0) != 0;
    const std::vector<simwire::FastQuoteBook> books{Book("SH600000", kMidPrice),
                                                    Book("SH600000", kOtherMidPrice)};
    std::vector<std::vector<LevelTexts>> texts;  // per book: its buy levels', then its sell's
    for (const simwire::FastQuoteBook& book : books) {
        for (const auto* side : {&book.buy, &book.sell}) {
            texts.emplace_back();
            for (const simwire::FastQuoteLevel& level : *side) {
                texts.back().push_back(TextsOf(level));
            }
        }
    }
    BookFloor last;
    size_t i = 0;
    alloccount::ThreadScope allocs;
    for (auto _ : state) {
        BookFloor next;
        AddFloorSide(next, books[i].buy, true, textsBeforehand ? &texts[2 * i] : nullptr);
        AddFloorSide(next, books[i].sell, false, textsBeforehand ? &texts[2 * i + 1] : nullptr);
        last = std::move(next);
        i = (i + 1) % books.size();
    }
    SetAllocsPerMessage(state, allocs);
}
BENCHMARK(BM_12989NewBookFloor)->Arg(0)->Arg(1);

void BM_12989DecodeNewBook(benchmark::State& state) {
    DecodeAndJoin(state, NewBookPair("SH600000"), false);
}
BENCHMARK(BM_12989DecodeNewBook);

void BM_12989DecodeJoinNewBook(benchmark::State& state) {
    DecodeAndJoin(state, NewBookPair("SH600000"), true);
}
BENCHMARK(BM_12989DecodeJoinNewBook);

void DecodeSnapshot(benchmark::State& state, const QByteArray& body) {
    alloccount::ThreadScope allocs;
    for (auto _ : state) {
        DecodeResult<StockSnapshot> result = DecodeStockSnapshotBody(body);
        benchmark::DoNotOptimize(result);
    }
    SetAllocsPerMessage(state, allocs);
    state.SetBytesProcessed(state.iterations() * body.size());
}

void BM_10002DecodeAllMask(benchmark::State& state) {
    DecodeSnapshot(state, AllMaskSnapshotBody());
}
BENCHMARK(BM_10002DecodeAllMask);

void BM_10001DecodePush(benchmark::State& state) {
    DecodeSnapshot(state, PushBody("SH600000"));
}
BENCHMARK(BM_10001DecodePush);

// ---- the whole path through the accessors' threads ----

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    return values[at];
}

// Median cost in microseconds of decoding each of `bodies` on this thread, as the path does. A
// round decodes at least 64 bodies, so that reading the clock does not weigh on a short decode.
template <typename DecodeOne>
double DecodeMicros(const std::vector<QByteArray>& bodies, DecodeOne decode) {
    constexpr int kRounds = 50;
    constexpr size_t kBodiesARound = 64;
    const size_t passes = std::max<size_t>(1, kBodiesARound / bodies.size());
    std::vector<double> each;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        for (size_t pass = 0; pass < passes; ++pass) {
            for (const QByteArray& body : bodies) {
                decode(body);
            }
        }
        const std::chrono::duration<double, std::micro> took = Clock::now() - start;
        each.push_back(took.count() / static_cast<double>(passes * bodies.size()));
    }
    return Percentile(each, 0.5);
}

double DecodeBookMicros(const std::vector<QByteArray>& bodies) {
    FastQuoteLevelsPtr levels;
    return DecodeMicros(bodies, [&levels](const QByteArray& body) {
        ResponsePkgEntity_12989 entity;
        QString code;
        FastQuoteLevelsPtr next;
        FastQuoteDecoder::DecodeNext(body, levels.get(), entity, code, next);
        levels = std::move(next);
    });
}

double DecodePushMicros(const std::vector<QByteArray>& bodies) {
    return DecodeMicros(bodies, [](const QByteArray& body) {
        benchmark::DoNotOptimize(DecodeStockSnapshotBody(body));
    });
}

void ReportPath(benchmark::State& state, const std::vector<double>& latencies, double pathUs,
                double cpuUs, double accessorCpuUs, double decodeUs, long allocs, long messages) {
    state.counters["p50_us"] = Percentile(latencies, 0.5);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["max_us"] = Percentile(latencies, 1.0);
    state.counters["path_us"] = pathUs;
    state.counters["decode_us"] = decodeUs;
    state.counters["decode/path"] = pathUs > 0 ? decodeUs / pathUs : 0;
    state.counters["cpu_us"] = cpuUs;
    state.counters["cpu/decode"] = decodeUs > 0 ? cpuUs / decodeUs : 0;
    state.counters["accessor_cpu_us"] = accessorCpuUs;
    state.counters["accessor_cpu/decode"] = decodeUs > 0 ? accessorCpuUs / decodeUs : 0;
    state.counters["allocs/msg"] =
        messages > 0 ? static_cast<double>(allocs) / static_cast<double>(messages) : 0;
}

// Sends `burst` messages of one kind at once (1: one at a time, the next only once the last is
// in the queue), for one stock. The path's cost per message is the wall time of a burst over its
// size; allocations are those of every thread.
template <typename Rig, typename Send>
void RunPath(benchmark::State& state, Rig& rig, const std::vector<QByteArray>& bodies, int burst,
             double decodeUs, Send send) {
    if (!rig.Ready()) {
        state.SkipWithError("no request");
        return;
    }
    std::vector<double> latencies;
    size_t next = 0;
    double totalUs = 0;
    long messages = 0;
    alloccount::CountAllThreads(true);
    const long allocsBefore = alloccount::AllThreadsAllocations();
    const double cpuBefore = CpuMicros(CLOCK_PROCESS_CPUTIME_ID);
    const double accessorCpuBefore = rig.AccessorCpuMicros();
    const long sleepsBefore = rig.AccessorSleeps();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < burst; ++i) {
            send(rig, bodies[next]);
            next = (next + 1) % bodies.size();
        }
        if (!rig.Collect(burst, latencies)) {
            state.SkipWithError("no result");
            break;
        }
        const std::chrono::duration<double, std::micro> took = Clock::now() - start;
        totalUs += took.count();
        messages += burst;
    }
    const double cpuUs = CpuMicros(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore;
    const double accessorCpuUs = rig.AccessorCpuMicros() - accessorCpuBefore;
    const long sleeps = rig.AccessorSleeps() - sleepsBefore;
    const long allocs = alloccount::AllThreadsAllocations() - allocsBefore;
    alloccount::CountAllThreads(false);
    const auto perMessage = [messages](double total) {
        return messages > 0 ? total / messages : 0;
    };
    ReportPath(state, latencies, perMessage(totalUs), perMessage(cpuUs), perMessage(accessorCpuUs),
               decodeUs, allocs, messages);
    state.counters["accessor_sleeps/burst"] =
        messages > 0 ? static_cast<double>(sleeps) * burst / static_cast<double>(messages) : 0;
    state.SetItemsProcessed(messages);
}

void BM_Path12989(benchmark::State& state) {
    const std::vector<QByteArray> bodies = TypicalPushChain("SH600000");
    PipelineRig rig(1);
    RunPath(state, rig, bodies, static_cast<int>(state.range(0)), DecodeBookMicros(bodies),
            [](PipelineRig& rig, const QByteArray& body) { rig.SendBook(0, body); });
}
BENCHMARK(BM_Path12989)->Arg(1)->Arg(kBurst)->UseRealTime();

void BM_Path10001(benchmark::State& state) {
    const std::vector<QByteArray> bodies{PushBody("SH600000")};
    PipelineRig rig(1);
    RunPath(state, rig, bodies, static_cast<int>(state.range(0)), DecodePushMicros(bodies),
            [](PipelineRig& rig, const QByteArray& body) { rig.SendPush(body, 0); });
}
BENCHMARK(BM_Path10001)->Arg(1)->Arg(kBurst)->UseRealTime();

// The same pushes through the accessor's thread to the client's queue with nothing done to them
// on the way: the part of the path above that is the hand-off alone.
void BM_HandOff10001(benchmark::State& state) {
    const std::vector<QByteArray> bodies{PushBody("SH600000")};
    HandOffRig rig;
    RunPath(state, rig, bodies, static_cast<int>(state.range(0)), DecodePushMicros(bodies),
            [](HandOffRig& rig, const QByteArray& body) { rig.SendPush(body); });
}
BENCHMARK(BM_HandOff10001)->Arg(kBurst)->UseRealTime();

// A tick of the market: 50 stocks, each with a 12989 book and a 10001 push. Evenly paced
// (range 0), a message goes out once the previous one has reached the queue: at 3 messages a
// second per stock and function the path is idle between messages, so their latency is that of
// a message alone (the idle gaps themselves are left out). All at once (range 1), the tick's 100
// messages go out together, as when the server flushes every book in one go.
void BM_Tick50(benchmark::State& state) {
    const bool allAtOnce = state.range(0) != 0;
    PipelineRig rig(kTickStocks);
    if (!rig.Ready()) {
        state.SkipWithError("no request");
        return;
    }
    std::vector<std::vector<QByteArray>> books;
    std::vector<QByteArray> pushes;
    for (int stock = 0; stock < kTickStocks; ++stock) {
        books.push_back(TypicalPushChain(rig.Code(stock)));
        pushes.push_back(PushBody(rig.Code(stock)));
    }
    std::vector<double> latencies;
    std::vector<double> lasts;  // per tick all at once: its last result's latency
    size_t step = 0;
    for (auto _ : state) {
        for (int stock = 0; stock < kTickStocks; ++stock) {
            rig.SendBook(stock, books[static_cast<size_t>(stock)][step % kChain]);
            if (!allAtOnce && !rig.Collect(1, latencies)) {
                state.SkipWithError("no result");
                return;
            }
            rig.SendPush(pushes[static_cast<size_t>(stock)], stock);
            if (!allAtOnce && !rig.Collect(1, latencies)) {
                state.SkipWithError("no result");
                return;
            }
        }
        if (allAtOnce) {
            const size_t first = latencies.size();
            if (!rig.Collect(2 * kTickStocks, latencies)) {
                state.SkipWithError("no result");
                return;
            }
            lasts.push_back(
                *std::max_element(latencies.begin() + static_cast<long>(first), latencies.end()));
        }
        ++step;
    }
    state.counters["p50_us"] = Percentile(latencies, 0.5);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["max_us"] = Percentile(latencies, 1.0);
    if (allAtOnce) {
        // The tick's last result, median over the ticks: the messages' work end to end in one
        // go, without the ticks a busy machine stretched (which the p99 shows).
        state.counters["tick_p50_us"] = Percentile(lasts, 0.5);
    }
}
BENCHMARK(BM_Tick50)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksInApp(argc, argv);
}
