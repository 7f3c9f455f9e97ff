// Costs of the minute flows: decoding a full day's 241 minute records (12842, every group) against
// a memcpy of the same body; merging a 200-record page into a series of 1k, 5k and 20k records
// (the cost grows linearly with the series: each merge builds the new list once); and saving and
// loading a 5000-record history file against a plain write and read of the same bytes.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

#include "bench/BenchSupport.h"
#include "host/core/CDataStoreMgr.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "services/minuteflow/FlowSeries.h"
#include "sim/market/KlineFlowHistory.h"
#include "sim/wire/minuteflow/MinuteFlowEncoders.h"

namespace {

constexpr int kDayMinutes = 241;
constexpr int kPage = 200;
constexpr int kFileRecords = 5000;

std::vector<FlowRecord> Records(int count) {
    const simmarket::KlineFlowHistory history(7, QDate(2024, 6, 28));
    std::vector<FlowRecord> records;
    for (int i = 0; i < count; ++i) {
        FlowRecord r = history.Record("SH600000", "week", i % 1000);
        r.time = 1000000 + i;  // ascending
        records.push_back(r);
    }
    return records;
}

QByteArray DayBody() {
    std::vector<FlowRecord> records = Records(kDayMinutes);
    for (int i = 0; i < kDayMinutes; ++i)
        records[size_t(i)].time = 930 + i;
    return simwire::EncodeMinuteFlowBody("SH600000", minuteflow::kAllGroups, records);
}

void BM_MemcpyDayBody(benchmark::State& state) {
    const QByteArray body = DayBody();
    MeasureMemcpy(state, body);
}
BENCHMARK(BM_MemcpyDayBody);

void BM_DecodeDayOf241Minutes(benchmark::State& state) {
    const QByteArray body = DayBody();
    for (auto _ : state) {
        FlowBatch batch;
        benchmark::DoNotOptimize(minuteflow::DecodeMinuteFlowBody(body, batch));
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeDayOf241Minutes);

// The newest page of a series (its last 100 records overlap), as a poll brings it.
void BM_MergePageIntoSeries(benchmark::State& state) {
    const int size = int(state.range(0));
    const std::vector<FlowRecord> all = Records(size + kPage / 2);
    const FlowRecords cached(all.begin(), all.begin() + size);
    const FlowRecords page(all.end() - kPage, all.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(minuteflow::Merge(cached, page));
    }
    state.SetComplexityN(size);
}
BENCHMARK(BM_MergePageIntoSeries)->Arg(1000)->Arg(5000)->Arg(20000)->Complexity(benchmark::oN);

struct FileFixture {
    QTemporaryDir dir;
    historyfile::HistoryData<FlowRecord> data;
    QByteArray bytes;
    FileFixture() {
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(dir.path());
        data.records = Records(kFileRecords);
        bytes = minuteflow::FlowHistoryFile().Encode(data);
    }
};

void BM_PlainWrite5000RecordBytes(benchmark::State& state) {
    FileFixture f;
    const QString path = f.dir.filePath("plain.dat");
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        benchmark::DoNotOptimize(file.write(f.bytes));
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}
BENCHMARK(BM_PlainWrite5000RecordBytes);

void BM_SaveHistoryFile5000Records(benchmark::State& state) {
    FileFixture f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(minuteflow::FlowHistoryFile().Save("SH600000", "week", f.data));
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}
BENCHMARK(BM_SaveHistoryFile5000Records);

void BM_PlainRead5000RecordBytes(benchmark::State& state) {
    FileFixture f;
    const QString path = f.dir.filePath("plain.dat");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(f.bytes);
    }
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}
BENCHMARK(BM_PlainRead5000RecordBytes);

void BM_LoadHistoryFile5000Records(benchmark::State& state) {
    FileFixture f;
    minuteflow::FlowHistoryFile().Save("SH600000", "week", f.data);
    for (auto _ : state) {
        historyfile::HistoryData<FlowRecord> loaded;
        benchmark::DoNotOptimize(minuteflow::FlowHistoryFile().Load("SH600000", "week", loaded));
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}
BENCHMARK(BM_LoadHistoryFile5000Records);

}  // namespace

BENCHMARK_MAIN();
